#pragma once
// Constant tables of layer III decoding: scale factor bands, pretab, scale
// factor lengths, alias reduction butterflies, IMDCT windows and the 4/3
// power table.

#include <cstdint>

// Scale factor band boundaries of one sample rate, in spectral lines:
// long[i] is the first line of long band i (long[22] = 576), short[i] the
// first line of short band i within one window (short[13] = 192).
struct TLayer3BandTable {
    std::uint16_t longStart[23];
    std::uint16_t shortStart[14];
};

// Band tables by TLayer3FrameInfo::BandTableIndex().
extern const TLayer3BandTable kLayer3Bands[9];

// ISO/IEC 11172-3 Table B.6: pretab, added to long scale factors when preflag is set.
extern const std::uint8_t kLayer3Pretab[22];

// ISO/IEC 11172-3 2.4.2.7: slen1 and slen2 by scalefac_compress (MPEG-1).
extern const std::uint8_t kLayer3Slen[2][16];

// ISO/IEC 13818-3 2.4.3.2: scale factors per band group by the slen table
// (0-2 normal, 3-5 intensity right channel) and the block layout
// (0 long, 1 short, 2 mixed).
extern const std::uint8_t kLayer3LsfBandCounts[6][3][4];

// ISO/IEC 13818-3 2.4.2.7: a mixed block's scale factors at the lower sample
// rates start with this many long bands, then short bands from band 3.
inline constexpr int kLayer3LsfMixedLongBands = 6;

// Alias reduction butterfly coefficients from ISO/IEC 11172-3 Table B.9.
struct TLayer3AliasCoefficients {
    float cs[8];
    float ca[8];
};
const TLayer3AliasCoefficients& Layer3AliasCoefficients();

// IMDCT windows of ISO/IEC 11172-3 2.4.3.4.10.2 by block type: 36 values for
// types 0, 1 and 3, the first 12 for type 2.
const float (&Layer3ImdctWindows())[4][36];

// |v| to the power 4/3 for |v| up to 8206 (15 plus 13 linbits).
inline constexpr int kLayer3Pow43Size = 8207;
const double* Layer3Pow43();
