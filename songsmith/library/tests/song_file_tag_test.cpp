// What a library song's record writes into its file's tag.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "songsmith/library/song_file_tag.h"
#include "songsmith/library/tests/library_song_record.h"
#include "testsupport/temp_dir.h"
#include "tonecore/tags/music_info.h"

namespace {

TEST(SongFileTag, TheRecordFillsTheTagWithItsWholeCdIdentifierAndTheGenresName) {
    TSVT_Song song = libtest::Song("Title", "Artist", "Album", 8, "/music/a.mp3");
    // All eight characters of the disc ID, with no terminator after them.
    std::memcpy(song.cdId, "0a00c102", 8);
    std::strcpy(song.comment, "note");
    song.year = 2024;
    song.track = 3;
    song.trackCount = 12;
    song.tagType = 2;
    auto info = std::make_unique<TMusicInfo>();
    FillSongTagInfo(song, *info);
    EXPECT_STREQ(info->title, "Title");
    EXPECT_STREQ(info->artist, "Artist");
    EXPECT_STREQ(info->album, "Album");
    EXPECT_STREQ(info->genre, "Jazz");
    EXPECT_STREQ(info->comment, "note");
    ASSERT_EQ(info->cdIdentifierLength, 8u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info->cdIdentifier), 8), "0a00c102");
    EXPECT_EQ(info->year, 2024);
    EXPECT_EQ(info->genreIndex, 8);
    EXPECT_EQ(info->trackNumber, 3);
    EXPECT_EQ(info->trackCount, 12);
    EXPECT_EQ(info->tagType, 2);

    // No genre: no genre name.
    song.genre = 255;
    FillSongTagInfo(song, *info);
    EXPECT_STREQ(info->genre, "");
    EXPECT_EQ(info->genreIndex, 255);
}

TEST(SongFileTag, AWriteThatFailsIsReportedAndOtherFormatsAreLeftAlone) {
    testsupport::TempDir dir;
    TSVT_Song song = libtest::Song("Title", "Artist", "Album", 8, dir.File("missing.mp3"));
    song.format = SVT_FORMAT_MP3;
    TSVT_Song before = song;
    std::strcpy(before.title, "Old");
    EXPECT_FALSE(WriteSongFileTag(before, song)) << "the file is not there";
    EXPECT_TRUE(WriteSongFileTag(song, song)) << "an edit that changed no tag field writes nothing";
    song.format = 0;
    EXPECT_TRUE(WriteSongFileTag(before, song)) << "a format without a tag writer has nothing to write";
}

TEST(SongFileTag, TheFieldsThatDifferAreTheOnesWritten) {
    const TSVT_Song base = libtest::Song("Title", "Artist", "Album", 8, "/music/a.mp3");
    struct TCase {
        const char* name;
        void (*change)(TSVT_Song&);
        std::uint32_t fields;
    };
    const TCase cases[] = {
        {"nothing", [](TSVT_Song&) {}, 0},
        {"path only", [](TSVT_Song& s) { std::strcpy(s.path, "/music/b.mp3"); }, 0},
        {"title", [](TSVT_Song& s) { std::strcpy(s.title, "Other"); }, kTagFieldTitle},
        {"comment", [](TSVT_Song& s) { std::strcpy(s.comment, "note"); }, kTagFieldComment},
        {"artist and album", [](TSVT_Song& s) {
             std::strcpy(s.artist, "B");
             std::strcpy(s.album, "C");
         }, kTagFieldArtist | kTagFieldAlbum},
        {"year and genre", [](TSVT_Song& s) {
             s.year = 2001;
             s.genre = 255;
         }, kTagFieldYear | kTagFieldGenre},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TSVT_Song after = base;
        c.change(after);
        EXPECT_EQ(ChangedTagFields(base, after), c.fields);
    }
}

}  // namespace
