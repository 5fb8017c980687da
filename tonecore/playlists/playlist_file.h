#pragma once
// Reading a whole playlist file into memory, within the size range its
// reader accepts, so that a hostile size costs nothing.

#include <cstdint>
#include <string>

enum class TPlaylistRead { kRead, kCannotOpen, kSizeOutOfRange, kNoMemory, kShortRead };

struct TPlaylistBytes {
    TPlaylistRead outcome = TPlaylistRead::kCannotOpen;
    std::int64_t fileBytes = 0;  // the file's size, once it opened
    std::string bytes;           // what was read (part of the file after a short read)
};

// The bytes of the file when its size lies in [minBytes, maxBytes].
TPlaylistBytes ReadPlaylistBytes(const char* path, std::int64_t minBytes, std::int64_t maxBytes);
