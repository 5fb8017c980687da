#include "tonecore/mpeg/layer3_side_info.h"

#include "tonecore/mpeg/layer3_tables.h"

namespace {

// Region starts in spectral lines, from the long scale factor band table.
void SetRegionStarts(const TLayer3BandTable& bands, TLayer3GranuleChannel& g) {
    if (g.windowSwitching) {
        // Implicit region0_count of 7 long bands (8 short band windows, i.e.
        // 3 short bands, for short blocks); region 1 runs to the end.
        g.region1Start = g.blockType == 2 ? 3u * bands.shortStart[3] : bands.longStart[8];
        g.region2Start = 576;
        return;
    }
    g.region1Start = bands.longStart[g.region0Count + 1];
    const std::uint32_t band2 = g.region0Count + g.region1Count + 2;
    g.region2Start = band2 < 22 ? bands.longStart[band2] : 576;
}

}  // namespace

int ParseLayer3SideInfo(const TLayer3FrameInfo& info, CBitReader& reader, TLayer3SideInfo& side) {
    side = TLayer3SideInfo{};
    const int channels = info.channels == 1 ? 1 : 2;
    if (info.lsf) {
        side.mainDataBegin = reader.ReadBits(8);
        side.privateBits = reader.ReadBits(channels == 1 ? 1 : 2);
    } else {
        side.mainDataBegin = reader.ReadBits(9);
        side.privateBits = reader.ReadBits(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch) side.scfsi[ch] = reader.ReadBits(4);
    }
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    for (int gr = 0; gr < info.Granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            TLayer3GranuleChannel& g = side.granule[gr][ch];
            g.part23Length = reader.ReadBits(12);
            g.bigValues = reader.ReadBits(9);
            g.globalGain = reader.ReadBits(8);
            g.scalefacCompress = reader.ReadBits(info.lsf ? 9 : 4);
            g.windowSwitching = reader.ReadBit() != 0;
            if (g.windowSwitching) {
                g.blockType = reader.ReadBits(2);
                g.mixedBlock = reader.ReadBit() != 0;
                g.tableSelect[0] = reader.ReadBits(5);
                g.tableSelect[1] = reader.ReadBits(5);
                g.tableSelect[2] = 0;
                for (int w = 0; w < 3; ++w) g.subblockGain[w] = reader.ReadBits(3);
                if (g.blockType == 0) return kLayer3FrameAbandoned;
            } else {
                for (int r = 0; r < 3; ++r) g.tableSelect[r] = reader.ReadBits(5);
                g.region0Count = reader.ReadBits(4);
                g.region1Count = reader.ReadBits(3);
            }
            if (g.bigValues > 288) return kLayer3FrameAbandoned;
            SetRegionStarts(bands, g);
            g.preflag = info.lsf ? false : reader.ReadBit() != 0;
            g.scalefacScale = reader.ReadBit() != 0;
            g.count1TableB = reader.ReadBit() != 0;
        }
    }
    return reader.Overrun() ? kLayer3FrameAbandoned : 0;
}

std::uint32_t Layer3MainDataBits(const TLayer3FrameInfo& info, const TLayer3SideInfo& side) {
    std::uint32_t bits = 0;
    for (int gr = 0; gr < info.Granules(); ++gr) {
        for (int ch = 0; ch < (info.channels == 1 ? 1 : 2); ++ch) bits += side.granule[gr][ch].part23Length;
    }
    return bits;
}
