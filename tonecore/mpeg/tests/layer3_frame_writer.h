#pragma once
// Test-only layer III frame writer: turns chosen block types, scale factors
// and quantised spectral values into complete frames (no bit reservoir), with
// the Huffman codes of the decoder's own tables. It makes the streams no
// encoder at hand produces (mixed blocks, intensity stereo), so that the
// reference decoder can decode the same frames independently.

#include "tonecore/mpeg/layer3_huffman_tables.h"
#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/layer3_tables.h"
#include "tonecore/mpeg/layer3_types.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace layer3test {

// What the writer is given per granule and channel; the writer fills in
// part2_3_length, big_values, the tables and the regions of `g`.
struct TWriterChannel {
    TLayer3GranuleChannel g;
    TLayer3ScaleFactors sf;
    int values[kLayer3Lines] = {};
};

struct TWriterFrame {
    TLayer3FrameInfo info;
    int bitrateIndex = 14;
    std::uint32_t scfsi[2] = {0, 0};
    TWriterChannel channel[2][2];  // [granule][channel]
};

namespace detail {

// The smallest table_select that codes every value of a region.
inline std::uint32_t ChooseTable(int largest) {
    if (largest == 0) return 0;
    if (largest <= 1) return 1;
    if (largest <= 2) return 2;
    if (largest <= 3) return 5;
    if (largest <= 5) return 7;
    if (largest <= 7) return 10;
    if (largest <= 15) return 13;
    for (std::uint32_t t = 16; t < 24; ++t) {
        if (largest <= 15 + (1 << kLayer3BigValueTables[t].linbits) - 1) return t;
    }
    return 23;
}

inline void PutValue(CBitWriter& w, int value, int linbits, bool escape) {
    const int magnitude = std::abs(value);
    if (escape) w.Put(static_cast<std::uint32_t>(magnitude - 15), linbits);
    if (magnitude != 0) w.Put(value < 0 ? 1 : 0, 1);
}

inline void PutPair(CBitWriter& w, std::uint32_t select, int x, int y) {
    const TLayer3HuffmanSelect& s = kLayer3BigValueTables[select];
    if (s.table == nullptr) return;
    const int ax = std::min(std::abs(x), 15);
    const int ay = std::min(std::abs(y), 15);
    const int index = ax * s.table->size + ay;
    w.Put(s.table->codes[index], s.table->lengths[index]);
    PutValue(w, x, s.linbits, s.linbits > 0 && ax == 15);
    PutValue(w, y, s.linbits, s.linbits > 0 && ay == 15);
}

// Scale factors in the order the reader takes them.
inline void PutScaleFactors(CBitWriter& w, const TLayer3FrameInfo& info, int gr, int ch, std::uint32_t scfsi,
                            const TWriterChannel& c) {
    const TLayer3GranuleChannel& g = c.g;
    if (!info.lsf) {
        const int slen1 = kLayer3Slen[0][g.scalefacCompress];
        const int slen2 = kLayer3Slen[1][g.scalefacCompress];
        if (g.ShortBlock()) {
            int sfb = 0;
            if (g.mixedBlock) {
                for (; sfb < 8; ++sfb) w.Put(c.sf.longBands[sfb], slen1);
                sfb = 3;
            }
            for (; sfb < 12; ++sfb) {
                for (int win = 0; win < 3; ++win) w.Put(c.sf.shortBands[sfb][win], sfb < 6 ? slen1 : slen2);
            }
            return;
        }
        static const int kGroupStart[5] = {0, 6, 11, 16, 21};
        for (int group = 0; group < 4; ++group) {
            if (gr == 1 && (scfsi & (8u >> group))) continue;
            for (int sfb = kGroupStart[group]; sfb < kGroupStart[group + 1]; ++sfb) {
                w.Put(c.sf.longBands[sfb], group < 2 ? slen1 : slen2);
            }
        }
        return;
    }
    // Lower sample rates: every length table, intensity tables for the
    // right channel of intensity frames.
    const TLayer3LsfLengths lengths = Layer3LsfLengths(info, ch, g.scalefacCompress);
    const int* slen = lengths.slen;
    const int table = lengths.table;
    const int layout = g.ShortBlock() ? (g.mixedBlock ? 2 : 1) : 0;
    const std::uint8_t* counts = kLayer3LsfBandCounts[table][layout];
    int longBand = 0;
    int shortBand = layout == 2 ? 3 : 0;
    int window = 0;
    for (int group = 0; group < 4; ++group) {
        for (int i = 0; i < counts[group]; ++i) {
            if (layout == 0 || (layout == 2 && longBand < kLayer3LsfMixedLongBands)) {
                w.Put(c.sf.longBands[longBand++], slen[group]);
            } else {
                w.Put(c.sf.shortBands[shortBand][window], slen[group]);
                if (++window == 3) {
                    window = 0;
                    ++shortBand;
                }
            }
        }
    }
}

// Works out big_values, regions and tables for the values, then writes the
// Huffman data.
inline void PutSpectrum(CBitWriter& w, const TLayer3FrameInfo& info, TWriterChannel& c) {
    TLayer3GranuleChannel& g = c.g;
    int lastNonZero = -1;
    int lastBig = -1;
    for (int i = 0; i < kLayer3Lines; ++i) {
        if (c.values[i] != 0) lastNonZero = i;
        if (std::abs(c.values[i]) > 1) lastBig = i;
    }
    int bigEnd = (lastBig + 2) / 2 * 2;
    // The count1 quadruples must end by line 576.
    int count1End = bigEnd + (std::max(lastNonZero + 1 - bigEnd, 0) + 3) / 4 * 4;
    while (count1End > kLayer3Lines) {
        bigEnd += 2;
        count1End = bigEnd + (std::max(lastNonZero + 1 - bigEnd, 0) + 3) / 4 * 4;
    }
    g.bigValues = static_cast<std::uint32_t>(bigEnd / 2);
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    if (g.windowSwitching) {
        g.region1Start = g.blockType == 2 ? 3u * bands.shortStart[3] : bands.longStart[8];
        g.region2Start = 576;
    } else {
        g.region0Count = 4;
        g.region1Count = 3;
        g.region1Start = bands.longStart[5];
        g.region2Start = bands.longStart[9];
    }
    const int regionEnd[3] = {std::min<int>(g.region1Start, bigEnd), std::min<int>(g.region2Start, bigEnd), bigEnd};
    int line = 0;
    for (int region = 0; region < 3; ++region) {
        int largest = 0;
        for (int i = line; i < regionEnd[region]; ++i) largest = std::max(largest, std::abs(c.values[i]));
        g.tableSelect[region] = region == 2 && g.windowSwitching ? 0 : ChooseTable(largest);
        for (; line < regionEnd[region]; line += 2) PutPair(w, g.tableSelect[region], c.values[line], c.values[line + 1]);
    }
    const TLayer3HuffmanCodeTable& quads = kLayer3Count1Tables[g.count1TableB ? 1 : 0];
    for (line = bigEnd; line < count1End; line += 4) {
        int index = 0;
        for (int k = 0; k < 4; ++k) index = index * 2 + (c.values[line + k] != 0 ? 1 : 0);
        w.Put(quads.codes[index], quads.lengths[index]);
        for (int k = 0; k < 4; ++k) {
            if (c.values[line + k] != 0) w.Put(c.values[line + k] < 0 ? 1 : 0, 1);
        }
    }
}

inline void PutGranuleSide(CBitWriter& w, const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g) {
    w.Put(g.part23Length, 12).Put(g.bigValues, 9).Put(g.globalGain, 8).Put(g.scalefacCompress, info.lsf ? 9 : 4);
    w.Put(g.windowSwitching ? 1 : 0, 1);
    if (g.windowSwitching) {
        w.Put(g.blockType, 2).Put(g.mixedBlock ? 1 : 0, 1).Put(g.tableSelect[0], 5).Put(g.tableSelect[1], 5);
        for (int k = 0; k < 3; ++k) w.Put(g.subblockGain[k], 3);
    } else {
        for (int k = 0; k < 3; ++k) w.Put(g.tableSelect[k], 5);
        w.Put(g.region0Count, 4).Put(g.region1Count, 3);
    }
    if (!info.lsf) w.Put(g.preflag ? 1 : 0, 1);
    w.Put(g.scalefacScale ? 1 : 0, 1).Put(g.count1TableB ? 1 : 0, 1);
}

}  // namespace detail

// Frame length in bytes (no padding) for the frame's bitrate index.
inline int WriterFrameBytes(const TLayer3FrameInfo& info, int bitrateIndex) {
    // ISO/IEC 11172-3 Table 3-B.1 and ISO/IEC 13818-3 Table B.1, layer III (kbit/s).
    static const int kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    static const int kRates[3] = {44100, 48000, 32000};
    const int rate = kRates[info.sampleRateIndex] >> (info.mpeg25 ? 2 : info.lsf ? 1 : 0);
    return (info.lsf ? 72000 : 144000) * kBitrates[info.lsf ? 1 : 0][bitrateIndex] / rate;
}

// Writes one frame; empty when the main data does not fit the frame.
inline std::string WriteLayer3Frame(TWriterFrame& frame) {
    const TLayer3FrameInfo& info = frame.info;
    const int channels = info.channels;
    CBitWriter main;
    for (int gr = 0; gr < info.Granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            TWriterChannel& c = frame.channel[gr][ch];
            const std::size_t start = main.BitCount();
            detail::PutScaleFactors(main, info, gr, ch, frame.scfsi[ch], c);
            detail::PutSpectrum(main, info, c);
            c.g.part23Length = static_cast<std::uint32_t>(main.BitCount() - start);
        }
    }
    const int frameBytes = WriterFrameBytes(info, frame.bitrateIndex);
    const int room = frameBytes - 4 - info.SideInfoBytes();
    if (static_cast<int>(main.Bytes().size()) > room) return {};

    const unsigned version = info.mpeg25 ? 0 : info.lsf ? 2 : 3;
    CBitWriter out;
    out.Put(0x7FF, 11).Put(version, 2).Put(1, 2).Put(1, 1);  // layer III, no CRC
    out.Put(static_cast<std::uint32_t>(frame.bitrateIndex), 4).Put(static_cast<std::uint32_t>(info.sampleRateIndex), 2);
    out.Put(0, 1).Put(0, 1).Put(static_cast<std::uint32_t>(info.mode), 2).Put(static_cast<std::uint32_t>(info.modeExtension), 2);
    out.Put(0, 1).Put(1, 1).Put(0, 2);  // not copyrighted, original, no emphasis
    if (info.lsf) {
        out.Put(0, 8).Put(0, channels == 1 ? 1 : 2);
    } else {
        out.Put(0, 9).Put(0, channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch) out.Put(frame.scfsi[ch], 4);
    }
    for (int gr = 0; gr < info.Granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) detail::PutGranuleSide(out, info, frame.channel[gr][ch].g);
    }
    std::string bytes(out.Bytes().begin(), out.Bytes().end());
    bytes.append(main.Bytes().begin(), main.Bytes().end());
    bytes.resize(static_cast<std::size_t>(frameBytes), '\0');
    return bytes;
}

// One granule of 22050 Hz joint stereo with intensity stereo only (no
// mid/side): both channels with the same block (long, or mixed when
// `mixed`), the left channel's scale factors all zero; the caller fills the
// values and the right channel's positions.
inline TWriterFrame LowerRateIntensityFrame(bool mixed, std::uint32_t rightScalefacCompress) {
    TWriterFrame f;
    f.info.lsf = true;
    f.info.sampleRateIndex = 0;
    f.info.mode = 1;
    f.info.modeExtension = 1;
    f.info.channels = 2;
    f.bitrateIndex = 14;
    for (int ch = 0; ch < 2; ++ch) {
        TLayer3GranuleChannel& g = f.channel[0][ch].g;
        g.windowSwitching = mixed;
        g.blockType = mixed ? 2 : 0;
        g.mixedBlock = mixed;
        g.globalGain = 170;
        g.scalefacCompress = ch == 1 ? rightScalefacCompress : 0;
    }
    return f;
}

}  // namespace layer3test
