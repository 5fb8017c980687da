#pragma once
// Application error codes that filekit leaves in the thread's last-error
// value. Bit 29 marks them as the system's own.

#include <cstdint>

// A stream seek was out of range or failed.
inline constexpr std::uint32_t FILEKIT_ERR_SEEK = 0x20000080;
// A file stream copy could not reopen its file.
inline constexpr std::uint32_t FILEKIT_ERR_COPY_REOPEN = 0x200000bf;
// A download was asked to fill a file object that is already open.
inline constexpr std::uint32_t FILEKIT_ERR_FILE_ALREADY_OPEN = 0x20000084;
// A download was asked for through an internet session that is not open.
inline constexpr std::uint32_t FILEKIT_ERR_SESSION_NOT_OPEN = 0x20001000;
// A download operation was asked of a file object that never downloaded.
inline constexpr std::uint32_t FILEKIT_ERR_NO_DOWNLOAD = 0x20001001;
