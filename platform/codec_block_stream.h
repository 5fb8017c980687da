#pragma once
// Pieces shared by the drivers that decode fixed-size source blocks into
// 16-bit PCM at the source's rate and channels.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "platform/codec_layer.h"

// The highest source rate a decoder takes: far above any real one, and low
// enough that the PCM's bytes per second fit the record.
inline constexpr std::uint32_t kMaxCodecRate = 384000;

// The 16-bit PCM record a decoder makes of source: same channels and rate.
WAVEFORMATEX Pcm16FormatOf(const WAVEFORMATEX& source);
// Whether destination is that 16-bit PCM for source (the block align and
// byte rate are not looked at; they follow from the rest).
bool IsPcm16FormatOf(const WAVEFORMATEX& source, const WAVEFORMATEX& destination);

// Stores a sample little-endian.
inline void PutSample16(std::uint8_t* at, std::int32_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    at[0] = static_cast<std::uint8_t>(bits & 0xFF);
    at[1] = static_cast<std::uint8_t>(bits >> 8);
}
inline std::int16_t GetSample16(const std::uint8_t* at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

// A stream that turns each source block of a fixed size into a destination
// block of a fixed size. Sizes and conversions go by whole blocks.
class CBlockDecoderStream : public ICodecStream {
public:
    CBlockDecoderStream(std::uint32_t sourceBlockBytes, std::uint32_t destinationBlockBytes)
        : sourceBlock_(sourceBlockBytes), destinationBlock_(destinationBlockBytes) {}

    std::uint32_t DestinationBytesFor(std::uint32_t sourceBytes) const override;
    std::uint32_t SourceBytesFor(std::uint32_t destinationBytes) const override;
    bool Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                 std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                 std::uint32_t* destinationUsed) override;

protected:
    // Decodes `blocks` whole source blocks into as many destination blocks.
    virtual void DecodeBlocks(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t blocks) = 0;

private:
    std::uint32_t sourceBlock_;
    std::uint32_t destinationBlock_;
};

// A driver for one or more compressed tags that decode to 16-bit PCM.
class CDecoderDriver : public ICodecDriver {
public:
    struct TTag {
        std::uint16_t formatTag;
        const char* name;
    };
    CDecoderDriver(const char* driverName, std::initializer_list<TTag> tags) : name_(driverName), tags_(tags) {}

    const char* Name() const override { return name_; }
    const char* TagName(std::uint16_t formatTag) const override;
    std::unique_ptr<ICodecStream> Open(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) override;
    bool SuggestPCM(const WAVEFORMATEX* source, WAVEFORMATEX* destination) const override;

protected:
    // The decoder for a source record of one of the driver's tags, or null
    // when the record describes nothing this driver can decode.
    virtual std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const = 0;

private:
    // One of the driver's tags at a rate whose PCM byte rate fits 32 bits.
    bool Decodes(const WAVEFORMATEX* source) const;

    const char* name_;
    std::vector<TTag> tags_;
};
