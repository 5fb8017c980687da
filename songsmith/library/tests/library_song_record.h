#pragma once
// A song record for the library's tests: title, artist, album, genre and
// path, id -1 (to be added).

#include <cstring>
#include <string>

#include "songvault/records.h"

namespace libtest {

inline TSVT_Song Song(const char* title, const char* artist, const char* album, int genre, const std::string& path,
                      int trash = 0) {
    TSVT_Song song{};
    song.id = -1;
    std::strncpy(song.title, title, sizeof song.title - 1);
    std::strncpy(song.artist, artist, sizeof song.artist - 1);
    std::strncpy(song.album, album, sizeof song.album - 1);
    std::strncpy(song.path, path.c_str(), sizeof song.path - 1);
    song.genre = static_cast<std::int16_t>(genre);
    song.trash = trash;
    return song;
}

}  // namespace libtest
