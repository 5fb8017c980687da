#include "utilities/ui/center_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Lower clamp last: a window larger than the area keeps its left or top edge
// (and with it the title bar) on the screen.
int ClampIntoRange(int position, int size, int areaStart, int areaEnd) {
    return std::max(areaStart, std::min(position, areaEnd - size));
}

TScreenRect ToScreenRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

// The rectangle of a widget in global coordinates, frame included for a
// window.
QRect GlobalFrame(const QWidget* widget) {
    if (widget->isWindow()) return widget->frameGeometry();
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

QScreen* ScreenOf(const QWidget* widget, const QRect& frame) {
    if (QScreen* screen = QGuiApplication::screenAt(frame.center())) return screen;
    if (widget != nullptr && widget->screen() != nullptr) return widget->screen();
    return QGuiApplication::primaryScreen();
}

}  // namespace

TScreenPoint CenteredPosition(int width, int height, const TScreenRect& over,
                              const TScreenRect& screen, int bottomMargin) {
    const int x = over.left + (over.width - width) / 2;
    const int y = over.top + (over.height - height) / 2;
    return {ClampIntoRange(x, width, screen.left, screen.left + screen.width),
            ClampIntoRange(y, height, screen.top, screen.top + screen.height - bottomMargin)};
}

namespace {

// Centres window over the frame of over, or over its screen when over is
// null.
void CenterOver(QWidget* window, QWidget* over) {
    QScreen* screen = nullptr;
    QRect overFrame;
    if (over != nullptr) {
        overFrame = GlobalFrame(over);
        screen = ScreenOf(over, overFrame);
    } else {
        screen = ScreenOf(window, GlobalFrame(window));
        if (screen != nullptr) overFrame = screen->geometry();
    }
    if (screen == nullptr) return;
    const QSize size = window->frameGeometry().size();
    const TScreenPoint at =
        CenteredPosition(size.width(), size.height(), ToScreenRect(overFrame),
                         ToScreenRect(screen->availableGeometry()), kCenterBottomMargin);
    QPoint target(at.x, at.y);
    if (!window->isWindow() && window->parentWidget() != nullptr) {
        target = window->parentWidget()->mapFromGlobal(target);
    }
    window->move(target);
}

}  // namespace

void CenterWindow(QWidget* window, QWidget* over) {
    if (window == nullptr) return;
    CenterOver(window, over != nullptr ? over : window->parentWidget());
}

void CenterWindowOnScreen(QWidget* window) {
    if (window != nullptr) CenterOver(window, nullptr);
}
