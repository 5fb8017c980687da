#pragma once
// Huffman decoding of one granule's spectral values: the big_values pairs in
// up to three regions, then count1 quadruples until the granule's bits end.

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/layer3_huffman_tables.h"
#include "tonecore/mpeg/layer3_types.h"

#include <cstddef>

// Decodes one pair with table_select `select` (linbits and signs included).
// Returns false when the code is not in the table or the bytes ran out.
bool DecodeLayer3Pair(const TLayer3HuffmanSelect& select, CBitReader& reader, int& x, int& y);

// Decodes one count1 quadruple (signs included) into v[0..3].
bool DecodeLayer3Quadruple(const TLayer3HuffmanCodeTable& table, CBitReader& reader, int v[4]);

// Decodes the spectral values of one granule and channel into `values`
// (576 lines, every line not decoded is 0). `endBit` is the reader position
// at which the granule's part2_3_length ends; the reader is left wherever the
// decoding stopped (the caller realigns it). `nonZeroEnd` receives one past
// the last line that may be non-zero. Returns 0, or kLayer3FrameAbandoned
// when a region uses table 4 or 14, a code is not in its table, or the
// decoding ran past the bytes present.
int DecodeLayer3Spectrum(const TLayer3GranuleChannel& g, CBitReader& reader, std::size_t endBit,
                         int values[kLayer3Lines], int& nonZeroEnd);
