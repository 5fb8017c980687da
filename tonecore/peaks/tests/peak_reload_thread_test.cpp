#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "testsupport/hang_limit.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/tests/peak_test_support.h"

using peaktest::PeaksTest;

namespace {

// Waits (bounded) until the record's reload has ended.
bool WaitForReload(const CPeaks& peaks) {
    const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while (peaks.IsReloading() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !peaks.IsReloading();
}

}  // namespace

TEST_F(PeaksTest, ConservedBufferComesBackWholeFromTheFile) {
    const auto values = peaktest::RampPeaks(600);
    auto first = CachedSet("song.mp3", values);
    CPeaks second(*first);

    // Every sharer must agree before the buffer goes.
    first->ConserveMemory();
    EXPECT_EQ(first->IsLoaded(), 1);
    second.ConserveMemory();
    EXPECT_EQ(first->IsLoaded(), 0);
    EXPECT_EQ(second.GetDataPtr(), nullptr);

    ASSERT_EQ(second.ReloadFromDisk(), 1);
    ASSERT_TRUE(WaitForReload(second));
    EXPECT_EQ(first->IsLoaded(), 1);
    // A set that fits its buffer comes back with every peak, not only the
    // last one.
    EXPECT_EQ(peaktest::BufferedPeaks(*first), values);
    EXPECT_EQ(first->References(), 2);
    EXPECT_EQ(first->GetAutoTrimTimeEnd(), 6000);

    // Loaded again: nothing to reload.
    EXPECT_EQ(first->ReloadFromDisk(), 0);
}

TEST_F(PeaksTest, ReloadOfAStreamedSetBringsItsWindowBack) {
    const auto values = peaktest::RampPeaks(3000);
    auto peaks = CachedSet("long.mp3", values);
    peaks->ConserveMemory();
    ASSERT_EQ(peaks->IsLoaded(), 0);
    ASSERT_EQ(peaks->ReloadFromDisk(), 1);
    ASSERT_TRUE(WaitForReload(*peaks));
    EXPECT_EQ(peaks->IsStreaming(), 1);
    EXPECT_EQ(peaktest::StreamAllPeaks(*peaks), values);
}

TEST_F(PeaksTest, ReloadOfAMissingFileLeavesTheSetUnloaded) {
    auto peaks = CachedSet("lost.mp3", peaktest::RampPeaks(50));
    std::remove(peaks->PeakFilePath().c_str());
    peaks->ConserveMemory();
    ASSERT_EQ(peaks->ReloadFromDisk(), 1);
    ASSERT_TRUE(WaitForReload(*peaks));
    EXPECT_EQ(peaks->IsLoaded(), 0);
    EXPECT_EQ(peaks->References(), 1);  // the failed load took none
}

TEST_F(PeaksTest, OneSharerCannotFreeWhatAnotherReads) {
    auto owner = CachedSet("two.mp3", peaktest::RampPeaks(100));
    CPeaks reader(*owner);
    for (int i = 0; i < 5; ++i) owner->ConserveMemory();
    EXPECT_EQ(reader.IsLoaded(), 1);
    EXPECT_NE(reader.GetDataPtr(), nullptr);
    // A sharer that goes takes its agreement along.
    reader.ConserveMemory();
    EXPECT_EQ(owner->IsLoaded(), 0);
    ASSERT_EQ(owner->ReloadFromDisk(), 1);
    ASSERT_TRUE(WaitForReload(*owner));
    reader.ConserveMemory();  // still counted once from before
    {
        CPeaks passing(*owner);
        passing.ConserveMemory();
    }
    EXPECT_EQ(owner->IsLoaded(), 1);
}

TEST_F(PeaksTest, ReloadsRaceWithReadersAndWithTheLastSharerGoing) {
    const auto values = peaktest::RampPeaks(800);
    auto owner = CachedSet("busy.mp3", values);
    std::atomic<int> wrongPeaks{0};
    std::atomic<int> reloads{0};
    // Every sharer agrees to free the peaks once before anyone takes its
    // agreement back, so they are freed and reloaded at least once whatever
    // the scheduling.
    std::latch shared(5);
    std::latch allAgreed(5);
    std::vector<std::thread> sharers;
    for (int t = 0; t < 4; ++t) {
        sharers.emplace_back([&] {
            CPeaks view(*owner);
            shared.arrive_and_wait();
            for (int round = 0; round < 25; ++round) {
                view.ConserveMemory();
                if (round == 0) allAgreed.arrive_and_wait();
                // Wants the peaks back: takes its agreement to free them back
                // first (until then another sharer may free them), then
                // reloads or waits for the reload another sharer started.
                reloads += view.ReloadFromDisk();
                const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
                while (!view.IsLoaded() && std::chrono::steady_clock::now() < giveUp) {
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                    reloads += view.ReloadFromDisk();
                }
                // Loaded is published last: every peak is there.
                const std::uint8_t* data = view.GetDataPtr();
                if (data == nullptr || view.GetNumPeaks() != 800 ||
                    !std::equal(values.begin(), values.end(), data)) {
                    ++wrongPeaks;
                }
                (void)view.GetAutoTrimTimeEnd();
                (void)view.IsPartialSong();
            }
        });
    }
    shared.arrive_and_wait();
    owner->ConserveMemory();
    allAgreed.arrive_and_wait();
    for (auto& s : sharers) s.join();
    EXPECT_EQ(wrongPeaks.load(), 0);
    EXPECT_GT(reloads.load(), 0);
    EXPECT_EQ(owner->References(), 1);

    // The last sharer goes while reloads run: its record waits for them.
    for (int round = 0; round < 10; ++round) {
        auto set = CachedSet("brief.mp3", values);
        auto copy = std::make_unique<CPeaks>(*set);
        set->ConserveMemory();
        copy->ConserveMemory();
        EXPECT_EQ(copy->ReloadFromDisk(), 1);
        copy.reset();
        set.reset();
    }
}
