#pragma once
// Centring a window over another one, kept on its screen.

class QWidget;

// A rectangle in screen coordinates: left and top included, width and height
// in pixels.
struct TScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TScreenPoint {
    int x = 0;
    int y = 0;
};

// Pixels kept free below a centred window, where a panel usually sits.
inline constexpr int kCenterBottomMargin = 30;

// Where a window of the given size goes when centred over `over` (division
// rounds toward zero), moved into `screen` with bottomMargin pixels free
// below it. A window larger than the screen is placed at the screen's left or
// top edge, so its title bar stays reachable.
TScreenPoint CenteredPosition(int width, int height, const TScreenRect& over,
                              const TScreenRect& screen, int bottomMargin);

// Moves window (position only) to the centre of over; over null: the
// window's parent, else the whole screen. The screen is the one over lies on,
// its area left free by panels.
void CenterWindow(QWidget* window, QWidget* over = nullptr);
// Moves window to the centre of the screen it lies on, whatever its parent.
void CenterWindowOnScreen(QWidget* window);
