// The totals line of the session: which text, with which numbers, for a
// session under and over the disc's capacity, while tracks are pending or
// not, with and without a recorder.
#include "songsmith/session/session_totals.h"

#include <gtest/gtest.h>

#include "platform/user_folders.h"
#include "utilities/keyed_text.h"

namespace {

TEST(SessionTotals, EveryTextWithItsNumbers) {
    // 74 minutes of disc; 61:30 summed and 60:15 on disc.
    constexpr int kDisc = 74 * 60000;
    constexpr int kTotal = 61 * 60000 + 30000;
    constexpr int kBurn = 60 * 60000 + 15000;
    constexpr int kLong = 80 * 60000 + 45500;
    const struct {
        TSessionTotalsInput input;
        const char* key;
        std::vector<int> numbers;
    } kCases[] = {
        // Under the capacity: the disc length, and what is left.
        {{3, kTotal, kBurn, false, kDisc}, "Total_Mult", {60, 15, 13, 45}},
        // Pending: the summed length stands in as an estimate.
        {{3, kTotal, kBurn, true, kDisc}, "Total_Est_Mult", {61, 30, 12, 30}},
        // Over: how far over, as a positive span.
        {{9, kLong, kLong, false, kDisc}, "Total_MultOver", {80, 45, 6, 45}},
        {{9, kLong, 1000, true, kDisc}, "Total_Est_MultOver", {80, 45, 6, 45}},
        // Exactly full is not over.
        {{1, kDisc, kDisc, false, kDisc}, "Total_Mult", {74, 0, 0, 0}},
        // No tracks: the capacity in whole minutes, rounded.
        {{0, 0, 0, false, 4439990}, "Total_None", {74}},
        {{0, 0, 0, true, 80 * 60000 - 29000}, "Total_None", {80}},
        // No recorder.
        {{3, kTotal, kBurn, false, 0}, "Total_NoRecorder", {60, 15}},
        {{3, kTotal, kBurn, true, 0}, "Total_Est_NoRecorder", {61, 30}},
        {{0, 0, 0, false, 0}, "Total_NoneNoRecorder", {}},
    };
    for (const auto& c : kCases) {
        const TSessionTotalsText text = UpdateTotals(c.input);
        EXPECT_STREQ(text.key, c.key) << c.input.count << " " << c.input.pending;
        EXPECT_EQ(text.numbers, c.numbers) << c.key;
    }
}

TEST(SessionTotals, TheShippedTextsTakeTheirNumbers) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    EXPECT_EQ(FormatTotals(UpdateTotals({3, 0, 60 * 60000 + 15000, false, 74 * 60000})),
              "Total 60:15, 13:45 left on the disc");
    EXPECT_EQ(FormatTotals(UpdateTotals({0, 0, 0, false, 0})), "No songs yet (no CD recorder found)");
    EXPECT_EQ(FormatTotals(UpdateTotals({0, 0, 0, false, 74 * 60000})), "No songs yet; the disc holds 74 minutes");
    EXPECT_EQ(FormatTotals(UpdateTotals({1, 65000, 0, true, 0})), "Total about 1:05 (no CD recorder found)");
}

}  // namespace
