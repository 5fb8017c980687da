#include "tonecore/peaks/peaks.h"

#include <gtest/gtest.h>

#include <memory>

#include "tonecore/peaks/tests/peak_test_support.h"

using peaktest::PeaksTest;

TEST(PeakSizing, BufferHoldsAboutTenSecondsAndAtLeastAHundredPeaks) {
    struct {
        std::uint32_t ms;
        std::int32_t numPeaks;
        int whole;
        std::uint32_t buffered;
        std::int32_t streaming;
    } const cases[] = {
        {10, 500, 0, 500, 0},      // fits
        {10, 1000, 0, 1000, 0},    // exactly the buffer
        {10, 18000, 0, 1000, 1},   // a three-minute song streams
        {10, 18000, 1, 18000, 0},  // unless the whole set is asked for
        {200, 150, 0, 100, 1},     // the minimum buffer
        {10, 0, 0, 1000, -1},      // count not known yet
    };
    for (const auto& c : cases) {
        CPeaks peaks(c.ms, c.numPeaks);
        if (c.whole) peaks.InitPeakData(c.ms, c.numPeaks, 1);
        EXPECT_EQ(peaks.GetBufferedPeaks(), c.buffered) << c.ms << " " << c.numPeaks;
        EXPECT_EQ(peaks.IsStreaming(), c.streaming) << c.ms << " " << c.numPeaks;
        EXPECT_EQ(peaks.GetNumPeaks(), std::uint32_t(c.numPeaks));
        EXPECT_EQ(peaks.NumMilsPerPeak(), c.ms);
    }
    CPeaks none;
    EXPECT_EQ(none.DetermineBufferSize(0), 100u);  // no ms known: no division
    EXPECT_EQ(none.References(), 1);
}

TEST_F(PeaksTest, GeneratedSignalsGiveTrimsAndFacts) {
    const WAVEFORMATEX f = peaktest::StereoFormat();
    struct {
        const char* name;
        std::vector<std::uint8_t> pcm;
        std::int32_t trimStart, trimEnd;
        int silence, partial;
        std::int32_t maxLeft;
    } const cases[] = {
        {"silence", peaktest::MakeSignal(f, {{1000, 0}}), 990, 990, 1, 0, 0},
        {"tone with silent head and tail",
         peaktest::MakeSignal(f, {{300, 0}, {500, 20000}, {200, 0}}), 300, 800, 0, 0, 20000},
        {"song cut off loud", peaktest::MakeSignal(f, {{250, 0}, {750, 12000}}), 250, 1000, 0, 1,
         12000},
    };
    for (const auto& c : cases) {
        CPeaks peaks;
        ASSERT_EQ(peaktest::ScanSignal(peaks, c.pcm, f, 10), 1) << c.name;
        EXPECT_EQ(peaks.GetNumPeaks(), 100u) << c.name;
        EXPECT_EQ(peaks.LengthOfSound(), 1000) << c.name;
        EXPECT_EQ(peaks.GetAutoTrimTimeStart(), c.trimStart) << c.name;
        EXPECT_EQ(peaks.GetAutoTrimTimeEnd(), c.trimEnd) << c.name;
        EXPECT_EQ(peaks.IsTotalSilence(), c.silence) << c.name;
        EXPECT_EQ(peaks.IsPartialSong(), c.partial) << c.name;
        // The sine reaches its amplitude within a few samples of a peak; the
        // right channel carries half of the left.
        EXPECT_NEAR(peaks.GetMaxLeft(), c.maxLeft, 200) << c.name;
        EXPECT_NEAR(peaks.GetMaxRight(), c.maxLeft / 2, 100) << c.name;
        EXPECT_EQ(peaks.IsStreaming(), 0);
        EXPECT_NE(peaks.GetDataPtr(), nullptr);
        EXPECT_DOUBLE_EQ(peaks.GetFractionalAmps(), 0.0);
    }
}

TEST_F(PeaksTest, LastPeakJudgesAPartialSongAgainstTheThreshold) {
    struct {
        std::uint8_t last;
        std::int32_t threshold;
        int partial;
    } const cases[] = {{13, 12, 1}, {12, 12, 0}, {0, 12, 0}, {40, 50, 0}, {51, 50, 1}};
    for (const auto& c : cases) {
        SetPartialSongThreshold(c.threshold);
        CPeaks peaks;
        CMyArrayList list = peaktest::PeakList({0, 200, 200, c.last});
        ASSERT_EQ(peaks.LoadPeaksFromArrayList(list, 10, 40, 0, 0, nullptr), 1);
        EXPECT_EQ(peaks.IsPartialSong(), c.partial) << int(c.last) << " over " << c.threshold;
    }
}

TEST_F(PeaksTest, TrimPointsFollowTheSilenceThreshold) {
    // Threshold 4: peaks at or below it are silence.
    CPeaks peaks;
    CMyArrayList list = peaktest::PeakList({4, 3, 5, 4, 9, 4, 2});
    ASSERT_EQ(peaks.LoadPeaksFromArrayList(list, 20, 140, 100, 50, nullptr), 1);
    EXPECT_EQ(peaks.GetAutoTrimTimeStart(), 40);
    // The end of the last loud peak's block: only silence is trimmed.
    EXPECT_EQ(peaks.GetAutoTrimTimeEnd(), 100);
    EXPECT_EQ(peaks.IsTotalSilence(), 0);
    EXPECT_EQ(peaks.GetMaxLeft(), 100);
    EXPECT_EQ(peaks.GetMaxRight(), 50);
    EXPECT_EQ(peaks.References(), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(peaks), (std::vector<std::uint8_t>{4, 3, 5, 4, 9, 4, 2}));
    // Fractional amps: N - length / ms.
    EXPECT_DOUBLE_EQ(peaks.GetFractionalAmps(), 0.0);
}

TEST_F(PeaksTest, CopiesShareOneRecordAndTheLastOneFreesIt) {
    auto original = std::make_unique<CPeaks>(10, 50);
    original->SetVirtualStart(7);
    std::unique_ptr<CPeaks> copy(original->Copy());
    std::unique_ptr<CPeaks> shifted(original->Copy(48, 1));  // (7 + 48) mod 50
    std::unique_ptr<CPeaks> absolute(original->Copy(120, 0));
    EXPECT_EQ(original->References(), 4);
    EXPECT_EQ(copy->GetVirtualStart(), 7u);
    EXPECT_EQ(shifted->GetVirtualStart(), 5u);
    EXPECT_EQ(absolute->GetVirtualStart(), 20u);
    EXPECT_EQ(copy->GetDataPtr(), original->GetDataPtr());

    CPeaks assigned;
    assigned = *copy;
    EXPECT_EQ(original->References(), 5);
    assigned = CPeaks();  // lets go of the shared record
    EXPECT_EQ(original->References(), 4);

    original.reset();
    copy.reset();
    absolute.reset();
    EXPECT_EQ(shifted->References(), 1);
    EXPECT_NE(shifted->GetDataPtr(), nullptr);
}

TEST_F(PeaksTest, CloneCarriesTheFactsButNotThePeaks) {
    CPeaks source;
    CMyArrayList list = peaktest::PeakList({0, 90, 90, 90});
    ASSERT_EQ(source.LoadPeaksFromArrayList(list, 10, 40, 300, 200, nullptr), 1);
    source.SetHasBadFrames(1);
    source.SetVirtualStart(2);
    std::unique_ptr<CPeaks> clone(source.Clone(source));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->References(), 1);
    EXPECT_EQ(source.References(), 1);
    EXPECT_EQ(clone->GetNumPeaks(), 4u);
    EXPECT_EQ(clone->GetVirtualStart(), 2u);
    EXPECT_EQ(clone->LengthOfSound(), 40);
    EXPECT_EQ(clone->GetMaxLeft(), 300);
    EXPECT_EQ(clone->GetAutoTrimTimeStart(), 10);
    EXPECT_EQ(clone->GetAutoTrimTimeEnd(), 40);
    EXPECT_EQ(clone->IsPartialSong(), 1);
    EXPECT_EQ(clone->HasBadFrames(), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(*clone), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(PeaksTest, UnloadAndConserveFreeTheBuffer) {
    CPeaks peaks;
    CMyArrayList list = peaktest::PeakList({1, 2, 3});
    ASSERT_EQ(peaks.LoadPeaksFromArrayList(list, 10, 30, 0, 0, nullptr), 1);
    // Without a file the peaks could not come back: the buffer stays.
    peaks.ConserveMemory();
    EXPECT_NE(peaks.GetDataPtr(), nullptr);
    peaks.Unload();
    EXPECT_EQ(peaks.GetDataPtr(), nullptr);
    EXPECT_EQ(peaks.GetNumPeaks(), 0u);
    EXPECT_EQ(peaks.GetBufferedPeaks(), 0u);
    EXPECT_EQ(peaks.IsLoaded(), 0);
}

