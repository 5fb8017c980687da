#pragma once
// Describing and checking PCM formats. Only 8-bit and 16-bit integer PCM is
// produced or consumed by the engine: 8-bit samples are unsigned with 128 as
// silence, 16-bit samples signed little-endian. Mixing works on the 16-bit
// scale: an 8-bit sample b counts as (b - 128) x 256, a 16-bit value v
// becomes the 8-bit sample (v >> 8) + 128.

#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"

// The three rates the mixer plays, which are also the classes a sound group
// ranks its members' rates by.
inline constexpr std::uint32_t kMixRateLow = 11025;
inline constexpr std::uint32_t kMixRateMid = 22050;
inline constexpr std::uint32_t kMixRateHigh = 44100;

// The highest sample rate the engine accepts.
inline constexpr std::uint32_t kMaxSampleRate = 48000;

// 1 when format is PCM the engine handles: the given tag, 8 or 16 bits, 1 or
// 2 channels, a rate of 1 to 48000 Hz. It then completes the record (cbSize
// 0, block align = channels x bits / 8, bytes per second = align x rate).
// 0 otherwise, with the record untouched.
int ValidateFormat(WAVEFORMATEX* format, std::uint16_t formatTag);

// One line describing the format, into out (outSize bytes, cut on a
// character boundary). The line is made from the keyed texts "FS_WAVE_FORMAT"
// (a template taking the format name, whole kilohertz, the rest in hertz,
// bits per sample and the channel word, in that order), "FS_STEREO" or
// "FS_MONO", and "FS_MS_PCM" when formatName is null. A template that does
// not take exactly those five values is not used; the built-in one is.
void SoundFormatToString(const WAVEFORMATEX* format, char* out, std::size_t outSize,
                         const char* formatName);

// Raises maxLeft and maxRight to the largest absolute sample value (16-bit
// scale) of the whole frames between start and end (end is the first byte
// not included); -32768 counts as 32768. Stereo: left and right samples to
// their maxima. Mono: right is set to left at the end, also for no frames.
void GetMaxSample(const std::uint8_t* start, const std::uint8_t* end, const WAVEFORMATEX* format,
                  std::int32_t& maxLeft, std::int32_t& maxRight);

// Sample widening and narrowing of the mixing scale.
constexpr std::int32_t WidenSample8(std::uint8_t b) { return (static_cast<std::int32_t>(b) - 128) * 256; }
constexpr std::uint8_t NarrowSample16(std::int32_t v) { return static_cast<std::uint8_t>((v >> 8) + 128); }
// Limits a mixed value to the 16-bit range.
constexpr std::int32_t ClipSample(std::int64_t v) {
    return v > 32767 ? 32767 : (v < -32768 ? -32768 : static_cast<std::int32_t>(v));
}
