// Field queries: every operator over text and number columns and the empty
// column, counted, searched and matched in memory alike; conditions that
// are not valid.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/query.h"
#include "songvault/songvault.h"
#include "songvault/tests/query_lists.h"
#include "songvault/tests/record_fill.h"
#include "songvault/tests/store_fixture.h"

using svtest::FillText;
using svtest::QueryList;

namespace {

using Ids = std::vector<std::int32_t>;

MDB_Query Text(const char* column, std::int32_t op, std::string_view text) {
    return MDB_Query::Text(column, op, text);
}
MDB_Query Number(const char* column, std::int32_t op, std::int32_t number) {
    return MDB_Query::Number(column, op, number);
}

// Five songs with ids 1 to 5; song 4 is in the trash and never found.
class FieldQueries : public svtest::StoreTest {
protected:
    void SetUp() override {
        svtest::StoreTest::SetUp();
        struct Row {
            const char* title;
            const char* trackName;
            const char* artist;
            const char* album;
            const char* comment;
            const char* path;
            std::int16_t genre;
            std::int32_t lengthMs;
            std::uint32_t createDate;
            std::int16_t format;
            std::int32_t sampleRateHz;
            std::int32_t bitRateKbps;
            std::int16_t bpm;
            std::int16_t year;
        };
        const Row rows[] = {
            {"Blue Moon", "Blue Moon", "Ella", "Night Songs", "", "/music/ella/blue moon.mp3", 8,
             180000, 1000, SVT_FORMAT_MP3, 44100, 128, 90, 1961},
            {"Red Sky", "Red Sky (Live)", "BLUES Band", "Live", "100% live_take",
             "/music/band/red.wav", 0, 240000, 0xF0000000u, SVT_FORMAT_WAV, 22050, 1411, 120, 1975},
            {"Quiet", "Quiet", "Nobody", "Silence", "it's \"quoted\"",
             "/music/caf\xc3\xa9/Quiet.wma", 255, 60000, 2000, SVT_FORMAT_WMA, 48000, 64, 60, 2001},
            {"Blue Trash", "Blue Trash", "Ella", "Night Songs", "", "/music/ella/trash.mp3", 8,
             180000, 1000, SVT_FORMAT_MP3, 44100, 128, 90, 1961},
            {"Tiny", "Tiny", "\xc3\x89tienne", "Small", "", "/x/tiny.mp3", 17, 1000, 3000,
             SVT_FORMAT_MP3, 11025, 32, 200, 1999},
        };
        for (const Row& row : rows) {
            TSVT_Song song = svtest::MakeSong(row.path, row.title);
            FillText(song.trackName, row.trackName);
            FillText(song.artist, row.artist);
            FillText(song.album, row.album);
            FillText(song.comment, row.comment);
            song.genre = row.genre;
            song.lengthMs = row.lengthMs;
            song.createDate = row.createDate;
            song.format = row.format;
            song.sampleRateHz = row.sampleRateHz;
            song.bitRateKbps = row.bitRateKbps;
            song.bpm = row.bpm;
            song.year = row.year;
            ASSERT_GT(vault.AddSong(&song, false), 0);
            songs.push_back(song);
        }
        ASSERT_TRUE(vault.DeleteSong(4, false));
        songs[3].trash = SVT_TRASHED;
    }

    Ids ResultIds(std::int32_t count) {
        Ids ids;
        TSVT_Song song;
        for (std::int32_t i = 0; i < count; ++i) {
            EXPECT_TRUE(vault.GetQueryResult(i, &song));
            ids.push_back(song.id);
        }
        EXPECT_FALSE(vault.GetQueryResult(count, &song)) << "the results end after the count";
        return ids;
    }

    std::vector<TSVT_Song> songs;
};

TEST_F(FieldQueries, EveryOperatorOverTextNumberAndAnyColumn) {
    struct Case {
        const char* name;
        std::vector<MDB_Query> conditions;
        Ids expected;
    };
    const std::int32_t after2038 = static_cast<std::int32_t>(0xF0000000u);
    const Case cases[] = {
        {"text contains, folded", {Text("Title", MDB_OP_CONTAINS, "BLUE")}, {1}},
        {"contains looks at its own column only",
         {Text("TrackName", MDB_OP_CONTAINS, "live")},
         {2}},
        {"is compares whole texts", {Text("Title", MDB_OP_IS, "blue moon")}, {1}},
        {"is is not contains", {Text("Title", MDB_OP_IS, "blue")}, {}},
        {"is not", {Text("Title", MDB_OP_IS_NOT, "Blue Moon")}, {2, 3, 5}},
        {"less", {Text("Title", MDB_OP_LESS, "Q")}, {1}},
        {"greater", {Text("Title", MDB_OP_GREATER, "red")}, {2, 5}},
        {"at most", {Text("Title", MDB_OP_AT_MOST, "quiet")}, {1, 3}},
        {"at least", {Text("Title", MDB_OP_AT_LEAST, "Red Sky")}, {2, 5}},
        {"percent is a letter", {Text("Comment", MDB_OP_CONTAINS, "0%")}, {2}},
        {"underscore is a letter", {Text("Comment", MDB_OP_CONTAINS, "e_t")}, {2}},
        {"quotes", {Text("Comment", MDB_OP_CONTAINS, "\"quoted\"")}, {3}},
        {"path bytes", {Text("FilePath", MDB_OP_CONTAINS, "caf\xc3\xa9/")}, {3}},
        {"only ASCII folds", {Text("FilePath", MDB_OP_CONTAINS, "CAF\xc3\x89")}, {}},
        {"only ASCII folds, artist", {Text("Artist", MDB_OP_CONTAINS, "\xc3\xa9tienne")}, {}},
        {"album column", {Text("Album", MDB_OP_IS, "live")}, {2}},
        {"artist column", {Text("Artist", MDB_OP_CONTAINS, "blues")}, {2}},
        {"a number on a text column is its digits", {Number("Comment", MDB_OP_CONTAINS, 100)}, {2}},
        {"empty column contains", {Text("", MDB_OP_CONTAINS, "blue")}, {1, 2}},
        {"operator 0 looks at every text column",
         {Text("Title", MDB_OP_ANY_CONTAINS, "band")},
         {2}},
        {"operator 0, no column", {Text("", MDB_OP_ANY_CONTAINS, "SILENCE")}, {3}},
        {"empty column is", {Text("", MDB_OP_IS, "live")}, {2}},
        {"empty column is not: no column is it", {Text("", MDB_OP_IS_NOT, "live")}, {1, 3, 5}},
        {"number contains means equal", {Number("Genre", MDB_OP_CONTAINS, 0)}, {2}},
        {"number is", {Number("Genre", MDB_OP_IS, 255)}, {3}},
        {"number is not", {Number("BPM", MDB_OP_IS_NOT, 90)}, {2, 3, 5}},
        {"number less", {Number("Length", MDB_OP_LESS, 180000)}, {3, 5}},
        {"number greater", {Number("Length", MDB_OP_GREATER, 180000)}, {2}},
        {"number at least", {Number("Length", MDB_OP_AT_LEAST, 180000)}, {1, 2}},
        {"number at most", {Number("BitRate", MDB_OP_AT_MOST, 64)}, {3, 5}},
        {"format", {Number("Format", MDB_OP_IS, SVT_FORMAT_WMA)}, {3}},
        {"sample rate", {Number("SampleRate", MDB_OP_IS, 22050)}, {2}},
        {"dates past 2038 read unsigned", {Number("CreateDate", MDB_OP_AT_LEAST, after2038)}, {2}},
        {"dates before", {Number("CreateDate", MDB_OP_LESS, 2500)}, {1, 3}},
        {"a year range",
         {Number("Year", MDB_OP_AT_LEAST, 1960), Number("Year", MDB_OP_AT_MOST, 1980)},
         {1, 2}},
        {"all conditions hold",
         {Text("Artist", MDB_OP_CONTAINS, "e"), Number("Year", MDB_OP_LESS, 1970)},
         {1}},
        {"no song meets both",
         {Text("Title", MDB_OP_CONTAINS, "blue"), Number("Genre", MDB_OP_IS, 0)},
         {}},
        {"a value with SQL in it is a text",
         {Text("Title", MDB_OP_IS_NOT, "x' OR 1=1 --")},
         {1, 2, 3, 5}},
        {"and runs nothing", {Text("", MDB_OP_CONTAINS, "'; DROP TABLE song; --")}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QueryList conditions(c.conditions);
        const std::int32_t count = vault.FindSongsBySQL(conditions.get());
        EXPECT_EQ(ResultIds(count), c.expected);
        EXPECT_EQ(vault.GetSongCount(conditions.get()),
                  static_cast<std::int32_t>(c.expected.size()));
        Ids matched;
        for (const TSVT_Song& song : songs) {
            if (vault.MatchesQuery(&song, nullptr, conditions.get())) matched.push_back(song.id);
        }
        EXPECT_EQ(matched, c.expected) << "a match in memory agrees with the search";
    }
    EXPECT_EQ(vault.GetSongCount(), 5);
}

TEST_F(FieldQueries, MatchesQueryWantsOneOfAnyOfAndAllOfAllOf) {
    const TSVT_Song& redSky = songs[1];
    const QueryList none({});
    const QueryList redOrNothing(
        {Text("Title", MDB_OP_CONTAINS, "red"), Text("Title", MDB_OP_CONTAINS, "zzz")});
    const QueryList nothing({Text("Title", MDB_OP_CONTAINS, "zzz")});
    const QueryList wavFrom1975(
        {Number("Format", MDB_OP_IS, SVT_FORMAT_WAV), Number("Year", MDB_OP_IS, 1975)});
    const QueryList wavFrom1976(
        {Number("Format", MDB_OP_IS, SVT_FORMAT_WAV), Number("Year", MDB_OP_IS, 1976)});
    struct Case {
        const char* name;
        const MvList<MDB_Query*>* anyOf;
        const MvList<MDB_Query*>* allOf;
        bool matches;
    };
    const Case cases[] = {
        {"null lists impose nothing", nullptr, nullptr, true},
        {"empty lists impose nothing", none.get(), none.get(), true},
        {"one of anyOf is enough", redOrNothing.get(), nullptr, true},
        {"none of anyOf", nothing.get(), none.get(), false},
        {"every one of allOf", nullptr, wavFrom1975.get(), true},
        {"one of allOf fails", nullptr, wavFrom1976.get(), false},
        {"both lists", redOrNothing.get(), wavFrom1975.get(), true},
        {"anyOf fails with allOf met", nothing.get(), wavFrom1975.get(), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vault.MatchesQuery(&redSky, c.anyOf, c.allOf), c.matches) << c.name;
    }
    // The searches leave the trash out, and so does the match.
    EXPECT_FALSE(vault.MatchesQuery(&songs[3], nullptr, nullptr));
}

TEST_F(FieldQueries, ConditionsThatAreNotValidFailWithTheirCode) {
    struct Case {
        const char* name;
        MDB_Query condition;
        std::uint32_t code;
    };
    MDB_Query unterminated = Text("", MDB_OP_CONTAINS, "x");
    std::memcpy(unterminated.column, "TitleTitleTitleT", sizeof unterminated.column);
    const Case cases[] = {
        {"unknown column", Text("Rating", MDB_OP_CONTAINS, "x"), SONGVAULT_ERR_QUERY_COLUMN},
        {"a column with SQL after it", Text("Title;", MDB_OP_CONTAINS, "x"),
         SONGVAULT_ERR_QUERY_COLUMN},
        {"a column spelt otherwise", Text("title", MDB_OP_CONTAINS, "x"),
         SONGVAULT_ERR_QUERY_COLUMN},
        {"a column of the table not offered", Text("cd_id", MDB_OP_CONTAINS, "x"),
         SONGVAULT_ERR_QUERY_COLUMN},
        {"a column filling its field", unterminated, SONGVAULT_ERR_QUERY_COLUMN},
        {"operator past the last", Text("Title", 8, "x"), SONGVAULT_ERR_QUERY_OPERATOR},
        {"negative operator", Number("Year", -1, 1), SONGVAULT_ERR_QUERY_OPERATOR},
        {"text on a number column", Text("Year", MDB_OP_IS, "1975"), SONGVAULT_ERR_QUERY_VALUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A valid condition first: the whole list fails all the same.
        const QueryList conditions({Number("Year", MDB_OP_AT_LEAST, 0), c.condition});
        ASSERT_EQ(vault.FindSongsByText("blue"), 2);
        EXPECT_EQ(vault.FindSongsBySQL(conditions.get()), -1);
        EXPECT_EQ(GetLastError(), c.code);
        TSVT_Song song;
        EXPECT_FALSE(vault.GetQueryResult(0, &song)) << "the earlier results are gone";
        EXPECT_EQ(vault.GetSongCount(conditions.get()), -1);
        EXPECT_EQ(GetLastError(), c.code);
        EXPECT_FALSE(vault.MatchesQuery(&songs[0], nullptr, conditions.get()));
        EXPECT_EQ(GetLastError(), c.code);
        EXPECT_FALSE(vault.MatchesQuery(&songs[0], conditions.get(), nullptr));
        EXPECT_EQ(GetLastError(), c.code);
    }
}

TEST_F(FieldQueries, NoConditionsFindNothingAndCountZero) {
    const QueryList none({});
    ASSERT_GT(vault.FindSongsByText(""), 0);
    EXPECT_EQ(vault.FindSongsBySQL(none.get()), 0);
    EXPECT_EQ(vault.FindSongsBySQL(nullptr), 0);
    TSVT_Song song;
    EXPECT_FALSE(vault.GetQueryResult(0, &song));
    EXPECT_EQ(vault.GetSongCount(none.get()), 0);
    EXPECT_EQ(vault.GetSongCount(nullptr), 0);
    EXPECT_EQ(vault.GetSongCount(), 5) << "the plain count still counts every song";
}

TEST_F(FieldQueries, AClosedStoreAnswersWithItsCode) {
    const QueryList year({Number("Year", MDB_OP_AT_LEAST, 0)});
    ASSERT_EQ(vault.FindSongsByText("blue"), 2);
    ASSERT_TRUE(vault.Shutdown(nullptr));
    TSVT_Song song;
    EXPECT_EQ(vault.FindSongsByText("blue"), -1);
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_OPEN);
    EXPECT_EQ(vault.FindSongsBySQL(year.get()), -1);
    EXPECT_EQ(vault.GetSongCount(year.get()), -1);
    EXPECT_FALSE(vault.GetQueryResult(0, &song));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_OPEN);
    EXPECT_TRUE(vault.MatchesQuery(&songs[0], nullptr, year.get())) << "a match needs no store";

    // A store opened again starts without results.
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_FALSE(vault.GetQueryResult(0, &song));
    EXPECT_EQ(vault.FindSongsByText("blue"), 2);
}

}  // namespace
