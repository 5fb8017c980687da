#include "songsmith/app/ui/app_resources.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <memory>

namespace {

// The colours with a fixed value, as 0x00BBGGRR; the active title colour
// comes from the palette.
constexpr std::array<std::uint32_t, kAppColorCount> kColorRefs{
    0,          0x0000C8FF, 0x00D1D1D1, 0x00E0E0E0, 0x00FF0000,
    0x007DC8FF, 0x00FFFFFF, 0x00000000, 0x00808080};

constexpr std::array<int, 6> kCursorNumbers{kCursorHand,     kCursorLink,     kCursorBusy,
                                            kCursorPlaySong, kCursorStopSong, kCursorDragSong};

constexpr int kCursorSize = 32;

void DrawArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 17);
    arrow.lineTo(5, 13);
    arrow.lineTo(8, 20);
    arrow.lineTo(10, 19);
    arrow.lineTo(7, 12);
    arrow.lineTo(12, 12);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

// A hand pointing up with its index finger; the tip is the hot spot.
QCursor HandCursor() {
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(6.5, 1.5, 4, 13), 2, 2);
    QPainterPath palm;
    palm.moveTo(3.5, 13.5);
    palm.lineTo(3.5, 20.5);
    palm.quadTo(5, 26.5, 9, 26.5);
    palm.lineTo(15, 26.5);
    palm.quadTo(19.5, 24, 19.5, 18);
    palm.lineTo(19.5, 12.5);
    palm.lineTo(6.5, 10.5);
    palm.closeSubpath();
    p.drawPath(palm);
    for (qreal x : {10.5, 13.5, 16.5}) {
        p.drawLine(QPointF(x, 11), QPointF(x, 17));
    }
    p.end();
    return QCursor(pixmap, 8, 1);
}

// The arrow with a badge at its lower right telling what a click does.
QCursor BadgedArrow(void (*badge)(QPainter&)) {
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawArrow(p);
    p.setPen(QPen(Qt::black, 1));
    badge(p);
    p.end();
    return QCursor(pixmap, 1, 1);
}

void BusyBadge(QPainter& p) {
    QPainterPath glass;
    glass.moveTo(13.5, 14.5);
    glass.lineTo(23.5, 14.5);
    glass.lineTo(18.5, 20.5);
    glass.lineTo(23.5, 26.5);
    glass.lineTo(13.5, 26.5);
    glass.lineTo(18.5, 20.5);
    glass.closeSubpath();
    p.setBrush(QColor(240, 200, 80));
    p.drawPath(glass);
}

void PlayBadge(QPainter& p) {
    p.setBrush(QColor(40, 150, 60));
    p.drawPolygon(QPolygonF({QPointF(14.5, 14.5), QPointF(24.5, 20), QPointF(14.5, 25.5)}));
}

void StopBadge(QPainter& p) {
    p.setBrush(QColor(200, 50, 50));
    p.drawRect(QRectF(14.5, 15.5, 9, 9));
}

void DragBadge(QPainter& p) {
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(QRectF(12.5, 16.5, 12, 9));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(15.5, 19.5), QPointF(21.5, 19.5));
    p.drawLine(QPointF(15.5, 22.5), QPointF(21.5, 22.5));
}

std::unique_ptr<CAppResources>& Shared() {
    static std::unique_ptr<CAppResources> resources;
    return resources;
}

}  // namespace

QColor ColorFromColorRef(std::uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

CAppResources::CAppResources()
    : normalFont_(QApplication::font()),
      bluePen_(ColorFromColorRef(0x00FF0000), 1),
      whitePen_(ColorFromColorRef(0x00FFFFFF), 1),
      arrow_(Qt::ArrowCursor),
      wait_(Qt::WaitCursor),
      numbered_{HandCursor(),           HandCursor(),           BadgedArrow(BusyBadge),
                BadgedArrow(PlayBadge), BadgedArrow(StopBadge), BadgedArrow(DragBadge)} {
    for (int i = 0; i < kAppColorCount; ++i) {
        colors_[i] = ColorFromColorRef(kColorRefs[i]);
    }
    colors_[static_cast<int>(EAppColor::kActiveCaption)] =
        QApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

const QCursor& CAppResources::Cursor(int resource) const {
    for (std::size_t i = 0; i < kCursorNumbers.size(); ++i) {
        if (kCursorNumbers[i] == resource) {
            return numbered_[i];
        }
    }
    return arrow_;
}

bool InitAppResources() {
    Shared() = std::make_unique<CAppResources>();
    return true;
}

void FreeAppResources() {
    Shared().reset();
}

const CAppResources* AppResources() {
    return Shared().get();
}
