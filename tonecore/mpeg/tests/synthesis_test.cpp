#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "tonecore/mpeg/mpeg_pcm_output.h"
#include "tonecore/mpeg/mpeg_synthesis.h"

namespace {

using TSlots = std::vector<std::array<float, 32>>;

// The synthesis subband filter exactly as ISO/IEC 11172-3 clause 2.4.3.2.2
// writes it (Figure 3-A.2), in double precision: shift V by 64, matrix with
// N[i][k] = cos((16 + i)(2k + 1) pi / 64), build U from V, window with D,
// and sum 16 values per output. Outputs are in 16-bit sample units.
class CDirectSynthesis {
public:
    std::array<double, 32> Slot(const std::array<float, 32>& subbands) {
        for (int i = 1023; i >= 64; --i) v_[i] = v_[i - 64];
        for (int i = 0; i < 64; ++i) {
            double sum = 0.0;
            for (int k = 0; k < 32; ++k) {
                sum += std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64) * subbands[static_cast<std::size_t>(k)];
            }
            v_[i] = sum;
        }
        double u[512];
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 32; ++j) {
                u[i * 64 + j] = v_[i * 128 + j];
                u[i * 64 + 32 + j] = v_[i * 128 + 96 + j];
            }
        }
        std::array<double, 32> out{};
        for (int j = 0; j < 32; ++j) {
            double sum = 0.0;
            for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * MpegSynthesisWindow(j + 32 * i);
            out[static_cast<std::size_t>(j)] = sum * 32768.0;
        }
        return out;
    }

private:
    double v_[1024] = {};
};

TSlots RandomSlots(int count, float amplitude, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-amplitude, amplitude);
    TSlots slots(static_cast<std::size_t>(count));
    for (auto& slot : slots) {
        // Falling with frequency, as music does, so sums stay in range.
        for (int k = 0; k < 32; ++k) slot[static_cast<std::size_t>(k)] = value(rng) / (1.0f + k * 0.25f);
    }
    return slots;
}

struct TRun {
    std::vector<std::int16_t> pcm;
    std::vector<float> unrounded;
};

TRun Synthesise(MpegSynthesisState& synthesis, const TSlots& slots) {
    const std::size_t outputs = static_cast<std::size_t>(synthesis.OutputsPerSlot());
    TRun run{std::vector<std::int16_t>(slots.size() * outputs), std::vector<float>(slots.size() * outputs)};
    synthesis.SetOutput(run.pcm.data(), 1);
    synthesis.SetUnroundedOutput(run.unrounded.data());
    for (const auto& slot : slots) synthesis.Slot(slot.data());
    synthesis.SetUnroundedOutput(nullptr);
    return run;
}

std::vector<double> Direct(const TSlots& slots) {
    CDirectSynthesis direct;
    std::vector<double> out;
    for (const auto& slot : slots) {
        const auto values = direct.Slot(slot);
        out.insert(out.end(), values.begin(), values.end());
    }
    return out;
}

}  // namespace

TEST(MpegSynthesis, MatchesTheStandardsFilterbankEvaluatedDirectly) {
    const TSlots slots = RandomSlots(64, 0.5f, 1);
    const std::vector<double> expected = Direct(slots);
    MpegSynthesisState synthesis;
    const TRun run = Synthesise(synthesis, slots);
    double worst = 0.0;
    double squares = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double error = run.unrounded[i] - expected[i];
        worst = std::max(worst, std::abs(error));
        squares += error * error;
        // The 16-bit sample is the nearest integer (unless the exact value
        // sits too close to a half for the float path to tell).
        const double clamped = std::clamp(expected[i], -32768.0, 32767.0);
        if (std::abs(clamped - std::floor(clamped) - 0.5) > 0.01) {
            ASSERT_EQ(run.pcm[i], static_cast<std::int16_t>(std::lround(clamped))) << i;
        }
    }
    // In full-scale units: well inside the quarter step and the RMS that
    // ISO/IEC 11172-4 full accuracy leaves for everything before rounding.
    EXPECT_LT(worst / 32768.0, 2e-6);
    EXPECT_LT(std::sqrt(squares / static_cast<double>(expected.size())) / 32768.0, 2.5e-7);
}

TEST(MpegSynthesis, RateReductionComputesEverySecondOrFourthOutputAndTruncates) {
    const TSlots slots = RandomSlots(24, 0.5f, 2);
    const std::vector<double> expected = Direct(slots);
    for (int reduction = 1; reduction <= 2; ++reduction) {
        MpegSynthesisState synthesis;
        synthesis.SetRateReduction(reduction);
        ASSERT_EQ(synthesis.OutputsPerSlot(), 32 >> reduction);
        const TRun run = Synthesise(synthesis, slots);
        const std::size_t step = std::size_t{1} << reduction;
        for (std::size_t i = 0; i < run.pcm.size(); ++i) {
            const double value = expected[i * step];
            EXPECT_NEAR(run.unrounded[i], value, 0.05);
            if (std::abs(value - std::round(value)) > 0.01) {
                const double clamped = std::clamp(value, -32768.0, 32767.0);
                ASSERT_EQ(run.pcm[i], static_cast<std::int16_t>(std::trunc(clamped))) << reduction << " " << i;
            }
        }
    }
}

TEST(MpegSynthesis, FullScaleSquareSaturatesWithoutWrapping) {
    TSlots slots(48);
    for (std::size_t s = 0; s < slots.size(); ++s) {
        slots[s].fill(0.0f);
        slots[s][0] = (s / 6) % 2 == 0 ? 3.0f : -3.0f;  // far beyond full scale
        slots[s][1] = (s / 6) % 2 == 0 ? 1.5f : -1.5f;
    }
    const std::vector<double> expected = Direct(slots);
    MpegSynthesisState synthesis;
    const TRun run = Synthesise(synthesis, slots);
    int high = 0;
    int low = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] > 32767.5) {
            ASSERT_EQ(run.pcm[i], 32767) << i;
            ++high;
        } else if (expected[i] < -32768.5) {
            ASSERT_EQ(run.pcm[i], -32768) << i;
            ++low;
        }
    }
    EXPECT_GT(high, 100);
    EXPECT_GT(low, 100);
}

TEST(MpegSynthesis, ResetSilentSlotsAndUnityEqualiserLeaveNoTrace) {
    const TSlots slots = RandomSlots(20, 0.5f, 3);
    MpegSynthesisState fresh;
    const TRun reference = Synthesise(fresh, {slots[19]});

    // After a reset only the new slot counts.
    MpegSynthesisState reused;
    Synthesise(reused, TSlots(slots.begin(), slots.begin() + 10));
    reused.Reset();
    EXPECT_EQ(Synthesise(reused, {slots[19]}).pcm, reference.pcm);

    // A silent slot writes zeros and leaves the history as it was.
    MpegSynthesisState plain;
    const TRun withoutGap = Synthesise(plain, slots);
    MpegSynthesisState gapped;
    std::vector<std::int16_t> pcm(slots.size() * 32 + 32, 123);
    gapped.SetOutput(pcm.data(), 1);
    for (std::size_t s = 0; s < slots.size(); ++s) {
        if (s == 5) gapped.SilentSlot();
        gapped.Slot(slots[s].data());
    }
    EXPECT_TRUE(std::all_of(pcm.begin() + 5 * 32, pcm.begin() + 6 * 32, [](std::int16_t v) { return v == 0; }));
    pcm.erase(pcm.begin() + 5 * 32, pcm.begin() + 6 * 32);
    EXPECT_EQ(pcm, withoutGap.pcm);

    // Gains of 1.0 change nothing; gains of 2.0 double every value exactly.
    std::array<float, 32> gains;
    gains.fill(1.0f);
    MpegSynthesisState unity;
    unity.SetEqualizer(gains.data());
    const TRun unityRun = Synthesise(unity, slots);
    EXPECT_EQ(unityRun.pcm, withoutGap.pcm);
    EXPECT_EQ(unityRun.unrounded, withoutGap.unrounded);
    gains.fill(2.0f);
    MpegSynthesisState doubled;
    doubled.SetEqualizer(gains.data());
    const TRun doubledRun = Synthesise(doubled, slots);
    for (std::size_t i = 0; i < doubledRun.unrounded.size(); ++i) {
        ASSERT_EQ(doubledRun.unrounded[i], 2.0f * withoutGap.unrounded[i]);
    }
}

TEST(MpegPcmOutput, RoutingAndInterleave) {
    const TSlots left = RandomSlots(6, 0.4f, 4);
    const TSlots right = RandomSlots(6, 0.4f, 5);
    TSlots mixed = left;
    for (std::size_t s = 0; s < mixed.size(); ++s) {
        for (std::size_t k = 0; k < 32; ++k) mixed[s][k] = (left[s][k] + right[s][k]) * 0.5f;
    }
    MpegSynthesisState leftAlone;
    MpegSynthesisState rightAlone;
    MpegSynthesisState mixAlone;
    const std::vector<std::int16_t> leftPcm = Synthesise(leftAlone, left).pcm;
    const std::vector<std::int16_t> rightPcm = Synthesise(rightAlone, right).pcm;
    const std::vector<std::int16_t> mixPcm = Synthesise(mixAlone, mixed).pcm;

    struct TCase {
        std::uint32_t streamChannels;
        std::int32_t routing;
        std::uint32_t channels;
        std::vector<const std::vector<std::int16_t>*> expected;
    };
    const TCase cases[] = {
        {2, CMpegPcmOutput::kRoutingStereo, 2, {&leftPcm, &rightPcm}},
        {2, CMpegPcmOutput::kRoutingLeft, 1, {&leftPcm}},
        {2, CMpegPcmOutput::kRoutingRight, 1, {&rightPcm}},
        {2, CMpegPcmOutput::kRoutingMix, 1, {&mixPcm}},
        {1, CMpegPcmOutput::kRoutingRight, 1, {&leftPcm}},  // a mono stream ignores the routing
    };
    for (const TCase& c : cases) {
        CMpegPcmOutput output;
        std::vector<std::int16_t> pcm(6 * 32 * 2, 0);
        output.BeginFrame(pcm.data(), c.streamChannels, c.routing);
        for (std::size_t s = 0; s < left.size(); ++s) output.Slot(left[s].data(), right[s].data());
        EXPECT_EQ(output.OutputChannels(), c.channels);
        EXPECT_EQ(output.SamplesPerChannel(), 6u * 32u);
        for (std::size_t i = 0; i < 6 * 32; ++i) {
            for (std::size_t ch = 0; ch < c.channels; ++ch) {
                ASSERT_EQ(pcm[i * c.channels + ch], (*c.expected[ch])[i]) << c.routing << " " << i;
            }
        }
    }
}

TEST(MpegSynthesis, WindowHoldsThePublishedValuesAndPassesDirectCurrent) {
    // A few entries of Table 3-B.3 as printed.
    const std::pair<int, double> printed[] = {{0, 0.0},          {1, -0.000015259},  {64, 0.003250122},
                                              {128, 0.031082153}, {192, 0.100311279}, {255, -1.144287109},
                                              {256, 1.144989014}, {300, 0.246505737}, {511, 0.000015259}};
    for (const auto& [index, value] : printed) EXPECT_NEAR(MpegSynthesisWindow(index), value, 6e-10) << index;

    // A constant in subband 0 is a constant signal: after the filter's
    // 16-slot start-up every output sits at the input's level, within the
    // filterbank's small ripple. A damaged coefficient shows as a spike.
    TSlots slots(40);
    for (auto& slot : slots) {
        slot.fill(0.0f);
        slot[0] = 0.5f;
    }
    MpegSynthesisState synthesis;
    const TRun run = Synthesise(synthesis, slots);
    for (std::size_t i = 20 * 32; i < run.unrounded.size(); ++i) EXPECT_NEAR(run.unrounded[i], 16384.6, 0.5) << i;
}
