#pragma once
// Small helpers for building PCM fixtures in the engine's tests.

#include <cstdint>
#include <vector>

#include "platform/wave_format.h"

namespace pcmtest {

inline WAVEFORMATEX Pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

// 16-bit samples as little-endian bytes.
inline std::vector<std::uint8_t> Bytes16(const std::vector<int>& samples) {
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

inline std::vector<int> Samples16(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    std::vector<int> out;
    for (std::size_t i = 0; i + 1 < bytes.size() && out.size() < count; i += 2) {
        out.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return out;
}

}  // namespace pcmtest
