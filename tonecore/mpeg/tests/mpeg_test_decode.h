#pragma once
// Whole-stream decoding through the decoder's public interface with the MPEG
// codec module, for tests and the benchmark: from a file (file input) or
// from bytes pushed in random pieces (streaming memory input). Collects the
// 16-bit PCM, optionally the synthesis output before rounding, and what the
// decoder reported along the way.

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/file_input.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_codec_module.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"

namespace mpegtest {

struct TDecodeOptions {
    std::int32_t routing = 0;
    std::int32_t rateReduction = 0;
    bool unrounded = false;  // also collect the float output before rounding
};

struct TDecoded {
    std::int32_t openResult = 0;
    std::vector<std::int16_t> pcm;
    std::vector<float> unrounded;
    std::vector<std::uint32_t> frameSamples;  // samples per channel of each frame delivered
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    int framesDropped = 0;  // DECODER_ERR_NO_FRAME results
    std::int32_t endResult = 0;  // the code that ended decoding
    DecoderStreamInfo stream;  // after the last frame (properties pointer cleared)
};

using TDecoderPtr = std::unique_ptr<DecoderControl, decltype(&DecoderDelete)>;

inline TDecoderPtr MakeMpegDecoder(std::int32_t (*getInput)(DecoderInputModuleMethods*)) {
    DecoderControl* control = nullptr;
    if (DecoderNew(&control) != 0) return TDecoderPtr(nullptr, DecoderDelete);
    DecoderCodecModuleMethods codec;
    MpegCodecModuleGetMethods(&codec);
    DecoderCodecModuleRegister(control, &codec);
    DecoderInputModuleMethods input;
    getInput(&input);
    DecoderInputModuleRegister(control, &input);
    return TDecoderPtr(control, DecoderDelete);
}

inline void ApplyOptions(DecoderControl* control, const TDecodeOptions& options) {
    DecoderOutputSettings settings;
    settings.channelRouting = options.routing;
    settings.rateReduction = options.rateReduction;
    control->codec->module->codec.setOutputSettings(control->codec->instance, &settings, 3);
}

// One DecoderDecode call with its results appended to `out`; the result code.
inline std::int32_t DecodeOne(DecoderControl* control, const TDecodeOptions& options, TDecoded& out) {
    float unrounded[2 * 1152];
    CMpegFrameDecoder& frames = MpegCodecFrameDecoder(control->codec->instance);
    if (options.unrounded) {
        frames.Output().Synthesis(0).SetUnroundedOutput(unrounded);
        // The right channel's filterbank writes the odd samples, or all of
        // them when it alone is routed out.
        frames.Output().Synthesis(1).SetUnroundedOutput(options.routing == 2 ? unrounded : unrounded + 1);
    }
    const std::int32_t result = DecoderDecode(control, nullptr);
    frames.Output().Synthesis(0).SetUnroundedOutput(nullptr);
    frames.Output().Synthesis(1).SetUnroundedOutput(nullptr);
    if (result == DECODER_ERR_NO_FRAME) ++out.framesDropped;
    if (result != 0) return result;
    const DecoderOutputBuffer& buffer = *control->outputBuffer;
    const std::size_t count = std::size_t{buffer.samplesPerChannel} * buffer.channels;
    out.pcm.insert(out.pcm.end(), buffer.pcm, buffer.pcm + count);
    if (options.unrounded) out.unrounded.insert(out.unrounded.end(), unrounded, unrounded + count);
    out.frameSamples.push_back(buffer.samplesPerChannel);
    out.channels = buffer.channels;
    out.sampleRate = buffer.sampleRate;
    out.stream = control->timing->stream;
    out.stream.properties = nullptr;
    return 0;
}

// Decodes a whole file; stops at the first error other than a dropped frame.
inline TDecoded DecodeFile(const std::string& path, const TDecodeOptions& options = {}) {
    TDecoded out;
    TDecoderPtr decoder = MakeMpegDecoder(FileInputModuleGetMethods);
    out.openResult = DecoderInputNew(decoder.get(), path.c_str(), -1);
    if (out.openResult == 0) out.openResult = DecoderInputOpen(decoder.get());
    if (out.openResult != 0) return out;
    ApplyOptions(decoder.get(), options);
    for (;;) {
        const std::int32_t result = DecodeOne(decoder.get(), options, out);
        if (result != 0 && result != DECODER_ERR_NO_FRAME) {
            out.endResult = result;
            break;
        }
    }
    return out;
}

// Decodes `bytes` pushed into the streaming memory input in pieces of 1 to
// `maxPush` bytes, pushing more whenever the decoder asks for data, until
// everything is in and decoded.
inline TDecoded DecodePushed(const std::vector<std::uint8_t>& bytes, std::mt19937& rng, std::uint32_t maxPush,
                             const TDecodeOptions& options = {}) {
    TDecoded out;
    TDecoderPtr decoder = MakeMpegDecoder(MemoryInputModuleGetMethods);
    out.openResult = DecoderInputNew(decoder.get(), "", -1);
    if (out.openResult == 0) out.openResult = DecoderInputOpen(decoder.get());
    if (out.openResult != 0) return out;
    ApplyOptions(decoder.get(), options);
    std::size_t pushed = 0;
    for (int guard = 0; guard < 10000000; ++guard) {
        const std::int32_t result = DecodeOne(decoder.get(), options, out);
        if (result == 0 || result == DECODER_ERR_NO_FRAME) continue;
        if (result != DECODER_ERR_NEED_DATA) {
            out.endResult = result;
            break;
        }
        if (pushed == bytes.size()) {  // the streaming input never ends: all is decoded
            out.endResult = result;
            break;
        }
        const std::size_t piece = std::min<std::size_t>(bytes.size() - pushed, 1 + rng() % maxPush);
        const std::int32_t taken = DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, bytes.data() + pushed,
                                                           static_cast<std::uint32_t>(piece));
        if (taken > 0) pushed += static_cast<std::size_t>(taken);
    }
    return out;
}

}  // namespace mpegtest
