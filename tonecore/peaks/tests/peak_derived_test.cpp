// Sets derived from others: mixes and rate displays.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "platform/last_error.h"
#include "tonecore/maps/event_map.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/tests/peak_test_support.h"

using peaktest::PeaksTest;

namespace {

std::unique_ptr<CPeaks> SetOf(const std::vector<std::uint8_t>& values, std::uint32_t ms = 10) {
    auto peaks = std::make_unique<CPeaks>();
    CMyArrayList list = peaktest::PeakList(values);
    EXPECT_EQ(
        peaks->LoadPeaksFromArrayList(list, ms, std::int32_t(values.size() * ms), 0, 0, nullptr),
        1);
    return peaks;
}

CMap ConstantRate(double rate, std::int32_t length) {
    CMap map;
    map.AddSimpleEvent(MAP_RATE, 0, rate);
    map.AddSimpleEvent(MAP_RATE, length, rate);
    return map;
}

}  // namespace

TEST_F(PeaksTest, MixRepeatsTheShorterSetAndSaturates) {
    std::vector<std::uint8_t> shortValues(100);
    for (int i = 0; i < 100; ++i) shortValues[i] = static_cast<std::uint8_t>(i + 100);
    auto shorter = SetOf(shortValues);
    CPeaks mix;
    ASSERT_EQ(mix.InitPeaksForMix(10, 250, 2500), 1);
    ASSERT_EQ(mix.Mix(shorter.get(), 0, 250), 1);
    ASSERT_EQ(mix.Mix(shorter.get(), 0, 250), 1);  // twice: sums pass 255
    const auto mixed = peaktest::BufferedPeaks(mix);
    ASSERT_EQ(mixed.size(), 250u);
    for (int i = 0; i < 250; ++i) {
        const int once = shortValues[i % 100];
        EXPECT_EQ(mixed[i], std::min(255, 2 * once)) << i;
    }
    EXPECT_EQ(mix.LengthOfSound(), 2500);
    EXPECT_EQ(mix.GetAutoTrimTimeStart(), 0);
    EXPECT_EQ(mix.GetAutoTrimTimeEnd(), 2500);

    // From a virtual start, into the middle, and cut at the end of the set.
    auto ones = SetOf({1, 2, 3});
    ones->SetVirtualStart(1);
    CPeaks target;
    ASSERT_EQ(target.InitPeaksForMix(10, 6, 60), 1);
    ASSERT_EQ(target.Mix(ones.get(), 2, 10), 1);
    EXPECT_EQ(peaktest::BufferedPeaks(target), (std::vector<std::uint8_t>{0, 0, 2, 3, 1, 2}));

    CPeaks empty;
    EXPECT_EQ(target.Mix(&empty, 0, 1), 0);
    EXPECT_EQ(target.Mix(nullptr, 0, 1), 0);
}

TEST_F(PeaksTest, MixReadsAStreamedSetThroughItsFile) {
    const auto values = peaktest::RampPeaks(1200);
    auto streamed = CachedSet("streamed->mp3", values);
    ASSERT_EQ(streamed->IsStreaming(), 1);
    streamed->SetVirtualStart(1100);
    CPeaks mix;
    ASSERT_EQ(mix.InitPeaksForMix(10, 300, 3000), 1);
    ASSERT_EQ(mix.Mix(streamed.get(), 0, 300), 1);
    const auto mixed = peaktest::BufferedPeaks(mix);
    for (int k = 0; k < 300; ++k) EXPECT_EQ(mixed[k], values[(1100 + k) % 1200]) << k;
}

TEST_F(PeaksTest, RateDisplayFollowsTheRateCurve) {
    const auto values = peaktest::RampPeaks(200);
    auto source = SetOf(values);

    struct {
        const char* name;
        CMap map;
        std::int32_t length;
        std::vector<std::uint32_t> sourceIndexes;  // of the first output peaks
    } const cases[] = {
        {"normal speed", ConstantRate(1.0, 2000), 2000, {0, 1, 2, 3, 4}},
        {"double speed takes every second peak", ConstantRate(2.0, 1000), 1000, {0, 2, 4, 6, 8}},
        {"half speed repeats each peak", ConstantRate(0.5, 4000), 4000, {0, 0, 1, 1, 2}},
        {"no rate points plays at normal speed", CMap(), 100, {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CPeaks> display(source->GenerateRateDisplay(&c.map, c.length, 10));
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_EQ(display->GetNumPeaks(), std::uint32_t(c.length / 10)) << c.name;
        EXPECT_EQ(display->LengthOfSound(), c.length) << c.name;
        const auto out = peaktest::BufferedPeaks(*display);
        for (std::size_t k = 0; k < c.sourceIndexes.size(); ++k) {
            EXPECT_EQ(out[k], values[c.sourceIndexes[k]]) << c.name << " peak " << k;
        }
    }

    // A rise from 1.0 to 3.0 over the first ten peaks: the area under it.
    CMap ramp;
    ramp.AddSimpleEvent(MAP_RATE, 0, 1.0);
    ramp.AddSimpleEvent(MAP_RATE, 100, 3.0);
    std::unique_ptr<CPeaks> display(source->GenerateRateDisplay(&ramp, 150, 10));
    ASSERT_NE(display, nullptr);
    const auto out = peaktest::BufferedPeaks(*display);
    // After k peaks: k + k^2 / 10 while rising, then 20 + 3 (k - 10).
    const std::uint32_t expected[] = {0, 1, 2, 3, 5, 7, 9, 11, 14, 17, 20, 23, 26, 29, 32};
    for (std::size_t k = 0; k < 15; ++k) EXPECT_EQ(out[k], values[expected[k]]) << k;

    // Wrapping past the end of the source, from its virtual start.
    source->SetVirtualStart(198);
    CMap normal = ConstantRate(1.0, 100);
    std::unique_ptr<CPeaks> wrapped(source->GenerateRateDisplay(&normal, 50, 10));
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(peaktest::BufferedPeaks(*wrapped),
              (std::vector<std::uint8_t>{values[198], values[199], 0, 1, 2}));
}

TEST_F(PeaksTest, RateDisplayEdges) {
    auto source = SetOf({9, 8, 7});
    CMap map = ConstantRate(1.0, 100);
    // Shorter than two peaks: still two.
    std::unique_ptr<CPeaks> tiny(source->GenerateRateDisplay(&map, 5, 10));
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->GetNumPeaks(), 2u);
    EXPECT_EQ(peaktest::BufferedPeaks(*tiny), (std::vector<std::uint8_t>{9, 8}));
    // No milliseconds per peak, or nothing to display: no set.
    EXPECT_EQ(source->GenerateRateDisplay(&map, 100, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CPeaks empty;
    EXPECT_EQ(empty.GenerateRateDisplay(&map, 100, 10), nullptr);
}

TEST_F(PeaksTest, StreamedRateDisplayLivesInAGrdFileThatGoesWithIt) {
    const auto values = peaktest::RampPeaks(3000);
    auto source = CachedSet("stretch.mp3", values);
    const std::string ipk = source->PeakFilePath();

    CMap rate = ConstantRate(2.0, 40000);
    std::unique_ptr<CPeaks> display(source->GenerateRateDisplay(&rate, 20000, 10));
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(display->IsStreaming(), 1);
    const std::string grd = display->PeakFilePath();
    EXPECT_EQ(grd.substr(0, ipk.size()), ipk);
    EXPECT_EQ(grd.substr(grd.size() - 4), ".grd");
    const auto out = peaktest::StreamAllPeaks(*display);
    ASSERT_EQ(out.size(), 2000u);
    for (std::size_t k = 0; k < out.size(); ++k) ASSERT_EQ(out[k], values[(2 * k) % 3000]) << k;

    std::unique_ptr<CPeaks> copy(display->Copy());
    display.reset();
    EXPECT_EQ(access(grd.c_str(), F_OK), 0);  // a sharer remains
    copy.reset();
    EXPECT_NE(access(grd.c_str(), F_OK), 0);  // the last one takes the file
    EXPECT_EQ(access(ipk.c_str(), F_OK), 0);  // never a song's cache
}
