#pragma once
// Parsing of layer III side information (ISO/IEC 11172-3 2.4.1.7, and
// ISO/IEC 13818-3 2.4.1.7 for the lower sample rates).

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/layer3_types.h"

// Reads the side information that follows the header (and its CRC) into
// `side`, and works out each granule's region starts. Returns 0, or
// kLayer3FrameAbandoned when a value is impossible (big_values above 288, a
// window-switching granule with block type 0, or the bytes ran out).
int ParseLayer3SideInfo(const TLayer3FrameInfo& info, CBitReader& reader, TLayer3SideInfo& side);

// The main data bits of the frame: the sum of every part2_3_length.
std::uint32_t Layer3MainDataBits(const TLayer3FrameInfo& info, const TLayer3SideInfo& side);
