#pragma once
// A hook between an extraction and the drive (or image) it reads: every raw
// read the extraction makes, paranoia's re-reads included, passes through
// it. Tests use it to make sectors unreadable, slow or shifted (jitter) in
// an image, as a worn disc in a real drive would.

#include <cstdint>
#include <functional>

// Reads count raw sectors at lsn into out; returns the sectors read, fewer
// (or a negative number) on failure.
using TPlatterRawRead = std::function<long(std::int32_t lsn, long count, void* out)>;
// Given the drive's own read, does the read it is asked for.
using TPlatterReadHook = std::function<long(std::int32_t lsn, long count, void* out, const TPlatterRawRead& drive)>;
