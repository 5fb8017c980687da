#pragma once
// Application error codes that the sound engine's frame (settings, cache
// paths, buffers) leaves in the thread's last-error value. Bit 29 marks them
// as the system's own.

#include <cstdint>

// Memory for a list entry, a buffer block or a filter could not be had.
inline constexpr std::uint32_t TONECORE_ERR_OUT_OF_MEMORY = 0x20000001;
// A folder or cache path does not fit its buffer; nothing was cut.
inline constexpr std::uint32_t TONECORE_ERR_PATH_TOO_LONG = 0x20000600;
// The engine's service thread could not be started.
inline constexpr std::uint32_t TONECORE_ERR_NO_THREAD = 0x20000601;
// A buffer seek on a stream that has no data (its data size is 0 or
// unknown).
inline constexpr std::uint32_t TONECORE_ERR_EMPTY_STREAM = 0x20000602;
// A seek map holds a position beyond the 32-bit fields of its cache file.
inline constexpr std::uint32_t TONECORE_ERR_SEEK_MAP_TOO_LARGE = 0x20000603;
