#pragma once
// The audio codec formats this machine can write, in place of the list a
// media runtime would keep: what FFmpeg's Windows Media audio encoders accept
// at the rates, channel counts and bitrates the sound engine offers.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/wave_format.h"

// Windows Media audio format tags (RIFF WAVE format registry).
inline constexpr std::uint16_t WAVE_FORMAT_WMAUDIO1 = 0x0160;
inline constexpr std::uint16_t WAVE_FORMAT_WMAUDIO2 = 0x0161;

// One format: its WAVEFORMATEX head and the extra bytes that follow it
// (head.cbSize of them).
struct TCodecFormat {
    WAVEFORMATEX head{};
    std::vector<std::uint8_t> extra;
};

// Whether a format of this byte rate stands for bitsPerSecond: its byte rate
// x 8 lies within 250 bit/s of it, both ends excluded. The catalogue, the
// profile builder and the engine's preset test all use this window.
bool IsWithinBitrateWindow(std::uint32_t avgBytesPerSec, std::int64_t bitsPerSecond);

// The formats grouped by codec (version 2 first, then version 1), each codec's
// in the order of the engine's rate table, mono before stereo, bitrates rising.
// Built on first use, once per process; safe to call from any thread.
std::span<const TCodecFormat> CodecCatalogue();
