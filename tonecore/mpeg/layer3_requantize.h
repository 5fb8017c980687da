#pragma once
// Requantisation of one granule's spectral values (ISO/IEC 11172-3
// 2.4.3.4.7.1): sign times |v|^(4/3) times the global gain and the scale
// factor gain of the value's band and window.

#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/layer3_tables.h"
#include "tonecore/mpeg/layer3_types.h"

// The band layout of a granule: long bands up to `longEnd` lines (576 for
// long blocks, 0 for short blocks, the mixed block's long part otherwise),
// then short bands from `firstShortBand`.
struct TLayer3BandLayout {
    int longBands;       // long bands in use
    int longEnd;         // first line after the long part
    int firstShortBand;  // first short band after the long part
};
TLayer3BandLayout Layer3BandLayout(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g);

// Subbands below a mixed block's switch point: the long part ends where short
// band 3 starts, two subbands at every rate but 8000 Hz, where it takes four.
// Requantisation, reordering, alias reduction and the transform all switch
// there.
int Layer3MixedLongSubbands(const TLayer3FrameInfo& info);

// Requantises `values` (lines below `nonZeroEnd`; the others are 0) into
// `xr`, in the order the values were coded (short bands window by window).
void RequantizeLayer3(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& g, const TLayer3ScaleFactors& sf,
                      const int values[kLayer3Lines], int nonZeroEnd, float xr[kLayer3Lines]);
