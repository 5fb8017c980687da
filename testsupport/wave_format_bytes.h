#pragma once
// A WAVEFORMATEX record followed by its extension bytes, laid out as a RIFF
// "fmt " chunk holds it, for tests of the codec layer and decoding objects.

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/wave_format.h"

namespace testsupport {

inline void PutLe16(std::vector<std::uint8_t>& out, std::int32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline std::int16_t GetLe16(const std::uint8_t* at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

struct TFormatBytes {
    std::vector<std::uint8_t> bytes;

    // Bytes per second = rate x align; cbSize = the extension's length.
    TFormatBytes(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t align,
                 std::uint16_t bits, std::vector<std::uint8_t> extension = {}) {
        const WAVEFORMATEX head{tag, channels, rate, rate * align, align, bits,
                                static_cast<std::uint16_t>(extension.size())};
        bytes.resize(sizeof head + extension.size());
        std::memcpy(bytes.data(), &head, sizeof head);
        if (!extension.empty()) std::memcpy(bytes.data() + sizeof head, extension.data(), extension.size());
    }
    const WAVEFORMATEX* Get() const { return reinterpret_cast<const WAVEFORMATEX*>(bytes.data()); }
    WAVEFORMATEX* Get() { return reinterpret_cast<WAVEFORMATEX*>(bytes.data()); }
};

// 16-bit PCM.
inline TFormatBytes Pcm16Format(std::uint16_t channels, std::uint32_t rate) {
    return TFormatBytes(WAVE_FORMAT_PCM, channels, rate, static_cast<std::uint16_t>(2 * channels), 16);
}
// IMA ADPCM with its samples-per-block extension.
inline TFormatBytes ImaAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t align) {
    std::vector<std::uint8_t> extension;
    PutLe16(extension, 1 + (align - 4 * channels) * 2 / channels);
    return TFormatBytes(WAVE_FORMAT_IMA_ADPCM, channels, rate, align, 4, extension);
}
// Microsoft ADPCM with the format's seven standard predictor pairs.
inline TFormatBytes MsAdpcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t align) {
    std::vector<std::uint8_t> extension;
    PutLe16(extension, 2 + (align - 7 * channels) * 2 / channels);
    PutLe16(extension, 7);
    for (auto [a, b] : {std::pair{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}) {
        PutLe16(extension, a);
        PutLe16(extension, b);
    }
    return TFormatBytes(WAVE_FORMAT_ADPCM, channels, rate, align, 4, extension);
}

}  // namespace testsupport
