// The player panel's display as plain functions: the scrolled title, the
// time line and the slider's place.
#include "songsmith/player/player_display.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PlayerDisplay, TheTitleScrollsThroughItsEndAndTheDotsBackToItsStart) {
    const struct {
        const char* title;
        int offset;
        const char* shown;
    } cases[] = {
        {"Song", 0, "Song..."},
        {"Song", 1, "ong...S"},
        {"Song", 3, "g...Son"},
        // At and past the end the dots run out, then the whole title again.
        {"Song", 4, "...Song"},
        {"Song", 5, "..Song"},
        {"Song", 7, "Song"},
        {"Song", 9, "Song"},
        // Characters, not bytes: a two-byte letter is never split.
        {"Caf\xC3\xA9 X", 3, "\xC3\xA9 X...Caf"},
        {"", 0, "..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrolledTitle(c.title, c.offset), c.shown) << c.title << " at " << c.offset;
}

TEST(PlayerDisplay, TheOffsetReturnsToZeroOncePastTheTitleAndItsDots) {
    int offset = 0;
    std::string seen;
    for (int step = 0; step < 10; ++step) {
        offset = NextScrollOffset(offset, 4);
        seen += std::to_string(offset);
    }
    EXPECT_EQ(seen, "1234567012");
}

TEST(PlayerDisplay, ATitleOver260CharactersIsCutTo256) {
    const std::string limit(260, 'a');
    EXPECT_EQ(PanelTitle(limit), limit);
    EXPECT_EQ(PanelTitle(limit + "b"), std::string(256, 'a'));
    // Counted in characters: 261 two-byte letters keep 256 of them whole.
    std::string wide;
    for (int i = 0; i < 261; ++i) wide += "\xC3\xA9";
    EXPECT_EQ(PanelTitle(wide), wide.substr(0, 512));
    EXPECT_EQ(CharacterCount(PanelTitle(wide)), 256);
}

TEST(PlayerDisplay, TimesShowMinutesAndSecondsAndHoursFromOneHourOn) {
    const struct {
        std::int64_t elapsed;
        std::int64_t total;
        const char* text;
    } cases[] = {
        {2000, 6000, "00:02 / 00:06"},
        {999, 6999, "00:00 / 00:06"},
        {3599999, 3599999, "59:59 / 59:59"},
        {59000, 3600000, "00:59 / 01:00:00"},
        {3723000, 36000000, "01:02:03 / 10:00:00"},
        {-500, 0, "00:00 / 00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(PlayTimeText(c.elapsed, c.total), c.text) << c.elapsed;
}

TEST(PlayerDisplay, TheSliderFollowsTheTimeWithinTheTrimsAndStaysAtZeroWithoutLength) {
    const struct {
        std::int64_t fromStart;
        std::int32_t start;
        std::int32_t end;
        int slider;
    } cases[] = {
        {0, 0, 6000, 0},
        {3000, 0, 6000, 50},
        {6000, 0, 6000, 100},
        {1000, 1000, 5000, 25},
        // Hours long: no overflow.
        {7200000, 0, 7200000, 100},
        // A song of no length, or an end before its start.
        {2000, 0, 0, 0},
        {2000, 4000, 4000, 0},
        {2000, 4000, 1000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SliderPosition(c.fromStart, c.start, c.end), c.slider)
            << c.fromStart << " " << c.start << "-" << c.end;
    EXPECT_EQ(SliderToPosition(50, 1000, 5000), 3000);
    EXPECT_EQ(SliderToPosition(0, 1000, 5000), 1000);
    EXPECT_EQ(SliderToPosition(100, 1000, 5000), 5000);
}

}  // namespace
