#pragma once
// The burn progress dialog's percent bar, drawn offscreen: a blue outline,
// the part still to do in grey, the part done in the writing colour (a deep
// red) or, while tracks are converted, in blue, and "NN%" in white from the
// bar's middle. It is drawn again only when the whole percent changes, so a
// tick that moves the progress by a fraction of a percent costs nothing.

#include <QImage>
#include <QPoint>
#include <QSize>

#include "songsmith/drawing/ui/dib_section.h"

class QPainter;
class QWidget;

class CBurnPercentBar {
public:
    // The colours of the part done.
    static constexpr QRgb kWritingColor = qRgb(200, 0, 48);
    static constexpr QRgb kConvertingColor = qRgb(0, 0, 255);

    // An empty bar of size, at the depth of window's screen.
    void Create(QSize size, QWidget* window);
    // Shows fraction (0 to 1) done; false, with nothing drawn, when its whole
    // percent is the one shown.
    bool Set(double fraction, bool writing);
    // Copies the bar to painter at topLeft.
    void Draw(QPainter& painter, QPoint topLeft) const;

    // How often the bar was drawn, and the drawing itself.
    int DrawCount() const { return drawCount_; }
    const QImage& Image() const { return image_.GetBitmap(); }

private:
    CDibSection image_;
    // The fraction last shown; below 0 before the first.
    double shown_ = -1.0;
    int drawCount_ = 0;
};
