#include "tonecore/pcm/pcm_mix_add.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kBlockFrames = 512;
constexpr std::int32_t kUnityGain = 1 << kPcmMixGainShift;
// Gains below this in size keep gain x sample within 32 bits, so the block
// is worked in 32-bit lanes with the same result as 64-bit arithmetic.
constexpr std::int32_t kNarrowGainLimit = 1 << 16;

template <typename Wide>
void AddBlock(const std::int16_t* in, std::int16_t* out, std::size_t samples, Wide left, Wide right) {
    for (std::size_t i = 0; i < samples; i += 2) {
        const Wide l = out[i] + ((left * in[i]) >> kPcmMixGainShift);
        const Wide r = out[i + 1] + ((right * in[i + 1]) >> kPcmMixGainShift);
        out[i] = static_cast<std::int16_t>(std::clamp<Wide>(l, -32768, 32767));
        out[i + 1] = static_cast<std::int16_t>(std::clamp<Wide>(r, -32768, 32767));
    }
}

// At unity gain on both sides the sum alone is clipped: a saturating add,
// done in place on the little-endian bytes four frames at a time. Returns
// the frames done; the rest go the general way.
std::size_t AddAtUnity(const std::uint8_t* in, std::uint8_t* out, std::size_t frames) {
    std::size_t done = 0;
#if defined(__SSE2__)
    if constexpr (std::endian::native == std::endian::little) {
        for (; done + 4 <= frames; done += 4) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done * 4));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + done * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done * 4), _mm_adds_epi16(a, b));
        }
    }
#else
    (void)in;
    (void)out;
    (void)frames;
#endif
    return done;
}

void ToNative(std::int16_t* samples, std::size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto bits = static_cast<std::uint16_t>(samples[i]);
            samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((bits << 8) | (bits >> 8)));
        }
    } else {
        (void)samples;
        (void)count;
    }
}

}  // namespace

void AddGainedStereo16(const std::uint8_t* in, std::uint8_t* out, std::size_t frames,
                       std::int32_t leftGain, std::int32_t rightGain) {
    const bool narrow = std::abs(leftGain) < kNarrowGainLimit && std::abs(rightGain) < kNarrowGainLimit;
    if (leftGain == kUnityGain && rightGain == kUnityGain) {
        const std::size_t done = AddAtUnity(in, out, frames);
        in += done * 4;
        out += done * 4;
        frames -= done;
    }
    std::int16_t source[2 * kBlockFrames];
    std::int16_t mix[2 * kBlockFrames];
    while (frames > 0) {
        const std::size_t count = std::min(frames, kBlockFrames);
        const std::size_t bytes = count * 4;
        std::memcpy(source, in, bytes);
        std::memcpy(mix, out, bytes);
        ToNative(source, 2 * count);
        ToNative(mix, 2 * count);
        if (narrow)
            AddBlock<std::int32_t>(source, mix, 2 * count, leftGain, rightGain);
        else
            AddBlock<std::int64_t>(source, mix, 2 * count, leftGain, rightGain);
        ToNative(mix, 2 * count);
        std::memcpy(out, mix, bytes);
        in += bytes;
        out += bytes;
        frames -= count;
    }
}
