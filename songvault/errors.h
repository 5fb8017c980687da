#pragma once
// Application error codes that the song database library leaves in the
// thread's last-error value. Bit 29 marks them as the system's own. Failures
// of the file system keep their own codes (ERROR_DISK_FULL, ERROR_ACCESS_DENIED
// and the others of platform/last_error.h).

#include <cstdint>

// The store is not open: before Initialize, after Shutdown, or after an
// Initialize that failed.
inline constexpr std::uint32_t SONGVAULT_ERR_NOT_OPEN = 0x20000500;
// No record has that id (or no song that path).
inline constexpr std::uint32_t SONGVAULT_ERR_NOT_FOUND = 0x20000501;
// A path does not fit the 260-byte path field of a record; a cut path would
// name another file, so it is refused.
inline constexpr std::uint32_t SONGVAULT_ERR_PATH_TOO_LONG = 0x20000502;
// Another song already has this path.
inline constexpr std::uint32_t SONGVAULT_ERR_PATH_TAKEN = 0x20000503;
// The store was written by a newer version of the library; it is left as it is.
inline constexpr std::uint32_t SONGVAULT_ERR_NEWER_VERSION = 0x20000504;
// Initialize was called while a store is open.
inline constexpr std::uint32_t SONGVAULT_ERR_ALREADY_OPEN = 0x20000505;
// The store's files cannot be deleted while the store is open on them.
inline constexpr std::uint32_t SONGVAULT_ERR_STORE_IN_USE = 0x20000506;
// The database engine failed for a reason that is not a file-system error.
inline constexpr std::uint32_t SONGVAULT_ERR_DATABASE = 0x20000507;
// A song's file could not be moved to the desktop trash.
inline constexpr std::uint32_t SONGVAULT_ERR_FILE_TRASH = 0x20000508;
// Ids are 32-bit; the store has handed out the last one.
inline constexpr std::uint32_t SONGVAULT_ERR_IDS_EXHAUSTED = 0x20000509;
// The file is not a song the import takes: a kind the flags leave out, not
// a regular file, unreadable to the song probe, or shorter than the minimum
// length.
inline constexpr std::uint32_t SONGVAULT_ERR_NOT_IMPORTED = 0x20000520;
// The import was stopped (SetImporting(false)) before the walk ended.
inline constexpr std::uint32_t SONGVAULT_ERR_IMPORT_STOPPED = 0x20000521;
// No song probe is installed, so no file can be read.
inline constexpr std::uint32_t SONGVAULT_ERR_NO_PROBE = 0x20000522;
// A field query names a column that songs do not have.
inline constexpr std::uint32_t SONGVAULT_ERR_QUERY_COLUMN = 0x20000510;
// A field query uses an operator code other than 0 to 7.
inline constexpr std::uint32_t SONGVAULT_ERR_QUERY_OPERATOR = 0x20000511;
// A field query gives a text for a number column.
inline constexpr std::uint32_t SONGVAULT_ERR_QUERY_VALUE = 0x20000512;
