// The text search, run through the index and through the reference scan of
// every row: the six searched columns, agreement with the import's match,
// hostile texts, songs that vanish after a search, and writes the index
// must follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "songvault/search_state.h"
#include "songvault/songvault.h"
#include "songvault/tests/query_lists.h"
#include "songvault/tests/record_fill.h"
#include "songvault/tests/store_fixture.h"

using songvault::TextSearchPath;

namespace songvault {
// Test names and messages name the path.
void PrintTo(TextSearchPath path, std::ostream* out) {
    *out << (path == TextSearchPath::kIndex ? "index" : "row scan");
}
}  // namespace songvault
using svtest::FillText;
using svtest::QueryList;

namespace {

using Ids = std::vector<std::int32_t>;

class TextSearch : public svtest::StoreTest, public ::testing::WithParamInterface<TextSearchPath> {
protected:
    void SetUp() override {
        songvault::SetTextSearchPath(GetParam());
        svtest::StoreTest::SetUp();
    }
    void TearDown() override {
        svtest::StoreTest::TearDown();
        songvault::SetTextSearchPath(TextSearchPath::kIndex);
    }

    // A song whose texts hold none of the searched words.
    TSVT_Song Plain(const std::string& path) {
        TSVT_Song song = svtest::MakeSong(path, "Plain");
        FillText(song.trackName, "Plain");
        FillText(song.artist, "Nobody");
        FillText(song.album, "Nothing");
        FillText(song.comment, "");
        return song;
    }

    std::int32_t AddSong(TSVT_Song song) { return vault.AddSong(&song, false); }

    Ids Search(const std::string& text) {
        const std::int32_t count = vault.FindSongsByText(text.c_str());
        EXPECT_GE(count, 0) << text;
        Ids ids;
        TSVT_Song song;
        for (std::int32_t i = 0; i < count && vault.GetQueryResult(i, &song); ++i)
            ids.push_back(song.id);
        EXPECT_EQ(ids.size(), static_cast<std::size_t>(std::max(count, 0)));
        return ids;
    }

    // Every song of the store, read by the walk.
    std::vector<TSVT_Song> AllSongs() {
        std::vector<TSVT_Song> songs;
        TSVT_Song song;
        for (std::int32_t pos = vault.GetFirstSong(&song); pos != -1;
             pos = vault.GetNextSong(pos, &song)) {
            songs.push_back(song);
        }
        return songs;
    }

    // The songs that the import's six-condition match accepts.
    Ids MatchedByImportRule(const std::vector<TSVT_Song>& songs, const std::string& text) {
        const QueryList six(svtest::SixTextConditions(text));
        Ids ids;
        for (const TSVT_Song& song : songs) {
            if (vault.MatchesQuery(&song, six.get(), nullptr)) ids.push_back(song.id);
        }
        return ids;
    }
};

TEST_P(TextSearch, EachOfTheSixColumnsIsSearchedAndNothingElse) {
    struct Case {
        const char* where;
        void (*put)(TSVT_Song&);
        bool found;
    };
    const Case cases[] = {
        {"title only", [](TSVT_Song& s) { FillText(s.title, "My Needle Song"); }, true},
        {"title copy only", [](TSVT_Song& s) { FillText(s.trackName, "needle (remix)"); }, true},
        {"artist only", [](TSVT_Song& s) { FillText(s.artist, "The NEEDLES"); }, true},
        {"album only", [](TSVT_Song& s) { FillText(s.album, "haystackneedle"); }, true},
        {"comment only", [](TSVT_Song& s) { FillText(s.comment, "a needle"); }, true},
        {"path only", [](TSVT_Song& s) { FillText(s.path, "/music/needle/plain.mp3"); }, true},
        {"CD identifier", [](TSVT_Song& s) { std::memcpy(s.cdId, "needle00", 8); }, false},
        {"split across two columns",
         [](TSVT_Song& s) {
             FillText(s.title, "nee");
             FillText(s.trackName, "dle");
         },
         false},
        {"in the trash",
         [](TSVT_Song& s) {
             FillText(s.title, "needle");
             s.trash = SVT_TRASHED;
         },
         false},
    };
    Ids expected;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TSVT_Song song = Plain("/music/plain" + std::to_string(i) + ".mp3");
        cases[i].put(song);
        const std::int32_t id = AddSong(song);
        ASSERT_GT(id, 0) << cases[i].where;
        if (cases[i].found) expected.push_back(id);

        TSVT_Song stored;
        ASSERT_TRUE(vault.GetSong(id, &stored));
        const QueryList six(svtest::SixTextConditions("Needle"));
        EXPECT_EQ(vault.MatchesQuery(&stored, six.get(), nullptr), cases[i].found)
            << cases[i].where;
    }
    EXPECT_EQ(Search("Needle"), expected);
    EXPECT_EQ(Search("NEEDLE"), expected);
    EXPECT_EQ(Search(""), (Ids{1, 2, 3, 4, 5, 6, 7, 8}))
        << "the empty text is in every song outside the trash";
    EXPECT_EQ(Search("needle!"), Ids{});
}

// Words with mixed case: generated ones, some with characters that mean
// something to SQL patterns, and non-ASCII letters.
std::string RandomWord(std::mt19937& random) {
    static const char* const kOdd[] = {"o'clock",     "50%",         "my_song",
                                       "back\\slash", "caf\xc3\xa9", "CAF\xc3\x89"};
    static const char* const kSyllables[] = {"mo", "ON",  "ri", "ver", "Sky", "blu", "es",  "ka",
                                             "TE", "lo",  "Na", "zu",  "pi",  "ar",  "Du",  "gel",
                                             "fo", "tha", "WI", "en",  "ru",  "so",  "qua", "ix"};
    if (random() % 8 == 0) return kOdd[random() % std::size(kOdd)];
    std::string word;
    for (std::uint32_t i = 0, n = 2 + random() % 3; i < n; ++i)
        word += kSyllables[random() % std::size(kSyllables)];
    return word;
}

std::string RandomText(std::mt19937& random, int words) {
    std::string text;
    for (int i = 0; i < words; ++i) text += (i > 0 ? " " : "") + RandomWord(random);
    return text;
}

// A query as a user types one: part of a stored text, in any case, or a
// short text that may be anywhere or nowhere.
std::string RandomQuery(std::mt19937& random, const std::vector<std::string>& texts) {
    if (random() % 25 == 0) return RandomWord(random).substr(0, 1 + random() % 3);
    const std::string& source = texts[random() % texts.size()];
    const std::size_t start = random() % (std::max<std::size_t>(source.size(), 4) - 3);
    std::string query = source.substr(start, 4 + random() % 6);
    for (char& c : query) {
        if (random() % 2 == 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return query;
}

TEST_P(TextSearch, AgreesWithTheImportMatchOverGeneratedSongsAndEdits) {
    std::mt19937 random(20261210);
    std::vector<std::string> texts;
    const auto makeSong = [&](int n) {
        TSVT_Song song =
            svtest::MakeSong("/" + RandomText(random, 2) + "/" + std::to_string(n) + ".mp3",
                             RandomText(random, 1 + static_cast<int>(random() % 3)));
        FillText(song.trackName,
                 random() % 4 == 0 ? RandomText(random, 2) : std::string(song.title));
        FillText(song.artist, RandomText(random, 1 + static_cast<int>(random() % 2)));
        FillText(song.album, RandomText(random, 2));
        FillText(song.comment, random() % 3 == 0 ? RandomText(random, 3) : "");
        for (const char* field : {song.title, song.artist, song.album}) texts.emplace_back(field);
        return song;
    };
    for (int n = 0; n < 1000; ++n) ASSERT_GT(AddSong(makeSong(n)), 0);

    const auto checkQueries = [&](int rounds) {
        const std::vector<TSVT_Song> songs = AllSongs();
        for (int round = 0; round < rounds; ++round) {
            const std::string query = RandomQuery(random, texts);
            ASSERT_EQ(Search(query), MatchedByImportRule(songs, query))
                << "query '" << query << "'";
        }
    };
    checkQueries(100);

    // Writes after the first searches: the index must follow each of them.
    for (std::int32_t id = 1; id <= 60; ++id) {
        TSVT_Song song;
        ASSERT_TRUE(vault.GetSong(id * 7, &song));
        FillText(song.title, RandomText(random, 2));
        texts.emplace_back(song.title);
        ASSERT_TRUE(vault.UpdateSong(&song));
    }
    for (std::int32_t id = 1; id <= 40; ++id) ASSERT_TRUE(vault.DeleteSong(id * 11, false));
    for (std::int32_t id = 1; id <= 10; ++id)
        ASSERT_TRUE(vault.DeleteSong(id * 11, false));  // gone for good
    for (std::int32_t id = 30; id <= 40; ++id) ASSERT_TRUE(vault.UndeleteSong(id * 11));
    for (int n = 1000; n < 1030; ++n) ASSERT_GT(AddSong(makeSong(n)), 0);
    checkQueries(100);
}

TEST_P(TextSearch, HostileTextsAreTextsLikeAnyOther) {
    TSVT_Song percent = Plain("/music/percent.mp3");
    FillText(percent.comment, "100% pure");
    TSVT_Song underscore = Plain("/music/under_score.mp3");
    TSVT_Song quotes = Plain("/music/quotes.mp3");
    FillText(quotes.title, "x' OR 1=1 -- \"quoted\" back\\slash");
    ASSERT_EQ(AddSong(percent), 1);
    ASSERT_EQ(AddSong(underscore), 2);
    ASSERT_EQ(AddSong(quotes), 3);
    ASSERT_EQ(AddSong(Plain("/music/plain.mp3")), 4);
    const std::string schemaBefore =
        svtest::QueryText(StoreFile(), "SELECT group_concat(sql, ';') FROM sqlite_schema");

    struct Case {
        std::string text;
        Ids expected;
    };
    const Case cases[] = {
        {"x' OR 1=1 --", {3}},
        {"'; DROP TABLE song; --", {}},
        {"%", {1}},
        {"_", {2}},
        {"\\", {3}},
        {"\"", {3}},
        {"'", {3}},
        {"%%", {}},
        {"\xff\xfe", {}},
        {"\xc3", {}},
        {std::string(300, 'a'), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Search(c.text), c.expected) << c.text;

    EXPECT_EQ(svtest::QueryText(StoreFile(), "SELECT group_concat(sql, ';') FROM sqlite_schema"),
              schemaBefore);
    EXPECT_EQ(vault.GetSongCount(), 4);
    TSVT_Song stored;
    ASSERT_TRUE(vault.GetSong(3, &stored));
    EXPECT_STREQ(stored.title, "x' OR 1=1 -- \"quoted\" back\\slash");
}

TEST_P(TextSearch, ASongThatVanishesAfterTheSearchComesBackEmpty) {
    for (int i = 1; i <= 4; ++i) {
        TSVT_Song song = Plain("/music/" + std::to_string(i) + ".mp3");
        FillText(song.title, "Found " + std::to_string(i));
        ASSERT_EQ(AddSong(song), i);
    }
    ASSERT_EQ(vault.FindSongsByText("found"), 4);
    ASSERT_TRUE(vault.DeleteSong(2, false));                                // to the trash
    ASSERT_TRUE(vault.DeleteSong(3, false) && vault.DeleteSong(3, false));  // gone

    struct Expect {
        std::int32_t id;
        const char* path;
    };
    const Expect expected[] = {{1, "/music/1.mp3"}, {-1, ""}, {-1, ""}, {4, "/music/4.mp3"}};
    for (std::int32_t i = 0; i < 4; ++i) {
        TSVT_Song song;
        std::memset(&song, 0x5A, sizeof song);
        ASSERT_TRUE(vault.GetQueryResult(i, &song)) << i;
        EXPECT_EQ(song.id, expected[i].id) << i;
        EXPECT_STREQ(song.path, expected[i].path) << i;
    }
    TSVT_Song song;
    EXPECT_FALSE(vault.GetQueryResult(4, &song));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_FALSE(vault.GetQueryResult(-1, &song));
    EXPECT_EQ(Search("found"), (Ids{1, 4}));

    // Reading a result leaves nothing open that holds the log back.
    ASSERT_TRUE(vault.GetQueryResult(0, &song));
    ASSERT_TRUE(vault.WriteDB());
    EXPECT_EQ(testsupport::ReadWholeFile(StoreFile() + "-wal"), "");
}

bool Retitle(SVTENG_CSongvault& vault, std::int32_t id, const char* title) {
    TSVT_Song song;
    if (!vault.GetSong(id, &song)) return false;
    FillText(song.title, title);
    FillText(song.trackName, title);
    return vault.UpdateSong(&song);
}

// One write at a time among many songs, each followed by a search: the
// index must follow every kind of write on its own.
TEST_P(TextSearch, EachWriteIsSeenByTheNextSearch) {
    for (int i = 1; i <= 20; ++i)
        ASSERT_EQ(AddSong(Plain("/music/" + std::to_string(i) + ".mp3")), i);
    TSVT_Song changed = Plain("/music/changed.mp3");
    FillText(changed.title, "Before");
    ASSERT_EQ(AddSong(changed), 21);
    ASSERT_EQ(Search("before"), Ids{21});

    struct Step {
        const char* write;
        bool (*run)(SVTENG_CSongvault&);
        const char* text;
        Ids expected;
    };
    const Step steps[] = {
        {"to the trash",
         [](SVTENG_CSongvault& v) { return v.DeleteSong(21, false); },
         "before",
         {}},
        {"out of the trash",
         [](SVTENG_CSongvault& v) { return v.UndeleteSong(21); },
         "before",
         {21}},
        {"a new title", [](SVTENG_CSongvault& v) { return Retitle(v, 21, "After"); }, "before", {}},
        {"the new title is found", [](SVTENG_CSongvault&) { return true; }, "AFTER", {21}},
        {"a song added",
         [](SVTENG_CSongvault& v) {
             TSVT_Song song = svtest::MakeSong("/music/after/new.mp3", "New");
             return v.AddSong(&song, false) == 22;
         },
         "after",
         {21, 22}},
        {"removed for good",
         [](SVTENG_CSongvault& v) { return v.DeleteSong(21, false) && v.DeleteSong(21, false); },
         "after",
         {22}},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(step.run(vault)) << step.write;
        EXPECT_EQ(Search(step.text), step.expected) << step.write;
    }
}

TEST_P(TextSearch, FindsWhatAnotherConnectionWrote) {
    ASSERT_EQ(AddSong(Plain("/music/mine.mp3")), 1);
    ASSERT_EQ(Search("plain"), Ids{1});
    // Another copy of the program, or a repair tool, writing the same file.
    svtest::RunSql(StoreFile(),
                   "UPDATE song SET title = 'Written Elsewhere', track_name = '' WHERE id = 1");
    EXPECT_EQ(Search("plain"), Ids{});
    EXPECT_EQ(Search("elsewhere"), Ids{1});
    svtest::RunSql(StoreFile(), "UPDATE song SET trash = -1 WHERE id = 1");
    EXPECT_EQ(Search("elsewhere"), Ids{});
}

TEST_P(TextSearch, ARebuiltOrReopenedStoreSearchesItsOwnSongs) {
    TSVT_Song song = Plain("/music/kept.mp3");
    FillText(song.title, "Kept");
    ASSERT_EQ(AddSong(song), 1);
    ASSERT_EQ(Search("kept"), Ids{1});
    ASSERT_TRUE(vault.RebuildIndices());
    EXPECT_EQ(Search("kept"), Ids{1});

    ASSERT_TRUE(vault.Shutdown(""));
    ASSERT_TRUE(vault.DeleteDatabase(dir.Path().c_str()));
    ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
    EXPECT_EQ(Search("kept"), Ids{}) << "nothing of the old store's index is left";
    ASSERT_EQ(AddSong(Plain("/music/new.mp3")), 1);
    EXPECT_EQ(Search("kept"), Ids{});
    EXPECT_EQ(Search("plain"), Ids{1});
}

INSTANTIATE_TEST_SUITE_P(BothPaths, TextSearch,
                         ::testing::Values(TextSearchPath::kIndex, TextSearchPath::kExactScan),
                         [](const ::testing::TestParamInfo<TextSearchPath>& info) {
                             return info.param == TextSearchPath::kIndex ? std::string("Index")
                                                                         : std::string("ExactScan");
                         });

}  // namespace
