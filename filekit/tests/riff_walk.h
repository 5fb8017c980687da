#pragma once
// Walks a whole RIFF tree through CRIFF, reading every chunk at every level:
// shared by the tests and the fuzz target.

#include <cstdint>
#include <vector>

#include "filekit/riff.h"
#include "filekit/riff_format.h"

namespace riff_walk {

// Visits the current sub-chunk and every one after it in the current parent,
// descending into each list. Returns the chunks visited, or -1 when a level
// took more steps than its stream has headers (the walk did not move on).
inline int WalkLevel(CRIFF& riff) {
    const std::int64_t maxSteps = riff.GetRefObj()->Size() / 8 + 2;
    std::vector<char> buf(4096);
    int visited = 0;
    std::int64_t steps = 0;
    do {
        if (++steps > maxSteps) return -1;
        ++visited;
        _subChunk sub;
        riff.GetCurrentChunkInfo(nullptr, &sub);
        riff.ReadCurrentSubChunk(buf.data(), static_cast<std::int64_t>(buf.size()));
        if (sub.id == RIFF_ID_LIST && riff.Descend()) {
            const int inner = WalkLevel(riff);
            if (inner < 0) return -1;
            visited += inner;
            riff.Ascend();
        }
    } while (riff.SeekToNextChunk());
    return visited;
}

}  // namespace riff_walk
