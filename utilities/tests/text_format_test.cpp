#include "utilities/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

TEST(TextFormatTest, MakeLengthString) {
    const struct {
        long ms;
        int withMs;
        int noHours;
        const char* text;
    } cases[] = {
        {3723004, 1, 0, "01:02:03:004"},
        {3723004, 0, 0, "01:02:03"},
        {3723004, 0, 1, "02:03"},
        {3723004, 1, 1, "02:03:004"},
        {59000, 0, 0, "00:59"},
        {59000, 1, 0, "00:59:000"},
        {0, 0, 0, "00:00"},
        {3599999, 1, 0, "59:59:999"},
        {3600000, 0, 0, "01:00:00"},
        {360000000, 0, 0, "100:00:00"},
    };
    for (const auto& c : cases) {
        char out[kLengthStringSize];
        MakeLengthString(c.ms, out, kLengthStringSize, c.withMs, c.noHours);
        EXPECT_STREQ(out, c.text) << c.ms << " " << c.withMs << " " << c.noHours;
    }
    // The longest length there is still fits.
    char out[kLengthStringSize];
    MakeLengthString(LONG_MAX, out, sizeof(out), 1);
    EXPECT_LT(std::strlen(out), kLengthStringSize);
    // A smaller buffer is never overrun.
    char small[6];
    MakeLengthString(3723004, small, sizeof(small), 1, 0);
    EXPECT_STREQ(small, "01:02");
    // Called as (ms, out, size, withMs) with a size of any integer type, as
    // callers write it: the third argument is always the size.
    char sized[16];
    const int intSize = 16;
    const long longSize = 16;
    const unsigned short shortSize = 16;
    MakeLengthString(59000, sized, 32, 0);
    EXPECT_STREQ(sized, "00:59");
    MakeLengthString(3723004, sized, intSize, 0);
    EXPECT_STREQ(sized, "01:02:03");
    MakeLengthString(3723004, sized, longSize, 1);
    EXPECT_STREQ(sized, "01:02:03:004");
    MakeLengthString(59000, sized, shortSize, 1);
    EXPECT_STREQ(sized, "00:59:000");
    MakeLengthString(59000, sized, sizeof(sized), 0);
    EXPECT_STREQ(sized, "00:59");
    // A negative size writes nothing.
    std::strcpy(sized, "kept");
    MakeLengthString(59000, sized, -1, 0);
    EXPECT_STREQ(sized, "kept");
}

TEST(TextFormatTest, MakeFileSizeString) {
    const struct {
        unsigned long bytes;
        const char* text;
    } cases[] = {
        {0, "0 Bytes"},
        {999, "999 Bytes"},
        {1000, "1 KB"},
        {999999, "999 KB"},
        {1000000, "1.00 MB"},
        {1500000, "1.50 MB"},
        {4700000000UL, "4700.00 MB"},
    };
    for (const auto& c : cases) {
        char out[32];
        MakeFileSizeString(c.bytes, out, sizeof(out));
        EXPECT_STREQ(out, c.text) << c.bytes;
    }
    char small[4];
    MakeFileSizeString(999, small, sizeof(small));
    EXPECT_STREQ(small, "999");
}

TEST(TextFormatTest, IsValidFileNameChar) {
    for (char c : std::string(" $%'-_@~`!()^#&+,;=[].azAZ09")) {
        EXPECT_TRUE(IsValidFileNameChar(c, false)) << c;
    }
    for (char c : std::string("?*\"<>|{}\t\n")) EXPECT_FALSE(IsValidFileNameChar(c, true)) << c;
    EXPECT_FALSE(IsValidFileNameChar('\0', true));
    EXPECT_TRUE(IsValidFileNameChar('\xC3', false)) << "bytes of UTF-8 characters";
    EXPECT_TRUE(IsValidFileNameChar('\xA9', false));
    for (char c : std::string("/\\:")) {
        EXPECT_FALSE(IsValidFileNameChar(c, false)) << c;
        EXPECT_TRUE(IsValidFileNameChar(c, true)) << c;
    }
}

TEST(TextFormatTest, TrimWhitespace) {
    const struct {
        const char* in;
        const char* out;
        bool result;
    } cases[] = {
        {"  Artist  ", "Artist", true},
        {"\t\r\nTitle with  inner blanks\r\n", "Title with  inner blanks", true},
        {"x", "x", true},
        {" \t\r\n ", "", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        char out[64];
        EXPECT_EQ(TrimWhitespace(c.in, out), c.result) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
        // In place.
        char same[64];
        std::strcpy(same, c.in);
        EXPECT_EQ(TrimWhitespace(same, same), c.result) << c.in;
        EXPECT_STREQ(same, c.out) << c.in;
    }
    // Any length.
    const std::string body(5000, 'a');
    std::string text = "   " + body + "\n";
    EXPECT_TRUE(TrimWhitespace(text.c_str(), text.data()));
    EXPECT_EQ(std::string(text.c_str()), body);
}

TEST(TextFormatTest, ParseCarriageReturns) {
    const struct {
        const char* text;
        long size;
        const char* out;
    } cases[] = {
        {"One\\nTwo\\rThree\\r\\nFour", 64, "One\rTwo\rThree\r\rFour"},
        {"back\\slash \\t", 64, "back\\slash \\t"},
        {"", 64, ""},
        {"One\\nTwo", 5, "One\r"},
        {"\xC3\xA9\xC3\xA9", 4, "\xC3\xA9"},  // cut on a character boundary
        {"abc", 1, ""},
    };
    for (const auto& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof(out));
        ParseCarriageReturns(c.text, out, c.size);
        EXPECT_STREQ(out, c.out) << c.text << " " << c.size;
    }
}

TEST(TextFormatTest, SmallHelpers) {
    char text[] = "Song-42.mp3";
    int pos = 0;
    EXPECT_EQ(StrChrPos(text, '.', &pos), text + 7);
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(StrChrPos(text, '?', &pos), nullptr);
    EXPECT_EQ(pos, -1);
    MakeUpperCase(text);
    EXPECT_STREQ(text, "SONG-42.MP3");
}
