#pragma once
// A test output module that records what the decoder hands it, and a
// test codec set-up that delivers frames of a chosen format.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_output.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"

namespace decodertest {

struct TWrite {
    std::vector<std::int16_t> samples;
    std::uint32_t bytesPerSample;
    std::uint32_t channels;
    std::uint32_t rate;
};

struct TFormatCall {
    DecoderOutputFormat format;
    std::uint32_t mask;
};

// What the recording output saw, and how it behaves.
struct TRecordingOutput {
    // Behaviour.
    bool hasCapability = true;
    std::uint32_t capability = 0;
    bool handsOutBuffer = false;
    std::int32_t setFormatResult = 0;
    std::uint32_t timeStamp = 0;
    // Record.
    int created = 0;
    int deleted = 0;
    int opens = 0;
    int closes = 0;
    int timeStampCalls = 0;
    std::uint32_t bufferSizeAsked = 0;
    std::vector<std::int16_t> buffer = std::vector<std::int16_t>(4608 / 2);
    std::vector<TWrite> writes;
    std::vector<TFormatCall> formats;
};

inline TRecordingOutput& RecordingOutput() {
    static TRecordingOutput output;
    return output;
}

inline DecoderOutputModuleMethods RecordingOutputMethods() {
    DecoderOutputModuleMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.probe = [](const char* name) -> std::int32_t { return std::string(name) == "rec" ? 0 : -1; };
    methods.newInstance = [](void** instance, const char*, DecoderModuleRecord*, DecoderControl*) -> std::int32_t {
        ++RecordingOutput().created;
        *instance = &RecordingOutput();
        return 0;
    };
    methods.deleteInstance = [](void*) -> std::int32_t {
        ++RecordingOutput().deleted;
        return 0;
    };
    methods.open = [](void*) -> std::int32_t {
        ++RecordingOutput().opens;
        return 0;
    };
    methods.close = [](void*) -> std::int32_t {
        ++RecordingOutput().closes;
        return 0;
    };
    methods.write = [](void*, const void* pcm, std::uint32_t bytes, std::uint32_t bytesPerSample,
                       std::uint32_t channels, std::uint32_t rate) -> std::int32_t {
        const auto* samples = static_cast<const std::int16_t*>(pcm);
        RecordingOutput().writes.push_back(
            {std::vector<std::int16_t>(samples, samples + bytes / 2), bytesPerSample, channels, rate});
        return static_cast<std::int32_t>(bytes);
    };
    methods.getBuffer = [](void*, std::uint32_t size) -> void* {
        RecordingOutput().bufferSizeAsked = size;
        return RecordingOutput().handsOutBuffer ? RecordingOutput().buffer.data() : nullptr;
    };
    methods.setFormat = [](void*, const DecoderOutputFormat* format, std::uint32_t mask) -> std::int32_t {
        RecordingOutput().formats.push_back({*format, mask});
        return RecordingOutput().setFormatResult;
    };
    methods.getTimeStamp = [](void*, std::uint32_t* value) -> std::int32_t {
        ++RecordingOutput().timeStampCalls;
        *value = RecordingOutput().timeStamp;
        return 0;
    };
    methods.capability = [](void*) -> std::uint32_t { return RecordingOutput().capability; };
    return methods;
}

// A decoder with the test codec, the memory input (open on an empty
// stream) and the recording output registered; the output is made for
// "rec" but not opened.
inline DecoderControl* MakePlayingDecoder() {
    DecoderControl* control = MakeDecoder(MemoryInputModuleGetMethods);
    if (control == nullptr) return nullptr;
    RecordingOutput() = TRecordingOutput{};
    const DecoderOutputModuleMethods output = RecordingOutputMethods();
    DecoderOutputModuleRegister(control, &output);
    DecoderInputNew(control, nullptr, -1);
    DecoderInputOpen(control);
    DecoderOutputNew(control, "rec", -1);
    return control;
}

// Makes the test codec deliver frames of `samples` per channel, each
// sample its index in the frame plus `base`.
inline void DeliverFrames(std::uint32_t samples, std::uint32_t channels, std::uint32_t rate, std::int16_t base = 0) {
    TestCodec().decode = [=](DecoderOutputBuffer* output, DecoderStreamInfo*) {
        for (std::uint32_t i = 0; i < samples * channels; ++i) output->pcm[i] = static_cast<std::int16_t>(base + i);
        output->samplesPerChannel = samples;
        output->channels = channels;
        output->sampleRate = rate;
        return 0;
    };
}

}  // namespace decodertest
