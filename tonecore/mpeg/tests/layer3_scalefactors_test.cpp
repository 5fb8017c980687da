#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <gtest/gtest.h>

#include <string>

// Lower-rate mixed blocks: whatever the length groups are, the first six
// values are long bands 0-5 and the rest short bands 3-11 window by window,
// each read with the length of the group it falls in. The preflag table's
// first group (15 values) runs on into short bands 3-5.
TEST(Layer3ScaleFactors, LowerRateMixedBlocksSplitLongAndShortAtSixBands) {
    struct TCase {
        const char* name;
        std::uint32_t sfc;
        int channel;
        int modeExtension;
        int slen[4];
        int counts[4];
        bool preflag;
    };
    const TCase cases[] = {
        {"normal", ((3 * 5 + 2) << 4) | (1 << 2) | 3, 0, 0, {3, 2, 1, 3}, {6, 9, 9, 9}, false},
        {"normal 400", 400 + ((4 * 5 + 1) << 2) + 2, 0, 0, {4, 1, 2, 0}, {6, 9, 12, 6}, false},
        {"preflag", 500 + 3 * 3 + 2, 0, 0, {3, 2, 0, 0}, {15, 18, 0, 0}, true},
        {"intensity", 2 * (2 * 36 + 3 * 6 + 4) + 1, 1, 1, {2, 3, 4, 0}, {6, 15, 12, 0}, false},
        {"intensity 244", 2 * (244 + 5) + 1, 1, 1, {1, 2, 0, 0}, {6, 18, 9, 0}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLayer3FrameInfo info;
        info.lsf = true;
        info.mode = 1;
        info.modeExtension = c.modeExtension;
        TLayer3GranuleChannel g;
        g.scalefacCompress = c.sfc;
        g.windowSwitching = true;
        g.blockType = 2;
        g.mixedBlock = true;
        g.preflag = !c.preflag;

        // Value k is k + 1 cut to its group's length, so that a value read
        // into the wrong band or with the wrong length shows.
        layer3test::CBitWriter w;
        int expectedValue[33] = {};
        int expectedIllegal[33] = {};
        int k = 0;
        for (int group = 0; group < 4; ++group) {
            for (int i = 0; i < c.counts[group]; ++i, ++k) {
                const int mask = (1 << c.slen[group]) - 1;
                expectedValue[k] = (k + 1) & mask;
                expectedIllegal[k] = mask;
                w.Put(static_cast<std::uint32_t>(expectedValue[k]), c.slen[group]);
            }
        }
        ASSERT_EQ(k, 33);
        const std::size_t bits = w.BitCount();
        w.Put(0xFFFF, 16);
        CBitReader reader(w.Bytes().data(), w.Bytes().size());
        TLayer3ScaleFactors sf;
        ReadLayer3ScaleFactors(info, 0, c.channel, 0, g, reader, sf);
        EXPECT_EQ(reader.BitPosition(), bits);
        EXPECT_EQ(g.preflag, c.preflag);
        for (int band = 0; band < 6; ++band) {
            EXPECT_EQ(sf.longBands[band], expectedValue[band]) << "long band " << band;
            EXPECT_EQ(sf.longIllegal[band], expectedIllegal[band]) << "long band " << band;
        }
        EXPECT_EQ(sf.longBands[6], 0);
        for (int band = 3; band < 12; ++band) {
            for (int window = 0; window < 3; ++window) {
                const int index = 6 + 3 * (band - 3) + window;
                EXPECT_EQ(sf.shortBands[band][window], expectedValue[index]) << "short band " << band << " window "
                                                                               << window;
            }
            EXPECT_EQ(sf.shortIllegal[band], expectedIllegal[6 + 3 * (band - 3)]) << "short band " << band;
        }
    }
}
