#include "tonecore/mpeg/layer3_hybrid.h"
#include "tonecore/mpeg/tests/layer3_block_types.h"
#include "tonecore/mpeg/layer3_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The IMDCT of ISO/IEC 11172-3 2.4.3.4.10.2 evaluated term by term.
double DirectImdct(const float* in, int n, int i) {
    double sum = 0.0;
    for (int k = 0; k < n / 2; ++k) sum += in[k] * std::cos(kPi / (2 * n) * (2 * i + 1 + n / 2) * (2 * k + 1));
    return sum;
}

// The standard's windows, written out from their defining formulas.
double Window(int blockType, int i) {
    const auto s36 = [](int j) { return std::sin(kPi / 36 * (j + 0.5)); };
    const auto s12 = [](int j) { return std::sin(kPi / 12 * (j + 0.5)); };
    switch (blockType) {
        case 0:
            return s36(i);
        case 1:
            return i < 18 ? s36(i) : i < 24 ? 1.0 : i < 30 ? s12(i - 18) : 0.0;
        case 3:
            return i < 6 ? 0.0 : i < 12 ? s12(i - 6) : i < 18 ? 1.0 : s36(i);
        default:
            return s12(i);
    }
}

// The windowed 36 values of one subband, straight from the standard: one
// long transform, or three short ones overlapped at 6, 12 and 18.
void DirectSubband(const float* xr, bool shortBlock, int blockType, double z[36]) {
    for (int i = 0; i < 36; ++i) z[i] = 0.0;
    if (!shortBlock) {
        for (int i = 0; i < 36; ++i) z[i] = DirectImdct(xr, 36, i) * Window(blockType, i);
        return;
    }
    for (int w = 0; w < 3; ++w) {
        float in[6];
        for (int k = 0; k < 6; ++k) in[k] = xr[3 * k + w];
        for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += DirectImdct(in, 12, i) * Window(2, i);
    }
}

void RandomFill(float* values, int count, std::mt19937& rng) {
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (int i = 0; i < count; ++i) values[i] = d(rng);
}

}  // namespace

TEST(Layer3Imdct, FastTransformsMatchTheDirectFormula) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        float in[18];
        RandomFill(in, 18, rng);
        double out36[36];
        Layer3Imdct36(in, out36);
        for (int i = 0; i < 36; ++i) ASSERT_NEAR(out36[i], DirectImdct(in, 36, i), 1e-12) << i;
        double out12[12];
        Layer3Imdct12(in, out12);
        for (int i = 0; i < 12; ++i) ASSERT_NEAR(out12[i], DirectImdct(in, 12, i), 1e-12) << i;
    }
}

TEST(Layer3Imdct, WindowsMatchTheirDefinitions) {
    const float (&windows)[4][36] = Layer3ImdctWindows();
    for (const int type : {0, 1, 3}) {
        for (int i = 0; i < 36; ++i) EXPECT_NEAR(windows[type][i], Window(type, i), 1e-7) << type << " " << i;
    }
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(windows[2][i], Window(2, i), 1e-7) << i;
}

// Long, short and mixed granules through the hybrid transform against the
// standard's transform, window, overlap-add and frequency inversion. Below
// the switch point of a mixed block every block type takes the long
// transform with the normal window (a short block's long part: two
// subbands, four at 8000 Hz; a start or stop block: two subbands); above it
// a short block takes short transforms and a start or stop block its window.
TEST(Layer3HybridSynthesis, MatchesTheStandardForEveryBlockType) {
    struct TCase {
        const char* name;
        int blockType;
        bool mixed;
        int switchPoint;
    };
    const TCase cases[] = {
        {"normal", 0, false, 2},       {"start", 1, false, 2},       {"short", 2, false, 2},
        {"stop", 3, false, 2},         {"mixed short", 2, true, 2},  {"mixed start", 1, true, 2},
        {"mixed stop", 3, true, 2},    {"mixed short, 8000 Hz", 2, true, 4},
        {"mixed stop, 8000 Hz", 3, true, 4},
    };
    std::mt19937 rng(11);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TLayer3GranuleChannel g = layer3test::GranuleOfBlockType(c.blockType, c.mixed);
        float xr[kLayer3Lines];
        RandomFill(xr, kLayer3Lines, rng);
        TLayer3Overlap overlap;
        RandomFill(&overlap.values[0][0], kLayer3Subbands * kLayer3Slots, rng);
        const TLayer3Overlap before = overlap;
        float out[kLayer3Slots][kLayer3Subbands];
        Layer3HybridSynthesis(g, c.switchPoint, xr, kLayer3Subbands, overlap, out);

        for (int sb = 0; sb < kLayer3Subbands; ++sb) {
            // Start and stop blocks switch after the two lowest subbands.
            const bool belowSwitch = c.mixed && sb < (c.blockType == 2 ? c.switchPoint : 2);
            const bool shortBlock = c.blockType == 2 && !belowSwitch;
            const int window = shortBlock ? 2 : (belowSwitch || c.blockType == 2) ? 0 : c.blockType;
            double z[36];
            DirectSubband(xr + 18 * sb, shortBlock, window, z);
            for (int i = 0; i < 18; ++i) {
                double expected = z[i] + before.values[i][sb];
                if ((sb & 1) && (i & 1)) expected = -expected;
                ASSERT_NEAR(out[i][sb], expected, 2e-6) << "subband " << sb << " slot " << i;
                ASSERT_NEAR(overlap.values[i][sb], z[18 + i], 2e-6) << "subband " << sb << " slot " << i;
            }
        }
    }
}

TEST(Layer3HybridSynthesis, SubbandsPastTheLimitReleaseTheirOverlap) {
    TLayer3GranuleChannel g;
    float xr[kLayer3Lines] = {};
    TLayer3Overlap overlap;
    for (int sb = 0; sb < kLayer3Subbands; ++sb) {
        for (int i = 0; i < 18; ++i) overlap.values[i][sb] = 0.25f;
    }
    float out[kLayer3Slots][kLayer3Subbands];
    Layer3HybridSynthesis(g, 2, xr, 4, overlap, out);
    EXPECT_FLOAT_EQ(out[0][20], 0.25f);
    EXPECT_FLOAT_EQ(out[1][21], -0.25f);  // odd subband, odd slot
    EXPECT_EQ(overlap.values[0][20], 0.0f);
    EXPECT_EQ(overlap.values[0][3], 0.0f);
}

TEST(Layer3AliasReduction, ButterfliesAcrossTheRequestedBoundaries) {
    const TLayer3AliasCoefficients& c = Layer3AliasCoefficients();
    // Table B.9: c0 = -0.6, so cs0 = 1/sqrt(1.36) and ca0 = -0.6/sqrt(1.36).
    EXPECT_NEAR(c.cs[0], 1.0 / std::sqrt(1.36), 1e-7);
    EXPECT_NEAR(c.ca[0], -0.6 / std::sqrt(1.36), 1e-7);
    EXPECT_NEAR(c.ca[7], -0.0037 / std::sqrt(1.0 + 0.0037 * 0.0037), 1e-9);

    float xr[kLayer3Lines] = {};
    xr[17] = 1.0f;  // just below boundary 1
    xr[18 + 7] = 2.0f;  // just above, the eighth butterfly
    xr[36] = 1.0f;  // just above boundary 2
    float mixed[kLayer3Lines];
    std::copy(xr, xr + kLayer3Lines, mixed);
    ReduceLayer3Aliasing(xr, 31);
    EXPECT_NEAR(xr[17], c.cs[0], 1e-7);
    EXPECT_NEAR(xr[18], c.ca[0], 1e-7);
    EXPECT_NEAR(xr[10], -2.0 * c.ca[7], 1e-7);
    EXPECT_NEAR(xr[25], 2.0 * c.cs[7], 1e-7);
    EXPECT_NEAR(xr[35], -c.ca[0], 1e-7);
    EXPECT_NEAR(xr[36], c.cs[0], 1e-7);

    // Mixed blocks: only the boundary between subbands 0 and 1.
    ReduceLayer3Aliasing(mixed, 1);
    EXPECT_NEAR(mixed[17], c.cs[0], 1e-7);
    EXPECT_EQ(mixed[35], 0.0f);
    EXPECT_EQ(mixed[36], 1.0f);
}

TEST(Layer3Reorder, ShortBandsGoToSubbandOrder) {
    const TLayer3BandTable& bands = kLayer3Bands[0];  // 44100 Hz: short band 0 has 4 lines
    float xr[kLayer3Lines];
    for (int i = 0; i < kLayer3Lines; ++i) xr[i] = static_cast<float>(i);
    float mixed[kLayer3Lines];
    std::copy(xr, xr + kLayer3Lines, mixed);
    ReorderLayer3Short(bands, 0, xr);
    // Coded: band 0 window 0 lines 0-3, window 1 lines 4-7, window 2 lines 8-11.
    // Subband order: line f of window w at 3 f + w.
    EXPECT_EQ(xr[0], 0.0f);
    EXPECT_EQ(xr[1], 4.0f);
    EXPECT_EQ(xr[2], 8.0f);
    EXPECT_EQ(xr[3], 1.0f);
    // Band 12 (lines 136-191 per window) window 2, its last line, lands at 575.
    EXPECT_EQ(xr[575], 575.0f);
    EXPECT_EQ(xr[3 * 136 + 1], static_cast<float>(3 * 136 + 56));

    // A mixed block leaves its 36 long lines alone.
    ReorderLayer3Short(bands, 3, mixed);
    for (int i = 0; i < 36; ++i) ASSERT_EQ(mixed[i], static_cast<float>(i));
    EXPECT_EQ(mixed[37], 40.0f);  // band 3 (4 lines): window 1 starts at 40
}
