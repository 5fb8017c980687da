// The rip's worker against the thread that stops it: a cancel in the middle
// of a track under slowed reads joins the worker, marks the track cancelled
// and leaves no file (also run under the thread checker).
#include <gtest/gtest.h>

#include <thread>

#include "platter/testsupport/held_track_reads.h"
#include "songsmith/cd/tests/cd_rip_fixture.h"

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

TEST_F(CdRipLongTrackTest, StoppingMidTrackCancelsItAndRemovesItsFile) {
    // Track 2 reads slowly (1 ms a sector), as a worn disc would, and cannot
    // end before the test stops the rip.
    const std::int32_t track2 = drive_->trackTable[1].startFrame - 150;
    const std::int32_t track3 = drive_->trackTable[2].startFrame - 150;
    platter_test::CHeldTrackReads slowTrack(track2, track3, 1ms);
    drive_->SetReadHook(slowTrack.Hook());
    for (std::int16_t jitter : {PLATTER_JITTER_OFF, PLATTER_JITTER_ON}) {
        SCOPED_TRACE(jitter);
        std::filesystem::remove_all(rips_.Path() + "/Test Artist - Test Album");
        log_.Reset();
        settings_.jitter = jitter;
        slowTrack.Close();
        auto rip = std::make_unique<CCdRip>(*drive_, settings_, Tracks(), log_.Events());
        ASSERT_TRUE(rip->Start());
        ASSERT_TRUE(log_.WaitForRowPercent(1, 5));
        slowTrack.Open();
        rip->Stop(true);
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
