#pragma once
// One encoding stream over libmp3lame.

#include <cstdint>
#include <span>
#include <vector>

#include "lame_enc/encoder_settings.h"

struct lame_global_struct;

class CLameStream {
public:
    CLameStream() = default;
    CLameStream(const CLameStream&) = delete;
    CLameStream& operator=(const CLameStream&) = delete;
    ~CLameStream();

    // Sets the encoder up; ENCODER_OK or why not.
    TEncoderResult Init(const TEncoderSettings& settings);
    // 16-bit values per chunk (both channels counted) and the output buffer
    // every call needs.
    std::uint32_t SamplesPerChunk() const { return samplesPerChunk_; }
    std::uint32_t OutputBytes() const { return outputBytes_; }

    // Encodes up to one chunk of values; *produced MP3 bytes into output
    // (OutputBytes() of room).
    TEncoderResult Encode(std::span<const std::int16_t> values, std::uint8_t* output, std::uint32_t* produced);
    // Encodes what the encoder still holds (padding the last frame) and
    // ends the stream.
    TEncoderResult Finish(std::uint8_t* output, std::uint32_t* produced);
    // The VBR header frame of the finished stream; empty when the stream
    // writes none.
    std::vector<std::uint8_t> HeaderFrame() const;

private:
    lame_global_struct* lame_ = nullptr;
    int channels_ = 2;
    std::uint32_t samplesPerChunk_ = 0;
    std::uint32_t outputBytes_ = 0;
    bool finished_ = false;
};
