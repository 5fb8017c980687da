#include "tonecore/mpeg/layer3_granule.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <gtest/gtest.h>

#include <memory>

using layer3test::CBitWriter;

namespace {

TLayer3GranuleChannel Long(std::uint32_t part23, std::uint32_t bigValues, std::uint32_t table) {
    TLayer3GranuleChannel g;
    g.part23Length = part23;
    g.bigValues = bigValues;
    g.globalGain = 210;
    g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = table;
    g.region1Start = g.region2Start = 576;
    return g;
}

struct TFixture {
    TLayer3FrameInfo info;
    TLayer3SideInfo side;
    TLayer3ChannelState state[2];
    std::unique_ptr<TLayer3SubbandSamples> out = std::make_unique<TLayer3SubbandSamples>();
    TLayer3GranuleReport report;

    int Decode(const std::vector<std::uint8_t>& bytes, CBitReader& reader) {
        reader.Reset(bytes.data(), bytes.size());
        return DecodeLayer3Granule(info, side, 0, reader, state, *out, {}, &report);
    }
};

bool AnyNonZero(const float (&rows)[kLayer3Slots][kLayer3Subbands], int subband) {
    for (int i = 0; i < kLayer3Slots; ++i) {
        if (rows[i][subband] != 0.0f) return true;
    }
    return false;
}

}  // namespace

// Each channel starts where the previous one was declared to end: stuffing
// after the Huffman data is skipped, and data that ran past its
// part2_3_length is stepped back.
TEST(Layer3Granule, ChannelsStartAtTheirDeclaredPositions) {
    TFixture f;  // MPEG-1 stereo, 44100 Hz
    // Channel 0: big_values 288 with table 0 (all zero, no bits), 40 bits of stuffing.
    f.side.granule[0][0] = Long(40, 288, 0);
    // Channel 1: one pair of table 1, (1,1) = 000 with signs 1 0.
    f.side.granule[0][1] = Long(5, 1, 1);
    CBitWriter w;
    w.Put(0xFFFFFFFF, 32).Put(0xFF, 8).PutText("000 1 0");
    CBitReader reader;
    ASSERT_EQ(f.Decode(w.Bytes(), reader), 0);
    EXPECT_EQ(f.report.endBitDifference[0], -40);
    EXPECT_EQ(f.report.endBitDifference[1], 0);
    EXPECT_EQ(reader.BitPosition(), 45u);
    EXPECT_FALSE(AnyNonZero(f.out->values[0], 0));
    EXPECT_TRUE(AnyNonZero(f.out->values[1], 0));

    // Channel 0 declares 3 bits but its pair's signs take 2 more: the reader
    // steps back to bit 3 for channel 1, whose pair "000 1 0" starts there.
    f.side.granule[0][0] = Long(3, 1, 1);
    CBitWriter v;
    v.PutText("000 00010");
    f.state[0] = f.state[1] = TLayer3ChannelState{};
    ASSERT_EQ(f.Decode(v.Bytes(), reader), 0);
    EXPECT_EQ(f.report.endBitDifference[0], 2);
    EXPECT_EQ(f.report.endBitDifference[1], 0);
    EXPECT_EQ(reader.BitPosition(), 8u);
}

// A part2_3_length beyond the main data present, or a region coded with the
// nonexistent tables 4 and 14, abandons the granule.
TEST(Layer3Granule, CorruptGranulesAreAbandoned) {
    TFixture f;
    f.info.mode = 3;
    f.info.channels = 1;
    const std::vector<std::uint8_t> bytes(10, 0);
    CBitReader reader;
    f.side.granule[0][0] = Long(81, 0, 0);
    EXPECT_EQ(f.Decode(bytes, reader), kLayer3FrameAbandoned);
    EXPECT_EQ(reader.BitPosition(), 80u);
    // Exactly the bytes present: count1 codes up to the end (the last one,
    // cut short, is dropped).
    f.side.granule[0][0] = Long(80, 0, 0);
    EXPECT_EQ(f.Decode(bytes, reader), 0);
    EXPECT_EQ(reader.BitPosition(), 80u);
    for (const std::uint32_t table : {4u, 14u}) {
        f.side.granule[0][0] = Long(40, 4, table);
        EXPECT_EQ(f.Decode(bytes, reader), kLayer3FrameAbandoned) << table;
        EXPECT_EQ(reader.BitPosition(), 40u);
    }
}

// A mixed block keeps its two lowest subbands long and applies alias
// reduction only between them: a value in the first short line must not leak
// into subband 1.
TEST(Layer3Granule, MixedBlockTouchesOnlyTheFirstBoundary) {
    TFixture f;
    f.info.mode = 3;
    f.info.channels = 1;
    TLayer3GranuleChannel& g = f.side.granule[0][0];
    g = Long(0, 19, 1);
    g.windowSwitching = true;
    g.blockType = 2;
    g.mixedBlock = true;
    g.region1Start = 36;
    CBitWriter w;
    for (int i = 0; i < 18; ++i) w.PutText("1");  // 18 zero pairs of table 1
    w.PutText("01 0");                             // (1, 0) at line 36
    g.part23Length = static_cast<std::uint32_t>(w.BitCount());
    CBitReader reader;
    ASSERT_EQ(f.Decode(w.Bytes(), reader), 0);
    EXPECT_FALSE(AnyNonZero(f.out->values[0], 0));
    EXPECT_FALSE(AnyNonZero(f.out->values[0], 1));
    EXPECT_TRUE(AnyNonZero(f.out->values[0], 2));

    // The same value in a long block spreads into subband 1.
    TFixture l;
    l.info = f.info;
    l.side.granule[0][0] = Long(g.part23Length, 19, 1);
    ASSERT_EQ(l.Decode(w.Bytes(), reader), 0);
    EXPECT_TRUE(AnyNonZero(l.out->values[0], 1));
}

TEST(Layer3Granule, ClearingTheOverlapSilencesTheNextGranule) {
    TFixture f;
    f.info.mode = 3;
    f.info.channels = 1;
    f.side.granule[0][0] = Long(5, 1, 1);
    CBitWriter w;
    w.PutText("000 1 0");
    CBitReader reader;
    ASSERT_EQ(f.Decode(w.Bytes(), reader), 0);
    f.side.granule[0][0] = Long(0, 0, 0);
    ClearLayer3Overlap(f.state);
    ASSERT_EQ(f.Decode({}, reader), 0);
    EXPECT_FALSE(AnyNonZero(f.out->values[0], 0));
}
