#include "tonecore/mpeg/layer3_stereo.h"
#include "tonecore/mpeg/layer3_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

TLayer3FrameInfo Joint(int modeExtension, bool lsf = false) {
    TLayer3FrameInfo info;
    info.lsf = lsf;
    info.mode = 1;
    info.modeExtension = modeExtension;
    return info;
}

struct TChannels {
    float xr[2][kLayer3Lines];
};

// Left: 1, 2, 3, ... ; right: 0.5 up to (not including) line `rightEnd`, then 0.
TChannels Fill(int rightEnd) {
    TChannels c{};
    for (int i = 0; i < kLayer3Lines; ++i) {
        c.xr[0][i] = static_cast<float>(i + 1);
        c.xr[1][i] = i < rightEnd ? 0.5f : 0.0f;
    }
    return c;
}

}  // namespace

TEST(Layer3Stereo, MidSideOnEveryLine) {
    TChannels c = Fill(kLayer3Lines);
    ApplyLayer3Stereo(Joint(2), TLayer3GranuleChannel{}, TLayer3ScaleFactors{}, c.xr);
    EXPECT_NEAR(c.xr[0][0], 1.5 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(c.xr[1][0], 0.5 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(c.xr[0][575], 576.5 / std::sqrt(2.0), 1e-4);

    // Plain stereo and dual channel frames are left alone.
    TChannels plain = Fill(kLayer3Lines);
    TLayer3FrameInfo dual;
    dual.mode = 2;
    dual.modeExtension = 3;
    ApplyLayer3Stereo(dual, TLayer3GranuleChannel{}, TLayer3ScaleFactors{}, plain.xr);
    EXPECT_EQ(plain.xr[0][0], 1.0f);
    EXPECT_EQ(plain.xr[1][0], 0.5f);
}

// MPEG-1 intensity stereo in long blocks: the bands above the right
// channel's last non-zero band take the left values split by
// tan(is_pos pi / 12); position 7 means "not intensity coded"; band 21 has no
// scale factor and uses band 20's position.
TEST(Layer3Stereo, Mpeg1IntensityAboveTheRightChannelsLastBand) {
    const TLayer3BandTable& bands = kLayer3Bands[0];
    TLayer3ScaleFactors sf;
    for (auto& v : sf.longIllegal) v = 7;
    sf.longBands[6] = 0;
    sf.longBands[7] = 3;
    sf.longBands[8] = 7;
    sf.longBands[9] = 6;
    sf.longBands[10] = 9;  // 4-bit scale factor beyond the defined positions
    sf.longBands[20] = 2;
    for (const int modeExtension : {1, 3}) {
        SCOPED_TRACE(modeExtension);
        TChannels c = Fill(bands.longStart[5] + 1);  // right non-zero into band 5
        const TChannels before = c;
        ApplyLayer3Stereo(Joint(modeExtension), TLayer3GranuleChannel{}, sf, c.xr);
        const bool midSide = modeExtension == 3;
        const double m = midSide ? 1.0 / std::sqrt(2.0) : 1.0;
        // Band 5 is below the bound: mid/side or untouched.
        const int b5 = bands.longStart[5];
        EXPECT_NEAR(c.xr[0][b5], midSide ? (before.xr[0][b5] + 0.5) * m : before.xr[0][b5], 1e-4);
        // Band 6, position 0: all to the right.
        const int b6 = bands.longStart[6];
        EXPECT_NEAR(c.xr[0][b6], 0.0, 1e-6);
        EXPECT_NEAR(c.xr[1][b6], before.xr[0][b6], 1e-4);
        // Band 7, position 3: tan(pi/4) = 1, halves.
        const int b7 = bands.longStart[7];
        EXPECT_NEAR(c.xr[0][b7], before.xr[0][b7] / 2, 1e-4);
        EXPECT_NEAR(c.xr[1][b7], before.xr[0][b7] / 2, 1e-4);
        // Band 8, position 7: coded as left/right or mid/side (right is 0 here).
        const int b8 = bands.longStart[8];
        EXPECT_NEAR(c.xr[0][b8], before.xr[0][b8] * m, 1e-4);
        EXPECT_NEAR(c.xr[1][b8], before.xr[0][b8] * (midSide ? m : 0.0), 1e-4);
        // Band 9, position 6: all to the left.
        const int b9 = bands.longStart[9];
        EXPECT_NEAR(c.xr[0][b9], before.xr[0][b9], 1e-4);
        EXPECT_NEAR(c.xr[1][b9], 0.0, 1e-6);
        // Band 10, position 9: not intensity coded either.
        const int b10 = bands.longStart[10];
        EXPECT_NEAR(c.xr[0][b10], before.xr[0][b10] * m, 1e-4);
        // Band 21 uses band 20's position 2: ratio tan(pi/6).
        const double ratio = std::tan(2 * kPi / 12);
        EXPECT_NEAR(c.xr[0][575], 576.0 * ratio / (1 + ratio), 1e-3);
        EXPECT_NEAR(c.xr[1][575], 576.0 / (1 + ratio), 1e-3);
    }
}

// The lower sample rates: powers of 2^-1/4 (2^-1/2 with intensity_scale),
// odd positions lower the left, even positions the right, and the largest
// value of the band's length marks "not intensity coded".
TEST(Layer3Stereo, LowerRateIntensityPositions) {
    const TLayer3BandTable& bands = kLayer3Bands[3];  // 22050 Hz
    for (const bool intensityScale : {false, true}) {
        SCOPED_TRACE(intensityScale);
        TLayer3ScaleFactors sf;
        sf.intensityScale = intensityScale;
        for (auto& v : sf.longIllegal) v = 15;
        sf.longBands[0] = 0;
        sf.longBands[1] = 1;
        sf.longBands[2] = 2;
        sf.longBands[3] = 5;
        sf.longBands[4] = 15;
        TChannels c = Fill(0);  // right silent: every band intensity coded
        const TChannels before = c;
        ApplyLayer3Stereo(Joint(1, true), TLayer3GranuleChannel{}, sf, c.xr);
        const double base = intensityScale ? std::pow(2.0, -0.5) : std::pow(2.0, -0.25);
        const auto at = [&](int band) { return bands.longStart[band]; };
        EXPECT_NEAR(c.xr[0][at(0)], before.xr[0][at(0)], 1e-5);
        EXPECT_NEAR(c.xr[1][at(0)], before.xr[0][at(0)], 1e-5);
        EXPECT_NEAR(c.xr[0][at(1)], before.xr[0][at(1)] * base, 1e-5);
        EXPECT_NEAR(c.xr[1][at(1)], before.xr[0][at(1)], 1e-5);
        EXPECT_NEAR(c.xr[0][at(2)], before.xr[0][at(2)], 1e-5);
        EXPECT_NEAR(c.xr[1][at(2)], before.xr[0][at(2)] * base, 1e-5);
        EXPECT_NEAR(c.xr[0][at(3)], before.xr[0][at(3)] * std::pow(base, 3), 1e-5);
        EXPECT_NEAR(c.xr[1][at(3)], before.xr[0][at(3)], 1e-5);
        EXPECT_EQ(c.xr[0][at(4)], before.xr[0][at(4)]);  // illegal: left/right
        EXPECT_EQ(c.xr[1][at(4)], 0.0f);
    }
}

// Short blocks: each window has its own bound; a mixed block's long part is
// intensity coded only when the right channel's short part is silent.
TEST(Layer3Stereo, ShortBlockBoundsPerWindow) {
    const TLayer3BandTable& bands = kLayer3Bands[0];
    TLayer3GranuleChannel right;
    right.windowSwitching = true;
    right.blockType = 2;
    TLayer3ScaleFactors sf;
    for (auto& v : sf.shortIllegal) v = 7;
    for (auto& v : sf.longIllegal) v = 7;
    for (int b = 0; b < 13; ++b) {
        for (int w = 0; w < 3; ++w) sf.shortBands[b][w] = 6;  // all to the left
    }
    for (auto& v : sf.longBands) v = 6;
    const auto line = [&](int band, int window) {
        const int width = bands.shortStart[band + 1] - bands.shortStart[band];
        return 3 * bands.shortStart[band] + window * width;
    };
    {
        TChannels c = Fill(0);
        c.xr[1][line(10, 0)] = 0.5f;  // window 0 reaches band 10; windows 1 and 2 silent
        const TChannels before = c;
        ApplyLayer3Stereo(Joint(1), right, sf, c.xr);
        EXPECT_EQ(c.xr[1][line(10, 0)], 0.5f);                        // below window 0's bound
        EXPECT_EQ(c.xr[0][line(9, 0)], before.xr[0][line(9, 0)]);     // left/right below it
        EXPECT_EQ(c.xr[1][line(11, 0)], 0.0f);                        // intensity above it
        EXPECT_EQ(c.xr[0][line(11, 0)], before.xr[0][line(11, 0)]);
        EXPECT_EQ(c.xr[1][line(0, 1)], 0.0f);                         // window 1 all intensity
    }
    {
        // Mixed: long bands 0-7 and short bands from 3; right has a value in
        // short band 5 of window 2, so the long part stays left/right.
        right.mixedBlock = true;
        for (auto& v : sf.longBands) v = 0;  // would move everything right
        TChannels c = Fill(0);
        c.xr[1][line(5, 2)] = 0.5f;
        const TChannels before = c;
        ApplyLayer3Stereo(Joint(1), right, sf, c.xr);
        EXPECT_EQ(c.xr[0][10], before.xr[0][10]);
        EXPECT_EQ(c.xr[1][10], 0.0f);
        // With the short part silent the long part above its last value follows.
        TChannels d = Fill(0);
        d.xr[1][5] = 0.5f;  // long band 1
        const TChannels beforeD = d;
        ApplyLayer3Stereo(Joint(1), right, sf, d.xr);
        EXPECT_EQ(d.xr[1][5], 0.5f);
        EXPECT_EQ(d.xr[0][12], 0.0f);  // long band 3, position 0: all right
        EXPECT_EQ(d.xr[1][12], beforeD.xr[0][12]);
    }
}
