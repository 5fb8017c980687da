#include "titlefetch/cddb_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {
constexpr const char kStandardAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

TEST(Base64, MatchesTheStandardVectors) {
    struct Case {
        const char* data;
        const char* encoded;
    };
    // RFC 4648 section 10, and the Basic credentials example of RFC 7617.
    const Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeBase64(c.data, kStandardAlphabet), c.encoded) << c.data;
}

TEST(Base64, EncodesHighBytesAndLongTextWithoutLineBreaks) {
    EXPECT_EQ(EncodeBase64(std::string("\xff\xfe\x00", 3), kStandardAlphabet), "//4A");
    const std::string encoded = EncodeBase64(std::string(200, 'x'), kStandardAlphabet);
    EXPECT_EQ(encoded.size(), 268u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    EXPECT_EQ(EncodeBase64("foo", "ABC"), "") << "an alphabet of the wrong size";
}

TEST(HelloWords, LogonNamesAndEmailPartsAreMadeSafeForTheHelloText) {
    EXPECT_EQ(SanitizeHelloWord("Jane Doe"), "Jane_Doe");
    EXPECT_EQ(SanitizeHelloWord("host.example-1"), "host_example_1");
    EXPECT_EQ(SanitizeHelloWord("J\xc3\xb6rg"), "J__rg");
    EXPECT_EQ(PercentEncode("jane.doe+cd"), "jane.doe%2Bcd");
    EXPECT_EQ(PercentEncode("a b&c=d~_-"), "a%20b%26c%3Dd~_-");
    EXPECT_EQ(PercentEncode("J\xc3\xb6rg"), "J%C3%B6rg");
}

TEST(ParseSteps, WordsNumbersAndTrimming) {
    std::string_view text = " \tgenre  1a2b3c4d  Artist / Title";
    std::string_view word;
    ASSERT_TRUE(TakeWord(text, word));
    EXPECT_EQ(word, "genre");
    ASSERT_TRUE(TakeWord(text, word));
    EXPECT_EQ(word, "1a2b3c4d");
    EXPECT_EQ(text, "Artist / Title");
    std::string_view blank = " \t ";
    EXPECT_FALSE(TakeWord(blank, word));

    EXPECT_EQ(LeadingDecimal(" 42 users"), 42);
    EXPECT_EQ(LeadingDecimal("-7"), -7);
    EXPECT_EQ(LeadingDecimal("none"), 0);
    EXPECT_EQ(LeadingDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(TrimBlanks(" \t x y \r\n"), "x y");
}

TEST(ParseSteps, FieldsAreCutOnACharacterBoundary) {
    char field[256];
    // 254 ASCII bytes and a two-byte character: the character does not fit.
    std::string text(254, 'a');
    text += "\xc3\xa9";
    CopyField(text, field);
    EXPECT_EQ(std::string(field), std::string(254, 'a'));
    CopyField(std::string(300, 'b'), field);
    EXPECT_EQ(std::string(field).size(), 255u);
}
