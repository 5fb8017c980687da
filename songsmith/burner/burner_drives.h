#pragma once
// The part of the drive library the burn controller uses: the drive list,
// whether the library is ready, the engine in use and the running write's
// progress. The program hands the controller the library's engine object;
// tests hand it scripted drives.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platter/device.h"

class PLATTER_CPlatter;

class IBurnerDrives {
public:
    virtual ~IBurnerDrives() = default;
    virtual bool Ready() = 0;
    // 0 or 1 (the Zent engine).
    virtual std::int32_t Engine() = 0;
    virtual std::int32_t PercentDone() = 0;
    virtual std::int32_t CalcBurnTimeRemaining() = 0;
    virtual std::int32_t GetDevices() = 0;
    virtual PLATTER_CDevice* GetDevice(std::int32_t index) = 0;
    virtual PLATTER_CDevice* FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun) = 0;
    virtual std::int32_t NumWriters(bool first, bool second) = 0;
    // The last failed write's code and text; drives that keep none answer 0
    // and an empty text.
    virtual std::int32_t GetLastError(char* text, std::size_t textSize) {
        if (textSize > 0) text[0] = '\0';
        return 0;
    }
};

// The drive library's engine object as the controller sees it.
class CPlatterDrives final : public IBurnerDrives {
public:
    explicit CPlatterDrives(PLATTER_CPlatter& platter) : platter_(platter) {}
    bool Ready() override;
    std::int32_t Engine() override;
    std::int32_t PercentDone() override;
    std::int32_t CalcBurnTimeRemaining() override;
    std::int32_t GetDevices() override;
    PLATTER_CDevice* GetDevice(std::int32_t index) override;
    PLATTER_CDevice* FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun) override;
    std::int32_t NumWriters(bool first, bool second) override;
    std::int32_t GetLastError(char* text, std::size_t textSize) override;

private:
    PLATTER_CPlatter& platter_;
};
