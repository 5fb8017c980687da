#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/songvault.h"
#include "songvault/tests/record_fill.h"
#include "songvault/tests/store_fixture.h"

using svtest::MakeSong;
using svtest::SameBytes;

namespace {

class SongCalls : public svtest::StoreTest {};

TEST_F(SongCalls, EveryFieldComesBackByteForByte) {
    TSVT_Song song = MakeSong("/music/a.mp3");
    // All 8 bytes of the CD identifier are its own: no terminator.
    std::memcpy(song.cdId, "0123abcd", 8);
    ASSERT_GT(vault.AddSong(&song, false), 0);

    TSVT_Song back;
    std::memset(&back, 0xAB, sizeof back);
    ASSERT_TRUE(vault.GetSong(song.id, &back, true));
    EXPECT_TRUE(SameBytes(song, back));
    EXPECT_EQ(std::string(back.cdId, 8), "0123abcd");
    EXPECT_EQ(back.createDate, 0xF0000000u);
    EXPECT_EQ(back.sampleRateHz, 44100);
    EXPECT_EQ(back.bitRateKbps, 192);
    EXPECT_EQ(back.bpm, 128);
}

// The CD tab posts a zero-filled record with id 0; the rip path sets the id
// from FindSongByPath; a stale id may name a song that is long gone.
TEST_F(SongCalls, AddSongInsertsUnlessTheIdOrPathNamesASong) {
    ASSERT_EQ(Add("/music/first.mp3", "First"), 1) << "ids start at 1";

    struct Case {
        const char* name;
        std::int32_t id;
        const char* path;
        std::int32_t expectedId;
        bool added;
    };
    const Case cases[] = {
        {"zero id", 0, "/music/zero.mp3", 2, true},
        {"negative id", -5, "/music/negative.mp3", 3, true},
        {"unknown id", 9999, "/music/unknown.mp3", 4, true},
        {"known id", 1, "/music/first-renamed.mp3", 1, false},
        {"zero id, known path", 0, "/music/zero.mp3", 2, false},
        {"unknown id, known path", 8888, "/music/negative.mp3", 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t before = vault.GetSongCount();
        TSVT_Song song = MakeSong(c.path, c.name);
        song.id = c.id;
        EXPECT_EQ(vault.AddSong(&song, false), c.expectedId);
        EXPECT_EQ(song.id, c.expectedId) << "the id goes back into the record";
        EXPECT_EQ(vault.GetSongCount(), before + (c.added ? 1 : 0));
        TSVT_Song stored;
        ASSERT_TRUE(vault.GetSong(c.expectedId, &stored));
        EXPECT_STREQ(stored.title, c.name);
        EXPECT_STREQ(stored.path, c.path);
    }
    TSVT_Song stale;
    EXPECT_FALSE(vault.GetSong(9999, &stale));
}

TEST_F(SongCalls, UpdateSongAddsOnlyForMinusOne) {
    TSVT_Song song = MakeSong("/music/u.mp3");
    ASSERT_TRUE(vault.UpdateSong(&song));
    EXPECT_EQ(song.id, 1);

    svtest::FillText(song.title, "Changed");
    ASSERT_TRUE(vault.UpdateSong(&song));
    TSVT_Song stored;
    ASSERT_TRUE(vault.GetSong(1, &stored));
    EXPECT_STREQ(stored.title, "Changed");

    song.id = 77;
    EXPECT_FALSE(vault.UpdateSong(&song));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);
    EXPECT_EQ(vault.GetSongCount(), 1);
}

TEST_F(SongCalls, APathBelongsToOneSong) {
    const std::int32_t a = Add("/music/a.mp3");
    Add("/music/b.mp3");
    TSVT_Song b;
    ASSERT_TRUE(vault.FindSongByPath(&b, "/music/b.mp3", 0));
    svtest::FillText(b.path, "/music/a.mp3");
    EXPECT_FALSE(vault.UpdateSong(&b));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TAKEN);

    TSVT_Song twin = MakeSong("/music/a.mp3");
    EXPECT_FALSE(vault.UpdateSong(&twin));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TAKEN);
    EXPECT_EQ(vault.GetSongCount(), 2);
    TSVT_Song stored;
    ASSERT_TRUE(vault.FindSongByPath(&stored, "/music/a.mp3", 0));
    EXPECT_EQ(stored.id, a);
}

TEST_F(SongCalls, FindSongByPathComparesExactBytes) {
    // Not valid UTF-8: a file name from an old disk, kept as it is.
    const std::string odd = "/music/caf\xe9.mp3";
    Add("/music/Song.mp3");
    Add(odd);
    Add("/music/song.mp3 ");

    TSVT_Song song;
    EXPECT_TRUE(vault.FindSongByPath(&song, "/music/Song.mp3", 0));
    EXPECT_STREQ(song.path, "/music/Song.mp3");
    EXPECT_TRUE(vault.FindSongByPath(&song, odd.c_str(), 0));
    EXPECT_EQ(std::string(song.path), odd);
    for (const char* miss : {"/music/song.mp3", "/music/SONG.MP3", "/music//Song.mp3", "/music/caf\xc3\xa9.mp3"}) {
        EXPECT_FALSE(vault.FindSongByPath(&song, miss, 0)) << miss;
        EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);
    }
}

TEST_F(SongCalls, TextsAreCutOnACharacterBoundary) {
    // 62 ASCII bytes and a two-byte character across byte 63.
    const std::string across = std::string(62, 'a') + "\xc3\xa9";
    const std::string fits = std::string(61, 'b') + "\xc3\xa9";
    TSVT_Song song = MakeSong("/music/cut.mp3");
    svtest::FillText(song.title, across);    // fills all 64 bytes, no terminator
    svtest::FillText(song.artist, fits);     // 63 bytes and the terminator
    svtest::FillText(song.comment, std::string(80, 'c'));
    ASSERT_GT(vault.AddSong(&song, false), 0);

    TSVT_Song stored;
    ASSERT_TRUE(vault.GetSong(song.id, &stored));
    EXPECT_EQ(std::string(stored.title), std::string(62, 'a'));
    EXPECT_EQ(std::string(stored.artist), fits);
    EXPECT_EQ(std::string(stored.comment), std::string(63, 'c'));
    EXPECT_TRUE(SameBytes(song, stored)) << "the caller's record holds what was stored";
}

TEST_F(SongCalls, APathTooLongForItsFieldIsRefused) {
    std::string longPath(260, 'p');
    longPath[0] = '/';
    TSVT_Song song = MakeSong("");
    std::memcpy(song.path, longPath.data(), sizeof song.path);  // no room for a terminator
    const TSVT_Song original = song;

    EXPECT_EQ(vault.AddSong(&song, false), -1);
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TOO_LONG);
    EXPECT_FALSE(vault.UpdateSong(&song));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TOO_LONG);
    EXPECT_TRUE(SameBytes(song, original));
    EXPECT_FALSE(vault.FindSongByPath(&song, longPath.c_str(), 0));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_PATH_TOO_LONG);
    EXPECT_EQ(vault.GetSongCount(), 0);

    // 259 bytes still fit.
    svtest::FillText(song.path, longPath.substr(0, 259));
    EXPECT_GT(vault.AddSong(&song, false), 0);
}

TEST_F(SongCalls, ABlankTitleBecomesTheFileName) {
    const std::string longName = std::string(60, 'n') + "\xc3\xa9\xc3\xa9.mp3";
    struct Case {
        const char* title;
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"", "/music/Untitled Track.wav", "Untitled Track.wav"},
        {" \t ", "/music/spaces.mp3", "spaces.mp3"},
        {"", "/music/" + longName, std::string(60, 'n') + "\xc3\xa9"},
        // A name that is not UTF-8 (copied from an older system) keeps its
        // bytes in the path; the title is its text read as Windows-1252.
        {"", "/music/caf\xe9 \x80.mp3", "caf\xc3\xa9 \xe2\x82\xac.mp3"},
        {"Kept", "/music/kept.mp3", "Kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TSVT_Song song = MakeSong(c.path, c.title);
        ASSERT_GT(vault.AddSong(&song, false), 0);
        EXPECT_EQ(std::string(song.title), c.expected);
        TSVT_Song stored;
        ASSERT_TRUE(vault.GetSong(song.id, &stored));
        EXPECT_EQ(std::string(stored.title), c.expected);

        // An edit that blanks the title later gets the same treatment.
        svtest::FillText(stored.title, "");
        ASSERT_TRUE(vault.UpdateSong(&stored));
        ASSERT_TRUE(vault.GetSong(song.id, &stored));
        EXPECT_FALSE(std::string(stored.title).empty());
    }
}

TEST_F(SongCalls, TheWalkVisitsEverySongInIdOrderOverGapsAndTrash) {
    for (int i = 1; i <= 6; ++i) Add("/music/" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(vault.DeleteSong(2, false));                                 // in the trash
    ASSERT_TRUE(vault.DeleteSong(4, false) && vault.DeleteSong(4, false));  // gone
    ASSERT_TRUE(vault.DeleteSong(6, false) && vault.DeleteSong(6, false));  // gone, the last

    std::vector<std::int32_t> seen;
    std::vector<std::int32_t> trashed;
    TSVT_Song song;
    for (std::int32_t pos = vault.GetFirstSong(&song); pos != -1; pos = vault.GetNextSong(pos, &song)) {
        ASSERT_GE(pos, 0);
        seen.push_back(song.id);
        if (song.trash < 0) trashed.push_back(song.id);
        ASSERT_LT(seen.size(), 10u) << "the walk does not end";
    }
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2, 3, 5}));
    EXPECT_EQ(trashed, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(vault.GetSongCount(), 4);

    // The end fills nothing.
    std::memset(&song, 0x5A, sizeof song);
    const TSVT_Song untouched = song;
    EXPECT_EQ(vault.GetNextSong(5, &song), -1);
    EXPECT_TRUE(SameBytes(song, untouched));
}

TEST_F(SongCalls, AnEmptyStoreEndsTheWalkAtOnce) {
    TSVT_Song song;
    EXPECT_EQ(vault.GetFirstSong(&song), -1);
    EXPECT_EQ(vault.GetSongCount(), 0);
}

TEST_F(SongCalls, DeleteMovesToTheTrashThenRemoves) {
    const std::int32_t id = Add("/music/d.mp3");
    TSVT_Song song;

    ASSERT_TRUE(vault.DeleteSong(id, false));
    ASSERT_TRUE(vault.GetSong(id, &song)) << "a song in the trash is still found";
    EXPECT_EQ(song.trash, SVT_TRASHED);
    ASSERT_TRUE(vault.FindSongByPath(&song, "/music/d.mp3", 0));

    ASSERT_TRUE(vault.UndeleteSong(id));
    ASSERT_TRUE(vault.GetSong(id, &song));
    EXPECT_EQ(song.trash, 0);

    ASSERT_TRUE(vault.DeleteSong(id, false));
    ASSERT_TRUE(vault.DeleteSong(id, false));
    EXPECT_FALSE(vault.GetSong(id, &song));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);
    EXPECT_FALSE(vault.DeleteSong(id, false));
    EXPECT_FALSE(vault.UndeleteSong(id));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);

    // Ids are never handed out again, so an old id never names a new song.
    EXPECT_GT(Add("/music/d.mp3"), id);
}

TEST_F(SongCalls, DeletingTheFileFailsWithoutTouchingTheSong) {
    const std::int32_t id = Add("/music/keep.mp3");
    ASSERT_TRUE(vault.DeleteSong(id, false));
    EXPECT_FALSE(vault.DeleteSong(id, true));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_FILE_TRASH);
    TSVT_Song song;
    ASSERT_TRUE(vault.GetSong(id, &song));
    EXPECT_EQ(song.trash, SVT_TRASHED);
}

}  // namespace
