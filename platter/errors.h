#pragma once
// Result codes of the drive library. A write returns one of the write codes;
// a failed extraction or device query leaves one of the others in the
// device's last error, with a text that names the cause.

#include <cstdint>

// Writing (the result of WriteDisc).
// The disc was written.
inline constexpr std::int32_t PLATTER_WRITE_OK = 0;
// There is no disc in the drive.
inline constexpr std::int32_t PLATTER_WRITE_NO_DISC = 2;
// The write was refused before it began: a bad block, or a track file that
// is missing, short, not CD audio or cannot be decoded.
inline constexpr std::int32_t PLATTER_WRITE_REFUSED = 3;
// The disc in the drive is not blank.
inline constexpr std::int32_t PLATTER_WRITE_NOT_BLANK = 4;
// The drive failed while writing (write error, medium removed, abort).
inline constexpr std::int32_t PLATTER_WRITE_FAILED = 8;
// The drive ran out of data while writing.
inline constexpr std::int32_t PLATTER_WRITE_UNDERRUN = 9;
// The tracks do not fit on the disc.
inline constexpr std::int32_t PLATTER_WRITE_DISC_TOO_SMALL = 10;
// The disc is rewritable and the block does not allow rewritable discs.
inline constexpr std::int32_t PLATTER_WRITE_REWRITABLE = 11;

// Reading.
// The extraction was cancelled by AbortExtraction.
inline constexpr std::int32_t PLATTER_ERR_CANCELLED = -100;
// The disc has no track of the number asked for.
inline constexpr std::int32_t PLATTER_ERR_NO_SUCH_TRACK = 21;
// The track holds data, not audio.
inline constexpr std::int32_t PLATTER_ERR_DATA_TRACK = 22;
// A sector could not be read.
inline constexpr std::int32_t PLATTER_ERR_READ = 23;
// The disc's table of contents is inconsistent (tracks out of order, or an
// image whose data ends before its last track).
inline constexpr std::int32_t PLATTER_ERR_BAD_TOC = 24;
// The disc or image could not be opened.
inline constexpr std::int32_t PLATTER_ERR_OPEN = 25;
// The extraction block is unusable (no data callback).
inline constexpr std::int32_t PLATTER_ERR_BAD_PARAMS = 26;

// The drive is writing a disc; it cannot be read meanwhile.
inline constexpr std::int32_t PLATTER_ERR_BUSY = 27;
// A drive node the user may not open (not in the group that owns it).
inline constexpr std::int32_t PLATTER_ERR_NO_ACCESS = 28;
// The drive could not be asked for its status or refused a command.
inline constexpr std::int32_t PLATTER_ERR_DRIVE = 29;

// The library has not been initialised.
inline constexpr std::int32_t PLATTER_ERR_NOT_READY = 30;

// A one-line reason for a code, for logs and as the default error text.
const char* PlatterCodeReason(std::int32_t code);
