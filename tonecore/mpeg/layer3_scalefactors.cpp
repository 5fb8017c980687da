#include "tonecore/mpeg/layer3_scalefactors.h"

#include "tonecore/mpeg/layer3_tables.h"

TLayer3LsfLengths Layer3LsfLengths(const TLayer3FrameInfo& info, int ch, std::uint32_t scalefacCompress) {
    // ISO/IEC 13818-3 2.4.3.2: slen1 to slen4 and the band count table from
    // scalefac_compress.
    TLayer3LsfLengths out;
    int* slen = out.slen;
    std::uint32_t sfc = scalefacCompress;
    if (ch == 1 && info.Intensity()) {
        out.intensityScale = (sfc & 1) != 0;
        sfc >>= 1;
        if (sfc < 180) {
            slen[0] = static_cast<int>(sfc / 36);
            slen[1] = static_cast<int>((sfc % 36) / 6);
            slen[2] = static_cast<int>(sfc % 6);
            out.table = 3;
        } else if (sfc < 244) {
            sfc -= 180;
            slen[0] = static_cast<int>((sfc & 63) >> 4);
            slen[1] = static_cast<int>((sfc & 15) >> 2);
            slen[2] = static_cast<int>(sfc & 3);
            out.table = 4;
        } else {
            sfc -= 244;
            slen[0] = static_cast<int>(sfc / 3);
            slen[1] = static_cast<int>(sfc % 3);
            out.table = 5;
        }
    } else if (sfc < 400) {
        slen[0] = static_cast<int>((sfc >> 4) / 5);
        slen[1] = static_cast<int>((sfc >> 4) % 5);
        slen[2] = static_cast<int>((sfc & 15) >> 2);
        slen[3] = static_cast<int>(sfc & 3);
        out.table = 0;
    } else if (sfc < 500) {
        sfc -= 400;
        slen[0] = static_cast<int>((sfc >> 2) / 5);
        slen[1] = static_cast<int>((sfc >> 2) % 5);
        slen[2] = static_cast<int>(sfc & 3);
        out.table = 1;
    } else {
        sfc -= 500;
        slen[0] = static_cast<int>(sfc / 3);
        slen[1] = static_cast<int>(sfc % 3);
        out.table = 2;
        out.preflag = true;
    }
    return out;
}

namespace {

void ReadMpeg1(int gr, std::uint32_t scfsi, const TLayer3GranuleChannel& g, CBitReader& reader,
               TLayer3ScaleFactors& sf) {
    const int slen1 = kLayer3Slen[0][g.scalefacCompress & 15];
    const int slen2 = kLayer3Slen[1][g.scalefacCompress & 15];
    for (auto& v : sf.longIllegal) v = 7;
    for (auto& v : sf.shortIllegal) v = 7;
    if (g.ShortBlock()) {
        int sfb = 0;
        if (g.mixedBlock) {
            for (; sfb < 8; ++sfb) sf.longBands[sfb] = static_cast<std::uint8_t>(reader.ReadBits(slen1));
            sfb = 3;
        }
        for (; sfb < 6; ++sfb) {
            for (int w = 0; w < 3; ++w) sf.shortBands[sfb][w] = static_cast<std::uint8_t>(reader.ReadBits(slen1));
        }
        for (; sfb < 12; ++sfb) {
            for (int w = 0; w < 3; ++w) sf.shortBands[sfb][w] = static_cast<std::uint8_t>(reader.ReadBits(slen2));
        }
        for (int w = 0; w < 3; ++w) sf.shortBands[12][w] = 0;
        return;
    }
    // ISO/IEC 11172-3 2.4.2.7: the four scfsi band groups.
    static const int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        const bool reuse = gr == 1 && (scfsi & (8u >> group)) != 0;
        if (reuse) continue;
        const int slen = group < 2 ? slen1 : slen2;
        for (int sfb = kGroupStart[group]; sfb < kGroupStart[group + 1]; ++sfb) {
            sf.longBands[sfb] = static_cast<std::uint8_t>(reader.ReadBits(slen));
        }
    }
    sf.longBands[21] = 0;
}

void ReadLsf(const TLayer3FrameInfo& info, int ch, TLayer3GranuleChannel& g, CBitReader& reader,
             TLayer3ScaleFactors& sf) {
    const TLayer3LsfLengths lengths = Layer3LsfLengths(info, ch, g.scalefacCompress);
    const int* slen = lengths.slen;
    const int table = lengths.table;
    sf.intensityScale = lengths.intensityScale;
    g.preflag = lengths.preflag;
    const int layout = g.ShortBlock() ? (g.mixedBlock ? 2 : 1) : 0;
    const std::uint8_t* counts = kLayer3LsfBandCounts[table][layout];

    // The scale factors in transmission order: long bands first (all of
    // them, or the mixed block's six long bands), then short bands window by
    // window. The length groups do not follow that split: a mixed block's
    // first group may run on into the short bands.
    int longBand = 0;
    int shortBand = layout == 2 ? 3 : 0;
    int shortWindow = 0;
    for (int group = 0; group < 4; ++group) {
        const auto illegal = static_cast<std::uint8_t>((1u << slen[group]) - 1u);
        for (int i = 0; i < counts[group]; ++i) {
            const auto value = static_cast<std::uint8_t>(reader.ReadBits(slen[group]));
            const bool isLong = layout == 0 || (layout == 2 && longBand < kLayer3LsfMixedLongBands);
            if (isLong) {
                if (longBand < 22) {
                    sf.longBands[longBand] = value;
                    sf.longIllegal[longBand] = illegal;
                }
                ++longBand;
            } else {
                if (shortBand < 13) {
                    sf.shortBands[shortBand][shortWindow] = value;
                    sf.shortIllegal[shortBand] = illegal;
                }
                if (++shortWindow == 3) {
                    shortWindow = 0;
                    ++shortBand;
                }
            }
        }
    }
    // Bands without a transmitted scale factor.
    for (; longBand < 22; ++longBand) {
        sf.longBands[longBand] = 0;
        sf.longIllegal[longBand] = longBand > 0 ? sf.longIllegal[longBand - 1] : 0;
    }
    for (; shortBand < 13; ++shortBand) {
        for (int w = 0; w < 3; ++w) sf.shortBands[shortBand][w] = 0;
        sf.shortIllegal[shortBand] = shortBand > 0 ? sf.shortIllegal[shortBand - 1] : 0;
    }
}

}  // namespace

void ReadLayer3ScaleFactors(const TLayer3FrameInfo& info, int gr, int ch, std::uint32_t scfsi,
                            TLayer3GranuleChannel& g, CBitReader& reader, TLayer3ScaleFactors& sf) {
    if (info.lsf) {
        ReadLsf(info, ch, g, reader, sf);
    } else {
        ReadMpeg1(gr, scfsi, g, reader, sf);
    }
}
