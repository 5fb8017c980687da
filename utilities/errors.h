#pragma once
// Application error codes that the utilities library leaves in the thread's
// last-error value. Bit 29 marks them as the system's own.

#include <cstdint>

// A recent-folder path over 259 bytes: it does not fit the 260-byte path
// field of the folder record.
inline constexpr std::uint32_t UTILITIES_ERR_PATH_TOO_LONG = 0x20000300;
// A file larger than its reader accepts: a markup file over 4 MiB, a
// profile (INI) file over 16 MiB.
inline constexpr std::uint32_t UTILITIES_ERR_FILE_TOO_LARGE = 0x20000301;
// The files chosen in a file dialog do not fit the caller's buffer.
inline constexpr std::uint32_t UTILITIES_ERR_NAMES_TOO_LONG = 0x20000302;
