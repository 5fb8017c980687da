#pragma once
// The song the crash writer adds as its n-th: the writer and the test that
// kills it make the same record from the same number.

#include <cstdint>
#include <cstring>
#include <string>

#include "songvault/records.h"
#include "songvault/tests/record_fill.h"

namespace svtest {

inline TSVT_Song CrashSong(std::int64_t n) {
    TSVT_Song song;
    std::memset(&song, 0, sizeof song);
    song.id = 0;
    const std::string number = std::to_string(n);
    FillText(song.path, "/crash/" + number + "/track.mp3");
    FillText(song.title, "Song " + number);
    FillText(song.trackName, "Song " + number);
    FillText(song.artist, "Artist " + std::to_string(n % 7));
    FillText(song.album, "Album " + std::to_string(n % 11));
    // Long texts, so that writes cross page boundaries often.
    FillText(song.comment, std::string(63, static_cast<char>('a' + n % 26)));
    std::memcpy(song.cdId, "c0ffee00", 8);
    song.genre = static_cast<std::int16_t>(n % 126);
    song.year = static_cast<std::int16_t>(1950 + n % 70);
    song.lengthMs = static_cast<std::int32_t>(1000 + n);
    song.format = SVT_FORMAT_MP3;
    song.track = static_cast<std::int16_t>(n % 20);
    song.trackCount = 20;
    song.createDate = static_cast<std::uint32_t>(1700000000 + n);
    song.changeDate = static_cast<std::uint32_t>(1700000000 + 2 * n);
    return song;
}

}  // namespace svtest
