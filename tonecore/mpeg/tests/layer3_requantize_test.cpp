#include "tonecore/mpeg/layer3_requantize.h"
#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/layer3_tables.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using layer3test::CBitWriter;

namespace {

// The requantisation formula of ISO/IEC 11172-3 2.4.3.4.7.1, in double
// precision, for line `line` coded in long band `sfb` or short band `sfb`,
// window `window` (window < 0 for long bands).
double Reference(int value, const TLayer3GranuleChannel& g, const TLayer3ScaleFactors& sf, int sfb, int window) {
    const double multiplier = g.scalefacScale ? 1.0 : 0.5;
    double exponent = 0.25 * (static_cast<double>(g.globalGain) - 210.0);
    if (window < 0) {
        exponent -= multiplier * (sf.longBands[sfb] + (g.preflag ? kLayer3Pretab[sfb] : 0));
    } else {
        exponent -= 2.0 * g.subblockGain[window] + multiplier * sf.shortBands[sfb][window];
    }
    const double magnitude = std::pow(std::abs(value), 4.0 / 3.0) * std::pow(2.0, exponent);
    return value < 0 ? -magnitude : magnitude;
}

struct TCase {
    const char* name;
    bool lsf;
    int blockType;
    bool mixed;
    bool preflag;
    bool scalefacScale;
};

}  // namespace

// Every line of long, short and mixed granules at MPEG-1 and lower-rate band
// layouts matches the formula to float rounding, including the largest value
// a 13-bit linbits escape can code.
TEST(Layer3Requantize, MatchesTheStandardFormula) {
    const TCase cases[] = {
        {"long, preflag, step 0.5", false, 0, false, true, false},
        {"long, step 1", false, 0, false, false, true},
        {"short", false, 2, false, false, false},
        {"mixed", false, 2, true, true, true},
        {"lower rate mixed", true, 2, true, false, false},
        {"lower rate start block", true, 1, false, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLayer3FrameInfo info;
        info.lsf = c.lsf;
        TLayer3GranuleChannel g;
        g.windowSwitching = c.blockType != 0;
        g.blockType = static_cast<std::uint32_t>(c.blockType);
        g.mixedBlock = c.mixed;
        g.preflag = c.preflag;
        g.scalefacScale = c.scalefacScale;
        g.globalGain = 140;
        g.subblockGain[0] = 0;
        g.subblockGain[1] = 3;
        g.subblockGain[2] = 7;
        TLayer3ScaleFactors sf;
        for (int i = 0; i < 22; ++i) sf.longBands[i] = static_cast<std::uint8_t>(i % 16);
        for (int i = 0; i < 13; ++i) {
            for (int w = 0; w < 3; ++w) sf.shortBands[i][w] = static_cast<std::uint8_t>((i + 5 * w) % 8);
        }
        int values[kLayer3Lines];
        for (int i = 0; i < kLayer3Lines; ++i) values[i] = (i * 37) % 41 - 20;
        values[3] = 8206;
        values[400] = -8206;
        float xr[kLayer3Lines];
        RequantizeLayer3(info, g, sf, values, kLayer3Lines, xr);

        // Walk the lines in coded order with the band layout.
        const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
        int line = 0;
        const bool shortBlock = c.blockType == 2;
        const int longBands = !shortBlock ? 22 : (c.mixed ? (c.lsf ? 6 : 8) : 0);
        for (int sfb = 0; sfb < longBands; ++sfb) {
            for (; line < bands.longStart[sfb + 1]; ++line) {
                const double expected = Reference(values[line], g, sf, sfb, -1);
                ASSERT_NEAR(xr[line], expected, std::abs(expected) * 1.2e-7) << "line " << line;
            }
        }
        for (int sfb = c.mixed ? 3 : 0; shortBlock && sfb < 13; ++sfb) {
            const int width = bands.shortStart[sfb + 1] - bands.shortStart[sfb];
            for (int w = 0; w < 3; ++w) {
                for (int k = 0; k < width; ++k, ++line) {
                    const double expected = Reference(values[line], g, sf, sfb, w);
                    ASSERT_NEAR(xr[line], expected, std::abs(expected) * 1.2e-7) << "line " << line;
                }
            }
        }
        EXPECT_EQ(line, kLayer3Lines);
    }
}

TEST(Layer3Requantize, LinesFromTheNonZeroEndOnAreZero) {
    TLayer3FrameInfo info;
    TLayer3GranuleChannel g;
    g.globalGain = 210;
    TLayer3ScaleFactors sf;
    int values[kLayer3Lines];
    for (int& v : values) v = 1;
    float xr[kLayer3Lines];
    RequantizeLayer3(info, g, sf, values, 100, xr);
    EXPECT_FLOAT_EQ(xr[99], 1.0f);
    EXPECT_EQ(xr[100], 0.0f);
    EXPECT_EQ(xr[575], 0.0f);
}

namespace {

TLayer3GranuleChannel Granule(std::uint32_t sfc, int blockType = 0, bool mixed = false) {
    TLayer3GranuleChannel g;
    g.scalefacCompress = sfc;
    g.windowSwitching = blockType != 0;
    g.blockType = static_cast<std::uint32_t>(blockType);
    g.mixedBlock = mixed;
    return g;
}

// Writes `count` scale factors of `bits` bits with values 1, 2, 3, ... (mod 2^bits).
void PutRun(CBitWriter& w, int count, int bits, int& next) {
    for (int i = 0; i < count; ++i) w.Put(static_cast<std::uint32_t>(next++ % (1 << bits)), bits);
}

}  // namespace

TEST(Layer3ScaleFactors, Mpeg1GranuleOneReusesFlaggedGroups) {
    TLayer3FrameInfo info;
    TLayer3GranuleChannel g = Granule(15);  // slen1 4, slen2 3
    TLayer3ScaleFactors sf;
    CBitWriter w0;
    int next = 1;
    PutRun(w0, 11, 4, next);
    PutRun(w0, 10, 3, next);
    CBitReader r0(w0.Bytes().data(), w0.Bytes().size());
    ReadLayer3ScaleFactors(info, 0, 0, 0xF, g, r0, sf);
    EXPECT_EQ(r0.BitPosition(), 11u * 4 + 10 * 3);  // scfsi ignored in granule 0
    EXPECT_EQ(sf.longBands[0], 1);
    EXPECT_EQ(sf.longBands[20], 21 % 8);
    EXPECT_EQ(sf.longBands[21], 0);

    // Granule 1 with scfsi 1010: groups 0 (bands 0-5) and 2 (11-15) kept.
    CBitWriter w1;
    w1.Put(9, 4).Put(9, 4).Put(9, 4).Put(9, 4).Put(9, 4);  // bands 6-10
    w1.Put(5, 3).Put(5, 3).Put(5, 3).Put(5, 3).Put(5, 3);  // bands 16-20
    CBitReader r1(w1.Bytes().data(), w1.Bytes().size());
    ReadLayer3ScaleFactors(info, 1, 0, 0xA, g, r1, sf);
    EXPECT_EQ(r1.BitPosition(), 5u * 4 + 5 * 3);
    EXPECT_EQ(sf.longBands[5], 6);
    EXPECT_EQ(sf.longBands[6], 9);
    EXPECT_EQ(sf.longBands[15], 16 % 8);
    EXPECT_EQ(sf.longBands[16], 5);
}

TEST(Layer3ScaleFactors, Mpeg1ShortAndMixedLayouts) {
    TLayer3FrameInfo info;
    struct {
        bool mixed;
        std::size_t bits;
    } cases[] = {{false, 18 * 2 + 18 * 3}, {true, 17 * 2 + 18 * 3}};  // slen1 2, slen2 3 (sfc 10)
    for (const auto& c : cases) {
        TLayer3GranuleChannel g = Granule(10, 2, c.mixed);
        CBitWriter w;
        for (int i = 0; i < 200; ++i) w.Put(1, 1);
        CBitReader reader(w.Bytes().data(), w.Bytes().size());
        TLayer3ScaleFactors sf;
        ReadLayer3ScaleFactors(info, 1, 0, 0xF, g, reader, sf);  // scfsi does not apply to short blocks
        EXPECT_EQ(reader.BitPosition(), c.bits) << c.mixed;
        EXPECT_EQ(sf.shortBands[11][2], 7);
        EXPECT_EQ(sf.shortBands[12][2], 0);
        EXPECT_EQ(sf.longBands[7], c.mixed ? 3 : 0);
    }
}

// The lower sample rates: slen values and band counts from scalefac_compress,
// with the intensity layout for the right channel.
TEST(Layer3ScaleFactors, LowerRateLengthsPreflagAndIntensityLayout) {
    TLayer3FrameInfo info;
    info.lsf = true;
    struct TCase {
        std::string name;
        std::uint32_t sfc;
        int channel;
        int modeExtension;
        int slen[4];
        int counts[4];
        bool preflag;
        bool intensityScale;
    };
    const TCase cases[] = {
        {"normal", ((3 * 5 + 2) << 4) | (1 << 2) | 3, 0, 1, {3, 2, 1, 3}, {6, 5, 5, 5}, false, false},
        {"normal 400", 400 + ((4 * 5 + 1) << 2) + 2, 0, 0, {4, 1, 2, 0}, {6, 5, 7, 3}, false, false},
        {"preflag", 500 + 3 * 2 + 1, 0, 0, {2, 1, 0, 0}, {11, 10, 0, 0}, true, false},
        {"intensity", 2 * (2 * 36 + 3 * 6 + 4) + 1, 1, 1, {2, 3, 4, 0}, {7, 7, 7, 0}, false, true},
        {"intensity 180", 2 * (180 + 39), 1, 3, {2, 1, 3, 0}, {6, 6, 6, 3}, false, false},
        {"intensity 244", 2 * (244 + 5) + 1, 1, 1, {1, 2, 0, 0}, {8, 8, 5, 0}, false, true},
        {"right channel without intensity", ((3 * 5 + 2) << 4) | (1 << 2) | 3, 1, 2, {3, 2, 1, 3}, {6, 5, 5, 5},
         false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        info.mode = 1;
        info.modeExtension = c.modeExtension;
        TLayer3GranuleChannel g = Granule(c.sfc);
        g.preflag = !c.preflag;
        CBitWriter w;
        int band = 0;
        for (int group = 0; group < 4; ++group) {
            for (int i = 0; i < c.counts[group]; ++i, ++band) {
                w.Put(static_cast<std::uint32_t>(band % (1 << c.slen[group])), c.slen[group]);
            }
        }
        const std::size_t bits = w.BitCount();
        w.Put(0xFFFF, 16);
        CBitReader reader(w.Bytes().data(), w.Bytes().size());
        TLayer3ScaleFactors sf;
        ReadLayer3ScaleFactors(info, 0, c.channel, 0, g, reader, sf);
        EXPECT_EQ(reader.BitPosition(), bits);
        EXPECT_EQ(g.preflag, c.preflag);
        EXPECT_EQ(sf.intensityScale, c.intensityScale);
        band = 0;
        for (int group = 0; group < 4; ++group) {
            for (int i = 0; i < c.counts[group]; ++i, ++band) {
                EXPECT_EQ(sf.longBands[band], band % (1 << c.slen[group])) << band;
                EXPECT_EQ(sf.longIllegal[band], (1 << c.slen[group]) - 1) << band;
            }
        }
    }
}

TEST(Layer3ScaleFactors, LowerRateMixedBlockReadsLongThenShortBands) {
    TLayer3FrameInfo info;
    info.lsf = true;
    // slen 1, 1, 1, 1 (sfc = (1*5+1) << 4 | 1 << 2 | 1): counts 6, 9, 9, 9.
    TLayer3GranuleChannel g = Granule((6 << 4) | (1 << 2) | 1, 2, true);
    CBitWriter w;
    for (int i = 0; i < 33; ++i) w.Put(1, 1);
    w.Put(0, 8);
    CBitReader reader(w.Bytes().data(), w.Bytes().size());
    TLayer3ScaleFactors sf;
    ReadLayer3ScaleFactors(info, 0, 0, 0, g, reader, sf);
    EXPECT_EQ(reader.BitPosition(), 33u);
    EXPECT_EQ(sf.longBands[5], 1);
    EXPECT_EQ(sf.longBands[6], 0);
    EXPECT_EQ(sf.shortBands[2][0], 0);
    EXPECT_EQ(sf.shortBands[3][0], 1);
    EXPECT_EQ(sf.shortBands[11][2], 1);
    EXPECT_EQ(sf.shortBands[12][0], 0);
}
