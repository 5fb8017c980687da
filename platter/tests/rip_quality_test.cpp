// Rip quality through the read hook: jitter repaired or not by the jitter
// setting, a dead sector under each error setting, an abort in the middle
// of re-reads, and reads while the drive writes. Every read is bounded by a
// watchdog, so a read that never ends fails the run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platter/errors.h"
#include "platter/rip_speed.h"
#include "platter/testsupport/disc_image_maker.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

using namespace std::chrono_literals;

// Track 2 of the generated audio disc: sectors 253 to 636.
constexpr std::int32_t kTrackStart = 253;
constexpr std::int32_t kTrackEnd = 253 + 384;
constexpr std::int32_t kDeadSector = kTrackStart + 100;

class RipQualityTest : public ImageDriveTest {
protected:
    void SetUp() override {
        ImageDriveTest::SetUp();
        image = WriteDiscImage(tray.Path(), "disc", AudioDiscLayout());
        expected = image.Sectors(kTrackStart, kTrackEnd);
        Start();
    }

    bool RipTrack2(TRipRecorder& rip, std::int16_t jitter, std::int16_t errors, std::int16_t retries) {
        TExtractParams params = rip.Params(2);
        params.jitterCorrection = jitter;
        params.errorCorrection = errors;
        params.retryCount = retries;
        return drive->ExtractTrack(&params);
    }

    TDiscImage image;
    std::string expected;
};

// Reads past the track's first start a few samples early or late, by a
// different amount each time, as a drive without accurate positioning
// delivers them. (The first read places the track: no reader can tell
// where a read that agrees with nothing before it really began.)
TPlatterReadHook JitterHook(std::atomic<int>& reads, std::int32_t trackStart, std::int32_t leadout) {
    return [&reads, trackStart, leadout](std::int32_t lsn, long count, void* out, const TPlatterRawRead& drive) -> long {
        const int n = reads.fetch_add(1);
        const long shiftSamples = static_cast<long>((n * 7919) % 61) - 30;
        if (shiftSamples == 0 || lsn <= trackStart || lsn + count + 1 > leadout) return drive(lsn, count, out);
        // One sector before and after, to shift within.
        std::vector<std::uint8_t> wider(static_cast<std::size_t>(count + 2) * PLATTER_SECTOR_BYTES);
        std::uint8_t* at = wider.data();
        if (drive(lsn - 1, 1, at) != 1 || drive(lsn, count, at + PLATTER_SECTOR_BYTES) != count ||
            drive(lsn + count, 1, at + (count + 1) * PLATTER_SECTOR_BYTES) != 1)
            return -1;
        std::memcpy(out, wider.data() + PLATTER_SECTOR_BYTES + shiftSamples * 4,
                    static_cast<std::size_t>(count) * PLATTER_SECTOR_BYTES);
        return count;
    };
}

TEST_F(RipQualityTest, JitterIsRepairedWhenCheckedAndLeftWhenNot) {
    CWatchdog watchdog(testsupport::kHangLimit, "jittered rips");
    std::atomic<int> reads{0};
    drive->SetReadHook(JitterHook(reads, kTrackStart, image.leadoutLsn));
    for (std::int16_t jitter : {PLATTER_JITTER_AUTO, PLATTER_JITTER_ON}) {
        TRipRecorder rip;
        ASSERT_TRUE(RipTrack2(rip, jitter, PLATTER_READ_ERRORS_STOP, 0)) << LastErrorText();
        EXPECT_TRUE(rip.data == expected) << "jitter setting " << jitter;
    }
    reads = 0;
    TRipRecorder rip;
    ASSERT_TRUE(RipTrack2(rip, PLATTER_JITTER_OFF, PLATTER_READ_ERRORS_STOP, 0)) << LastErrorText();
    EXPECT_EQ(rip.data.size(), expected.size());
    EXPECT_FALSE(rip.data == expected) << "unchecked reads keep the drive's jitter";
}

TEST_F(RipQualityTest, ADeadSectorEndsEachErrorSettingInBoundedTime) {
    std::atomic<int> deadReads{0};
    drive->SetReadHook([&](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
        if (kDeadSector < lsn || kDeadSector >= lsn + count) return read(lsn, count, out);
        if (count == 1) deadReads.fetch_add(1);
        return -1;
    });
    std::string silenced = expected;
    std::fill_n(silenced.begin() + 100 * PLATTER_SECTOR_BYTES, PLATTER_SECTOR_BYTES, '\0');
    struct {
        const char* what;
        std::int16_t errors;
        std::int16_t retries;
        bool ok;
        int deadReads;  // single-sector reads of the dead sector
    } cases[] = {
        {"stop", PLATTER_READ_ERRORS_STOP, 5, false, 1},
        {"skip", PLATTER_READ_ERRORS_IGNORE, 5, true, 1},
        {"retry 3 times", PLATTER_READ_ERRORS_RETRY, 3, false, 4},
        {"retry 0 times", PLATTER_READ_ERRORS_RETRY, 0, false, 1},
    };
    for (std::int16_t jitter : {PLATTER_JITTER_ON, PLATTER_JITTER_OFF}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (jitter == PLATTER_JITTER_ON ? ", checked" : ", unchecked"));
            CWatchdog watchdog(testsupport::kHangLimit, c.what);
            deadReads = 0;
            TRipRecorder rip;
            EXPECT_EQ(RipTrack2(rip, jitter, c.errors, c.retries), c.ok) << LastErrorText();
            EXPECT_EQ(deadReads.load(), c.deadReads);
            std::int32_t frames = 0;
            for (const TExtractEvent& event : rip.events) {
                if (event.code != EVENT_EXTRACT_AUDIO_PROGRESS) continue;
                EXPECT_LE(event.value2, 75);
                frames += event.value2;
            }
            EXPECT_EQ(static_cast<std::size_t>(frames) * PLATTER_SECTOR_BYTES, rip.data.size());
            if (c.ok) {
                EXPECT_TRUE(rip.data == silenced);
                EXPECT_EQ(rip.events.back().code, EVENT_EXTRACT_AUDIO_END);
                continue;
            }
            char text[200] = "";
            EXPECT_EQ(drive->GetLastError(text, sizeof text), PLATTER_ERR_READ);
            EXPECT_NE(std::string(text).find(std::to_string(kDeadSector)), std::string::npos) << text;
            // Everything before the dead sector's block arrived, nothing after.
            EXPECT_TRUE(rip.data == expected.substr(0, 100 * PLATTER_SECTOR_BYTES));
            EXPECT_NE(rip.events.back().code, EVENT_EXTRACT_AUDIO_END);
        }
    }
}

TEST_F(RipQualityTest, AnAbortEndsEndlessReReadsAtTheNextAttempt) {
    CWatchdog watchdog(testsupport::kHangLimit, "aborted re-reads");
    std::atomic<int> attempts{0};
    // Each re-read of the dead sector takes a while, as on a real drive.
    drive->SetReadHook([&](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
        if (kDeadSector < lsn || kDeadSector >= lsn + count) return read(lsn, count, out);
        attempts.fetch_add(1);
        std::this_thread::sleep_for(20ms);
        return -1;
    });
    for (std::int16_t jitter : {PLATTER_JITTER_ON, PLATTER_JITTER_OFF}) {
        attempts = 0;
        // Without the abort the 30,000 re-reads would go on for ten minutes;
        // after it at most the re-read under way ends.
        int attemptsAtAbort = 0;
        std::thread aborter([&] {
            while (attempts.load() < 5) std::this_thread::sleep_for(1ms);
            drive->AbortExtraction();
            attemptsAtAbort = attempts.load();
        });
        TRipRecorder rip;
        const bool ok = RipTrack2(rip, jitter, PLATTER_READ_ERRORS_RETRY, 30000);
        aborter.join();
        EXPECT_FALSE(ok);
        EXPECT_LE(attempts.load() - attemptsAtAbort, 1);
        char text[100];
        EXPECT_EQ(drive->GetLastError(text, sizeof text), PLATTER_ERR_CANCELLED);
        for (const TExtractEvent& event : rip.events) EXPECT_NE(event.code, EVENT_EXTRACT_AUDIO_END);
    }
}

// Reads asked for while the drive writes fail as busy; the status answers.
struct TBusyProbe {
    PLATTER_CDevice* drive = nullptr;
    bool probed = false;
    bool readInfo = true;
    bool extracted = true;
    std::int32_t readCode = 0;
    std::int32_t extractCode = 0;
    std::int32_t status = 0;

    static std::int32_t OnEvent(void* context, TBurnEvent* /*event*/) {
        auto* self = static_cast<TBusyProbe*>(context);
        if (self->probed) return 1;
        self->probed = true;
        self->drive->RefreshStatus();
        self->status = self->drive->mediaStatus.load();
        char text[100];
        self->readInfo = self->drive->ReadDeviceInfo();
        self->readCode = self->drive->GetLastError(text, sizeof text);
        TRipRecorder rip;
        TExtractParams params = rip.Params(1);
        self->extracted = self->drive->ExtractTrack(&params);
        self->extractCode = self->drive->GetLastError(text, sizeof text);
        return 1;
    }
};

TEST_F(RipQualityTest, ReadsDuringAWriteFailAsBusy) {
    CWatchdog watchdog(testsupport::kHangLimit, "reads during a write");
    ASSERT_TRUE(drive->Eject());  // a blank disc for the write
    recorder.render = MakePcm(44100, 1);
    TWriteDiscParams block = MakeStreamBlock({44100 * 4}, recorder);
    TBusyProbe probe;
    probe.drive = drive;
    block.eventCallback = &TBusyProbe::OnEvent;
    block.eventContext = &probe;
    ASSERT_EQ(drive->WriteDisc(&block), 0) << LastErrorText();
    ASSERT_TRUE(probe.probed);
    EXPECT_EQ(probe.status, PLATTER_MEDIA_BLANK_CDR);
    EXPECT_FALSE(probe.readInfo);
    EXPECT_EQ(probe.readCode, PLATTER_ERR_BUSY);
    EXPECT_FALSE(probe.extracted);
    EXPECT_EQ(probe.extractCode, PLATTER_ERR_BUSY);
    // Once written, the disc reads.
    EXPECT_TRUE(drive->ReadDeviceInfo()) << LastErrorText();
}

TEST(RipSpeed, IndexesOfThePreferenceListAreXValues) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {PLATTER_RIP_SPEED_MAXIMUM, -1}, {0, 1}, {3, 6}, {10, 20}, {11, 24}, {17, 52}, {18, 72}, {19, -1}, {-1, -1}};
    for (const auto& [index, x] : cases) EXPECT_EQ(RipSpeedX(index), x) << index;
}

}  // namespace
}  // namespace platter_test
