// A stand-in MP3 encoder library for the MP3 converter's tests. Its
// "encoding" hands each chunk's 16-bit values back as they came, so the
// converter's file holds exactly what the encoder was given. It keeps the
// last configuration record and the last VBR header path, and can be told to
// fail, for the tests to read through the query functions below.
#include <cstdint>
#include <cstring>
#include <string>

#include "lame_enc/encoder_interface.h"

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// One frame per channel of MPEG-1, as the real encoder takes it.
constexpr std::uint32_t kFrameSamples = 1152;
// The flush's marker, so tests can see where the stream ended.
constexpr char kEndMarker[] = "END!";

TEncoderConfig gLastConfig{};
std::string gLastHeaderPath;
int gChunksBeforeFailure = -1;
int gOpenStreams = 0;

}  // namespace

TEST_EXPORT std::uint32_t beInitStream(const TEncoderConfig* config, std::uint32_t* samplesPerChunk,
                                       std::uint32_t* outputBytes, std::uint32_t* stream) {
    gLastConfig = *config;
    const bool mono = config->mp3.configKind == kEncoderConfigLame ? config->lame.mode == ENCODER_MODE_MONO
                                                                    : config->mp3.mode == ENCODER_MODE_MONO;
    *samplesPerChunk = kFrameSamples * (mono ? 1 : 2);
    *outputBytes = kFrameSamples * 2 * 2;
    *stream = 7;
    ++gOpenStreams;
    return ENCODER_OK;
}

TEST_EXPORT std::uint32_t beEncodeChunk(std::uint32_t /*stream*/, std::uint32_t samples, const std::int16_t* pcm,
                                        std::uint8_t* output, std::uint32_t* produced) {
    if (gChunksBeforeFailure == 0) return ENCODER_ERR_ENCODING;
    if (gChunksBeforeFailure > 0) --gChunksBeforeFailure;
    std::memcpy(output, pcm, samples * 2);
    *produced = samples * 2;
    return ENCODER_OK;
}

TEST_EXPORT std::uint32_t beDeinitStream(std::uint32_t /*stream*/, std::uint8_t* output, std::uint32_t* produced) {
    std::memcpy(output, kEndMarker, 4);
    *produced = 4;
    return ENCODER_OK;
}

TEST_EXPORT std::uint32_t beCloseStream(std::uint32_t /*stream*/) {
    --gOpenStreams;
    return ENCODER_OK;
}

TEST_EXPORT std::uint32_t beWriteVBRHeader(const char* path) {
    gLastHeaderPath = path;
    return ENCODER_OK;
}

// The queries and switches of the tests.
TEST_EXPORT void IdentityLastConfig(TEncoderConfig* out) { *out = gLastConfig; }
TEST_EXPORT const char* IdentityLastHeaderPath() { return gLastHeaderPath.c_str(); }
TEST_EXPORT void IdentityFailAfterChunks(int chunks) { gChunksBeforeFailure = chunks; }
TEST_EXPORT int IdentityOpenStreams() { return gOpenStreams; }
TEST_EXPORT void IdentityReset() {
    gLastConfig = TEncoderConfig{};
    gLastHeaderPath.clear();
    gChunksBeforeFailure = -1;
}
