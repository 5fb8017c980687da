#include "tonecore/mpeg/layer3_side_info.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <gtest/gtest.h>

using layer3test::CBitWriter;

namespace {

struct TLongFields {
    std::uint32_t part23 = 0, bigValues = 0, globalGain = 0, sfc = 0;
    std::uint32_t tables[3] = {0, 0, 0};
    std::uint32_t region0 = 0, region1 = 0;
};

void PutLong(CBitWriter& w, bool lsf, const TLongFields& f) {
    w.Put(f.part23, 12).Put(f.bigValues, 9).Put(f.globalGain, 8).Put(f.sfc, lsf ? 9 : 4).Put(0, 1);
    for (const std::uint32_t t : f.tables) w.Put(t, 5);
    w.Put(f.region0, 4).Put(f.region1, 3);
}

void PutSwitched(CBitWriter& w, bool lsf, std::uint32_t blockType, bool mixed, std::uint32_t bigValues = 10) {
    w.Put(100, 12).Put(bigValues, 9).Put(150, 8).Put(5, lsf ? 9 : 4).Put(1, 1);
    w.Put(blockType, 2).Put(mixed ? 1 : 0, 1).Put(7, 5).Put(9, 5).Put(1, 3).Put(2, 3).Put(3, 3);
}

}  // namespace

TEST(Layer3SideInfo, Mpeg1StereoFieldsAndRegionStarts) {
    TLayer3FrameInfo info;  // MPEG-1, 44100 Hz, stereo
    CBitWriter w;
    w.Put(300, 9).Put(0, 3).Put(0xA, 4).Put(0x5, 4);
    TLongFields a;
    a.part23 = 1234;
    a.bigValues = 200;
    a.globalGain = 170;
    a.sfc = 11;
    a.tables[0] = 15;
    a.tables[1] = 24;
    a.tables[2] = 31;
    a.region0 = 3;
    a.region1 = 2;
    PutLong(w, false, a);
    w.Put(1, 1).Put(0, 1).Put(1, 1);  // preflag, scalefac_scale, count1table_select
    PutSwitched(w, false, 2, false);
    w.Put(0, 1).Put(1, 1).Put(0, 1);
    PutSwitched(w, false, 1, false);
    w.Put(0, 1).Put(0, 1).Put(0, 1);
    TLongFields d;
    d.region0 = 15;
    d.region1 = 7;
    PutLong(w, false, d);
    w.Put(0, 1).Put(0, 1).Put(0, 1);
    ASSERT_EQ(w.BitCount(), 32u * 8);

    CBitReader reader(w.Bytes().data(), w.Bytes().size());
    TLayer3SideInfo side;
    ASSERT_EQ(ParseLayer3SideInfo(info, reader, side), 0);
    EXPECT_EQ(reader.BitPosition(), 256u);
    EXPECT_EQ(side.mainDataBegin, 300u);
    EXPECT_EQ(side.scfsi[0], 0xAu);
    EXPECT_EQ(side.scfsi[1], 0x5u);

    const TLayer3GranuleChannel& g0 = side.granule[0][0];
    EXPECT_EQ(g0.part23Length, 1234u);
    EXPECT_EQ(g0.bigValues, 200u);
    EXPECT_EQ(g0.globalGain, 170u);
    EXPECT_EQ(g0.scalefacCompress, 11u);
    EXPECT_EQ(g0.tableSelect[2], 31u);
    EXPECT_TRUE(g0.preflag);
    EXPECT_FALSE(g0.scalefacScale);
    EXPECT_TRUE(g0.count1TableB);
    EXPECT_EQ(g0.region1Start, 16u);  // long band 4 at 44100 Hz
    EXPECT_EQ(g0.region2Start, 30u);  // long band 7

    const TLayer3GranuleChannel& g1 = side.granule[0][1];
    EXPECT_TRUE(g1.ShortBlock());
    EXPECT_EQ(g1.tableSelect[0], 7u);
    EXPECT_EQ(g1.tableSelect[1], 9u);
    EXPECT_EQ(g1.tableSelect[2], 0u);
    EXPECT_EQ(g1.subblockGain[0], 1u);
    EXPECT_EQ(g1.subblockGain[2], 3u);
    EXPECT_EQ(g1.region1Start, 36u);
    EXPECT_EQ(g1.region2Start, 576u);
    EXPECT_TRUE(g1.scalefacScale);

    EXPECT_EQ(side.granule[1][0].blockType, 1u);
    EXPECT_EQ(side.granule[1][0].region1Start, 36u);
    // region0_count + region1_count + 2 beyond the last band: region 2 is empty.
    EXPECT_EQ(side.granule[1][1].region1Start, 162u);
    EXPECT_EQ(side.granule[1][1].region2Start, 576u);
}

TEST(Layer3SideInfo, LowerSampleRateMonoFields) {
    TLayer3FrameInfo info;
    info.lsf = true;  // 22050 Hz
    info.mode = 3;
    info.channels = 1;
    CBitWriter w;
    w.Put(200, 8).Put(1, 1);
    PutSwitched(w, true, 3, false);
    w.Put(1, 1).Put(1, 1);  // scalefac_scale, count1table_select: no preflag
    ASSERT_EQ(w.BitCount(), 9u * 8);

    CBitReader reader(w.Bytes().data(), w.Bytes().size());
    TLayer3SideInfo side;
    ASSERT_EQ(ParseLayer3SideInfo(info, reader, side), 0);
    EXPECT_EQ(side.mainDataBegin, 200u);
    EXPECT_EQ(side.privateBits, 1u);
    const TLayer3GranuleChannel& g = side.granule[0][0];
    EXPECT_EQ(g.scalefacCompress, 5u);
    EXPECT_EQ(g.blockType, 3u);
    EXPECT_FALSE(g.preflag);
    EXPECT_TRUE(g.scalefacScale);
    EXPECT_TRUE(g.count1TableB);
    EXPECT_EQ(g.region1Start, 54u);  // long band 8 at 22050 Hz
}

TEST(Layer3SideInfo, ImpossibleValuesAbandonTheFrame) {
    TLayer3FrameInfo info;
    info.mode = 3;
    info.channels = 1;
    // One mono MPEG-1 frame whose first granule is written by firstGranule.
    auto parse = [&](auto firstGranule, TLayer3SideInfo& side) {
        CBitWriter w;
        w.Put(0, 9).Put(0, 5).Put(0, 4);
        firstGranule(w);
        w.Put(0, 3);
        PutLong(w, false, TLongFields{});
        w.Put(0, 3);
        CBitReader reader(w.Bytes().data(), w.Bytes().size());
        return ParseLayer3SideInfo(info, reader, side);
    };
    auto bigValues = [](std::uint32_t count) {
        return [count](CBitWriter& w) {
            TLongFields f;
            f.bigValues = count;
            PutLong(w, false, f);
        };
    };
    TLayer3SideInfo side;
    EXPECT_EQ(parse(bigValues(289), side), kLayer3FrameAbandoned);
    EXPECT_EQ(parse([](CBitWriter& w) { PutSwitched(w, false, 0, false); }, side),
              kLayer3FrameAbandoned)
        << "window switching with block type 0";
    {
        const std::uint8_t bytes[4] = {};
        CBitReader reader(bytes, sizeof(bytes));
        EXPECT_EQ(ParseLayer3SideInfo(info, reader, side), kLayer3FrameAbandoned);
    }
    EXPECT_EQ(parse(bigValues(288), side), 0);
    EXPECT_EQ(Layer3MainDataBits(info, side), 0u);
}
