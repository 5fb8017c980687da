#include "songsmith/program_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <array>

#include "songsmith/bitmaps.h"

namespace {

const QColor kInk(40, 48, 64);
const QColor kDisc(200, 205, 220);
const QColor kDiscShine(235, 238, 248);
const QColor kFlame(220, 70, 40);
const QColor kGood(40, 150, 60);
const QColor kPanel(236, 233, 216);

void DrawDiscAt(QPainter& p, QPointF centre, qreal radius, qreal shineAngle) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kDisc);
    p.drawEllipse(centre, radius, radius);
    // A bright wedge whose angle makes the disc appear to turn.
    p.setPen(Qt::NoPen);
    p.setBrush(kDiscShine);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawPie(box, qRound(shineAngle * 16), 50 * 16);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPanel);
    p.drawEllipse(centre, radius * 0.3, radius * 0.3);
}

void DrawTick(QPainter& p, const QRectF& box, const QColor& colour, qreal width) {
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.1, box.top() + box.height() * 0.55);
    tick.lineTo(box.left() + box.width() * 0.4, box.top() + box.height() * 0.85);
    tick.lineTo(box.left() + box.width() * 0.9, box.top() + box.height() * 0.15);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

// Four steps of a burn from left to right: prepare, convert, write, done.
void DrawBurnSteps(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kPanel);
    const qreal step = size.width() / 4.0;
    for (int i = 0; i < 4; ++i) {
        const QPointF centre(step * i + step / 2, size.height() / 2.0);
        DrawDiscAt(p, centre, size.height() * 0.36, 90.0 * i);
        if (i == 3) {
            DrawTick(p, QRectF(centre.x() - 8, centre.y() - 8, 16, 16), kGood, 3);
        }
        if (i < 3) {
            p.setPen(QPen(kInk, 2));
            p.drawLine(QPointF(centre.x() + step * 0.38, centre.y()),
                       QPointF(centre.x() + step * 0.62, centre.y()));
        }
    }
}

// Frames 0 to 15: the disc turning a sixteenth each; 16 to 18: the finished
// disc with a growing tick.
void DrawBurnAnimation(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    for (int frame = 0; frame < kBurnAnimationFrames; ++frame) {
        const QPointF centre(frame * kBurnAnimationFrameWidth + 11.5, 11.5);
        if (frame < 16) {
            DrawDiscAt(p, centre, 10, -22.5 * frame);
            p.setPen(Qt::NoPen);
            p.setBrush(kFlame);
            p.drawEllipse(QPointF(centre.x() + 7, centre.y() + 7), 2.5, 2.5);
        } else {
            DrawDiscAt(p, centre, 10, 45);
            const qreal grow = 0.5 + 0.25 * (frame - 16);
            DrawTick(p, QRectF(centre.x() - 9 * grow, centre.y() - 9 * grow, 18 * grow, 18 * grow),
                     kGood, 2.5);
        }
    }
}

// A disc with more music than fits: a sheet running past its edge.
void DrawWillNotFit(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kPanel);
    DrawDiscAt(p, QPointF(26, 32), 22, 60);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(250, 250, 244));
    p.drawRect(QRectF(30, 10, 28, 40));
    p.setPen(QPen(kFlame, 2));
    for (int line = 0; line < 5; ++line) {
        p.drawLine(QPointF(34, 17 + 7 * line), QPointF(54, 17 + 7 * line));
    }
}

// Eight frames of a disc sliding into a drive and back out of view.
void DrawInsertDisc(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kPanel);
    for (int frame = 0; frame < kInsertDiscFrames; ++frame) {
        const qreal left = frame * kInsertDiscFrameWidth;
        const QRectF drive(left + 6, 34, 66, 18);
        const qreal depth = frame < 5 ? frame * 6.0 : (7 - frame) * 6.0;
        // The disc disappears into the slot in the drive's middle.
        p.setClipRect(QRectF(left, 0, kInsertDiscFrameWidth, drive.center().y()));
        DrawDiscAt(p, QPointF(left + 39, 18 + depth), 15, 45.0 * frame);
        p.setClipping(false);
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(120, 124, 136));
        p.drawRect(drive);
        p.setBrush(kGood);
        p.drawRect(QRectF(drive.right() - 9, drive.bottom() - 6, 5, 3));
    }
}

// The warning before a first burn: a disc under a flame.
void DrawBurnWarning(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kPanel);
    DrawDiscAt(p, QPointF(20, 26), 17, 30);
    QPainterPath flame;
    flame.moveTo(34, 46);
    flame.cubicTo(24, 43, 28, 28, 36, 18);
    flame.cubicTo(37, 28, 46, 31, 43, 40);
    flame.cubicTo(42, 44, 38, 46, 34, 46);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kFlame);
    p.drawPath(flame);
}

// The step check mark on the key colour, so it sits on any button face.
void DrawCheckMark(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawTick(p, QRectF(1, 1, 10, 10), kGood, 2);
}

struct TProgramPicture {
    int resource;
    QSize size;
    void (*draw)(QPainter&, QSize);
    bool smooth;  // antialiased; pictures on a key colour are not, so the
                  // key stays one exact colour at the edges
};

const std::array kPictures{
    TProgramPicture{kPictureBurnSteps, QSize(160, 40), DrawBurnSteps, true},
    TProgramPicture{kPictureBurnAnimation,
                    QSize(kBurnAnimationFrames * kBurnAnimationFrameWidth, 23), DrawBurnAnimation,
                    false},
    TProgramPicture{kPictureWillNotFit, QSize(64, 64), DrawWillNotFit, true},
    TProgramPicture{kPictureInsertDisc, QSize(kInsertDiscFrames * kInsertDiscFrameWidth, 56),
                    DrawInsertDisc, true},
    TProgramPicture{kPictureBurnWarning, QSize(48, 48), DrawBurnWarning, true},
    TProgramPicture{kPictureCheckMark, QSize(12, 12), DrawCheckMark, false},
};

const TProgramPicture* FindPicture(int resource) {
    for (const auto& picture : kPictures) {
        if (picture.resource == resource) {
            return &picture;
        }
    }
    return nullptr;
}

}  // namespace

QSize ProgramPictureSize(int resource) {
    const TProgramPicture* picture = FindPicture(resource);
    return picture != nullptr ? picture->size : QSize();
}

QImage DrawProgramPicture(int resource) {
    const TProgramPicture* picture = FindPicture(resource);
    if (picture == nullptr) {
        return {};
    }
    QImage image(picture->size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, picture->smooth);
    picture->draw(painter, picture->size);
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 32.0, side / 32.0);
        DrawDiscAt(p, QPointF(16, 16), 14, 60);
        p.setPen(QPen(kInk, 2));
        p.setBrush(kInk);
        p.drawLine(QPointF(21, 6), QPointF(21, 20));
        p.drawEllipse(QPointF(18.5, 20), 3, 2.2);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
