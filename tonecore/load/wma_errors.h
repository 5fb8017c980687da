#pragma once
// Codes the WMA decoding object and the WMA converter leave in the thread's
// last-error value. Out of memory is TONECORE_ERR_OUT_OF_MEMORY
// (engine_errors.h).

#include <cstdint>

// The file has no audio output whose format is a WAVEFORMATEX.
inline constexpr std::uint32_t TONECORE_ERR_WMA_NO_AUDIO_OUTPUT = 0x2000010e;
// The media module's writer or metadata editor failed.
inline constexpr std::uint32_t TONECORE_ERR_WMA_WRITER = 0x20000111;
// The media module could not create a reader.
inline constexpr std::uint32_t TONECORE_ERR_WMA_READER = 0x20000112;
// The media module lacks one of the functions the engine binds (or is not
// there at all).
inline constexpr std::uint32_t TONECORE_ERR_WMA_EXPORT_MISSING = 0x20000114;
// An attribute could not be set on the finished file.
inline constexpr std::uint32_t TONECORE_ERR_WMA_ATTRIBUTE = 0x20000115;
// Profile failures the media module reports; passed on unchanged.
inline constexpr std::uint32_t TONECORE_ERR_WMA_PROFILE_FIRST = 0x20000116;
inline constexpr std::uint32_t TONECORE_ERR_WMA_PROFILE_LAST = 0x20000118;
