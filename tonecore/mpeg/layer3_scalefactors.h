#pragma once
// Scale factors of one granule and channel: MPEG-1 with the reuse of granule
// 0's values (scfsi), and the lower sample rates of ISO/IEC 13818-3 with
// their own length tables and the intensity layout of the right channel.

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/layer3_types.h"

#include <cstdint>

struct TLayer3ScaleFactors {
    std::uint8_t longBands[22] = {};      // band 21 carries no scale factor (0)
    std::uint8_t shortBands[13][3] = {};  // [band][window]; band 12 carries none
    // From which value on a band of the right channel has "no intensity
    // position": 7 for MPEG-1 (positions 0 to 6 are defined), 2^slen - 1 for
    // the lower sample rates.
    std::uint8_t longIllegal[22] = {};
    std::uint8_t shortIllegal[13] = {};
    bool intensityScale = false;  // lower sample rates, right channel with intensity
};

// The lower sample rates' scale factor lengths of one granule channel: the
// four group lengths, the band count table (0-2, or 3-5 for the intensity
// coded right channel), intensity_scale and the preflag that the value implies.
struct TLayer3LsfLengths {
    int slen[4] = {0, 0, 0, 0};
    int table = 0;
    bool intensityScale = false;
    bool preflag = false;
};
TLayer3LsfLengths Layer3LsfLengths(const TLayer3FrameInfo& info, int ch, std::uint32_t scalefacCompress);

// Reads the scale factors of granule `gr`, channel `ch` from the main data.
// For MPEG-1 granule 1, `sf` must still hold granule 0's values: the groups
// flagged in `scfsi` are kept. For the lower sample rates, `preflag` is set in
// `g` as the scale factor layout implies.
void ReadLayer3ScaleFactors(const TLayer3FrameInfo& info, int gr, int ch, std::uint32_t scfsi,
                            TLayer3GranuleChannel& g, CBitReader& reader, TLayer3ScaleFactors& sf);
