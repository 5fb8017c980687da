#pragma once
// One frame decode step: read the next frame, let the decoder of its layer
// turn it into subband slots, and synthesise them into the output buffer
// record's PCM. The codec module owns one of these per instance; the layer
// decoders plug in through `TMpegLayerDecoder`.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/mpeg_frame_reader.h"
#include "tonecore/mpeg/mpeg_header.h"
#include "tonecore/mpeg/mpeg_pcm_output.h"

// What a layer decoder gets for one frame.
struct TMpegLayerFrame {
    // For DecoderAbortFrame when the frame holds an impossible value.
    DecoderControl* control = nullptr;
    const MpegFrameHeader* header = nullptr;
    // Bits() reads the frame after the header (and CRC); layer III calls
    // MainData with main_data_begin and the granules' bit count.
    CMpegFrameReader* reader = nullptr;
    // Slot() per time slot (12 for layer I, 36 for layer II, 18 per layer
    // III granule), or SilentSlot() when the frame's data is missing;
    // NeedsChannel() tells which stream channels must be decoded.
    CMpegPcmOutput* output = nullptr;
};

// Decodes one frame of its layer; state is the decoder's own (for layer III
// the overlap and the scale factors that granule 1 may reuse). Aborts
// through DecoderAbortFrame, or returns normally after the last slot.
using MpegLayerDecodeFn = void (*)(void* state, TMpegLayerFrame& frame);
// Clears the layer decoder's state (the codec's reset: overlap and the like).
using MpegLayerResetFn = void (*)(void* state);

struct TMpegLayerDecoder {
    void* state = nullptr;
    MpegLayerDecodeFn decode = nullptr;
    MpegLayerResetFn reset = nullptr;
};

class CMpegFrameDecoder {
public:
    // layer is 1, 2 or 3.
    void SetLayerDecoder(std::uint32_t layer, const TMpegLayerDecoder& decoder);

    // Routing as in CMpegPcmOutput.
    void SetChannelRouting(std::int32_t routing) { routing_ = routing; }
    std::int32_t ChannelRouting() const { return routing_; }
    // Rate reduction setting 0 none, 1 half, 2 quarter; each frame is
    // reduced as far as its sample rate allows (MpegEffectiveRateReduction).
    void SetRateReduction(std::int32_t setting) { rateReduction_ = setting; }
    std::int32_t RateReduction() const { return rateReduction_; }

    // Reads and decodes one frame into output->pcm and fills the record's
    // samples per channel, channels and sample rate. 0 for a frame;
    // DECODER_ERR_NO_FRAME for a dropped frame or one of a layer without a
    // decoder; the input's error otherwise (the call can be repeated).
    std::int32_t DecodeFrame(DecoderControl* control, DecoderOutputBuffer* output);
    // The same over any byte source (tests, fuzzing).
    std::int32_t DecodeFrame(DecoderControl* control, const TMpegByteSource& source, DecoderOutputBuffer* output);

    // Empties the reservoir, the sync state, both filterbanks and the layer
    // decoders' state.
    void Reset();

    // The header of the last frame read.
    const MpegFrameHeader& LastHeader() const { return header_; }
    CMpegFrameReader& Reader() { return reader_; }
    CMpegPcmOutput& Output() { return output_; }

private:
    CMpegFrameReader reader_;
    CMpegPcmOutput output_;
    TMpegLayerDecoder layers_[3];
    MpegFrameHeader header_{};
    std::int32_t routing_ = CMpegPcmOutput::kRoutingStereo;
    std::int32_t rateReduction_ = 0;
};

// The reduction a stream of `sampleRateHz` gets under a setting: half and
// quarter rate only for 32 kHz and more; under the quarter setting, streams
// from 16 kHz to below 32 kHz get half rate; lower rates stay whole.
int MpegEffectiveRateReduction(std::int32_t setting, std::uint32_t sampleRateHz);
