#pragma once
// Replaces the first bytes of a file (a tag in front of the audio) with new
// ones of any length, keeping everything behind them. The new content is
// written to a temporary file beside the original, flushed to disk and
// renamed over it, so the song is either wholly old or wholly new.

#include <cstdint>
#include <span>

class CFileObj;

// Replaces the file's first oldHeadBytes bytes with newHead. The file object
// is reopened (read-write) on the new file and left at the first byte after
// newHead. False, with the reason in the last error, on any failure: before
// the rename the original file and the file object are as they were; a
// failure to reopen after it leaves the new file in place and the object
// closed.
bool ReplaceFileHead(CFileObj& file, std::uint64_t oldHeadBytes, std::span<const std::uint8_t> newHead);
