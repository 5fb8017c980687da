// IMA ADPCM as stored in WAV files (format tag 0x11), after the IMA Digital
// Audio Focus and Technical Working Group's recommended practice (1992).
//
// A block holds, per channel, a 4-byte header (the first sample, 16-bit
// little-endian, then the step index and a reserved byte), followed by
// groups of 4 bytes per channel in turn, each holding 8 samples of that
// channel as 4-bit codes, low nibble first.

#include <algorithm>
#include <array>

#include "platform/codec_block_stream.h"
#include "platform/codec_drivers.h"

namespace {

// Quantiser step sizes, indexed by the step index (the recommended
// practice's table, 89 entries).
constexpr std::array<std::int32_t, 89> kStepSizes = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
// Step index change per code (the same table).
constexpr std::array<std::int32_t, 16> kIndexChanges = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::int32_t kMaxStepIndex = static_cast<std::int32_t>(kStepSizes.size()) - 1;

struct TChannelState {
    std::int32_t predictor = 0;
    std::int32_t stepIndex = 0;

    std::int32_t Next(std::uint32_t code) {
        const std::int32_t step = kStepSizes[static_cast<std::size_t>(stepIndex)];
        std::int32_t difference = step >> 3;
        if ((code & 4) != 0) difference += step;
        if ((code & 2) != 0) difference += step >> 1;
        if ((code & 1) != 0) difference += step >> 2;
        predictor = std::clamp((code & 8) != 0 ? predictor - difference : predictor + difference, -32768, 32767);
        stepIndex = std::clamp(stepIndex + kIndexChanges[code], 0, kMaxStepIndex);
        return predictor;
    }
};

class CImaAdpcmStream : public CBlockDecoderStream {
public:
    CImaAdpcmStream(std::uint32_t channels, std::uint32_t blockAlign, std::uint32_t samplesPerBlock)
        : CBlockDecoderStream(blockAlign, samplesPerBlock * channels * 2),
          channels_(channels),
          blockAlign_(blockAlign),
          samplesPerBlock_(samplesPerBlock) {}

protected:
    void DecodeBlocks(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t blocks) override {
        const std::uint32_t frameBytes = 2 * channels_;
        for (std::uint32_t b = 0; b < blocks; ++b) {
            const std::uint8_t* block = source + std::size_t{b} * blockAlign_;
            std::uint8_t* out = destination + std::size_t{b} * samplesPerBlock_ * frameBytes;
            for (std::uint32_t ch = 0; ch < channels_; ++ch) {
                TChannelState state;
                const std::uint8_t* header = block + 4 * ch;
                state.predictor = GetSample16(header);
                // A damaged header's index is held to the table.
                state.stepIndex = std::min<std::int32_t>(header[2], kMaxStepIndex);
                PutSample16(out + 2 * ch, state.predictor);
                // Groups of 8 samples of this channel start after the headers,
                // every 4 x channels bytes.
                const std::uint8_t* groups = block + 4 * channels_ + 4 * ch;
                for (std::uint32_t i = 0; i + 1 < samplesPerBlock_; ++i) {
                    const std::uint8_t byte = groups[(i / 8) * 4 * channels_ + (i % 8) / 2];
                    const std::uint32_t code = (i % 2 == 0) ? (byte & 0x0F) : (byte >> 4);
                    PutSample16(out + (i + 1) * frameBytes + 2 * ch, state.Next(code));
                }
            }
        }
    }

private:
    std::uint32_t channels_;
    std::uint32_t blockAlign_;
    std::uint32_t samplesPerBlock_;
};

class CImaAdpcmDriver : public CDecoderDriver {
public:
    CImaAdpcmDriver() : CDecoderDriver("ima-adpcm", {{WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM"}}) {}

protected:
    std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const override {
        const std::uint32_t channels = source->nChannels;
        const std::uint32_t headerBytes = 4 * channels;
        if (channels < 1 || channels > 2 || source->wBitsPerSample != 4 ||
            source->nBlockAlign < headerBytes || (source->nBlockAlign - headerBytes) % (4 * channels) != 0) {
            return nullptr;
        }
        // The header's sample, then two samples per byte of each channel.
        const std::uint32_t samplesPerBlock = 1 + (source->nBlockAlign - headerBytes) * 2 / channels;
        return std::make_unique<CImaAdpcmStream>(channels, source->nBlockAlign, samplesPerBlock);
    }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakeImaAdpcmCodecDriver() { return std::make_unique<CImaAdpcmDriver>(); }
