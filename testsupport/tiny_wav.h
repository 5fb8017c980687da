#pragma once
// The bytes of a small PCM WAV file (16-bit mono at 8 kHz), for tests and
// benchmarks that need song files the song loader reads.

#include <cstdint>
#include <string>

namespace testsupport {

inline std::string LittleEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// 44 bytes of headers and frames * 2 bytes of samples: silence, or with a
// level a square wave of that amplitude (a song the program does not take
// for silent).
inline std::string TinyWavBytes(std::uint32_t frames, std::int16_t level = 0) {
    const auto le = LittleEndian;
    std::string pcm;
    pcm.reserve(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::uint16_t>((i / 20) % 2 == 0 ? level : -level);
        pcm += le(sample, 2);
    }
    const std::string format = le(1, 2) + le(1, 2) + le(8000, 4) + le(16000, 4) + le(2, 2) + le(16, 2);
    const std::string body = "WAVE" + std::string("fmt ") + le(16, 4) + format + "data" + le(pcm.size(), 4) + pcm;
    return "RIFF" + le(body.size(), 4) + body;
}

}  // namespace testsupport
