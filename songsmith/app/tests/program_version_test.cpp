// The version text from the four version numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "songsmith/app/program_title.h"

namespace {

TEST(ProgramVersionTest, FourNumbersToText) {
    struct {
        int a, b, c, d;
        const char* text;
    } const cases[] = {
        {2, 0, 9, 998, "2.9998"}, {2, 0, 0, 0, "2.0"},       {1, 0, 0, 3, "1.03"},
        {1, 0, 2, 0, "1.20"},     {0, 1, 0, 0, "0.1"},       {2, 5, 0, 0, "2.5"},
        {0, 1, 2, 0, "0.1.2"},    {1, 2, 0, 4, "1.2.0.4"},
    };
    for (const auto& c : cases) {
        char text[32] = "untouched";
        FormatProgramVersion(c.a, c.b, c.c, c.d, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.a << "." << c.b << "." << c.c << "." << c.d;
    }
    char small[4] = "";
    FormatProgramVersion(2, 0, 9, 998, small, sizeof small);
    EXPECT_STREQ(small, "2.9");
}

TEST(ProgramVersionTest, BuildVersionIsTheFormattedProjectVersion) {
    char text[32] = "";
    ASSERT_TRUE(GetProgramVersionText(text, sizeof text));
    char expected[32] = "";
    FormatProgramVersion(SONGSMITH_TEST_VERSION_MAJOR, SONGSMITH_TEST_VERSION_MINOR, SONGSMITH_TEST_VERSION_PATCH, 0,
                         expected, sizeof expected);
    EXPECT_STREQ(text, expected);
    // The project's own version, minor number included.
    const std::string project = std::to_string(SONGSMITH_TEST_VERSION_MAJOR) + "." +
                                std::to_string(SONGSMITH_TEST_VERSION_MINOR);
    EXPECT_EQ(std::string(text).rfind(project, 0), 0u) << text;
}

}  // namespace
