#pragma once
// The layer I and layer II decoders as the frame decoder's plug-ins: bit
// allocation, scale factors, samples (grouped in layer II), requantisation
// (ISO/IEC 11172-3 clauses 2.4.3.2 and 2.4.3.3, ISO/IEC 13818-3 for the lower
// sample rates) and the slots into the PCM output: 12 per layer I frame, 36
// per layer II frame. Neither keeps state between frames.

#include "tonecore/mpeg/mpeg_frame_decoder.h"

TMpegLayerDecoder Layer1LayerDecoder();
TMpegLayerDecoder Layer2LayerDecoder();

// The joint stereo bound: the first subband whose samples both channels
// share. 4 + 4 x mode extension in joint stereo (held to the coded
// subbands: at the lowest layer II bitrates only 8 or 12 are coded), else
// every coded subband.
int Layer12JointStereoBound(const MpegFrameHeader& header, int sblimit);

// The bitrate class that chooses a layer II table: the bitrate index in
// mono; otherwise the index less 4, index 4 giving 1 (the bitrate per
// channel on the mono scale).
std::uint32_t Layer2BitrateClass(const MpegFrameHeader& header);
