#include "tonecore/mpeg/mpeg_frame_decoder.h"

void CMpegFrameDecoder::SetLayerDecoder(std::uint32_t layer, const TMpegLayerDecoder& decoder) {
    if (layer >= 1 && layer <= 3) layers_[layer - 1] = decoder;
}

void CMpegFrameDecoder::Reset() {
    reader_.Reset();
    output_.Reset();
    for (const TMpegLayerDecoder& layer : layers_) {
        if (layer.reset != nullptr) layer.reset(layer.state);
    }
}

std::int32_t CMpegFrameDecoder::DecodeFrame(DecoderControl* control, DecoderOutputBuffer* output) {
    return DecodeFrame(control, MpegByteSourceFromDecoder(control), output);
}

std::int32_t CMpegFrameDecoder::DecodeFrame(DecoderControl* control, const TMpegByteSource& source,
                                            DecoderOutputBuffer* output) {
    if (output == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    MpegFrameHeader header;
    if (const std::int32_t result = reader_.NextFrame(source, header); result != 0) return result;
    header_ = header;
    const TMpegLayerDecoder& layer = layers_[MpegLayer(header) - 1];
    if (layer.decode == nullptr) return DECODER_ERR_NO_FRAME;

    const int reduction = MpegEffectiveRateReduction(rateReduction_, MpegSampleRateHz(header));
    if (reduction != output_.Synthesis(0).RateReduction()) output_.SetRateReduction(reduction);
    const std::uint32_t streamChannels = header.mode == MPEG_MODE_MONO ? 1 : 2;
    output_.BeginFrame(output->pcm, streamChannels, routing_);
    TMpegLayerFrame frame;
    frame.control = control;
    frame.header = &header_;
    frame.reader = &reader_;
    frame.output = &output_;
    layer.decode(layer.state, frame);

    output->samplesPerChannel = output_.SamplesPerChannel();
    output->channels = output_.OutputChannels();
    output->bytesPerSample = 2;
    output->sampleRate = MpegSampleRateHz(header) >> output_.Synthesis(0).RateReduction();
    return 0;
}

int MpegEffectiveRateReduction(std::int32_t setting, std::uint32_t sampleRateHz) {
    if (setting == 1) return sampleRateHz >= 32000 ? 1 : 0;
    if (setting == 2) return sampleRateHz >= 32000 ? 2 : sampleRateHz >= 16000 ? 1 : 0;
    return 0;
}
