// Microsoft ADPCM (format tag 2), as laid down in the RIFF multimedia
// registration of the format.
//
// A block starts with, per channel in turn: the predictor index (1 byte),
// then the step (delta), the newer sample and the older sample (each 16-bit
// little-endian, all channels' deltas first, then all newer, then all older
// samples). The two header samples come out first (older, newer); then each
// byte holds two 4-bit signed codes, high nibble first, that alternate
// channels in stereo.
//
// The "fmt " extension carries the samples per block, the number of
// predictor coefficient pairs and the pairs themselves (16-bit each).

#include <algorithm>
#include <array>
#include <vector>

#include "platform/codec_block_stream.h"
#include "platform/codec_drivers.h"

namespace {

// Step adaptation factors per code (the format's table; 256 = 1.0).
constexpr std::array<std::int32_t, 16> kAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                      768, 614, 512, 409, 307, 230, 230, 230};
constexpr std::int32_t kMinDelta = 16;
// Far above anything an encoder makes; it keeps a damaged block's step from
// overflowing while it grows.
constexpr std::int64_t kMaxDelta = std::int64_t{1} << 24;

struct TCoefficients {
    std::int32_t first;
    std::int32_t second;
};

struct TChannelState {
    TCoefficients coefficients{};
    std::int64_t delta = 0;
    std::int32_t newer = 0;
    std::int32_t older = 0;

    std::int32_t Next(std::uint32_t code) {
        // Arithmetic shift: the prediction rounds toward minus infinity.
        const std::int64_t prediction =
            (std::int64_t{newer} * coefficients.first + std::int64_t{older} * coefficients.second) >> 8;
        const std::int64_t signedCode = (code & 8) != 0 ? static_cast<std::int64_t>(code) - 16 : code;
        const auto sample = static_cast<std::int32_t>(std::clamp<std::int64_t>(prediction + signedCode * delta, -32768, 32767));
        older = newer;
        newer = sample;
        delta = std::clamp<std::int64_t>((kAdaptation[code] * delta) >> 8, kMinDelta, kMaxDelta);
        return sample;
    }
};

class CMsAdpcmStream : public CBlockDecoderStream {
public:
    CMsAdpcmStream(std::uint32_t channels, std::uint32_t blockAlign, std::uint32_t samplesPerBlock,
                   std::vector<TCoefficients> coefficients)
        : CBlockDecoderStream(blockAlign, samplesPerBlock * channels * 2),
          channels_(channels),
          blockAlign_(blockAlign),
          samplesPerBlock_(samplesPerBlock),
          coefficients_(std::move(coefficients)) {}

protected:
    void DecodeBlocks(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t blocks) override {
        for (std::uint32_t b = 0; b < blocks; ++b) {
            DecodeBlock(source + std::size_t{b} * blockAlign_,
                        destination + std::size_t{b} * samplesPerBlock_ * channels_ * 2);
        }
    }

private:
    void DecodeBlock(const std::uint8_t* block, std::uint8_t* out) {
        std::array<TChannelState, 2> states{};
        for (std::uint32_t ch = 0; ch < channels_; ++ch) {
            // A predictor index past the file's table takes its last pair.
            const std::size_t index = std::min<std::size_t>(block[ch], coefficients_.size() - 1);
            states[ch].coefficients = coefficients_[index];
            states[ch].delta = GetSample16(block + channels_ + 2 * ch);
            states[ch].newer = GetSample16(block + 3 * channels_ + 2 * ch);
            states[ch].older = GetSample16(block + 5 * channels_ + 2 * ch);
            PutSample16(out + 2 * ch, states[ch].older);
            PutSample16(out + 2 * channels_ + 2 * ch, states[ch].newer);
        }
        const std::uint8_t* codes = block + 7 * channels_;
        const std::uint32_t codeCount = (samplesPerBlock_ - 2) * channels_;
        std::uint8_t* at = out + 4 * channels_;
        for (std::uint32_t i = 0; i < codeCount; ++i) {
            const std::uint8_t byte = codes[i / 2];
            const std::uint32_t code = (i % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
            PutSample16(at + 2 * i, states[i % channels_].Next(code));
        }
    }

    std::uint32_t channels_;
    std::uint32_t blockAlign_;
    std::uint32_t samplesPerBlock_;
    std::vector<TCoefficients> coefficients_;
};

class CMsAdpcmDriver : public CDecoderDriver {
public:
    CMsAdpcmDriver() : CDecoderDriver("ms-adpcm", {{WAVE_FORMAT_ADPCM, "Microsoft ADPCM"}}) {}

protected:
    std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const override {
        const std::uint32_t channels = source->nChannels;
        const std::uint32_t headerBytes = 7 * channels;
        // The extension: samples per block and the pair count (2 bytes each),
        // then at least one pair.
        if (channels < 1 || channels > 2 || source->wBitsPerSample != 4 ||
            source->nBlockAlign < headerBytes || source->cbSize < 8) {
            return nullptr;
        }
        const auto* extension = reinterpret_cast<const std::uint8_t*>(source) + sizeof(WAVEFORMATEX);
        const std::uint32_t pairCount = static_cast<std::uint16_t>(GetSample16(extension + 2));
        if (pairCount == 0 || 4 + 4 * pairCount > source->cbSize) return nullptr;
        std::vector<TCoefficients> coefficients;
        for (std::uint32_t i = 0; i < pairCount; ++i) {
            coefficients.push_back({GetSample16(extension + 4 + 4 * i), GetSample16(extension + 6 + 4 * i)});
        }
        // The two header samples, then two codes per byte.
        const std::uint32_t samplesPerBlock = 2 + (source->nBlockAlign - headerBytes) * 2 / channels;
        return std::make_unique<CMsAdpcmStream>(channels, source->nBlockAlign, samplesPerBlock,
                                                std::move(coefficients));
    }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakeMsAdpcmCodecDriver() { return std::make_unique<CMsAdpcmDriver>(); }
