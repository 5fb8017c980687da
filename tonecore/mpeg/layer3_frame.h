#pragma once
// The layer III decoder as the frame decoder's plug-in: per frame, the side
// information, the main data out of the reservoir, both granules (one below
// 32 kHz) and their 18 slots each into the PCM output.

#include "tonecore/mpeg/layer3_granule.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"

// The header fields layer III decoding depends on.
TLayer3FrameInfo Layer3FrameInfoFromHeader(const MpegFrameHeader& header);

// What an observer of the decoding sees of one granule. `granule` is -1 for
// a frame that produced no granule: its side information was impossible
// (`result` non-zero) or its main data reaches back before the stream's
// start (`mainDataMissing`).
struct TLayer3GranuleView {
    const TLayer3FrameInfo* info = nullptr;
    const TLayer3SideInfo* side = nullptr;
    int granule = -1;
    int result = 0;  // 0, or kLayer3FrameAbandoned when the frame ends here
    bool mainDataMissing = false;
    const TLayer3GranuleReport* report = nullptr;
    const TLayer3SubbandSamples* samples = nullptr;
};
using Layer3GranuleObserverFn = void (*)(void* context, const TLayer3GranuleView& view);

// What the layer III decoder keeps between frames.
struct TLayer3DecoderState {
    TLayer3ChannelState channels[2];
    TLayer3SubbandSamples samples;
    // Called after every granule on the real decoding path (tests and tools
    // inspect side information, alignment and subband samples there); null
    // for none.
    Layer3GranuleObserverFn observer = nullptr;
    void* observerContext = nullptr;
};

// The plug-in over `state`, which must outlive its use.
TMpegLayerDecoder Layer3LayerDecoder(TLayer3DecoderState& state);
