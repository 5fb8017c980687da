#include "utilities/ui/dialog_units.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogUnitsTest, MapsTemplateRectanglesToThePixelsOfTheTemplateFont) {
    const struct {
        int left, top, right, bottom;
        QRect expected;
    } cases[] = {
        // Four units across are six pixels, eight down thirteen.
        {0, 0, 4, 8, QRect(0, 0, 6, 13)},
        // Each edge rounds on its own: 10.5 → 11, 50.375 → 50, 178.5 → 179,
        // 87.75 → 88.
        {7, 31, 119, 54, QRect(11, 50, 168, 38)},
        {18, 8, 105, 35, QRect(27, 13, 131, 44)},
        // Halves round away from zero on the negative side too.
        {-7, -4, 1, 4, QRect(-11, -7, 13, 14)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MapDialogRect(c.left, c.top, c.right, c.bottom), c.expected)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
}

}  // namespace
