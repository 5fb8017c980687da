// The rip's worker against the thread that stops it: a cancel in the middle
// of a track under slowed reads returns at once, joins the worker, marks the
// track cancelled and leaves no file (also run under the thread checker).
#include <gtest/gtest.h>

#include <thread>

#include "songsmith/core/tests/cd_rip_fixture.h"

namespace {

using namespace std::chrono_literals;
using riptest::CdRipTest;

// A disc whose second track is long enough (40 s) that the reader hands it
// on in stretches while it reads, never the whole track at once.
class CdRipLongTrackTest : public CdRipTest {
protected:
    platter_test::TImageLayout Layout() const override {
        platter_test::TImageLayout layout;
        layout.tracks = {{253}, {3000}, {315}};
        return layout;
    }
};

TEST_F(CdRipLongTrackTest, StoppingMidTrackCancelsItWithinASecondAndRemovesItsFile) {
    // Track 2 reads slowly (1 ms a sector), as a worn disc would.
    const std::int32_t track2 = drive_->trackTable[1].startFrame - 150;
    const std::int32_t track3 = drive_->trackTable[2].startFrame - 150;
    drive_->SetReadHook([&](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
        if (lsn >= track2 && lsn < track3) std::this_thread::sleep_for(1ms * count);
        return read(lsn, count, out);
    });
    // Straight reads stop within a second. A verifying reader first checks
    // what it holds of the stretch it reads (silence once aborted), which
    // under the sanitizers has taken up to 1.1 s.
    const struct {
        std::int16_t jitter;
        std::chrono::milliseconds bound;
    } cases[] = {{PLATTER_JITTER_OFF, 1000ms}, {PLATTER_JITTER_ON, 2000ms}};
    for (const auto& [jitter, bound] : cases) {
        SCOPED_TRACE(jitter);
        std::filesystem::remove_all(rips_.Path() + "/Test Artist - Test Album");
        log_.Reset();
        settings_.jitter = jitter;
        auto rip = std::make_unique<CCdRip>(*drive_, settings_, Tracks(), log_.Events());
        ASSERT_TRUE(rip->Start());
        ASSERT_TRUE(log_.WaitForRowPercent(1, 5));
        const auto stopAt = std::chrono::steady_clock::now();
        rip->Stop(true);
        EXPECT_LT(std::chrono::steady_clock::now() - stopAt, bound);
        EXPECT_TRUE(log_.WaitFinished());
        EXPECT_FALSE(rip->Result().success);
        EXPECT_EQ(rip->Result().errorCode, 0);
        const std::vector<std::string> lines = log_.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 0"), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "row 1 17 0"), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 1"), 0);
        EXPECT_EQ(Files(rips_.Path()), (std::vector<std::string>{"Test Artist - Test Album/Test Artist - One.wav"}));
    }
    drive_->SetReadHook(nullptr);
}

}  // namespace
