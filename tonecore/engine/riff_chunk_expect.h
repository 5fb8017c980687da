#pragma once
// Readers of one chunk kind check that the reader stands on that kind before
// they read, so a file whose chunks come in another order is not read as
// something it is not.

#include <cstdint>

#include "filekit/riff.h"
#include "platform/last_error.h"

// True when the current sub-chunk has the id; otherwise false with
// ERROR_INVALID_DATA, the reader left where it was.
inline bool CurrentChunkIs(const CRIFF& riff, std::uint32_t id) {
    _chunkInfo parent;
    _subChunk current;
    riff.GetCurrentChunkInfo(&parent, &current);
    if (current.id == id) return true;
    SetLastError(ERROR_INVALID_DATA);
    return false;
}
