#pragma once
// Stand-ins for the burn controller's tests: a clock the test moves, a
// drive list of scripted drives, and a host that records what it is told.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platter/clock.h"
#include "platter/fake/fake_device.h"
#include "platter/types.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/burner/burner_host.h"

namespace burner_test {

class CTestClock final : public IPlatterClock {
public:
    std::int64_t NowMs() override { return now.load(); }
    void SleepMs(std::int64_t milliseconds) override {
        now += milliseconds;
        slept += milliseconds;
        ++sleeps;
    }
    std::atomic<std::int64_t> now{100000};
    // The rests taken, and their total.
    std::atomic<int> sleeps{0};
    std::atomic<std::int64_t> slept{0};
};

// Scripted drives: each entry a fake drive at adapter 2, target = its index.
class CTestDrives final : public IBurnerDrives {
public:
    PLATTER_CFakeDevice& Add(bool writer, IPlatterClock* clock = nullptr) {
        auto device = std::make_unique<PLATTER_CFakeDevice>(clock);
        device->target = static_cast<std::int32_t>(devices.size());
        device->scsiId = device->target;
        device->driveText = "/dev/sr" + std::to_string(device->target);
        if (!writer) device->capabilities = 0;
        devices.push_back(std::move(device));
        return *devices.back();
    }
    bool Ready() override { return ready; }
    std::int32_t Engine() override { return engine; }
    std::int32_t PercentDone() override { return percentDone; }
    std::int32_t CalcBurnTimeRemaining() override { return timeRemaining; }
    std::int32_t GetDevices() override { return static_cast<std::int32_t>(devices.size()); }
    PLATTER_CDevice* GetDevice(std::int32_t index) override {
        return index >= 0 && index < GetDevices() ? devices[static_cast<std::size_t>(index)].get() : nullptr;
    }
    PLATTER_CDevice* FindDeviceByParams(std::int32_t adapter, std::int32_t target, std::int32_t lun) override {
        for (auto& device : devices)
            if (device->hostAdapter == adapter && device->target == target && device->lun == lun) return device.get();
        return nullptr;
    }
    std::int32_t NumWriters(bool, bool) override {
        std::int32_t count = 0;
        for (auto& device : devices) count += (device->capabilities & PLATTER_CAP_WRITER) != 0 ? 1 : 0;
        return count;
    }
    // The first writer's last error, as the library keeps a failed write's.
    std::int32_t GetLastError(char* text, std::size_t textSize) override {
        for (auto& device : devices)
            if ((device->capabilities & PLATTER_CAP_WRITER) != 0) return device->GetLastError(text, textSize);
        if (textSize > 0) text[0] = '\0';
        return 0;
    }

    std::vector<std::unique_ptr<PLATTER_CFakeDevice>> devices;
    bool ready = true;
    std::int32_t engine = 1;
    std::int32_t percentDone = 0;
    std::int32_t timeRemaining = 0;
};

class CTestHost final : public IBurnerHost {
public:
    void SetStateText(const std::string& text) override { texts.push_back(text); }
    void SetLogoMode(int mode) override {
        logoModes.push_back(mode);
        if (onLogoMode) onLogoMode(mode);
    }
    void SetLogoLevel(double level) override { logoLevels.push_back(level); }
    void RefreshTotalsAndTitle() override { ++refreshes; }
    void FindWriterPage(const std::string& driveText) override { writerPages.push_back(driveText); }
    bool WriterPageRipping() override { return writerRipping; }
    bool AnyPageRipping() override { return anyRipping; }
    TReceiverId WindowReceiver() override { return receiver; }

    std::vector<std::string> texts;
    std::vector<int> logoModes;
    std::vector<double> logoLevels;
    int refreshes = 0;
    // The drives whose CD page was looked up, in turn.
    std::vector<std::string> writerPages;
    bool writerRipping = false;
    bool anyRipping = false;
    TReceiverId receiver = kNoReceiver;
    // Called with each logo mode (a write's events set mode 2 as it begins).
    std::function<void(int)> onLogoMode;
};

}  // namespace burner_test
