#include "songsmith/burner/burner_drives.h"

#include "platter/platter.h"

bool CPlatterDrives::Ready() { return platter_.ready.load() != 0; }
std::int32_t CPlatterDrives::Engine() { return platter_.burningEngine.load(); }
std::int32_t CPlatterDrives::PercentDone() { return platter_.percentDone.load(); }
std::int32_t CPlatterDrives::CalcBurnTimeRemaining() { return platter_.CalcBurnTimeRemaining(); }
std::int32_t CPlatterDrives::GetDevices() { return platter_.GetDevices(); }
PLATTER_CDevice* CPlatterDrives::GetDevice(std::int32_t index) { return platter_.GetDevice(index); }
PLATTER_CDevice* CPlatterDrives::FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun) {
    return platter_.FindDeviceByParams(adapter, target, lun);
}
std::int32_t CPlatterDrives::NumWriters(bool first, bool second) { return platter_.NumWriters(first, second); }
std::int32_t CPlatterDrives::GetLastError(char* text, std::size_t textSize) {
    return platter_.GetLastError(text, textSize);
}
