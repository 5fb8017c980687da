#pragma once
// Replaces the first bytes of a file (a tag in front of the audio) with new
// ones of any length, keeping everything behind them. The new content is
// written to a temporary file beside the original, flushed to disk and
// renamed over it, so the song is either wholly old or wholly new.

#include <cstdint>
#include <span>

class CFileObj;

// What a rewrite changes at the two ends of a file: its first oldHeadBytes
// bytes become newHead and its last oldTailBytes bytes newTail; the bytes
// between are kept. A tail that would reach into the head is cut to the
// bytes behind it.
struct TFileRewrite {
    std::uint64_t oldHeadBytes = 0;
    std::span<const std::uint8_t> newHead;
    std::uint64_t oldTailBytes = 0;
    std::span<const std::uint8_t> newTail;
};

// Rewrites both ends in one pass through one temporary file, which takes the
// file's mode and (where the user may give it) its owner and group; through a
// symbolic link the file it names is replaced. The file object is reopened
// as ReplaceFileHead says; the same failures.
bool RewriteFileEnds(CFileObj& file, const TFileRewrite& rewrite);

// Replaces the file's first oldHeadBytes bytes with newHead. The file object
// is reopened (read-write) on the new file and left at the first byte after
// newHead. False, with the reason in the last error, on any failure: before
// the rename the original file and the file object are as they were; a
// failure to reopen after it leaves the new file in place and the object
// closed.
bool ReplaceFileHead(CFileObj& file, std::uint64_t oldHeadBytes, std::span<const std::uint8_t> newHead);
