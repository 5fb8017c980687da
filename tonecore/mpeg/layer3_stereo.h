#pragma once
// Joint stereo processing of one granule (ISO/IEC 11172-3 2.4.3.4.9 and
// ISO/IEC 13818-3 2.4.3.2): intensity stereo above the right channel's last
// non-zero band, mid/side below it (or everywhere without intensity).

#include "tonecore/mpeg/layer3_scalefactors.h"
#include "tonecore/mpeg/layer3_types.h"

// `xr` holds both channels' requantised values in coded order; `right` and
// `rightSf` are the right channel's side information and scale factors,
// whose band layout decides where intensity applies. Does nothing unless the
// frame is joint stereo with mid/side or intensity. Lines from `extent` on
// are zero in both channels, and stay zero: they are skipped.
void ApplyLayer3Stereo(const TLayer3FrameInfo& info, const TLayer3GranuleChannel& right,
                       const TLayer3ScaleFactors& rightSf, float xr[2][kLayer3Lines], int extent = kLayer3Lines);
