#include "tonecore/mpeg/layer3_frame.h"

#include "tonecore/mpeg/layer3_side_info.h"

namespace {

void Notify(const TLayer3DecoderState& state, const TLayer3GranuleView& view) {
    if (state.observer != nullptr) state.observer(state.observerContext, view);
}

void DecodeLayer3Frame(void* opaque, TMpegLayerFrame& frame) {
    auto& state = *static_cast<TLayer3DecoderState*>(opaque);
    const TLayer3FrameInfo info = Layer3FrameInfoFromHeader(*frame.header);
    CMpegPcmOutput& output = *frame.output;
    CMpegFrameReader& reader = *frame.reader;

    TLayer3SideInfo side;
    TLayer3GranuleView view;
    view.info = &info;
    view.side = &side;
    if (ParseLayer3SideInfo(info, reader.Bits(), side) != 0) {
        view.result = kLayer3FrameAbandoned;
        Notify(state, view);
        DecoderAbortFrame(frame.control);
    }
    switch (reader.MainData(side.mainDataBegin, Layer3MainDataBits(info, side))) {
        case EMpegMainData::Ready:
            break;
        case EMpegMainData::Missing:
            // Earlier main data is not here (the stream started or was
            // sought into the middle of a reservoir): silence, and no
            // overlap from before the gap.
            ClearLayer3Overlap(state.channels);
            for (int slot = 0; slot < info.Granules() * kLayer3Slots; ++slot) output.SilentSlot();
            view.mainDataMissing = true;
            Notify(state, view);
            return;
        case EMpegMainData::Corrupt:
            view.result = kLayer3FrameAbandoned;
            Notify(state, view);
            DecoderAbortFrame(frame.control);
    }

    TLayer3GranuleOptions options;
    options.transformMask = (output.NeedsChannel(0) ? 1u : 0u) | (output.NeedsChannel(1) ? 2u : 0u);
    options.subbandLimit = kLayer3Subbands >> output.Synthesis(0).RateReduction();
    TLayer3GranuleReport report;
    view.report = &report;
    view.samples = &state.samples;
    for (int gr = 0; gr < info.Granules(); ++gr) {
        view.granule = gr;
        view.result = DecodeLayer3Granule(info, side, gr, reader.Bits(), state.channels, state.samples, options,
                                          state.observer != nullptr ? &report : nullptr);
        Notify(state, view);
        if (view.result != 0) DecoderAbortFrame(frame.control);
        for (int slot = 0; slot < kLayer3Slots; ++slot) {
            output.Slot(state.samples.values[0][slot], state.samples.values[1][slot]);
        }
    }
}

void ResetLayer3(void* opaque) {
    auto& state = *static_cast<TLayer3DecoderState*>(opaque);
    ClearLayer3Overlap(state.channels);
    state.channels[0].scaleFactors = {};
    state.channels[1].scaleFactors = {};
}

}  // namespace

TLayer3FrameInfo Layer3FrameInfoFromHeader(const MpegFrameHeader& header) {
    TLayer3FrameInfo info;
    info.lsf = MpegIsLowSampleRate(header);
    info.mpeg25 = header.version == MPEG_VERSION_2_5;
    info.sampleRateIndex = static_cast<int>(header.sampleRateIndex);
    info.mode = static_cast<int>(header.mode);
    info.modeExtension = static_cast<int>(header.modeExtension);
    info.channels = header.mode == MPEG_MODE_MONO ? 1 : 2;
    info.crcProtected = header.protection == 0;
    return info;
}

TMpegLayerDecoder Layer3LayerDecoder(TLayer3DecoderState& state) {
    return TMpegLayerDecoder{&state, DecodeLayer3Frame, ResetLayer3};
}
