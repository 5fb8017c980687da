#pragma once
// An image drive in a temporary tray holding a generated disc, registered
// for the CD audio device, and the waits its tests need: a notification
// collector that tests wait on (no sleeps) while a fake output plays.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/cd/cd_audio_device.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"

namespace cdtest {

// Notification codes as they arrive, from any thread.
class CNotices {
public:
    CCdAudioDevice::TNotify Callback() {
        return [this](int code) {
            std::lock_guard<std::mutex> hold(lock_);
            codes_.push_back(code);
            changed_.notify_all();
        };
    }
    std::vector<int> Codes() {
        std::lock_guard<std::mutex> hold(lock_);
        return codes_;
    }
    // Waits until count notices came, calling pump between looks (a fake
    // output that plays what it was given); false only after a hang.
    bool WaitFor(std::size_t count, const std::function<void()>& pump = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + testsupport::kHangLimit;
        std::unique_lock<std::mutex> hold(lock_);
        while (codes_.size() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (pump) {
                hold.unlock();
                pump();
                hold.lock();
            }
            changed_.wait_for(hold, std::chrono::milliseconds(2), [&] { return codes_.size() >= count; });
        }
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int> codes_;
};

class CdDriveTest : public ::testing::Test {
protected:
    ~CdDriveTest() override {
        if (drive_ != nullptr) CCdAudioDevice::RemoveDrive(drive_);
    }
    // The drive with layout's disc in its tray, read.
    PLATTER_CDevice* InsertDisc(const platter_test::TImageLayout& layout) {
        image_ = platter_test::WriteDiscImage(tray_.Path(), "disc", layout);
        platter_.listRealDrives = false;
        platter_.imageDrive.enabled = true;
        platter_.imageDrive.trays = {tray_.Path()};
        EXPECT_TRUE(platter_.InitializeASPILayer(false, nullptr, nullptr, nullptr));
        drive_ = platter_.GetDevice(0);
        EXPECT_NE(drive_, nullptr);
        if (drive_ == nullptr) return nullptr;
        drive_->RefreshStatus();
        EXPECT_TRUE(drive_->ReadDeviceInfo());
        CCdAudioDevice::AddDrive(drive_);
        return drive_;
    }
    // The BIN's bytes of disc track (from 1) from frame on to its end.
    std::string TrackBytes(int track, std::int32_t frame = 0) const {
        const std::size_t i = static_cast<std::size_t>(track - 1);
        const std::int32_t end = i + 1 < image_.startLsn.size() ? image_.startLsn[i + 1] : image_.leadoutLsn;
        return image_.Sectors(image_.startLsn[i] + frame, end);
    }

    testsupport::TempDir tray_;
    PLATTER_CPlatter platter_;
    PLATTER_CDevice* drive_ = nullptr;
    platter_test::TDiscImage image_;
};

}  // namespace cdtest
