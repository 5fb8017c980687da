#include "utilities/ui/center_window.h"

#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct TCenterCase {
    const char* what;
    int width, height;
    TScreenRect over;
    TScreenRect screen;
    TScreenPoint expected;
};

TEST(CenterWindowTest, PlacesTheWindowOverTheOtherAndKeepsItOnItsScreen) {
    const TScreenRect screen{0, 0, 1024, 768};
    const TScreenRect second{1024, 0, 1280, 1024};
    const TCenterCase cases[] = {
        {"centred over a parent", 200, 100, {100, 100, 400, 300}, screen, {200, 200}},
        {"odd differences round toward zero", 201, 101, {0, 0, 400, 300}, screen, {99, 99}},
        {"negative halves round toward zero", 401, 301, {100, 100, 400, 300}, screen, {100, 100}},
        {"parent near the bottom keeps 30 pixels free", 200, 200, {0, 600, 400, 168}, screen,
         {100, 768 - 30 - 200}},
        {"parent near the right edge", 300, 100, {900, 0, 124, 100}, screen, {724, 0}},
        {"parent above the top edge", 200, 100, {100, -500, 400, 300}, screen, {200, 0}},
        {"wider than the screen starts at x 0", 1500, 100, {0, 0, 1024, 768}, screen, {0, 334}},
        {"taller than the screen starts at y 0", 100, 900, {0, 0, 1024, 768}, screen, {462, 0}},
        {"parent off every screen", 200, 100, {-3000, 5000, 400, 300}, screen, {0, 768 - 30 - 100}},
        {"over a window on a second screen", 200, 100, {1100, 100, 400, 300}, second, {1200, 200}},
        {"pulled back onto the second screen", 200, 100, {900, 100, 200, 300}, second, {1024, 200}},
        {"a screen that does not start at 0", 300, 300, {1024, 900, 100, 100}, second,
         {1024, 1024 - 30 - 300}},
    };
    for (const TCenterCase& c : cases) {
        const TScreenPoint at = CenteredPosition(c.width, c.height, c.over, c.screen, 30);
        EXPECT_EQ(at.x, c.expected.x) << c.what;
        EXPECT_EQ(at.y, c.expected.y) << c.what;
    }
}

TEST(CenterWindowTest, MovesTheWidgetOverItsParentWithoutResizingIt) {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    QWidget dialog(&owner, Qt::Dialog);
    dialog.resize(200, 100);
    CenterWindow(&dialog);
    EXPECT_EQ(dialog.pos(), QPoint(300, 250));
    EXPECT_EQ(dialog.size(), QSize(200, 100));

    // With no window to centre over, the screen is the reference.
    QWidget alone;
    alone.resize(200, 100);
    CenterWindow(&alone);
    const QRect screen = alone.screen()->geometry();
    EXPECT_EQ(alone.pos(), QPoint(screen.left() + (screen.width() - 200) / 2,
                                  screen.top() + (screen.height() - 100) / 2));

    // Centred on the screen, a window with a parent leaves the parent's place.
    CenterWindowOnScreen(&dialog);
    EXPECT_EQ(dialog.pos(), alone.pos());
}

}  // namespace
