// The text search's index on a connection of its own, beside the engine
// writing the same store: after a write it reads back only the rows that
// changed, keeps its results in id order while edits pile up out of order,
// and reads the whole table again only when the change log cannot tell it
// what changed. A search typed key by key, or split among threads, finds
// what a single fresh search finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "songvault/sqlite_db.h"
#include "songvault/tests/record_fill.h"
#include "songvault/tests/store_fixture.h"
#include "songvault/text_fold.h"
#include "songvault/text_index.h"
#include "songvault/text_scan.h"

namespace {

using Ids = std::vector<std::int32_t>;
using songvault::TextIndex;

class TextIndexTest : public svtest::StoreTest {
protected:
    void SetUp() override {
        svtest::StoreTest::SetUp();
        for (int i = 1; i <= kSongs; ++i) {
            ASSERT_EQ(Add("/music/" + std::to_string(i) + ".mp3", "Song " + std::to_string(i)), i);
        }
        ASSERT_EQ(reader.Open(StoreFile(), false), SQLITE_OK);
    }
    void TearDown() override {
        reader.Close();
        svtest::StoreTest::TearDown();
    }

    Ids Find(const std::string& text) {
        Ids ids;
        EXPECT_TRUE(index.Find(reader, songvault::FoldAscii(text), ids)) << text;
        return ids;
    }

    bool Retitle(std::int32_t id, const std::string& title) {
        TSVT_Song song;
        if (!vault.GetSong(id, &song)) return false;
        svtest::FillText(song.title, title);
        svtest::FillText(song.trackName, title);
        return vault.UpdateSong(&song);
    }

    static constexpr int kSongs = 300;
    songvault::SqliteDb reader;
    TextIndex index;
};

TEST_F(TextIndexTest, AWriteElsewhereIsReadBackRowByRow) {
    ASSERT_EQ(Find("song 7").size(), 11u);  // 7, 70-79, 700s are past the end
    const songvault::TTextIndexStats built = index.Stats();
    EXPECT_EQ(built.fullReads, 1u);

    struct Step {
        const char* write;
        std::function<bool()> run;
        const char* text;
        Ids expected;
    };
    const Step steps[] = {
        {"an edit", [&] { return Retitle(150, "Edited Once"); }, "edited", {150}},
        {"to the trash", [&] { return vault.DeleteSong(150, false); }, "edited", {}},
        {"back from the trash", [&] { return vault.UndeleteSong(150); }, "edited", {150}},
        {"a new song", [&] { return Add("/music/new.mp3", "Edited Too") == kSongs + 1; }, "edited",
         {150, kSongs + 1}},
        {"a raw update", [&] {
             svtest::RunSql(StoreFile(), "UPDATE song SET title = 'Edited Raw', track_name = 'Edited Raw' WHERE id = 3");
             return true;
         }, "edited", {3, 150, kSongs + 1}},
        {"a raw delete of every row but two", [&] {
             svtest::RunSql(StoreFile(), "DELETE FROM song WHERE id > 3 AND id <> 150");
             return true;
         }, "song", {1, 2}},
    };
    std::uint64_t rowsBefore = index.Stats().rowsRead;
    for (const Step& step : steps) {
        ASSERT_TRUE(step.run()) << step.write;
        EXPECT_EQ(Find(step.text), step.expected) << step.write;
        const std::uint64_t rows = index.Stats().rowsRead - rowsBefore;
        rowsBefore = index.Stats().rowsRead;
        if (std::string(step.write).find("every row") == std::string::npos) {
            EXPECT_LE(rows, 1u) << step.write << ": only the changed row is read";
        }
    }
    EXPECT_EQ(index.Stats().fullReads, 1u);
}

TEST_F(TextIndexTest, EditsOutOfOrderKeepResultsInIdOrder) {
    ASSERT_EQ(Find("song").size(), static_cast<std::size_t>(kSongs));
    std::mt19937 random(7);
    std::vector<bool> marked(kSongs + 1, false);
    // Enough edits to fill the tail and make at least one compaction.
    for (int edit = 0; edit < 2500; ++edit) {
        const auto id = static_cast<std::int32_t>(1 + random() % kSongs);
        marked[id] = random() % 2 == 0;
        ASSERT_TRUE(Retitle(id, marked[id] ? "Marked" : "Song " + std::to_string(id)));
        if (edit % 500 != 0) continue;
        Ids expected;
        for (std::int32_t i = 1; i <= kSongs; ++i) {
            if (marked[i]) expected.push_back(i);
        }
        ASSERT_EQ(Find("marked"), expected) << "after edit " << edit;
    }
    EXPECT_EQ(index.Stats().fullReads, 1u);
    EXPECT_GE(index.Stats().compactions, 1u);
}

TEST_F(TextIndexTest, ALongChangeLogMeansOneWholeRead) {
    ASSERT_EQ(Find("song 12").size(), 11u);
    // More changes than the log keeps, made in one statement each.
    svtest::RunSql(StoreFile(),
                   "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 70000) "
                   "INSERT INTO song(path, title) SELECT '/music/bulk/' || x, 'Bulk' FROM n");
    svtest::RunSql(StoreFile(), "DELETE FROM song WHERE path LIKE '/music/bulk/%' AND id % 2 = 0");
    const Ids bulk = Find("bulk");
    EXPECT_EQ(bulk.size(), 35000u);
    EXPECT_TRUE(std::is_sorted(bulk.begin(), bulk.end()));
    EXPECT_EQ(Find("song 12").size(), 11u);
    EXPECT_EQ(index.Stats().fullReads, 2u);
}

// The block scan against the plain find, over needles of every length from
// one byte to past a block, at every distance from the buffer's end.
// A text typed key by key is searched among the songs the key before it
// found; a change in between (a title that now matches, one that no longer
// does, a song into the trash) is seen all the same, and a shorter text is
// looked for everywhere again.
TEST_F(TextIndexTest, EachKeyTypedFindsWhatAFreshSearchFinds) {
    struct TStep {
        const char* text;
        std::function<bool()> change;
    };
    const std::vector<TStep> steps = {
        {"s", nullptr},
        {"so", nullptr},
        {"song 1", nullptr},
        {"song 12", nullptr},
        {"song 12", [&] { return Retitle(5, "Song 125"); }},
        {"song 125", [&] { return Retitle(125, "Other"); }},
        {"song 1", nullptr},
        {"song 10", [&] { return vault.DeleteSong(100, false); }},
        {"xyz", nullptr},
        {"xyzw", nullptr},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.text);
        if (step.change) {
            ASSERT_TRUE(step.change());
        }
        TextIndex fresh;
        Ids expected;
        ASSERT_TRUE(fresh.Find(reader, songvault::FoldAscii(step.text), expected));
        EXPECT_EQ(Find(step.text), expected);
    }
    EXPECT_EQ(Find("song 125"), Ids{5});
}

// Split among threads, a search finds what one thread finds, in the same
// order, over the whole copy and among the last search's songs alike.
TEST_F(TextIndexTest, ASearchSplitAmongThreadsFindsWhatOneThreadFinds) {
    ASSERT_TRUE(Retitle(7, "Song 7 edited"));
    ASSERT_TRUE(vault.DeleteSong(8, false));
    TextIndex split;
    split.bytesPerSearchThread = 64;
    for (const char* text : {"", "s", "so", "song 2", "song 29", "song 299", "edited", "music/1", "zzz"}) {
        SCOPED_TRACE(text);
        TextIndex single;
        Ids expected, found;
        ASSERT_TRUE(single.Find(reader, songvault::FoldAscii(text), expected));
        ASSERT_TRUE(split.Find(reader, songvault::FoldAscii(text), found));
        EXPECT_EQ(found, expected);
    }
}

TEST(TextScan, FindsWhatPlainFindFinds) {
    std::mt19937 random(3);
    // A small alphabet makes near misses (first and last byte right,
    // middle wrong) common.
    std::string text(4000, 'a');
    for (char& c : text) c = "abc\0"[random() % 4];
    for (std::size_t length = 0; length <= 40; ++length) {
        for (int trial = 0; trial < 40; ++trial) {
            const std::size_t from = random() % (text.size() - length);
            std::string needle = text.substr(from, length);
            if (trial % 4 == 0 && length > 0) needle.back() = 'x';  // absent
            for (const std::size_t end : {text.size(), from + length, from + length + 1, from + 17}) {
                const std::string_view haystack(text.data(), std::min(end, text.size()));
                const std::size_t expected = haystack.find(needle);
                const char* found = songvault::FindText(haystack.data(), haystack.data() + haystack.size(), needle);
                const std::size_t got = found == nullptr ? std::string_view::npos
                                                         : static_cast<std::size_t>(found - haystack.data());
                ASSERT_EQ(got, expected) << "needle of " << length << " bytes, buffer of " << haystack.size();
            }
        }
    }
}

}  // namespace
