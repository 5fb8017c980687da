// The CD audio device over an image drive: what it hands the sound output
// is the disc's own bytes from the position asked for, and every play ends
// with exactly one notification, however it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/cd/tests/cd_drive_fixture.h"
#include "platform/wave_out_fake.h"
#include "platter/device.h"

namespace {

using cdtest::CNotices;

std::string AsString(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class CdAudioDeviceTest : public cdtest::CdDriveTest {
protected:
    std::shared_ptr<CCdAudioDevice> OpenDevice() {
        return CCdAudioDevice::Open(drive_->driveText, 0);
    }
    // Lets the fake output play all it was given until count notices came.
    bool PlayUntil(std::size_t count) {
        return notices_.WaitFor(count, [this] {
            if (CFakeWaveOutDevice* device = fake_.Device()) device->PlayAll();
        });
    }

    CFakeWaveOutScope fake_;
    CNotices notices_;
};

TEST_F(CdAudioDeviceTest, ATrackFromAPositionGivesTheDiscsBytesFromItsWholeSecondsThenSuccess) {
    ASSERT_NE(InsertDisc(platter_test::AudioDiscLayout()), nullptr);
    std::shared_ptr<CCdAudioDevice> device = OpenDevice();
    ASSERT_NE(device, nullptr);
    // Opening the same drive again shares the device; another text opens none.
    EXPECT_EQ(OpenDevice(), device);
    EXPECT_EQ(CCdAudioDevice::Open("/no/such/drive.cue", 0), nullptr);

    ASSERT_TRUE(device->Play(2, 2500, notices_.Callback()));
    ASSERT_TRUE(PlayUntil(1));
    EXPECT_EQ(notices_.Codes(), std::vector<int>{kCdPlaySuccessful});
    EXPECT_FALSE(device->Playing());
    const std::string played = AsString(fake_.Device()->Written());
    EXPECT_EQ(played.size(), TrackBytes(2, 150).size());
    EXPECT_TRUE(played == TrackBytes(2, 150));
    EXPECT_EQ(fake_.Backend().lastFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(fake_.Backend().lastFormat.wBitsPerSample, 16);
    EXPECT_EQ(fake_.Backend().lastFormat.nChannels, 2);

    // From the start: the whole of the last track.
    ASSERT_TRUE(device->Play(3, 0, notices_.Callback()));
    ASSERT_TRUE(PlayUntil(2));
    EXPECT_TRUE(AsString(fake_.Device()->Written()) == TrackBytes(2, 150) + TrackBytes(3));
    EXPECT_EQ(fake_.Backend().openCount, 1);
}

TEST_F(CdAudioDeviceTest, StopAbortsAndResetsAndASecondPlaySupersedesTheFirst) {
    ASSERT_NE(InsertDisc(platter_test::AudioDiscLayout()), nullptr);
    std::shared_ptr<CCdAudioDevice> device = OpenDevice();
    // Nothing is played: the play waits with every buffer in flight.
    ASSERT_TRUE(device->Play(1, 0, notices_.Callback()));
    EXPECT_TRUE(device->Stop());
    EXPECT_EQ(notices_.Codes(), std::vector<int>{kCdPlayAborted});
    EXPECT_EQ(fake_.Device()->HeadersQueued(), 0u);
    EXPECT_EQ(fake_.Device()->PlayedBytes(), 0u);
    EXPECT_FALSE(device->Stop());

    CNotices first;
    CNotices second;
    ASSERT_TRUE(device->Play(1, 0, first.Callback()));
    ASSERT_TRUE(device->Play(3, 1000, second.Callback()));
    EXPECT_EQ(first.Codes(), std::vector<int>{kCdPlaySuperseded});
    ASSERT_TRUE(second.WaitFor(1, [this] { fake_.Device()->PlayAll(); }));
    EXPECT_EQ(second.Codes(), std::vector<int>{kCdPlaySuccessful});
    // The output ends with the second play's bytes, whole.
    const std::string all = AsString(fake_.Device()->Written());
    const std::string tail = TrackBytes(3, 75);
    ASSERT_GE(all.size(), tail.size());
    EXPECT_TRUE(all.compare(all.size() - tail.size(), tail.size(), tail) == 0);
    // Closing a device while it plays aborts the play and joins it.
    ASSERT_TRUE(device->Play(2, 0, notices_.Callback()));
    device.reset();
    EXPECT_EQ(notices_.Codes(), (std::vector<int>{kCdPlayAborted, kCdPlayAborted}));
}

TEST_F(CdAudioDeviceTest, UnreadableTracksAndARefusedOutputFail) {
    ASSERT_NE(InsertDisc(platter_test::AudioDiscLayout()), nullptr);
    std::shared_ptr<CCdAudioDevice> device = OpenDevice();
    // The image is cut inside track 3 after the disc was read: the read
    // fails.
    std::filesystem::resize_file(image_.binPath, (static_cast<std::uintmax_t>(image_.startLsn[2]) + 100) * 2352 + 7);
    ASSERT_TRUE(device->Play(3, 0, notices_.Callback()));
    ASSERT_TRUE(PlayUntil(1));
    EXPECT_EQ(notices_.Codes(), std::vector<int>{kCdPlayFailure});

    // Requests outside the table or the track never start.
    struct {
        int track;
        std::int32_t startMs;
    } outside[] = {{0, 0}, {4, 0}, {100, 0}, {1, 60000}};
    for (const auto& c : outside) EXPECT_FALSE(device->Play(c.track, c.startMs, notices_.Callback())) << c.track;
    EXPECT_EQ(notices_.Codes().size(), 1u);
    device.reset();

    // An output that refuses the format fails at once, before any read.
    fake_.Backend().acceptEveryFormat = false;
    device = OpenDevice();
    CNotices refused;
    EXPECT_FALSE(device->Play(1, 0, refused.Callback()));
    EXPECT_EQ(refused.Codes(), std::vector<int>{kCdPlayFailure});
    EXPECT_FALSE(device->Playing());
}

TEST_F(CdAudioDeviceTest, AStopDuringSlowReadsEndsAfterTheReadUnderWay) {
    ASSERT_NE(InsertDisc(platter_test::AudioDiscLayout()), nullptr);
    // Every read takes half a second, as a drive spinning up does. The stop
    // waits for the read under way and starts none after it (one may begin
    // in the instant the stop is asked for); a stop that read on would
    // start the track's further reads.
    std::mutex lock;
    std::condition_variable changed;
    bool reading = false;
    bool stopping = false;
    int readsAfterStop = 0;
    drive_->SetReadHook([&](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) {
        std::unique_lock<std::mutex> hold(lock);
        if (stopping) ++readsAfterStop;
        reading = true;
        changed.notify_all();
        std::condition_variable never;
        never.wait_for(hold, std::chrono::milliseconds(500));
        hold.unlock();
        return read(lsn, count, out);
    });
    std::shared_ptr<CCdAudioDevice> device = OpenDevice();
    ASSERT_TRUE(device->Play(1, 0, notices_.Callback()));
    {
        std::unique_lock<std::mutex> hold(lock);
        ASSERT_TRUE(changed.wait_for(hold, testsupport::kHangLimit, [&] { return reading; }));
        stopping = true;
    }
    EXPECT_TRUE(device->Stop());
    {
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_LE(readsAfterStop, 1);
    }
    EXPECT_EQ(notices_.Codes(), std::vector<int>{kCdPlayAborted});
}

}  // namespace
