// Keyed texts with arguments: a text is formatted only when its conversions
// fit the arguments; anything else is shown as written and logged.
#include "songsmith/app/keyed_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "testsupport/temp_dir.h"
#include "utilities/keyed_text.h"

namespace {

TEST(KeyedFormat, FormatsOnlyWhatFitsItsArguments) {
    // Texts the arguments point into live as long as the table.
    const std::string longText(300, 'z');
    const std::string album = "Album";
    const struct {
        const char* format;
        std::vector<CTextArg> args;
        const char* expected;  // null: refused
    } cases[] = {
        {"Track %d of %u", {3, 12u}, "Track 3 of 12"},
        {"%s - %s", {"Artist", album}, "Artist - Album"},
        {"%-6s|%5.1f|%03d|%x|%X|%c", {"ab", 2.25, 7, 255, 255, 'q'}, "ab    |  2.2|007|ff|FF|q"},
        {"%ld ms, %lu bytes, %lld", {5L, 6UL, 7LL}, "5 ms, 6 bytes, 7"},
        {"%e %g %+i", {1.5, 0.25, 4}, "1.500000e+00 0.25 +4"},
        {"100%% done", {}, "100% done"},
        {"%.3s", {"abcdef"}, "abc"},
        {"%#x", {255}, "0xff"},
        {"%s", {nullptr}, ""},
        {"%s", {longText}, longText.c_str()},
        {"no conversions", {}, "no conversions"},
        // A text where a number belongs, and the other way round.
        {"Track %s", {3}, nullptr},
        {"Track %d", {"three"}, nullptr},
        {"%f", {3}, nullptr},
        {"%d", {2.5}, nullptr},
        {"%c", {"c"}, nullptr},
        // Conversions that read or write what is not an argument.
        {"%n", {3}, nullptr},
        {"%*d", {3, 4}, nullptr},
        {"%.*s", {3, "abc"}, nullptr},
        {"%p", {3}, nullptr},
        {"%o", {3}, nullptr},
        // Counts that do not agree, a conversion left open.
        {"%s and %s", {"one"}, nullptr},
        {"%s", {"one", "two"}, nullptr},
        {"plain", {1}, nullptr},
        {"50%", {}, nullptr},
        {"%-", {1}, nullptr},
        {"%5.", {1}, nullptr},
        // Widths too wide to be a layout, flags without a meaning.
        {"%99999d", {1}, nullptr},
        {"%.99999f", {1.0}, nullptr},
        {"%#d", {1}, nullptr},
        {"%05s", {"a"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        std::string out = "untouched";
        const bool formatted = FormatTextChecked(c.format, c.args, out);
        EXPECT_EQ(formatted, c.expected != nullptr);
        EXPECT_EQ(out, c.expected != nullptr ? c.expected : "untouched");
    }
}

// Through the keyed text file: a text that does not fit is shown as it is
// written, and the log names its key once.
TEST(KeyedFormat, AKeyedTextThatDoesNotFitIsShownAsWritten) {
    testsupport::TempDir dir;
    const std::string strings = dir.File("strings.txt");
    testsupport::WriteWholeFile(strings,
                                "[Strings]\nGood=%d songs, %s\nBad=%s songs\nLines=one\\ntwo %d\n");
    const std::string log = dir.File("log.txt");
    const std::string previous = GetStringFile();
    SetStringFile(strings.c_str());
    LogInit(log.c_str());
    LogOn(1);

    EXPECT_EQ(FormatKeyedText("Good", {4, "all there"}), "4 songs, all there");
    EXPECT_EQ(FormatKeyedText("Bad", {4}), "%s songs");
    EXPECT_EQ(FormatKeyedText("Lines", {2}), "one\ntwo 2");
    EXPECT_EQ(FormatKeyedText("Missing_Key", {1}), "Missing_Key");
    EXPECT_EQ(KeyedText("Bad"), "%s songs");

    LogDeinit();
    SetStringFile(previous.c_str());
    const std::string logged = testsupport::ReadWholeFile(log);
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 2) << logged;
    EXPECT_NE(logged.find("Bad"), std::string::npos);
    EXPECT_NE(logged.find("Missing_Key"), std::string::npos);
    EXPECT_EQ(logged.find("Good"), std::string::npos);
}

}  // namespace
