// The rendering's rests: the sink rests for the pacing slice once each
// pacing period of the controller's clock has passed since the last rest,
// never before the first buffer of a rendering, not at all with pacing off,
// not right after the rest that follows a track file, and not after a write
// that fell short (the rendering stops instead).
#include <gtest/gtest.h>

#include "songsmith/burner/tests/burner_render_fixture.h"

namespace {

class BurnPacingTest : public rendertest::RenderTest {
protected:
    // Feeds buffers as a rendering would, the clock moving stepMs between
    // them; the rests taken.
    int Feed(int buffers, std::int64_t stepMs) {
        std::string pcm(4096, '\0');
        const int before = clock_.sleeps.load();
        for (int i = 0; i < buffers; ++i) {
            EXPECT_EQ(burner_->OnPcmData(pcm.data(), static_cast<int>(pcm.size())), 0);
            clock_.now += stepMs;
        }
        return clock_.sleeps.load() - before;
    }
    void Start(TBurnTiming timing) {
        burner_ = std::make_unique<CBurner>(drives_, prefs_, host_, &clock_, timing);
        ASSERT_EQ(burner_->Initialize(), 1);
        burner_->SetTrackList(&tracks_);
        burner_->SetFreeSpaceFunction([](const char*) { return 1e12; });
        Add(Song("a.wav", 5.0));
        burner_->mode = 2;
        ASSERT_TRUE(burner_->OpenTrackWav(0));
    }
};

TEST_F(BurnPacingTest, TheRenderingRestsOnceEachPeriodOfTheClock) {
    struct TCase {
        int sliceMs;
        int periodMs;
        std::int64_t stepMs;
        int buffers;
        int rests;
    } cases[] = {
        // The shipped pacing: armed by the first buffer, then a rest at 200,
        // 450 (200 after the rest ended at 250), 700 ... ms.
        {50, 200, 100, 11, 5},
        // Buffers slower than the period: a rest after each but the first.
        {50, 200, 300, 4, 3},
        // Fast buffers: a rest after 200 ms of clock, the next one not yet
        // due 290 ms in.
        {50, 200, 10, 30, 1},
        // Pacing off.
        {0, 200, 100, 11, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sliceMs << "/" << c.periodMs << " step " << c.stepMs);
        TBurnTiming timing;
        timing.pacingSliceMs = c.sliceMs;
        timing.pacingPeriodMs = c.periodMs;
        Start(timing);
        const std::int64_t sleptBefore = clock_.slept.load();
        EXPECT_EQ(Feed(c.buffers, c.stepMs), c.rests);
        EXPECT_EQ(clock_.slept.load() - sleptBefore, std::int64_t{c.rests} * c.sliceMs);
        burner_->CloseTrackWav();
        tracks_.Clear(false);
    }
}

TEST_F(BurnPacingTest, TheRestAfterATrackFileStartsTheNextPeriod) {
    Start(TBurnTiming{});
    // Armed, then 200 ms of rendering: a rest is due when the file closes
    // with its own rest of 100 ms.
    EXPECT_EQ(Feed(20, 10), 0);
    burner_->CloseTrackWav();
    EXPECT_EQ(clock_.slept.load(), 100);
    burner_->currentTrack.store(1);
    ASSERT_TRUE(burner_->OpenTrackWav(1));
    // No rest on top of it: the next one comes a whole period after it.
    EXPECT_EQ(Feed(20, 10), 0);
    EXPECT_EQ(Feed(2, 10), 1);
    burner_->CloseTrackWav();
    tracks_.Clear(false);
}

TEST_F(BurnPacingTest, AShortWriteStopsTheRenderingWithoutARest) {
    Start(TBurnTiming{});
    EXPECT_EQ(Feed(1, 1000), 0);
    burner_->CloseTrackWav();
    const int rests = clock_.sleeps.load();
    // No open file: nothing is written, the sink stops the rendering though
    // a rest is due.
    std::string pcm(4096, '\0');
    EXPECT_EQ(burner_->OnPcmData(pcm.data(), static_cast<int>(pcm.size())), 1);
    EXPECT_EQ(clock_.sleeps.load(), rests);
}

}  // namespace
