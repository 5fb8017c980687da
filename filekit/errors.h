#pragma once
// Application error codes that filekit leaves in the thread's last-error
// value. Bit 29 marks them as the system's own.

#include <cstdint>

// A stream seek was out of range or failed.
inline constexpr std::uint32_t FILEKIT_ERR_SEEK = 0x20000080;
// A file stream copy could not reopen its file.
inline constexpr std::uint32_t FILEKIT_ERR_COPY_REOPEN = 0x200000bf;
// A path result does not fit the caller's buffer; the output is left empty
// rather than cut, since a cut path names a different file.
inline constexpr std::uint32_t FILEKIT_ERR_PATH_TOO_LONG = 0x200000c0;
