// A disc record turned into a CD page's rows and into the title cache's
// entry: titles read only where the record has them, long titles cut on a
// character boundary, duplicates numbered, data tracks keeping their place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_record_rows.h"
#include "titlefetch/titlefetch.h"
#include "utilities/com_string.h"

namespace {

PLATTER_TTrackInfo Track(bool data = false) {
    PLATTER_TTrackInfo track;
    track.lengthFrames = 75 * 65;
    track.minutes = 1;
    track.seconds = 5;
    track.dataTrack = data ? 1 : 0;
    return track;
}

void FillRecord(CDiscRecord& record, const std::vector<std::string>& titles) {
    record.record.discId = 0x0a000c03;
    std::snprintf(record.record.artist, sizeof record.record.artist, "Artist");
    std::snprintf(record.record.title, sizeof record.record.title, "Album");
    std::snprintf(record.record.genre, sizeof record.record.genre, "Jazz");
    record.record.year = 2004;
    TITLEFETCH_CTitlefetch titles_;
    for (const std::string& title : titles) titles_.AddTitleToRecord(record.record, title.c_str());
}

std::vector<std::string> Titles(const TCDRows& rows) {
    std::vector<std::string> titles;
    for (const auto& row : rows) titles.emplace_back(row->info->title);
    return titles;
}

bool ValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size()) return false;
        i += length;
    }
    return true;
}

TEST(CdRecordRows, TitlesAreReadWithinTheRecordAndByTheTracksPlaceOnTheDisc) {
    const std::string longTitle = std::string(253, 'x') + "\xC3\xA9\xC3\xA9";  // 257 bytes
    const struct {
        const char* name;
        std::vector<PLATTER_TTrackInfo> table;
        std::vector<std::string> titles;
        std::vector<std::string> expected;
    } cases[] = {
        {"as many titles as tracks", {Track(), Track(), Track()}, {"A", "B", "C"}, {"A", "B", "C"}},
        {"fewer titles", {Track(), Track(), Track()}, {"A"}, {"A", "Track 02", "Track 03"}},
        {"no titles", {Track(), Track()}, {}, {"Track 01", "Track 02"}},
        {"more titles", {Track(), Track()}, {"A", "B", "C", "D"}, {"A", "B"}},
        // A data track first: the audio tracks take the titles of their
        // own places.
        {"mixed mode", {Track(true), Track(), Track()}, {"Data", "B", "C"}, {"B", "C"}},
        {"title too long", {Track()}, {longTitle}, {std::string(253, 'x') + "\xC3\xA9"}},
    };
    for (const auto& c : cases) {
        CDiscRecord record;
        FillRecord(record, c.titles);
        const std::vector<std::uint8_t> marks = {0, 1};
        const TCDRows rows =
            MakeRecordRows(c.table.data(), static_cast<std::int32_t>(c.table.size()), record, marks);
        EXPECT_EQ(Titles(rows), c.expected) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const TONECORE_CMusicInfo& info = *rows[i]->info;
            EXPECT_TRUE(ValidUtf8(info.title)) << c.name;
            EXPECT_STREQ(info.album, "Album") << c.name;
            EXPECT_EQ(info.genreIndex, 8) << c.name;
            EXPECT_EQ(info.year, 2004) << c.name;
            EXPECT_EQ(info.trackCount, static_cast<std::int32_t>(rows.size())) << c.name;
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.cdIdentifier), info.cdIdentifierLength),
                      "a000c03")
                << c.name;
            // Marks are kept by position; rows beyond them are unmarked.
            EXPECT_EQ(rows[i]->marked, i < marks.size() ? marks[i] : 0) << c.name;
        }
    }
}

TEST(CdRecordRows, SharedTitlesGetTheirPositions) {
    const std::string sixty(60, 'y');
    const struct {
        std::vector<std::string> titles;
        std::vector<std::string> expected;
    } cases[] = {
        {{"Intro", "Middle", "intro"}, {"Intro 1", "Middle", "intro 3"}},
        {{"Intro", "Intro", "Intro"}, {"Intro 1", "Intro 2", "Intro 3"}},
        {{"A", "B", "A", "B"}, {"A 1", "B 2", "A 3", "B 4"}},
        {{"One", "Two"}, {"One", "Two"}},
        // Cut to 59 bytes, never inside a character, before the number.
        {{sixty, sixty}, {std::string(59, 'y') + " 1", std::string(59, 'y') + " 2"}},
        {{std::string(58, 'z') + "\xC3\xA9", std::string(58, 'z') + "\xC3\xA9"},
         {std::string(58, 'z') + " 1", std::string(58, 'z') + " 2"}},
    };
    for (const auto& c : cases) {
        std::vector<PLATTER_TTrackInfo> table(c.titles.size(), Track());
        CDiscRecord record;
        FillRecord(record, c.titles);
        TCDRows rows = MakeRecordRows(table.data(), static_cast<std::int32_t>(table.size()), record, {});
        NumberDuplicateTitles(rows);
        EXPECT_EQ(Titles(rows), c.expected) << c.titles.front();
    }
}

TEST(CdRecordRows, TheCacheHoldsOneTitlePerDiscTrackAndGivesThemBack) {
    // A data track between the audio tracks keeps its place, empty.
    const std::vector<PLATTER_TTrackInfo> table = {Track(), Track(true), Track()};
    CDiscRecord record;
    FillRecord(record, {"First", "Data", "Third"});
    const TCDRows rows = MakeRecordRows(table.data(), 3, record, {});
    ASSERT_EQ(Titles(rows), (std::vector<std::string>{"First", "Third"}));

    INI_TEntry entry;
    FillCacheEntry(entry, 0x08000c03, rows, 3);
    EXPECT_EQ(entry.discId, 0x08000c03u);
    EXPECT_STREQ(entry.artist, "Artist");
    EXPECT_STREQ(entry.title, "Album");
    EXPECT_STREQ(entry.category, "Jazz");
    EXPECT_EQ(entry.year, 2004);
    ASSERT_EQ(entry.trackCount, 3);
    ASSERT_EQ(entry.trackTitles.count, 3);
    EXPECT_STREQ(entry.trackTitles.items[0]->GetString(), "First");
    EXPECT_STREQ(entry.trackTitles.items[1]->GetString(), "");
    EXPECT_STREQ(entry.trackTitles.items[2]->GetString(), "Third");

    // Read back, the rows are the same.
    CDiscRecord fromCache;
    FillRecordFromCache(fromCache, entry);
    FreeCacheTitles(entry);
    EXPECT_EQ(fromCache.record.discId, 0x08000c03u);
    EXPECT_EQ(fromCache.record.extendedTrackData.count, 3);
    EXPECT_FALSE(fromCache.HasGaps());
    EXPECT_EQ(Titles(MakeRecordRows(table.data(), 3, fromCache, {})), (std::vector<std::string>{"First", "Third"}));
}

}  // namespace
