#pragma once
// The layer III decoder as the frame decoder's plug-in: per frame, the side
// information, the main data out of the reservoir, both granules (one below
// 32 kHz) and their 18 slots each into the PCM output.

#include "tonecore/mpeg/layer3_granule.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"

// The header fields layer III decoding depends on.
TLayer3FrameInfo Layer3FrameInfoFromHeader(const MpegFrameHeader& header);

// What the layer III decoder keeps between frames.
struct TLayer3DecoderState {
    TLayer3ChannelState channels[2];
    TLayer3SubbandSamples samples;
};

// The plug-in over `state`, which must outlive its use.
TMpegLayerDecoder Layer3LayerDecoder(TLayer3DecoderState& state);
