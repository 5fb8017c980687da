// Where a saved window placement comes back, and how one is saved.
#include "songsmith/system/placement_rules.h"

#include <gtest/gtest.h>

namespace {

WINDOWPLACEMENT Placement(std::uint32_t showCmd, RECT rect) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = showCmd;
    placement.rcNormalPosition = rect;
    return placement;
}

TEST(PlacementRulesTest, ARestoredWindowKeepsItsSizeAndLandsOnTheDesktop) {
    const RECT desktop{0, 0, 1280, 1024};
    struct TCase {
        const char* what;
        WINDOWPLACEMENT saved;
        RECT expected;
        std::uint32_t showCmd;
    } cases[] = {
        {"inside", Placement(1, {100, 50, 900, 650}), {100, 50, 900, 650}, 1},
        {"far right", Placement(1, {3000, 50, 3800, 650}), {1230, 50, 2030, 650}, 1},
        {"below", Placement(1, {100, 2000, 900, 2600}), {100, 974, 900, 1574}, 1},
        {"left of it", Placement(1, {-1900, 50, -1100, 650}), {0, 50, 800, 650}, 1},
        {"above it", Placement(1, {100, -700, 900, -100}), {100, 0, 800 + 100, 600}, 1},
        {"maximised", Placement(3, {10, 10, 810, 610}), {10, 10, 810, 610}, 3},
        {"minimised", Placement(2, {10, 10, 810, 610}), {10, 10, 810, 610}, 1},
        {"minimised, not active", Placement(7, {10, 10, 810, 610}), {10, 10, 810, 610}, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const WINDOWPLACEMENT restored = RestorablePlacement(c.saved, desktop);
        EXPECT_EQ(restored.rcNormalPosition.left, c.expected.left);
        EXPECT_EQ(restored.rcNormalPosition.top, c.expected.top);
        EXPECT_EQ(restored.rcNormalPosition.right, c.expected.right);
        EXPECT_EQ(restored.rcNormalPosition.bottom, c.expected.bottom);
        EXPECT_EQ(restored.showCmd, c.showCmd);
    }
    // A second screen to the left of the first counts as desktop.
    const RECT wide{-1920, 0, 1280, 1024};
    EXPECT_EQ(
        RestorablePlacement(Placement(1, {-1900, 50, -1100, 650}), wide).rcNormalPosition.left,
        -1900);
}

TEST(PlacementRulesTest, AMinimisedWindowIsSavedAsANormalOne) {
    for (std::uint32_t showCmd : {SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE}) {
        EXPECT_EQ(PlacementToSave(Placement(showCmd, {1, 2, 3, 4})).showCmd, SW_SHOWNORMAL);
    }
    EXPECT_EQ(PlacementToSave(Placement(SW_SHOWMAXIMIZED, {1, 2, 3, 4})).showCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(PlacementToSave(Placement(SW_SHOWNORMAL, {1, 2, 3, 4})).length, 44u);
}

}  // namespace
