#pragma once
// The hybrid filterbank's layer III half: reordering of short blocks, alias
// reduction, IMDCT with the block type's window, overlap-add with the
// previous granule and frequency inversion (ISO/IEC 11172-3 2.4.3.4.8 to
// 2.4.3.4.10). The output feeds the polyphase synthesis filterbank.

#include "tonecore/mpeg/layer3_tables.h"
#include "tonecore/mpeg/layer3_types.h"

// The second halves of the previous granule's IMDCT outputs of one channel,
// slot by slot as the output is laid out (neighbouring subbands side by side
// for the vector kernels).
struct TLayer3Overlap {
    float values[kLayer3Slots][kLayer3Subbands] = {};
    void Clear() { *this = TLayer3Overlap{}; }
};

// Puts the short bands (from `firstShortBand` on) from coded order (band,
// window, line) into subband order (line, window), so that subband sb holds
// window w's value k at 18 * sb + 3 * k + w.
void ReorderLayer3Short(const TLayer3BandTable& bands, int firstShortBand, float xr[kLayer3Lines]);

// Alias reduction butterflies across the first `boundaries` subband
// boundaries (31 for long blocks, 1 for mixed blocks, 0 for short blocks).
void ReduceLayer3Aliasing(float xr[kLayer3Lines], int boundaries);

// 36-point IMDCT of 18 values (x_i = sum X_k cos(pi/72 (2i + 19)(2k + 1))),
// without a window.
void Layer3Imdct36(const float in[18], double out[36]);
// 12-point IMDCT of 6 values (y_i = sum X_k cos(pi/24 (2i + 7)(2k + 1))).
void Layer3Imdct12(const float in[6], double out[12]);

// Transforms subbands [0, `subbandLimit`) of one channel's 576 values (in
// subband order: long, or short after reordering) with the block's windows,
// overlaps them with `overlap` and writes 18 rows of 32 subband samples,
// odd subbands frequency-inverted. Subbands from `subbandLimit` on output the
// stored overlap and clear it (their input must be zero).
// With the mixed-block flag, the subbands below the switch point
// (`mixedLongSubbands`, see Layer3MixedLongSubbands) are treated as a normal
// long block whatever the block type: the long transform with the normal
// window. Above it a short block takes short transforms and a start or stop
// block its own window.
void Layer3HybridSynthesis(const TLayer3GranuleChannel& g, int mixedLongSubbands, const float xr[kLayer3Lines],
                           int subbandLimit, TLayer3Overlap& overlap, float out[kLayer3Slots][kLayer3Subbands]);
