#pragma once
// Helpers shared by the decoder's tests: a message recorder, a codec module
// that accepts every stream and hands each decode call to a test function,
// and MPEG frame streams built byte by byte.

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/mpeg_header.h"

namespace decodertest {

// Deletes the decoder when the test leaves.
struct TDecoderDeleter {
    void operator()(DecoderControl* control) const { DecoderDelete(control); }
};
using TDecoderPtr = std::unique_ptr<DecoderControl, TDecoderDeleter>;

struct TMessage {
    std::int32_t moduleId;
    std::string heading;
    std::string detail;
};

// Messages reported through the control block's callback.
inline std::vector<TMessage>& Messages() {
    static std::vector<TMessage> messages;
    return messages;
}

inline std::int32_t RecordMessage(std::uintptr_t, std::int32_t moduleId, std::int32_t, const char* heading,
                                  const char* detail) {
    Messages().push_back({moduleId, heading, detail});
    return 0;
}

// What the test codec does per call; set by each test.
struct TTestCodec {
    std::function<std::int32_t(DecoderOutputBuffer*, DecoderStreamInfo*)> decode;
    std::function<std::int32_t(DecoderStreamInfo*)> probe;
    float (*offsetToFraction)(void*, std::int64_t) = nullptr;
    DecoderControl* control = nullptr;
    int created = 0;
    int deleted = 0;
};

inline TTestCodec& TestCodec() {
    static TTestCodec codec;
    return codec;
}

inline DecoderCodecModuleMethods TestCodecMethods() {
    DecoderCodecModuleMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.probe = [](const char*, const char*) -> std::int32_t { return 0; };
    methods.info = [](DecoderModuleInfo* info, std::uint32_t flags) -> std::int32_t {
        if (flags & DECODER_INFO_MAX_PCM) info->index = 4608;
        if (flags & DECODER_INFO_CAPS) info->deviceFlags = 3;
        return 0;
    };
    methods.newInstance = [](void** instance, const char*, const char*, DecoderModuleRecord*,
                             DecoderControl* control) -> std::int32_t {
        TestCodec().control = control;
        ++TestCodec().created;
        *instance = &TestCodec();
        return 0;
    };
    methods.deleteInstance = [](void*) -> std::int32_t {
        ++TestCodec().deleted;
        return 0;
    };
    methods.decode = [](void*, DecoderOutputBuffer* output, DecoderStreamInfo* stream) -> std::int32_t {
        return TestCodec().decode ? TestCodec().decode(output, stream) : DECODER_ERR_NO_FRAME;
    };
    methods.streamHeaderProbe = [](void*, DecoderStreamInfo* stream) -> std::int32_t {
        return TestCodec().probe ? TestCodec().probe(stream) : -1;
    };
    methods.offsetToFraction = [](void* instance, std::int64_t offset) -> float {
        return TestCodec().offsetToFraction != nullptr ? TestCodec().offsetToFraction(instance, offset) : 0.0f;
    };
    return methods;
}

// A decoder with the message recorder, the test codec and one input module.
inline DecoderControl* MakeDecoder(std::int32_t (*getInputMethods)(DecoderInputModuleMethods*)) {
    Messages().clear();
    TestCodec() = TTestCodec{};
    DecoderControl* control = nullptr;
    if (DecoderNew(&control) != 0) return nullptr;
    control->messageCallback = RecordMessage;
    const DecoderCodecModuleMethods codec = TestCodecMethods();
    DecoderCodecModuleRegister(control, &codec);
    if (getInputMethods != nullptr) {
        DecoderInputModuleMethods input;
        getInputMethods(&input);
        DecoderInputModuleRegister(control, &input);
    }
    return control;
}

// The "size@address" name of a static memory input over `bytes`.
inline std::string StaticName(const std::vector<std::uint8_t>& bytes) {
    char name[64];
    std::snprintf(name, sizeof(name), "%zx@%jx", bytes.size(),
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(bytes.data())));
    return name;
}

// A module's name and version, and device `device` with the one after it
// refused as out of range.
inline void ExpectModuleInfo(std::int32_t (*info)(DecoderModuleInfo*, std::uint32_t), const char* name,
                             const char* version, std::int32_t device, const char* pattern, const char* description,
                             std::uint32_t deviceFlags) {
    DecoderModuleInfo record;
    ASSERT_EQ(info(&record, DECODER_INFO_NAME), 0);
    EXPECT_STREQ(record.text, name);
    EXPECT_STREQ(record.text2, version);
    record.index = device;
    ASSERT_EQ(info(&record, DECODER_INFO_DEVICE), 0);
    EXPECT_STREQ(record.text, pattern);
    EXPECT_STREQ(record.text2, description);
    EXPECT_EQ(record.deviceFlags, deviceFlags);
    record.index = device + 1;
    EXPECT_EQ(info(&record, DECODER_INFO_DEVICE), DECODER_ERR_BAD_ARGUMENT);
}

// Header words of a few common frames.
inline constexpr std::uint32_t kMpeg1Layer3_128k_44100 = 0xFFFB9064;  // joint stereo, no CRC
inline constexpr std::uint32_t kMpeg1Layer2_192k_48000 = 0xFFFDA404;  // stereo, no CRC
inline constexpr std::uint32_t kMpeg1Layer1_384k_32000 = 0xFFFFC8C0;  // mono, no CRC
inline constexpr std::uint32_t kMpeg2Layer3_64k_22050 = 0xFFF38040;   // joint stereo, no CRC
inline constexpr std::uint32_t kMpeg25Layer3_32k_11025 = 0xFFE340C0;  // mono, no CRC

// Appends one frame: the header word, then pseudo-random body bytes that
// never form a sync pattern (no 0xFF bytes), so frame boundaries are only
// where headers are put.
inline void AppendFrame(std::vector<std::uint8_t>& stream, std::uint32_t word, std::mt19937& rng) {
    const std::uint32_t length = MpegFrameLength(MpegParseHeader(word));
    for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<std::uint8_t>(word >> shift));
    for (std::uint32_t i = 4; i < length; ++i) stream.push_back(static_cast<std::uint8_t>(rng() % 255));
}

}  // namespace decodertest
