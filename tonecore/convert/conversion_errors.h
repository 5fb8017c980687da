#pragma once
// Application error codes of the converters (bit 29 marks them as the
// system's own). The file and RIFF writers' own codes pass through as they
// are.

#include <cstdint>

// No converter of that type or encoder can be had here.
inline constexpr std::uint32_t TONECORE_ERR_NO_CONVERTER = 0x20000760;
// The source or target format is not PCM this converter can convert.
inline constexpr std::uint32_t TONECORE_ERR_UNSUPPORTED_FORMAT = 0x20000761;
// Fewer bytes reached the file than the conversion produced.
inline constexpr std::uint32_t TONECORE_ERR_SHORT_WRITE = 0x20000762;
// The MP3 encoder library lacks an entry point, or would not start a stream.
inline constexpr std::uint32_t TONECORE_ERR_MP3_ENCODER = 0x2000010f;
