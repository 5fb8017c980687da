#include "songsmith/drawing/ui/program_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>
#include <array>

#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/session/ui/session_pictures.h"

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

// A font of the default family at a size in pixels.
QFont PictureFont(int pixels, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

// The product's badge on the key colour: the name over a short line, and a
// dark round slot on the right where the meter frames are drawn.
void DrawLogo(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    // The badge's edge stays hard, so no pixel blends into the key colour.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRoundedRect(QRect(1, 1, size.width() - 2, 40), 7, 7);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(255, 255, 255));
    p.setFont(PictureFont(16, QFont::Bold));
    p.drawText(QRect(6, 5, kLogoMeterLeft - 8, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Songsmith"));
    p.setPen(kDisc);
    p.setFont(PictureFont(9, QFont::Normal));
    p.drawText(QRect(7, 25, kLogoMeterLeft - 9, 12), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("burn \u00b7 rip \u00b7 keep"));
    const QPointF slot(kLogoMeterLeft + 11.5, kLogoMeterTop + 11.5);
    p.setPen(QPen(QColor(70, 80, 104), 1));
    p.setBrush(QColor(52, 60, 80));
    p.drawEllipse(slot, 10.5, 10.5);
}

// The line under the logo: a pale band with the program's purpose.
void DrawLogoText(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    // The top rows stay clear: the logo above reaches down into them.
    const QRect band(0, 8, size.width(), size.height() - 8);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kDiscShine);
    p.drawRoundedRect(band.adjusted(0, 0, -1, -1), 6, 6);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(kInk);
    p.setFont(PictureFont(11, QFont::Normal));
    p.drawText(band, Qt::AlignCenter, QStringLiteral("Songs to CD, CD to songs"));
}

// The About picture: the name and a large disc on a dark band with rounded
// corners on the key colour.
void DrawAbout(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    QPainterPath band;
    band.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 10, 10);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipPath(band);
    QLinearGradient shade(0, 0, size.width(), size.height());
    shade.setColorAt(0, QColor(28, 34, 52));
    shade.setColorAt(1, QColor(64, 84, 128));
    p.fillRect(QRect(QPoint(0, 0), size), shade);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal radius = size.height() * 0.36;
    DrawDiscAt(p, QPointF(radius + 14, size.height() / 2.0), radius, 60);
    const int textLeft = qRound(2 * radius) + 26;
    const int textWidth = size.width() - textLeft - 10;
    p.setPen(QColor(255, 255, 255));
    p.setFont(PictureFont(26, QFont::Bold));
    p.drawText(QRect(textLeft, 22, textWidth, 36), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Songsmith"));
    p.setPen(kDisc);
    p.setFont(PictureFont(12, QFont::Normal));
    p.drawText(QRect(textLeft + 1, 64, textWidth, 60), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Burns songs to CD, rips CDs into songs and keeps your library."));
}

// Frames 0 to 15: a disc whose written part grows by a fifteenth each, from
// an empty disc to a full one; 16 to 18: the finished disc with a growing
// tick.
void DrawBurnAnimation(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(kPictureKeyColor));
    for (int frame = 0; frame < kBurnAnimationFrames; ++frame) {
        const QPointF centre(frame * kBurnAnimationFrameWidth + 11.5, 11.5);
        if (frame < 16) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kDisc);
            p.drawEllipse(centre, 10, 10);
            if (frame > 0) {
                // Clockwise from twelve o'clock.
                p.setPen(Qt::NoPen);
                p.setBrush(kFlame);
                p.drawPie(QRectF(centre.x() - 10, centre.y() - 10, 20, 20), 90 * 16,
                          -frame * 360 * 16 / 15);
            }
            p.setPen(QPen(kInk, 1));
            p.setBrush(kPanel);
            p.drawEllipse(centre, 3, 3);
        } else {
            DrawDiscAt(p, centre, 10, 45);
            // The largest tick stays inside the disc: the frames follow each other
            // without the picture below being restored, so nothing may stick out.
            const qreal grow = 0.5 + 0.2 * (frame - 16);
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

// A player button's face: a raised dark key, so the symbols read on the
// panel's black display band.
void DrawPlayerKey(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kPanel);
    QLinearGradient shade(0, 0, 0, size.height());
    shade.setColorAt(0, QColor(92, 100, 120));
    shade.setColorAt(1, kInk);
    p.setPen(QPen(QColor(24, 28, 40), 1));
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 4, 4);
}

const QColor kSymbol(255, 200, 0);

QPolygonF Triangle(qreal left, qreal right, qreal top, qreal bottom, bool pointsRight) {
    const qreal middle = (top + bottom) / 2;
    if (pointsRight) return QPolygonF({QPointF(left, top), QPointF(right, middle), QPointF(left, bottom)});
    return QPolygonF({QPointF(right, top), QPointF(left, middle), QPointF(right, bottom)});
}

void DrawStop(QPainter& p, QSize size) {
    DrawPlayerKey(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(kSymbol);
    p.drawRect(QRectF(7, 7, 10, 10));
}

void DrawPlay(QPainter& p, QSize size) {
    DrawPlayerKey(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(kSymbol);
    p.drawPolygon(Triangle(8, 18, 6, 18, true));
}

// Two triangles against a bar: to the start, or to the end.
void DrawSkip(QPainter& p, QSize size, bool forward) {
    DrawPlayerKey(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(kSymbol);
    const qreal middle = size.width() / 2.0;
    if (forward) {
        p.drawPolygon(Triangle(middle - 9, middle - 1, 7, 17, true));
        p.drawPolygon(Triangle(middle - 1, middle + 7, 7, 17, true));
        p.drawRect(QRectF(middle + 7, 7, 2, 10));
    } else {
        p.drawRect(QRectF(middle - 9, 7, 2, 10));
        p.drawPolygon(Triangle(middle - 7, middle + 1, 7, 17, false));
        p.drawPolygon(Triangle(middle + 1, middle + 9, 7, 17, false));
    }
}

void DrawPrevious(QPainter& p, QSize size) { DrawSkip(p, size, false); }
void DrawNext(QPainter& p, QSize size) { DrawSkip(p, size, true); }

// "more" on a key: lit once there is a song to tell about, dim before.
void DrawMoreKey(QPainter& p, QSize size, const QColor& text) {
    DrawPlayerKey(p, size);
    p.setPen(text);
    p.setFont(PictureFont(11, QFont::Bold));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("more"));
}

void DrawMore(QPainter& p, QSize size) { DrawMoreKey(p, size, kSymbol); }
void DrawMoreIdle(QPainter& p, QSize size) { DrawMoreKey(p, size, QColor(130, 136, 150)); }

struct TProgramPicture {
    int resource;
    QSize size;
    void (*draw)(QPainter&, QSize);
    bool smooth;  // antialiased; pictures on a key colour are not, so the
                  // key stays one exact colour at the edges
};

const std::array kPictures{
    TProgramPicture{kPictureLogoText, QSize(168, 30), DrawLogoText, false},
    TProgramPicture{kPictureLogo, QSize(131, 44), DrawLogo, false},
    TProgramPicture{kPictureBurnAnimation,
                    QSize(kBurnAnimationFrames * kBurnAnimationFrameWidth, 23), DrawBurnAnimation,
                    false},
    TProgramPicture{kPictureAbout, QSize(331, 141), DrawAbout, false},
    TProgramPicture{kPictureWillNotFit, QSize(64, 64), DrawWillNotFit, true},
    TProgramPicture{kPictureInsertDisc, QSize(kInsertDiscFrames * kInsertDiscFrameWidth, 56),
                    DrawInsertDisc, true},
    TProgramPicture{kPictureBurnWarning, QSize(48, 48), DrawBurnWarning, true},
    TProgramPicture{kPictureCheckMark, QSize(12, 12), DrawCheckMark, false},
    TProgramPicture{kPictureMoveUp, QSize(23, 31), DrawMoveUp, false},
    TProgramPicture{kPictureMoveUpOff, QSize(23, 31), DrawMoveUpOff, false},
    TProgramPicture{kPictureMoveDown, QSize(23, 31), DrawMoveDown, false},
    TProgramPicture{kPictureMoveDownOff, QSize(23, 31), DrawMoveDownOff, false},
    TProgramPicture{kPictureDeleteTrack, QSize(34, 24), DrawDeleteTrack, false},
    TProgramPicture{kPictureDeleteTrackOff, QSize(34, 24), DrawDeleteTrackOff, false},
    TProgramPicture{kPictureStop, QSize(24, 24), DrawStop, true},
    TProgramPicture{kPicturePrevious, QSize(34, 24), DrawPrevious, true},
    TProgramPicture{kPicturePlay, QSize(24, 24), DrawPlay, true},
    TProgramPicture{kPictureNext, QSize(34, 24), DrawNext, true},
    TProgramPicture{kPictureMore, QSize(36, 24), DrawMore, true},
    TProgramPicture{kPictureMoreIdle, QSize(36, 24), DrawMoreIdle, true},
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
