#pragma once
// Application error codes that filekit leaves in the thread's last-error
// value. Bit 29 marks them as the system's own.

#include <cstdint>

// A stream seek was out of range or failed.
inline constexpr std::uint32_t FILEKIT_ERR_SEEK = 0x20000080;
// A file stream copy could not reopen its file.
inline constexpr std::uint32_t FILEKIT_ERR_COPY_REOPEN = 0x200000bf;

// RIFF chunk files (CRIFF).
// A chunk header at a level change (Descend, Ascend, back to a level's start)
// was cut short.
inline constexpr std::uint32_t FILEKIT_ERR_RIFF_SHORT_HEADER = 0x20000081;
// The stream is not open, or (for writing) not open for writing.
inline constexpr std::uint32_t FILEKIT_ERR_RIFF_STREAM = 0x20000083;
// A read or seek failed, a chunk read came up short, or a write would take a
// 32-bit size past its limit.
inline constexpr std::uint32_t FILEKIT_ERR_RIFF_READ = 0x20000100;
// The end of the current parent was reached, or an offset lies outside it.
inline constexpr std::uint32_t FILEKIT_ERR_RIFF_END = 0x20000101;
// The stream does not start with a "RIFF" header.
inline constexpr std::uint32_t FILEKIT_ERR_NOT_RIFF = 0x20000102;
// Descending would go deeper than the level stack holds.
inline constexpr std::uint32_t FILEKIT_ERR_RIFF_TOO_DEEP = 0x20000103;

// Path helpers.
// A path result does not fit the caller's buffer; the output is left empty
// rather than cut, since a cut path names a different file.
inline constexpr std::uint32_t FILEKIT_ERR_PATH_TOO_LONG = 0x200000c0;

// Downloads.
// A download was asked to fill a file object that is already open.
inline constexpr std::uint32_t FILEKIT_ERR_FILE_ALREADY_OPEN = 0x20000084;
// A download was asked for through an internet session that is not open.
inline constexpr std::uint32_t FILEKIT_ERR_SESSION_NOT_OPEN = 0x20001000;
// A download operation was asked of a file object that never downloaded.
inline constexpr std::uint32_t FILEKIT_ERR_NO_DOWNLOAD = 0x20001001;
