#include "tonecore/mpeg/mpeg_codec_module.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "tonecore/mpeg/byte_order.h"
#include "tonecore/mpeg/layer3_codec_estimates.h"
#include "tonecore/mpeg/layer12_frame.h"
#include "tonecore/mpeg/layer3_frame.h"
#include "tonecore/mpeg/layer3_stream_tag.h"
#include "tonecore/mpeg/module_info.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"

namespace {

constexpr const char* kMimeType = "audio/mpeg";
// The stream header probe reads this much from the audio start: the first
// frame's header, side information and a tag with its table of contents.
constexpr std::uint32_t kProbeBytes = 152;
// An ID3 version 2 tag: "ID3", version (2), flags (1), a 28-bit size in four
// 7-bit bytes, then the tag body (ID3v2.4 header layout, section 3.1).
constexpr std::uint32_t kId3HeaderBytes = 10;
// 1152 samples by 2 channels by 2 bytes: the largest frame.
constexpr std::int32_t kMaxPcmBytesPerFrame = 4608;
constexpr std::uint32_t kCapabilities = 3;

constexpr TModuleDevice kDevices[] = {{"MP1, MP2, MP3", "MPEG 1 or 2 audio", 0}};

using TEqualizerGains = std::array<float, 32>;

// The header values last published, so that only changes are flagged.
// Each value starts where no frame can be, so the first frame publishes
// every one of them (level 0 and mode 0 are real values).
struct TLastSeen {
    static constexpr std::uint32_t kNone = UINT32_MAX;
    std::uint32_t frameCountKnown = 0;  // a Xing or VBRI header gave the frame count
    std::uint32_t level = kNone;
    std::uint32_t layer = kNone;
    std::uint32_t bitrateKbps = kNone;
    std::uint32_t sampleRateHz = kNone;
    std::uint32_t mode = kNone;
    std::uint32_t bitrateAverage = 0;  // 1/1024 kbit/s
};

struct CMpegCodec {
    DecoderControl* control = nullptr;
    CMpegFrameDecoder frames;
    TLayer3DecoderState layer3;
    std::unique_ptr<TEqualizerGains> equalizer[2];
    TLastSeen last;
    std::uint64_t decodedSamples = 0;  // per channel since the last reset
    std::int64_t seekPosition = 0;     // input position at the last seek
    std::int64_t audioSizeBytes = 0;   // the input less a leading ID3 version 2 tag
    std::int64_t audioStart = 0;       // the ID3 version 2 tag's size
    std::unique_ptr<std::uint8_t[]> toc;

    CMpegCodec() {
        frames.SetLayerDecoder(1, Layer1LayerDecoder());
        frames.SetLayerDecoder(2, Layer2LayerDecoder());
        frames.SetLayerDecoder(3, Layer3LayerDecoder(layer3));
    }

    void Reset() {
        frames.Reset();
        decodedSamples = 0;
        seekPosition = 0;
    }
};

CMpegCodec* Codec(void* instance) {
    return static_cast<CMpegCodec*>(instance);
}

void SetStreamInteger(CMpegCodec& codec, const char* name, std::uint32_t value) {
    codec.control->services.SetStreamInteger(codec.control, name, static_cast<std::int32_t>(value));
}

std::int32_t Probe(const char* /*mimeType*/, const char* /*name*/) {
    return 0;  // every stream, "unknown" ones from the memory input too
}

std::int32_t Info(DecoderModuleInfo* info, std::uint32_t flags) {
    const std::int32_t result = FillModuleInfo(info, flags, "MPEG Audio Codec", "Version 1.2", kDevices);
    if (result != 0) return result;
    if ((flags & DECODER_INFO_MAX_PCM) != 0) info->index = kMaxPcmBytesPerFrame;
    if ((flags & DECODER_INFO_CAPS) != 0) info->deviceFlags = kCapabilities;
    return 0;
}

std::int32_t NewInstance(void** instance, const char* /*mimeType*/, const char* /*name*/,
                         DecoderModuleRecord* /*module*/, DecoderControl* control) {
    if (instance == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *instance = nullptr;
    auto* codec = new (std::nothrow) CMpegCodec;
    if (codec == nullptr) return DECODER_ERR_NO_MEMORY;
    codec->control = control;
    *instance = codec;
    return 0;
}

std::int32_t DeleteInstance(void* instance) {
    delete Codec(instance);
    return 0;
}

// Step 5 of a frame: publishes what changed in the header, unless the
// stream's tag gave the frame count (its values then stand for the stream).
void Republish(CMpegCodec& codec, const MpegFrameHeader& header, DecoderStreamInfo* stream) {
    TLastSeen& last = codec.last;
    const std::uint32_t level = MpegLevel(header);
    if (level != last.level) {
        last.level = level;
        stream->flags |= DECODER_STREAM_PROPERTIES;
        SetStreamInteger(codec, "mpeg/level", level);
    }
    const std::uint32_t layer = MpegLayer(header);
    if (layer != last.layer) {
        last.layer = layer;
        stream->flags |= DECODER_STREAM_PROPERTIES;
        SetStreamInteger(codec, "mpeg/layer", layer);
    }
    if (header.mode != last.mode) {
        const bool wasMono = stream->channels == 1;
        last.mode = header.mode;
        stream->flags |= DECODER_STREAM_PROPERTIES;
        SetStreamInteger(codec, "mpeg/mode", header.mode);
        stream->channels = header.mode == MPEG_MODE_MONO ? 1 : 2;
        if (wasMono != (stream->channels == 1)) stream->flags |= DECODER_STREAM_TIMING;
    }
    const std::uint32_t rateHz = MpegSampleRateHz(header);
    if (rateHz != last.sampleRateHz) {
        last.sampleRateHz = rateHz;
        stream->sampleRate = rateHz;
        stream->flags |= DECODER_STREAM_TIMING;
    }
    const std::uint32_t frameKbps = MpegBitrateKbps(header);
    if (frameKbps != last.bitrateKbps) {
        last.bitrateKbps = frameKbps;
        // The published bitrate follows the running average below; only the
        // first frame sets it outright.
        if (stream->bitrateKbps == 0) {
            stream->bitrateKbps = frameKbps;
            last.bitrateAverage = frameKbps * 1024;
            stream->flags |= DECODER_STREAM_TIMING;
        }
    }
    if (UpdateMpegBitrateAverage(stream->bitrateKbps, last.bitrateAverage, frameKbps)) {
        stream->flags |= DECODER_STREAM_TIMING;
    }
    if (stream->bitrateKbps != 0 && (stream->flags & DECODER_STREAM_TIMING) != 0 && codec.audioSizeBytes > 0) {
        TMpegDurationInput in;
        in.decodedSamples = codec.decodedSamples;
        in.sampleRateHz = rateHz;
        in.inputPosition = codec.control->input->position;
        in.seekPosition = codec.seekPosition;
        in.audioStart = codec.audioStart;
        in.audioSizeBytes = codec.audioSizeBytes;
        in.streamKbps = stream->bitrateKbps;
        stream->durationMs = EstimateMpegDurationMs(in);
    }
}

// Decodes one frame and publishes what it changed of the stream's facts.
std::int32_t MpegCodecDecodeFrame(void* instance, DecoderOutputBuffer* output, DecoderStreamInfo* stream) {
    CMpegCodec& codec = *Codec(instance);
    if (output == nullptr || stream == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const std::int32_t result = codec.frames.DecodeFrame(codec.control, output);
    if (result != 0) return result;
    if (stream->mimeType == nullptr || std::strcmp(stream->mimeType, kMimeType) != 0) {
        stream->mimeType = kMimeType;
        stream->flags |= DECODER_STREAM_MIME;
    }
    codec.decodedSamples += output->samplesPerChannel;
    if (codec.last.frameCountKnown == 0) Republish(codec, codec.frames.LastHeader(), stream);
    return 0;
}

// Skips the ID3 version 2 tags at the stream's start (there may be more
// than one, and a tag may carry anything, frames included), so that the
// audio start lies after the last of them; `bytes` then holds the probe bytes
// read there. 0, or the input's error.
std::int32_t SkipId3v2Tags(CMpegCodec& codec, std::uint8_t (&bytes)[kProbeBytes]) {
    DecoderControl* control = codec.control;
    while (std::memcmp(bytes, "ID3", 3) == 0) {
        // A version 4 tag with the footer flag ends 10 bytes later.
        const std::int64_t footer = bytes[3] == 4 && (bytes[5] & 0x10) != 0 ? kId3HeaderBytes : 0;
        const std::int64_t tagBytes = std::int64_t{MpegSyncSafe28(bytes + 6)} + kId3HeaderBytes + footer;
        const std::int64_t rest = codec.audioSizeBytes;
        codec.audioStart += std::min(tagBytes, rest);
        codec.audioSizeBytes = rest - std::min(tagBytes, rest);
        if (codec.audioSizeBytes == 0) return DECODER_ERR_END_OF_INPUT;
        if (const std::int32_t sought = control->services.SeekInput(control, codec.audioStart); sought != 0) {
            return sought;
        }
        if (const std::int32_t read = control->services.ReadInput(control, bytes, kProbeBytes); read != 0) {
            return read;
        }
    }
    return 0;
}

// The stream header probe. It leaves the input at the audio start (after
// any ID3 version 2 tag), where the frame search begins, so that a tag is
// never searched for frames and no byte after it is lost. Once it stands
// there after a tag it answers 0 even when no frame header follows (the
// stream facts then stay unknown); a failure is answered only while the
// audio start is the input's start, where the decoder goes back to.
std::int32_t StreamHeaderProbe(void* instance, DecoderStreamInfo* stream) {
    CMpegCodec& codec = *Codec(instance);
    if (stream == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    DecoderControl* control = codec.control;
    stream->mimeType = kMimeType;
    codec.audioSizeBytes = control->input->totalSize;
    codec.audioStart = 0;
    codec.toc.reset();

    std::uint8_t bytes[kProbeBytes];
    std::int32_t result = control->services.ReadInput(control, bytes, kProbeBytes);
    if (result == 0) result = SkipId3v2Tags(codec, bytes);
    // A short read may have moved the input without counting the bytes.
    if (const std::int32_t sought = control->services.SeekInput(control, codec.audioStart); sought != 0) {
        return sought;
    }
    const auto failed = [&](std::int32_t code) { return codec.audioStart > 0 ? 0 : code; };
    stream->flags = 0;
    if (result != 0) return failed(result);

    const std::uint32_t word = MpegBigEndian32(bytes);
    const MpegFrameHeader header = MpegParseHeader(word);
    if (!MpegHasSync(word) || !MpegHeaderIsValid(header)) return failed(DECODER_ERR_NO_METHOD);
    TMpegTagHeader tagHeader;
    tagHeader.mpeg1 = header.version == MPEG_VERSION_1;
    tagHeader.mono = header.mode == MPEG_MODE_MONO;
    tagHeader.bitrateKbps = MpegBitrateKbps(header);
    tagHeader.sampleRateHz = MpegSampleRateHz(header);
    TMpegStreamTag tag;
    const auto audioSize = static_cast<std::uint32_t>(std::min<std::int64_t>(codec.audioSizeBytes, UINT32_MAX));
    if (!ParseMpegStreamTag(bytes, tagHeader, audioSize, tag)) return failed(DECODER_ERR_NO_METHOD);
    if (tag.hasToc) {
        codec.toc.reset(new (std::nothrow) std::uint8_t[100]);
        if (codec.toc) std::memcpy(codec.toc.get(), tag.toc, 100);
    }

    TLastSeen& last = codec.last;
    last.frameCountKnown = tag.frameCountKnown ? 1 : 0;
    last.level = MpegLevel(header);
    last.layer = MpegLayer(header);
    last.bitrateKbps = tagHeader.bitrateKbps;
    last.sampleRateHz = tagHeader.sampleRateHz;
    last.mode = header.mode;
    stream->bitrateKbps = tag.bitrateKbps;
    stream->durationMs = tag.durationMs;
    stream->sampleRate = tagHeader.sampleRateHz;
    stream->channels = tagHeader.mono ? 1 : 2;
    SetStreamInteger(codec, "mpeg/level", last.level);
    SetStreamInteger(codec, "mpeg/layer", last.layer);
    SetStreamInteger(codec, "mpeg/mode", last.mode);
    stream->flags = DECODER_STREAM_PROPERTIES | DECODER_STREAM_TIMING | DECODER_STREAM_MIME;
    return 0;
}

float OffsetToFraction(void* instance, std::int64_t offset) {
    const CMpegCodec& codec = *Codec(instance);
    return static_cast<float>(MpegOffsetToFraction(offset, static_cast<std::uint32_t>(codec.audioStart),
                                                   static_cast<std::uint32_t>(codec.audioSizeBytes)));
}

float FractionToOffset(void* instance, float fraction) {
    const CMpegCodec& codec = *Codec(instance);
    return static_cast<float>(MpegFractionToOffset(fraction, codec.toc.get(),
                                                   static_cast<std::uint32_t>(codec.audioStart),
                                                   static_cast<std::uint32_t>(codec.audioSizeBytes)));
}

std::int32_t NewStream(void* instance, const char* /*mimeType*/, const char* /*name*/) {
    CMpegCodec& codec = *Codec(instance);
    codec.last = TLastSeen{};
    codec.audioStart = 0;
    codec.seekPosition = 0;
    codec.audioSizeBytes = codec.control->input->totalSize;
    codec.Reset();
    return 0;
}

std::int32_t SeekDone(void* instance, std::int64_t offset) {
    CMpegCodec& codec = *Codec(instance);
    codec.Reset();
    codec.seekPosition = offset;
    return 0;
}

std::int32_t ResetInstance(void* instance) {
    Codec(instance)->Reset();
    return 0;
}

std::int32_t SetEqualizer(CMpegCodec& codec, const std::int8_t* settings) {
    if (settings == nullptr) {
        for (auto& gains : codec.equalizer) gains.reset();
    } else {
        for (int ch = 0; ch < 2; ++ch) {
            if (!codec.equalizer[ch]) codec.equalizer[ch].reset(new (std::nothrow) TEqualizerGains);
            if (!codec.equalizer[ch]) return DECODER_ERR_NO_MEMORY;
            for (int k = 0; k < 32; ++k) (*codec.equalizer[ch])[k] = MpegEqualiserGain(settings[32 * ch + k]);
        }
    }
    for (int ch = 0; ch < 2; ++ch) {
        codec.frames.Output().Synthesis(ch).SetEqualizer(codec.equalizer[ch] ? codec.equalizer[ch]->data() : nullptr);
    }
    return 0;
}

std::int32_t SetOutputSettings(void* instance, const DecoderOutputSettings* settings, std::uint32_t mask) {
    if (instance == nullptr || settings == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    CMpegCodec& codec = *Codec(instance);
    if ((mask & 1) != 0) codec.frames.SetChannelRouting(settings->channelRouting);
    if ((mask & 2) != 0) codec.frames.SetRateReduction(settings->rateReduction);
    if ((mask & 4) != 0) return SetEqualizer(codec, settings->equalizer);
    return 0;
}

std::int32_t GetOutputSettings(void* instance, DecoderOutputSettings* settings, std::uint32_t mask) {
    if (instance == nullptr || settings == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const CMpegCodec& codec = *Codec(instance);
    if ((mask & 1) != 0) settings->channelRouting = codec.frames.ChannelRouting();
    if ((mask & 2) != 0) settings->rateReduction = codec.frames.RateReduction();
    if ((mask & 4) == 0) return 0;
    if (settings->equalizerOut == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    std::int32_t result = 0;
    for (int ch = 0; ch < 2; ++ch) {
        for (int k = 0; k < 32; ++k) {
            settings->equalizerOut[32 * ch + k] =
                codec.equalizer[ch] ? MpegEqualiserSetting((*codec.equalizer[ch])[k]) : std::int8_t{0};
        }
        if (!codec.equalizer[ch]) result = DECODER_ERR_NO_METHOD;
    }
    return result;
}

}  // namespace

std::int32_t MpegCodecModuleGetMethods(DecoderCodecModuleMethods* methods) {
    if (methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *methods = DecoderCodecModuleMethods{};
    methods->apiId = DECODER_API_ID;
    methods->probe = Probe;
    methods->info = Info;
    methods->newInstance = NewInstance;
    methods->deleteInstance = DeleteInstance;
    methods->decode = MpegCodecDecodeFrame;
    methods->streamHeaderProbe = StreamHeaderProbe;
    methods->offsetToFraction = OffsetToFraction;
    methods->fractionToOffset = FractionToOffset;
    methods->newStream = NewStream;
    methods->seekDone = SeekDone;
    methods->reset = ResetInstance;
    methods->setOutputSettings = SetOutputSettings;
    methods->getOutputSettings = GetOutputSettings;
    return 0;
}

CMpegFrameDecoder& MpegCodecFrameDecoder(void* instance) {
    return Codec(instance)->frames;
}

TLayer3DecoderState& MpegCodecLayer3State(void* instance) {
    return Codec(instance)->layer3;
}
