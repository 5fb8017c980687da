#include "tonecore/sound/atom_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

namespace {

TEST(AtomNames, CurrentTimeStringHasTwoDigitFields) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    GetCurrentTimeString(buffer);
    EXPECT_TRUE(std::regex_match(buffer, std::regex(R"((0[1-9]|1[0-2])/[0-3]\d/\d\d  [0-2]\d:[0-5]\d:[0-6]\d)")))
        << buffer;
    EXPECT_EQ(std::strlen(buffer) + 1, static_cast<std::size_t>(kTimeStringBytes));
}

TEST(AtomNames, FileNameIsTheTextAfterTheLastSeparator) {
    const struct {
        const char* path;
        const char* result;
    } cases[] = {
        {"C:\\Music\\song.mp3", "song.mp3"},
        {"/home/me/music/song.mp3", "song.mp3"},
        {"dir\\sub/name", "name"},
        {"folder\\", ""},
        {"\\song.mp3", "(untouched)"},  // the separator is the first character
        {"song.mp3", "(untouched)"},
        {"a", "(untouched)"},
        {"", "(untouched)"},
    };
    for (const auto& c : cases) {
        char result[64] = "(untouched)";
        GetFileName(c.path, result);
        EXPECT_STREQ(result, c.result) << c.path;
    }
}

TEST(AtomNames, UniqueNamesCountUpAndFitTheirBuffer) {
    SetNewNamePrefix("Sound ");
    char first[32];
    char second[32];
    GenerateUniqueName(first, sizeof first);
    GenerateUniqueName(second, sizeof second);
    ASSERT_EQ(std::strncmp(first, "Sound ", 6), 0);
    EXPECT_EQ(std::stoi(second + 6), std::stoi(first + 6) + 1);

    SetNewNamePrefix(nullptr);
    char bare[32];
    GenerateUniqueName(bare, sizeof bare);
    EXPECT_EQ(std::stoi(bare), std::stoi(second + 6) + 1);

    SetNewNamePrefix("Recording number ");
    char small[8];
    std::memset(small, 'x', sizeof small);
    GenerateUniqueName(small, sizeof small);
    EXPECT_STREQ(small, "Recordi");
    SetNewNamePrefix("");
}

}  // namespace
