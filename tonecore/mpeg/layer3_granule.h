#pragma once
// Decoding of one layer III granule from its main data into 18 rows of 32
// subband samples per channel, ready for the polyphase synthesis filterbank.
//
// Per frame the caller:
//  1. fills a TLayer3FrameInfo from the frame header;
//  2. reads the side information (after the header and its CRC) with
//     ParseLayer3SideInfo; a non-zero result abandons the frame;
//  3. joins the main data: the last main_data_begin bytes of earlier frames'
//     main data followed by this frame's; when fewer bytes than
//     main_data_begin are held, the frame is silent (ClearLayer3Overlap);
//  4. puts one CBitReader over the joined bytes and calls
//     DecodeLayer3Granule for granule 0 (and 1 for MPEG-1) with the same
//     reader; a non-zero result abandons the rest of the frame;
//  5. feeds each channel's 18 rows to the synthesis filterbank.

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/layer3_hybrid.h"
#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/layer3_types.h"

// What one channel keeps from granule to granule.
struct TLayer3ChannelState {
    TLayer3ScaleFactors scaleFactors;  // granule 0's values, reused by scfsi
    TLayer3Overlap overlap;
};

struct TLayer3GranuleOptions {
    // Channels that go through the hybrid transform (bit 0 left, bit 1
    // right); the others are decoded (they may be needed for stereo) but
    // produce no output and keep their overlap.
    unsigned transformMask = 3;
    // Subbands the synthesis uses (32 >> rate reduction).
    int subbandLimit = kLayer3Subbands;
};

// Per channel: where the Huffman decoding stopped, relative to the granule
// channel's declared end (0 for a well-formed stream; negative when stuffing
// bits were skipped, positive when the decoding overran and was stepped back).
struct TLayer3GranuleReport {
    long long endBitDifference[2] = {0, 0};
};

// Subband samples of one granule: [channel][time slot][subband], in the
// standard's scale (full scale 1.0).
struct TLayer3SubbandSamples {
    float values[2][kLayer3Slots][kLayer3Subbands];
};

// Decodes granule `gr` of a frame. `mainData` must be positioned at the
// first bit of the granule's main data (for granule 1: where granule 0 ended);
// on return it stands exactly at the granule's declared end (the sum of its
// channels' part2_3_length), also when the Huffman data ended earlier or
// later. `state` is one record per channel. Returns 0, or
// kLayer3FrameAbandoned when the main data is shorter than a part2_3_length
// declares, a region uses table 4 or 14, or a code is not in its table; the
// reader then stands at the granule's declared end when it can.
int DecodeLayer3Granule(const TLayer3FrameInfo& info, const TLayer3SideInfo& side, int gr, CBitReader& mainData,
                        TLayer3ChannelState state[2], TLayer3SubbandSamples& out,
                        const TLayer3GranuleOptions& options = {}, TLayer3GranuleReport* report = nullptr);

// For a frame whose main data is missing: zero output is produced elsewhere;
// the overlap of both channels is cleared.
void ClearLayer3Overlap(TLayer3ChannelState state[2]);
