#pragma once
// Tables of layers I and II: the quantisation classes of ISO/IEC 11172-3
// Table 3-B.4, the layer II bit allocation tables 3-B.2a to 3-B.2d chosen by
// Table 3-B.1, and the lower-sample-rate allocation table of ISO/IEC 13818-3
// Table B.1.

#include <cstdint>

// One quantisation class: the number of steps, the bits of one code (of the
// code word for three samples when grouped) and whether three samples share
// one code word.
struct TLayer2QuantClass {
    std::uint32_t steps;
    std::uint8_t bits;
    bool grouped;
};

// ISO/IEC 11172-3 Table 3-B.4, in the order of its rows (3 to 65535 steps).
inline constexpr int kLayer2QuantClasses = 17;
extern const TLayer2QuantClass kLayer2QuantClass[kLayer2QuantClasses];

// A layer II allocation table: the coded subbands, and per subband the
// width of its allocation field and the quantisation class of each
// allocation value (value 0 means no samples; value v uses class[v - 1]).
struct TLayer2AllocationTable {
    int sblimit;
    std::uint8_t allocationBits[32];
    const std::int8_t* classes[32];  // 2^bits - 1 entries each
};

// The table for a frame: MPEG-1 by sample-rate index (0 44.1, 1 48, 2 32
// kHz) and the bitrate class (the bitrate index in mono; in the other modes
// the index less 4, with index 4 giving 1: the bitrate per channel), the
// lower sample rates always the one table of 13818-3.
const TLayer2AllocationTable& Layer2AllocationTable(bool lowSampleRate, std::uint32_t sampleRateIndex,
                                                    std::uint32_t bitrateClass);

// 2^(1 - index / 3): the scale factor gains of Table 3-B.1 for indexes 0 to
// 62; index 63 is 0.
float Layer12ScaleFactorGain(std::uint32_t index);
