// Versions as dotted numbers: what reads as a version, and which of two is
// newer.
#include "songsmith/app/version_numbers.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionNumbersTest, ReadsDottedNumbersWithOneNotZero) {
    const struct {
        const char* text;
        bool valid;
        TVersionNumbers numbers;
    } cases[] = {
        {"0.1.0.0", true, {0, 1, 0, 0}},
        {" 2.0\r", true, {2, 0}},
        {"10", true, {10}},
        {"0.0.0", false, {}},
        {"abc", false, {}},
        {"1.2a", false, {}},
        {"1..2", false, {}},
        {"1.2.", false, {}},
        {"", false, {}},
        {"-1.2", false, {}},
        {"1234567890.1", false, {}},
    };
    for (const auto& c : cases) {
        TVersionNumbers numbers;
        EXPECT_EQ(ParseDottedVersion(c.text, numbers), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(numbers, c.numbers) << c.text;
        }
    }
}

TEST(VersionNumbersTest, ComparesNumberByNumberWithMissingNumbersZero) {
    const struct {
        TVersionNumbers a;
        TVersionNumbers b;
        int sign;
    } cases[] = {
        {{2, 0}, {2, 0, 0, 0}, 0},
        {{0, 10}, {0, 9}, 1},
        {{0, 9}, {0, 10}, -1},
        {{1, 0, 0, 1}, {1}, 1},
        {{3}, {2, 99, 99}, 1},
    };
    for (const auto& c : cases) {
        const int result = CompareVersionNumbers(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign);
    }
    EXPECT_EQ(ProgramVersionNumbers().size(), 4u);
}

}  // namespace
