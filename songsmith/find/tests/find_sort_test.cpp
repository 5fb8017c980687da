// The order of the Find page's rows by column: each column's comparison
// over pairs of rows that differ in what the column shows, and the
// direction of a first and a second click.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "songsmith/find/find_sort.h"

namespace {

struct TRowFacts {
    const char* title = "";
    const char* album = "";
    const char* artist = "";
    const char* path = "/m/song.mp3";
    std::int32_t lengthMs = 0;
    std::int32_t playlistCount = 1;
    std::time_t date = 0;
    std::uint32_t size = 0;
    std::int32_t genre = 0;
    const char* format = "";
    bool inSession = false;
};

TFoundRow Row(const TRowFacts& facts) {
    TFoundRow row;
    CSongEntry& entry = row.entry;
    std::snprintf(entry.musicInfo.title, sizeof entry.musicInfo.title, "%s", facts.title);
    std::snprintf(entry.musicInfo.album, sizeof entry.musicInfo.album, "%s", facts.album);
    std::snprintf(entry.musicInfo.artist, sizeof entry.musicInfo.artist, "%s", facts.artist);
    std::snprintf(entry.path, sizeof entry.path, "%s", facts.path);
    std::snprintf(entry.formatText, sizeof entry.formatText, "%s", facts.format);
    entry.lengthMs = facts.lengthMs;
    entry.playlistCount = facts.playlistCount;
    entry.size = facts.size;
    entry.musicInfo.genreIndex = facts.genre;
    row.date = facts.date;
    row.inSession = facts.inSession;
    return row;
}

struct TCompareCase {
    const char* name;
    int column;
    TRowFacts first;
    TRowFacts second;
    int expected;  // the sign: first before (-1), after (1), same (0)
};

int SignOf(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

TEST(FindSortTest, EachColumnComparesRowsByItsOwnRule) {
    const TCompareCase cases[] = {
        // Rows in the session after the others.
        {"session mark after", 0, {.inSession = true}, {.inSession = false}, 1},
        {"session mark before", 0, {.inSession = false}, {.inSession = true}, -1},
        {"session marks equal", 0, {.inSession = true}, {.inSession = true}, 0},
        // Texts without case, the second against the first: Z to A.
        {"title", 1, {.title = "apple"}, {.title = "Banana"}, 1},
        {"title case only", 1, {.title = "ABC"}, {.title = "abc"}, 0},
        {"album", 3, {.album = "Zoo"}, {.album = "alpha"}, -1},
        {"artist", 4, {.artist = "bob"}, {.artist = "BOBBY"}, 1},
        {"location", 10, {.path = "/M/b.mp3"}, {.path = "/m/A.mp3"}, -1},
        // The longer first, then the larger playlist.
        {"length", 2, {.lengthMs = 5000}, {.lengthMs = 3000}, -1},
        {"equal lengths, playlist counts", 2,
         {.path = "/m/a.m3u", .playlistCount = 3},
         {.path = "/m/b.m3u", .playlistCount = 7},
         1},
        {"equal lengths and counts", 2, {.lengthMs = 4000}, {.lengthMs = 4000}, 0},
        // The larger first.
        {"date", 5, {.date = 100}, {.date = 200}, 1},
        {"size", 8, {.size = 9000}, {.size = 200}, -1},
        // Genre names byte by byte, second against first; out of the table
        // both ways reads "No genre".
        {"genre names", 6, {.genre = 0}, {.genre = 17}, 1},          // Blues, Rock
        {"genre 126 and -1", 6, {.genre = 126}, {.genre = -1}, 0},
        {"genre in and out of the table", 6, {.genre = 0}, {.genre = 126}, 1},  // Blues, No genre
        // Type names, "?" for a file of no known type.
        {"types", 7, {.path = "/m/a.mp3"}, {.path = "/m/b.wav"}, 1},  // MP3, WAV
        {"unknown type", 7, {.path = "/m/a.wav"}, {.path = "/m/b.xyz"}, -1},  // WAV, ?
        {"two unknown types", 7, {.path = "/m/a.ogg"}, {.path = "/m/b.xyz"}, 0},
        // The format text, first against second: A to Z.
        {"format", 9, {.format = "MP3 128"}, {.format = "WAV 44"}, -1},
        {"no such column", 11, {.title = "a"}, {.title = "b"}, 0},
    };
    for (const TCompareCase& c : cases) {
        EXPECT_EQ(SignOf(CompareFoundRows(c.column, Row(c.first), Row(c.second))), c.expected) << c.name;
    }
}

std::vector<std::string> Titles(const std::vector<TFoundRow>& rows) {
    std::vector<std::string> titles;
    for (const TFoundRow& row : rows) titles.push_back(row.entry.musicInfo.title);
    return titles;
}

TEST(FindSortTest, AFirstClickSortsByTheRuleAndASecondTurnsTheOrder) {
    std::vector<TFoundRow> rows = {Row({.title = "b", .format = "WAV"}), Row({.title = "A", .format = "MP3"}),
                                   Row({.title = "c", .format = "AAC"})};
    TFindSortOrder order;
    order.Click(1);
    EXPECT_FALSE(order.descending);
    SortFoundRows(rows, order);
    EXPECT_EQ(Titles(rows), (std::vector<std::string>{"c", "b", "A"}));
    order.Click(1);
    EXPECT_TRUE(order.descending);
    SortFoundRows(rows, order);
    EXPECT_EQ(Titles(rows), (std::vector<std::string>{"A", "b", "c"}));
    order.Click(1);
    EXPECT_FALSE(order.descending);

    // Another column's first click is never descending; the format column
    // lists A to Z.
    order.Click(9);
    EXPECT_FALSE(order.descending);
    SortFoundRows(rows, order);
    EXPECT_EQ(Titles(rows), (std::vector<std::string>{"c", "A", "b"}));
    order.Click(9);
    SortFoundRows(rows, order);
    EXPECT_EQ(Titles(rows), (std::vector<std::string>{"b", "A", "c"}));

    // Rows the column does not tell apart keep their order.
    std::vector<TFoundRow> same = {Row({.title = "x", .size = 5}), Row({.title = "y", .size = 5}),
                                   Row({.title = "z", .size = 9})};
    TFindSortOrder bySize;
    bySize.Click(8);
    SortFoundRows(same, bySize);
    EXPECT_EQ(Titles(same), (std::vector<std::string>{"z", "x", "y"}));
}

}  // namespace
