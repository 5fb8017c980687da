// The tag dialogs' field rules without widgets: cuts into fixed fields on a
// character boundary, trimming, the year list's span and reading a year
// back, the length text, and the CD rows' shared fields.
#include "songsmith/library/tag_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "songsmith/cd/cd_tag_rows.h"
#include "tonecore/tags/music_info.h"

namespace {

// True when text is well-formed UTF-8 (no cut character at either end).
bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

TEST(TagFields, CopiesIntoAFieldZeroItAndCutOnACharacterBoundary) {
    const struct {
        std::string text;
        std::size_t kept;
    } cases[] = {
        {"Short", 5},
        {std::string(300, 'x'), 63},
        // "é" is two bytes: placed at bytes 62 and 63 it would cross the
        // terminator's byte, so the cut keeps 62.
        {std::string(62, 'a') + "\xC3\xA9" + "tail", 62},
        {std::string(61, 'a') + "\xC3\xA9" + "tail", 63},
        // Three- and four-byte characters across the limit.
        {std::string(61, 'a') + "\xE2\x82\xAC", 61},
        {std::string(60, 'a') + "\xF0\x9F\x8E\xB5", 60},
        {"", 0},
    };
    for (const auto& c : cases) {
        char field[64];
        std::memset(field, 'Z', sizeof field);
        CopyToField(c.text, field);
        const std::string_view stored = FieldText(field);
        EXPECT_EQ(stored.size(), c.kept) << c.text;
        EXPECT_EQ(stored, std::string_view(c.text).substr(0, c.kept));
        EXPECT_TRUE(IsValidUtf8(stored)) << c.text;
        // Nothing of the old contents survives past the text.
        for (std::size_t i = stored.size(); i < sizeof field; ++i) EXPECT_EQ(field[i], '\0') << i;
    }
}

TEST(TagFields, TrimsBlanksAndReadsYearsAsTheListShowsThem) {
    EXPECT_EQ(TrimBlanks("  \t Title \r\n"), "Title");
    EXPECT_EQ(TrimBlanks(" \t\r\n "), "");
    EXPECT_EQ(TrimBlanks("a b"), "a b");
    EXPECT_EQ(CutToBuffer("abcdef", 4), "abc");
    EXPECT_EQ(CutToBuffer("abc", 0), "");

    const struct {
        const char* text;
        int year;
    } years[] = {{"2015", 2015}, {"1850", 1850}, {"", 0},    {" 1999", 1999},
                 {"19x", 19},    {"abc", 0},     {"-5", -5}, {"99999999999", 0}};
    for (const auto& y : years) EXPECT_EQ(YearFromText(y.text), y.year) << y.text;
    EXPECT_EQ(YearText(2015), "2015");

    std::tm local{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &local);
    EXPECT_EQ(YearListFirst(), local.tm_year + 1900 + 1);
    EXPECT_GT(YearListFirst(), 2010) << "a year list that stops at 2010 loses newer years";
}

TEST(TagFields, LengthTextIsMinutesAndTwoDigitSeconds) {
    EXPECT_EQ(SongLengthText(187'400), "3:07");
    EXPECT_EQ(SongLengthText(59'999), "0:59");
    EXPECT_EQ(SongLengthText(3'600'000), "60:00");
    EXPECT_EQ(SongLengthText(0), "0:00");
    EXPECT_EQ(SongLengthText(-1), "0:00");
}

TCDTagRow Row(std::string artist, std::string album, int year, int genre) {
    TCDTagRow row;
    row.title = "t";
    row.artist = std::move(artist);
    row.album = std::move(album);
    row.year = year;
    row.genreIndex = genre;
    return row;
}

TEST(CdTagRows, SharedFieldsAgreeFromTheFirstRowThatHasText) {
    using F = ECdTagShared;
    const struct {
        const char* what;
        std::vector<TCDTagRow> rows;
        bool artist, album, year, genre;
    } cases[] = {
        {"all equal", {Row("A", "X", 2001, 17), Row("A", "X", 2001, 17)}, true, true, true, true},
        {"leading empty rows do not count",
         {Row("", "", 2001, 17), Row("A", "X", 2001, 17), Row("A", "X", 2001, 17)},
         true,
         true,
         true,
         true},
        {"an empty row after the first text differs",
         {Row("A", "X", 0, 255), Row("", "X", 0, 255)},
         false,
         true,
         true,
         true},
        {"case counts", {Row("A", "x", 1, 1), Row("a", "X", 1, 2)}, false, false, true, false},
        {"all empty", {Row("", "", 0, 255), Row("", "", 0, 255)}, true, true, true, true},
        {"no rows", {}, false, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CdRowsAgree(c.rows, F::kArtist), c.artist) << c.what;
        EXPECT_EQ(CdRowsAgree(c.rows, F::kAlbum), c.album) << c.what;
        EXPECT_EQ(CdRowsAgree(c.rows, F::kYear), c.year) << c.what;
        EXPECT_EQ(CdRowsAgree(c.rows, F::kGenre), c.genre) << c.what;
    }

    std::vector<TCDTagRow> rows = {Row("A", "X", 1, 1), Row("B", "Y", 2, 2)};
    TCDTagRow value = Row("C", "Z", 3, 3);
    value.genre = "Other";
    ApplyToAllRows(rows, F::kGenre, value);
    for (const TCDTagRow& row : rows) {
        EXPECT_EQ(row.genre, "Other");
        EXPECT_EQ(row.genreIndex, 3);
    }
    EXPECT_EQ(rows[1].artist, "B") << "only the field named is shared";
    EXPECT_EQ(rows[1].year, 2);
}

TEST(CdTagRows, RowsRoundTripThroughSongInformationCutToItsFields) {
    TONECORE_CMusicInfo info;
    info.Initialize();
    info.lengthMs = 123'000;
    TCDTagRow row = Row(std::string(300, 'a'), "Album", 1999, 17);
    row.title = std::string(254, 'b') + "\xC3\xA9";  // crosses the 256-byte field's last byte
    row.genre = "Rock";
    row.comment = "note";
    StoreCdTagRow(row, info);
    const TCDTagRow back = CdTagRowFromInfo(info);
    EXPECT_EQ(back.artist, std::string(255, 'a'));
    EXPECT_EQ(back.title, std::string(254, 'b'));
    EXPECT_EQ(back.album, "Album");
    EXPECT_EQ(back.year, 1999);
    EXPECT_EQ(back.genre, "Rock");
    EXPECT_EQ(back.genreIndex, 17);
    EXPECT_EQ(back.comment, "note");
    EXPECT_EQ(info.lengthMs, 123'000) << "only the tag texts are written";
}

}  // namespace
