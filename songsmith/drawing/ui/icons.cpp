#include "songsmith/drawing/ui/icons.h"

#include <QPainter>
#include <QPainterPath>

#include "songsmith/app/toolbar_buttons.h"

namespace {

// Pictures are drawn on a 32 by 32 grid and scaled into their box.
constexpr qreal kGrid = 32.0;

const QColor kInk(40, 48, 64);
const QColor kPaper(250, 250, 244);
const QColor kAccent(230, 150, 20);
const QColor kBlue(60, 110, 190);
const QColor kGreen(60, 150, 80);
const QColor kRed(200, 50, 50);

void DrawDisc(QPainter& p, QPointF centre, qreal radius, const QColor& face) {
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(kPaper);
    p.drawEllipse(centre, radius * 0.28, radius * 0.28);
}

void DrawSheet(QPainter& p) {
    QPainterPath sheet;
    sheet.moveTo(8, 3);
    sheet.lineTo(20, 3);
    sheet.lineTo(26, 9);
    sheet.lineTo(26, 29);
    sheet.lineTo(8, 29);
    sheet.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(sheet);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
}

void DrawFolder(QPainter& p) {
    p.setBrush(kAccent);
    p.drawRect(QRectF(3, 9, 26, 18));
    p.drawRect(QRectF(3, 6, 10, 4));
}

void DrawFloppy(QPainter& p) {
    p.setBrush(kBlue);
    p.drawRect(QRectF(4, 4, 24, 24));
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.drawRect(QRectF(8, 17, 16, 11));
}

void DrawBurn(QPainter& p) {
    DrawDisc(p, QPointF(14, 17), 12, QColor(200, 200, 215));
    QPainterPath flame;
    flame.moveTo(24, 30);
    flame.cubicTo(16, 28, 20, 18, 25, 12);
    flame.cubicTo(26, 18, 31, 20, 29, 26);
    flame.cubicTo(28, 29, 26, 30, 24, 30);
    p.setBrush(kRed);
    p.drawPath(flame);
}

void DrawLabel(QPainter& p) {
    DrawDisc(p, QPointF(16, 16), 13, kPaper);
    p.setPen(QPen(kBlue, 2));
    p.drawArc(QRectF(7, 7, 18, 18), 30 * 16, 120 * 16);
    p.setPen(QPen(kInk, 1.2));
}

void DrawMagnifier(QPainter& p) {
    p.setBrush(QColor(210, 230, 250));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(QPen(kInk, 1.2));
}

void DrawBooks(QPainter& p) {
    const QColor colours[] = {kBlue, kGreen, kRed, kAccent};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.drawRect(QRectF(4 + i * 6.5, 6 + (i % 2) * 3, 5.5, 23 - (i % 2) * 3));
    }
}

void DrawCd(QPainter& p) {
    DrawDisc(p, QPointF(16, 16), 13, QColor(190, 205, 230));
}

// A sheet with a mark of two strokes across it.
void DrawMarkedSheet(QPainter& p, const QPen& pen, QLineF first, QLineF second) {
    DrawSheet(p);
    p.setPen(pen);
    p.drawLine(first);
    p.drawLine(second);
    p.setPen(QPen(kInk, 1.2));
}

void DrawPlus(QPainter& p) {
    DrawMarkedSheet(p, QPen(kGreen, 4), QLineF(17, 13, 17, 25), QLineF(11, 19, 23, 19));
}

void DrawFader(QPainter& p) {
    for (int i = 0; i < 3; ++i) {
        const qreal x = 8 + i * 8;
        p.drawLine(QPointF(x, 4), QPointF(x, 28));
        p.setBrush(kAccent);
        p.drawRect(QRectF(x - 3, 8 + i * 6, 6, 5));
    }
}

void DrawShuffle(QPainter& p) {
    p.setPen(QPen(kBlue, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 9), QPointF(24, 23));
    p.drawLine(QPointF(4, 23), QPointF(24, 9));
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({QPointF(28, 23), QPointF(22, 19), QPointF(22, 27)}));
    p.drawPolygon(QPolygonF({QPointF(28, 9), QPointF(22, 5), QPointF(22, 13)}));
    p.setPen(QPen(kInk, 1.2));
}

void DrawClear(QPainter& p) {
    DrawMarkedSheet(p, QPen(kRed, 3), QLineF(12, 14, 22, 24), QLineF(22, 14, 12, 24));
}

void DrawPicture(QPainter& p, int index) {
    switch (index) {
        case 0:
            DrawSheet(p);
            break;
        case 1:
            DrawFolder(p);
            break;
        case 2:
            DrawFloppy(p);
            break;
        case 3:
            DrawBurn(p);
            break;
        case 4:
            DrawLabel(p);
            break;
        case 5:
            DrawMagnifier(p);
            break;
        case 6:
            DrawBooks(p);
            break;
        case 7:
            DrawCd(p);
            break;
        case 8:
            DrawPlus(p);
            break;
        case 9:
            DrawFader(p);
            break;
        case 10:
            DrawShuffle(p);
            break;
        default:
            DrawClear(p);
            break;
    }
}

// One picture, centred in a transparent box and scaled to its height.
QPixmap Picture(int index, int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = height / kGrid;
    p.translate((width - height) / 2.0, 0);
    p.scale(scale, scale);
    p.setPen(QPen(kInk, 1.2));
    DrawPicture(p, index);
    return pixmap;
}

}  // namespace

QPixmap ToolbarImage(int index, bool small) {
    return small ? Picture(index, kSmallToolbarImageWidth, kSmallToolbarImageHeight)
                 : Picture(index, kLargeToolbarImageWidth, kLargeToolbarImageHeight);
}

QIcon TabIcon(int kind) {
    // The toolbar's own pictures of the three pages.
    constexpr int kPictureOfKind[] = {5, 7, 6};
    const int picture = kind >= 0 && kind <= 2 ? kPictureOfKind[kind] : 5;
    return QIcon(Picture(picture, 20, 16));
}
