#include "platform/codec_g711.h"

#include "platform/codec_block_stream.h"
#include "platform/codec_drivers.h"

// A-law: even bits inverted (0x55), then sign, 3-bit segment and 4-bit
// mantissa; the value is rebuilt at the middle of its quantisation step.
std::int16_t ALawToLinear(std::uint8_t code) {
    const std::uint8_t a = code ^ 0x55;
    std::int32_t magnitude = (a & 0x0F) << 4;
    const std::int32_t segment = (a & 0x70) >> 4;
    if (segment == 0) {
        magnitude += 8;
    } else {
        magnitude += 0x108;
        magnitude <<= segment - 1;
    }
    return static_cast<std::int16_t>((a & 0x80) != 0 ? magnitude : -magnitude);
}

// mu-law: all bits inverted, then sign, 3-bit segment and 4-bit mantissa,
// biased by 0x84 (132) before the segment shift.
std::int16_t MuLawToLinear(std::uint8_t code) {
    const std::uint8_t u = static_cast<std::uint8_t>(~code);
    std::int32_t magnitude = ((u & 0x0F) << 3) + 0x84;
    magnitude <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) != 0 ? 0x84 - magnitude : magnitude - 0x84);
}

namespace {

// One block is one frame: a byte per channel.
class CG711Stream : public CBlockDecoderStream {
public:
    CG711Stream(std::uint32_t channels, bool aLaw) : CBlockDecoderStream(channels, 2 * channels), channels_(channels), aLaw_(aLaw) {}

protected:
    void DecodeBlocks(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t blocks) override {
        const std::uint32_t samples = blocks * channels_;
        for (std::uint32_t i = 0; i < samples; ++i) {
            PutSample16(destination + 2 * i, aLaw_ ? ALawToLinear(source[i]) : MuLawToLinear(source[i]));
        }
    }

private:
    std::uint32_t channels_;
    bool aLaw_;
};

class CG711Driver : public CDecoderDriver {
public:
    CG711Driver()
        : CDecoderDriver("g711", {{WAVE_FORMAT_ALAW, "CCITT A-Law"}, {WAVE_FORMAT_MULAW, "CCITT u-Law"}}) {}

protected:
    std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const override {
        // One byte per sample: the block align must be the channel count.
        if (source->nChannels < 1 || source->nChannels > 2 || source->nBlockAlign != source->nChannels) {
            return nullptr;
        }
        return std::make_unique<CG711Stream>(source->nChannels, source->wFormatTag == WAVE_FORMAT_ALAW);
    }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakeG711CodecDriver() { return std::make_unique<CG711Driver>(); }
