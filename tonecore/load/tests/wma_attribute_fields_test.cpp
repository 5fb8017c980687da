// How WMA attributes become song information: texts, the CD identifier, the
// genre, year and track rules.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tonecore/convert/conv2file_types.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/load/wma_attribute_fields.h"

namespace {

// A text attribute's bytes: UTF-16LE with its terminator.
std::vector<BYTE> WideValue(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

TMusicInfo Applied(std::u16string_view name, std::u16string_view text) {
    TMusicInfo info;
    const std::vector<BYTE> value = WideValue(text);
    EXPECT_TRUE(ApplyWmaAttribute(name, WMT_TYPE_STRING, value, info));
    return info;
}

TEST(WmaAttributeFields, GenreKeepsNumbersInParenthesesAndNumbersKnownNames) {
    struct TCase {
        std::u16string_view text;
        std::int32_t index;
        const char* genre;
    };
    const TCase cases[] = {
        {u"(17)", 17, "(17)"},   {u"(0)", 0, "(0)"},         {u"(254)", 254, "(254)"},
        {u"Rock", 17, "(17)"},   {u"rock", 17, "(17)"},      {u"(255)", kNoGenreIndex, "(255)"},
        {u"(1234)", kNoGenreIndex, "(1234)"}, {u"(17)x", kNoGenreIndex, "(17)x"},
        {u"Chiptune Jazz", kNoGenreIndex, "Chiptune Jazz"}, {u"()", kNoGenreIndex, "()"},
    };
    for (const TCase& c : cases) {
        const TMusicInfo info = Applied(u"WM/Genre", c.text);
        EXPECT_EQ(info.genreIndex, c.index) << c.genre;
        EXPECT_STREQ(info.genre, c.genre);
        EXPECT_EQ(info.tagType, TAG_TYPE_WMA_ATTRIBUTES);
    }
}

TEST(WmaAttributeFields, YearAndTrackKeepOnlyValuesInTheirRanges) {
    struct TYear {
        std::u16string_view text;
        std::int32_t year;
    };
    for (const TYear& c : {TYear{u"999", 0}, TYear{u"1000", 1000}, TYear{u"2024", 2024}, TYear{u"3000", 3000},
                           TYear{u"3001", 0}, TYear{u"1987-05-01", 1987}, TYear{u"", 0}}) {
        EXPECT_EQ(Applied(u"WM/Year", c.text).year, c.year);
    }
    struct TTrack {
        std::u16string_view text;
        std::int32_t number;
        std::int32_t count;
    };
    for (const TTrack& c : {TTrack{u"7/12", 7, 12}, TTrack{u"0", -1, -1}, TTrack{u"7", 7, -1},
                            TTrack{u"100/5", -1, 5}, TTrack{u"99/100", 99, -1}, TTrack{u"x", -1, -1}}) {
        const TMusicInfo info = Applied(u"wm/track", c.text);
        EXPECT_EQ(info.trackNumber, c.number);
        EXPECT_EQ(info.trackCount, c.count);
    }
}

TEST(WmaAttributeFields, TextsArriveAsUtf8AndStopAtTheirEnd) {
    EXPECT_STREQ(Applied(u"Title", u"Gr\u00fc\u00dfe \u2603").title, "Gr\u00fc\u00dfe \u2603");
    EXPECT_STREQ(Applied(u"AUTHOR", u"Someone").artist, "Someone");
    EXPECT_STREQ(Applied(u"WM/AlbumTitle", u"Album").album, "Album");
    EXPECT_STREQ(Applied(u"Description", u"Said").comment, "Said");
    EXPECT_STREQ(Applied(u"Copyright", u"(c) us").copyright, "(c) us");

    // A value without a terminator and with an odd byte count ends at its
    // last whole character.
    TMusicInfo info;
    const BYTE odd[] = {'A', 0, 'B', 0, 'C'};
    ASSERT_TRUE(ApplyWmaAttribute(u"Title", WMT_TYPE_STRING, odd, info));
    EXPECT_STREQ(info.title, "AB");
}

TEST(WmaAttributeFields, CdIdentifierIsTakenAsBytesWithinTheRecord) {
    TMusicInfo info;
    std::vector<BYTE> toc(900);
    for (std::size_t i = 0; i < toc.size(); ++i) toc[i] = static_cast<BYTE>(i * 7);
    ASSERT_TRUE(ApplyWmaAttribute(u"WM/MCDI", WMT_TYPE_BINARY, std::span<const BYTE>(toc.data(), 20), info));
    EXPECT_EQ(info.cdIdentifierLength, 20u);
    EXPECT_EQ(0, std::memcmp(info.cdIdentifier, toc.data(), 20));
    ASSERT_TRUE(ApplyWmaAttribute(u"WM/MCDI", WMT_TYPE_BINARY, toc, info));
    EXPECT_EQ(info.cdIdentifierLength, static_cast<std::uint32_t>(kCdIdentifierBytes));
}

TEST(WmaAttributeFields, OtherNamesLeaveTheRecordAlone) {
    TMusicInfo info;
    const std::vector<BYTE> value = WideValue(u"x");
    for (std::u16string_view name : {u"Duration", u"Bitrate", u"WM/Composer", u"Titles", u""}) {
        EXPECT_FALSE(ApplyWmaAttribute(name, WMT_TYPE_STRING, value, info));
    }
    EXPECT_EQ(info.tagType, TAG_TYPE_NONE);
    EXPECT_STREQ(info.title, "");
}

TEST(WmaAttributeFields, WideNamesCompareWithoutCase) {
    EXPECT_EQ(CompareWideStringsIgnoreCase(u"wm/genre", u"WM/Genre"), 0);
    EXPECT_EQ(CompareWideStringsIgnoreCase(u"Title", u"Titles"), -1);
    EXPECT_EQ(CompareWideStringsIgnoreCase(u"b", u"A"), 1);
}

}  // namespace
