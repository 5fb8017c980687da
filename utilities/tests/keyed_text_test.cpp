#include "utilities/keyed_text.h"

#include <gtest/gtest.h>

#include <string>

#include "testsupport/temp_dir.h"

namespace {

// Texts with the escapes written as a backslash and a letter, saved by an
// editor that puts a byte-order mark first.
constexpr const char* kTextFile =
    "\xEF\xBB\xBF; Texts of the tests\r\n"
    "[STRINGS]\r\n"
    "Lines=Line one\\r\\nLine two\\nLine three\n"
    "Tabbed=a\\tb\\nc\n"
    "  ;Plain=commented out\n"
    "Plain=Just text\n"
    "Accent=\xC3\xA9t\xC3\xA9\n"
    "PLAIN=a later duplicate\n";

class KeyedTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("progstrings.txt");
        testsupport::WriteWholeFile(path_, kTextFile);
        SetStringFile(path_.c_str());
    }
    void TearDown() override { SetStringFile(nullptr); }
    testsupport::TempDir dir_;
    std::string path_;
};

}  // namespace

TEST_F(KeyedTextTest, MissingKeysReadAsTheKey) {
    char out[64];
    EXPECT_EQ(MyLoadString("BD_Title", out, sizeof(out)), 8);
    EXPECT_STREQ(out, "BD_Title");
    const std::string elsewhere = dir_.File("missing.ini");
    EXPECT_EQ(MyLoadString("BD_Title", out, sizeof(out), elsewhere.c_str()), 8);
    EXPECT_STREQ(out, "BD_Title");
    EXPECT_EQ(LoadLanguageString("BD_Title", out, sizeof(out)), 1);
    EXPECT_STREQ(out, "BD_Title");

    EXPECT_EQ(MyLoadString("", out, sizeof(out)), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(MyLoadString(nullptr, out, sizeof(out)), 0);
    EXPECT_EQ(MyLoadString("Plain", out, 0), 0);
    EXPECT_EQ(LoadLanguageStringFormatted(nullptr, out, sizeof(out)), 0);
    EXPECT_EQ(LoadLanguageStringFormatted("Plain", out, 0), 0);
}

TEST_F(KeyedTextTest, FirstTextOfAKeyInAnyCase) {
    char out[64];
    EXPECT_EQ(MyLoadString("pLAIN", out, sizeof(out)), 9);
    EXPECT_STREQ(out, "Just text");
}

TEST_F(KeyedTextTest, EscapesBecomeLineBreaks) {
    char out[64];
    EXPECT_EQ(MyLoadString("lines", out, sizeof(out)), 28);
    EXPECT_STREQ(out, "Line one\nLine two\nLine three");
    EXPECT_EQ(MyLoadString("Tabbed", out, sizeof(out)), 6) << "only line escapes here";
    EXPECT_STREQ(out, "a\\tb\nc");

    EXPECT_EQ(LoadLanguageString("Lines", out, sizeof(out)), 1);
    EXPECT_STREQ(out, "Line one\\r\\nLine two\\nLine three");
    EXPECT_EQ(LoadLanguageStringFormatted("Lines", out, sizeof(out)), 1);
    EXPECT_STREQ(out, "Line one\\r\r\nLine two\r\nLine three");
    EXPECT_EQ(LoadLanguageStringFormatted("Tabbed", out, sizeof(out)), 1);
    EXPECT_STREQ(out, "a\tb\r\nc");
}

TEST_F(KeyedTextTest, TextsAreCutOnACharacterBoundary) {
    // "été" is (C3 A9) t (C3 A9): five bytes.
    const struct {
        int size;
        const char* out;
    } cases[] = {
        {2, ""}, {3, "\xC3\xA9"}, {4, "\xC3\xA9t"}, {5, "\xC3\xA9t"}, {6, "\xC3\xA9t\xC3\xA9"}};
    for (const auto& c : cases) {
        char out[8];
        EXPECT_EQ(MyLoadString("Accent", out, c.size), static_cast<int>(std::string(c.out).size()))
            << c.size;
        EXPECT_STREQ(out, c.out) << c.size;
    }
    // The cut comes before the escapes are read: a half escape stays.
    char out[12];
    MyLoadString("Lines", out, 11);
    EXPECT_STREQ(out, "Line one\\r");
}

TEST_F(KeyedTextTest, UtilityTextsComeFromTheResourceFolder) {
    const std::string shipped = GetUtilityStringFile();
    EXPECT_NE(shipped.find("utility-strings.ini"), std::string::npos);
    char out[64];
    EXPECT_EQ(MyLoadString("USGB_Close", out, sizeof(out), shipped.c_str()), 5);
    EXPECT_STREQ(out, "Close");

    SetUtilityStringFile(path_.c_str());
    EXPECT_EQ(GetUtilityStringFile(), path_);
    SetUtilityStringFile(nullptr);
    EXPECT_EQ(GetUtilityStringFile(), shipped);
}
