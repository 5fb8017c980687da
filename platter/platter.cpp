#include "platter/platter.h"

#include "filekit/log.h"
#include "platform/user_folders.h"
#include "platter/burn_library.h"
#include "platter/cd_drive.h"
#include "platter/drive_scan.h"
#include "platter/errors.h"
#include "platter/image_drive.h"
#include "titlefetch/cdio_log.h"

PLATTER_CPlatter::PLATTER_CPlatter() : imageDrive(DefaultImageDriveConfig()) {}

PLATTER_CPlatter::~PLATTER_CPlatter() = default;

IPlatterClock* PLATTER_CPlatter::Clock() const {
    return imageDrive.clock != nullptr ? imageDrive.clock : PlatterSystemClock();
}

bool PLATTER_CPlatter::InitializeASPILayer(bool /*ownLayer*/, TPlatterProgressCallback progress, void* context,
                                           TBurningEngine* engine) {
    std::lock_guard<std::mutex> hold(lock_);
    InstallCdioLogHandler();
    const std::int32_t asked = engine != nullptr ? *engine : burningEngine.load();
    const std::int32_t used = asked == kEngineGoldenHawk ? kEngineGoldenHawk : kEngineZent;
    burningEngine.store(used);
    if (engine != nullptr) *engine = static_cast<TBurningEngine>(used);
    if (failInitializationsForTest.load() > 0) {
        --failInitializationsForTest;
        return false;
    }
    if (ready.load() != 0) return true;

    if (progress != nullptr) {
        progress(context, kProgressShow, 0);
        progress(context, kProgressCaption, reinterpret_cast<std::intptr_t>("Looking for CD drives..."));
    }
    errorCode_ = 0;
    errorText_.clear();
    // Real drives come first; the image drives follow them, so a real writer
    // is the one found first.
    if (listRealDrives) ListRealDrives();
    if (imageDrive.enabled) {
        std::vector<std::string> trays = imageDrive.trays;
        if (trays.empty()) trays.push_back(GetUserDataDir() + "image-drive");
        for (std::size_t i = 0; i < trays.size(); ++i) {
            devices_.push_back(std::make_unique<PLATTER_CImageDrive>(*this, imageDrive, trays[i],
                                                                     static_cast<std::int32_t>(i)));
            LogFmt("PLATTER_CPlatter::InitializeASPILayer - Image drive %zu in %s", i, trays[i].c_str());
        }
    }
    if (progress != nullptr) progress(context, kProgressHide, 0);
    ready.store(1);
    return true;
}

void PLATTER_CPlatter::ListRealDrives() {
    const TDriveScan scan = ScanOpticalDrives(sysfsRoot);
    for (const TDriveNode& node : scan.drives) {
        devices_.push_back(std::make_unique<PLATTER_CCdDrive>(*this, node, static_cast<std::int32_t>(devices_.size())));
        const PLATTER_CDevice& drive = *devices_.back();
        LogFmt("PLATTER_CPlatter::InitializeASPILayer - Drive %s: %s %s %s at %d:%d:%d", node.path.c_str(),
               drive.vendor, drive.product, drive.revision, drive.hostAdapter, drive.target, drive.lun);
    }
    for (std::size_t i = 0; i < scan.refusedNodes.size(); ++i) {
        const std::string text = NoAccessText(scan.refusedNodes[i], scan.refusedGroups[i]);
        LogFmt("PLATTER_CPlatter::InitializeASPILayer - %s", text.c_str());
        errorCode_ = PLATTER_ERR_NO_ACCESS;
        errorText_ += (errorText_.empty() ? "" : " ") + text;
    }
}

void PLATTER_CPlatter::SetWriterDrive(std::int32_t adapter, std::int32_t target, std::int32_t lun) {
    std::lock_guard<std::mutex> hold(lock_);
    writerAddress_ = {adapter, target, lun};
}

std::array<std::int32_t, 3> PLATTER_CPlatter::WriterDrive() {
    std::lock_guard<std::mutex> hold(lock_);
    return writerAddress_;
}

void PLATTER_CPlatter::EnableZentPrivateLogging(bool on) {
    std::lock_guard<std::mutex> hold(lock_);
    privateLogging_ = on;
    SetBurnVerboseLogging(on);
}

std::int32_t PLATTER_CPlatter::GetDevices() {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<std::int32_t>(devices_.size());
}

PLATTER_CDevice* PLATTER_CPlatter::GetDevice(std::int32_t index) {
    std::lock_guard<std::mutex> hold(lock_);
    if (index < 0 || index >= static_cast<std::int32_t>(devices_.size())) return nullptr;
    return devices_[static_cast<std::size_t>(index)].get();
}

PLATTER_CDevice* PLATTER_CPlatter::FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun) {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& device : devices_)
        if (device->hostAdapter == adapter && device->target == target && device->lun == lun) return device.get();
    return nullptr;
}

std::int32_t PLATTER_CPlatter::NumWriters(bool /*first*/, bool /*second*/) {
    std::lock_guard<std::mutex> hold(lock_);
    std::int32_t writers = 0;
    for (const auto& device : devices_)
        if ((device->capabilities & PLATTER_CAP_WRITER) != 0) ++writers;
    return writers;
}

std::int32_t PLATTER_CPlatter::GetLastError(char* text, std::size_t textSize) {
    std::lock_guard<std::mutex> hold(lock_);
    if (ready.load() == 0 && errorCode_ == 0) {
        PlatterCopyText(PlatterCodeReason(PLATTER_ERR_NOT_READY), text, textSize);
        return PLATTER_ERR_NOT_READY;
    }
    PlatterCopyText(errorText_, text, textSize);
    return errorCode_;
}

void PLATTER_CPlatter::NoteWriteFailure(const PLATTER_CDevice& device) {
    char text[1024];
    const std::int32_t code = device.GetLastError(text, sizeof text);
    std::lock_guard<std::mutex> hold(lock_);
    errorCode_ = code;
    errorText_ = text;
}

std::int32_t PLATTER_CPlatter::CalcBurnTimeRemaining() {
    const std::int32_t percent = percentDone.load();
    if (percent <= 0 || percent >= 100) return 0;
    const std::int64_t elapsed = static_cast<std::int32_t>(Clock()->NowMs()) - std::int64_t{burnStartTick.load()};
    if (elapsed <= 0) return 0;
    return static_cast<std::int32_t>(elapsed * (100 - percent) / percent);
}
