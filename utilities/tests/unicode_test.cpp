#include "utilities/unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Unicode, Utf8ToUtf16JoinsPairsAndReplacesBadBytes) {
    struct Case {
        const char* what;
        std::string utf8;
        std::u16string want;
    };
    const std::vector<Case> cases = {
        {"ascii", "abc", u"abc"},
        {"two bytes", "\xC3\xA9", u"\u00E9"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
        {"four bytes", "\xF0\x9F\x8E\xB5", u"\U0001F3B5"},
        {"stray continuation", "a\x80z", u"a\uFFFDz"},
        {"truncated at the end", "a\xE2\x82", u"a\uFFFD\uFFFD"},
        {"over-long slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"past the last plane", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"Windows-1252 byte", "caf\xE9!", u"caf\uFFFD!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.want) << c.what;
        EXPECT_EQ(IsValidUtf8(c.utf8), c.want.find(u'\uFFFD') == std::u16string::npos) << c.what;
    }
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD")) << "a written U+FFFD is a character like any other";
    EXPECT_TRUE(IsValidUtf8(""));
}

TEST(Unicode, RoundTripThroughUtf16) {
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5 end";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD")
        << "a low surrogate before a high one is two unpaired halves";
    EXPECT_EQ(Utf16ToUtf8(static_cast<const unsigned short*>(nullptr)), "");
}

TEST(Unicode, SingleByteCodePagesDifferOnlyBetween0x80And0x9F) {
    const std::string text = "A\x80\x9F\xA0\xE9\xFF";
    EXPECT_EQ(Latin1ToUtf8(text), "A\xC2\x80\xC2\x9F\xC2\xA0\xC3\xA9\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8(text), "A\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xA9\xC3\xBF");
}

TEST(Unicode, Windows1252TextComesBackFromUtf8ByteForByte) {
    // Every byte but zero, the five unassigned ones included.
    std::string every;
    for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(Utf8ToWindows1252(Windows1252ToUtf8(every), back));
    EXPECT_EQ(back, every);

    struct TCase {
        const char* utf8;
        bool representable;
    };
    const TCase cases[] = {
        {"plain", true},
        {"\xE2\x80\x98quoted\xE2\x80\x99", true},
        {"\xE2\x82\xAC 5", true},
        {"\xE2\x98\x83 snow", false},        // U+2603 has no byte
        {"\xC2\x80", false},                 // U+0080: 0x80 is the euro sign
        {"bad \xFF byte", false},            // not UTF-8 at all
    };
    for (const TCase& c : cases) {
        std::string out;
        EXPECT_EQ(Utf8ToWindows1252(c.utf8, out), c.representable) << c.utf8;
        if (c.representable) {
            EXPECT_EQ(Windows1252ToUtf8(out), c.utf8);
        }
    }
}
