#include "songsmith/session/ui/session_pictures.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

const QColor kFace(236, 233, 216);
const QColor kGrey(160, 160, 160);
const QColor kArrow(40, 110, 190);
const QColor kCross(190, 40, 40);

void DrawButtonFace(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kFace);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 0, size.width() - 1, 0);
    p.drawLine(0, 0, 0, size.height() - 1);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(size.width() - 1, 0, size.width() - 1, size.height() - 1);
    p.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
}

// An arrow filling the button's middle, pointing up or down.
void DrawArrow(QPainter& p, QSize size, bool up, const QColor& colour) {
    DrawButtonFace(p, size);
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal tip = up ? 5 : h - 6;
    const qreal base = up ? h / 2 : h / 2 - 1;
    const qreal tail = up ? h - 6 : 5;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(w / 2, tip), QPointF(4, base), QPointF(w - 4, base)}));
    p.drawRect(QRectF(w / 2 - 3, std::min(base, tail), 6, std::abs(tail - base)));
}

void DrawCross(QPainter& p, QSize size, const QColor& colour) {
    DrawButtonFace(p, size);
    QPen pen(colour, 3);
    p.setPen(pen);
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    p.drawLine(cx - 6, cy - 6, cx + 6, cy + 6);
    p.drawLine(cx - 6, cy + 6, cx + 6, cy - 6);
}

}  // namespace

void DrawMoveUp(QPainter& p, QSize size) { DrawArrow(p, size, true, kArrow); }
void DrawMoveUpOff(QPainter& p, QSize size) { DrawArrow(p, size, true, kGrey); }
void DrawMoveDown(QPainter& p, QSize size) { DrawArrow(p, size, false, kArrow); }
void DrawMoveDownOff(QPainter& p, QSize size) { DrawArrow(p, size, false, kGrey); }
void DrawDeleteTrack(QPainter& p, QSize size) { DrawCross(p, size, kCross); }
void DrawDeleteTrackOff(QPainter& p, QSize size) { DrawCross(p, size, kGrey); }
