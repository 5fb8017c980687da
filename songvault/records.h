#pragma once
// The records the song database library exchanges with the program. Their
// layouts are fixed (the program and the library are built apart and lists
// of them cross between the two), so every offset is checked below.
//
// Texts are UTF-8, terminated within their field, and cut on a character
// boundary when they do not fit. The one exception is the CD identifier: 8
// characters without a terminator (an 8-digit disc ID fills it).

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// TSVT_Song::format.
inline constexpr std::int16_t SVT_FORMAT_MP3 = 1;
inline constexpr std::int16_t SVT_FORMAT_WAV = 2;
inline constexpr std::int16_t SVT_FORMAT_WMA = 4;
// TSVT_Song::genre and TSVT_Album::genre: the ID3v1 "no genre" number.
inline constexpr std::int16_t SVT_GENRE_NONE = 255;
// TSVT_Song::trash of a song in the library's trash (live songs hold 0).
inline constexpr std::int32_t SVT_TRASHED = -1;
// The id a record carries when it is to be added.
inline constexpr std::int32_t SVT_NEW_RECORD = -1;

// Bytes of a record's name fields, terminator included.
inline constexpr std::size_t SVT_NAME_BYTES = 64;
inline constexpr std::size_t SVT_CDID_BYTES = 8;

// One song. Sample rate, bit rate and BPM sit in bytes the program's layout
// leaves unused; the reserved bytes read back as zero.
struct TSVT_Song {
    std::int32_t id;             // 1 and up; 0 or below: not in the store
    std::int16_t genre;          // ID3v1 number, SVT_GENRE_NONE for none
    std::int16_t year;
    std::int32_t sampleRateHz;
    std::int32_t lengthMs;
    std::int16_t format;         // SVT_FORMAT_*
    std::int16_t bpm;
    std::uint8_t reserved20[12];
    std::int16_t track;
    std::int16_t trackCount;
    std::int32_t bitRateKbps;
    std::uint32_t createDate;    // seconds since 1970
    std::uint32_t changeDate;    // seconds since 1970
    std::int32_t trash;          // negative: in the trash
    std::uint8_t reserved52[36];
    std::int32_t tagType;
    std::uint8_t reserved92[16];
    char title[SVT_NAME_BYTES];
    char trackName[SVT_NAME_BYTES];  // the title as the tag's own copy holds it
    char artist[SVT_NAME_BYTES];
    char album[SVT_NAME_BYTES];
    char cdId[SVT_CDID_BYTES];       // no terminator
    char comment[SVT_NAME_BYTES];
    char path[MAX_PATH];
};
static_assert(sizeof(TSVT_Song) == 696, "song record layout");
static_assert(offsetof(TSVT_Song, genre) == 4 && offsetof(TSVT_Song, year) == 6);
static_assert(offsetof(TSVT_Song, lengthMs) == 12 && offsetof(TSVT_Song, format) == 16);
static_assert(offsetof(TSVT_Song, track) == 32 && offsetof(TSVT_Song, trackCount) == 34);
static_assert(offsetof(TSVT_Song, createDate) == 40 && offsetof(TSVT_Song, changeDate) == 44);
static_assert(offsetof(TSVT_Song, trash) == 48 && offsetof(TSVT_Song, tagType) == 88);
static_assert(offsetof(TSVT_Song, title) == 108 && offsetof(TSVT_Song, trackName) == 172);
static_assert(offsetof(TSVT_Song, artist) == 236 && offsetof(TSVT_Song, album) == 300);
static_assert(offsetof(TSVT_Song, cdId) == 364 && offsetof(TSVT_Song, comment) == 372);
static_assert(offsetof(TSVT_Song, path) == 436);
// The added fields stay inside the gaps the layout leaves.
static_assert(offsetof(TSVT_Song, sampleRateHz) == 8 && offsetof(TSVT_Song, bpm) == 18);
static_assert(offsetof(TSVT_Song, bitRateKbps) == 36);

struct TSVT_Artist {
    std::int32_t id;
    std::int32_t number;
    char name[SVT_NAME_BYTES];
};
static_assert(sizeof(TSVT_Artist) == 72, "artist record layout");
static_assert(offsetof(TSVT_Artist, number) == 4 && offsetof(TSVT_Artist, name) == 8);

struct TSVT_Album {
    std::int32_t id;
    std::int16_t year;
    std::int16_t genre;
    std::int32_t number;
    char name[SVT_NAME_BYTES];
    char artist[SVT_NAME_BYTES];
};
static_assert(sizeof(TSVT_Album) == 140, "album record layout");
static_assert(offsetof(TSVT_Album, year) == 4 && offsetof(TSVT_Album, genre) == 6);
static_assert(offsetof(TSVT_Album, number) == 8 && offsetof(TSVT_Album, name) == 12);
static_assert(offsetof(TSVT_Album, artist) == 76);

struct TSVT_Genre {
    std::int32_t id;
    std::int32_t number;
    std::int16_t genre;  // ID3v1 number
    std::int16_t reserved10;
    char name[SVT_NAME_BYTES];
};
static_assert(sizeof(TSVT_Genre) == 76, "genre record layout");
static_assert(offsetof(TSVT_Genre, number) == 4 && offsetof(TSVT_Genre, genre) == 8);
static_assert(offsetof(TSVT_Genre, name) == 12);

// A folder that holds songs, as the import reports it: the Library tab keeps
// it in the known-folder list with number as its sort key.
struct TKnownDirInfo {
    char path[MAX_PATH];
    std::int32_t value;   // songs found there
    std::int32_t number;  // the folder's sort number (its modification time)
};
static_assert(sizeof(TKnownDirInfo) == 268, "known folder record layout");
static_assert(offsetof(TKnownDirInfo, value) == 260 && offsetof(TKnownDirInfo, number) == 264);

// The library's folder record: favourite and excluded folders of the import.
struct TMvPath {
    char path[MAX_PATH];  // ends in a separator
    std::int32_t depth;   // how deep below the folder to look; 0: not used
    std::int32_t number;  // the folder's sort number in the known-folder list
};
static_assert(sizeof(TMvPath) == 268, "folder record layout");
static_assert(offsetof(TMvPath, depth) == 260 && offsetof(TMvPath, number) == 264);
