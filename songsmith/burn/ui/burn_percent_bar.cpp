#include "songsmith/burn/ui/burn_percent_bar.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

int WholePercent(double fraction) {
    return static_cast<int>(std::floor(fraction * 100.0));
}

}  // namespace

void CBurnPercentBar::Create(QSize size, QWidget* window) {
    image_.Create(size.width(), -size.height(), false, window);
    shown_ = -1.0;
}

bool CBurnPercentBar::Set(double fraction, bool writing) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (shown_ >= 0.0 && WholePercent(fraction) == WholePercent(shown_)) return false;
    shown_ = fraction;
    std::uint8_t* bits = image_.GetBits();
    if (bits == nullptr) return false;
    const QImage& shown = image_.GetBitmap();
    QImage target(bits, shown.width(), shown.height(), shown.bytesPerLine(), shown.format());
    const QRect whole = target.rect();
    const QRect inside = whole.adjusted(1, 1, -1, -1);
    const int done = static_cast<int>(inside.width() * fraction);
    QPainter painter(&target);
    painter.fillRect(inside, Qt::gray);
    painter.fillRect(QRect(inside.left(), inside.top(), done, inside.height()),
                     QColor::fromRgb(writing ? kWritingColor : kConvertingColor));
    painter.setPen(Qt::blue);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(whole.adjusted(0, 0, -1, -1));
    // The text starts at the middle, where it never moves as the bar grows.
    painter.setPen(Qt::white);
    const QRect text(whole.center().x(), whole.top(), whole.right() - whole.center().x(), whole.height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::asprintf("%d%%", WholePercent(fraction)));
    ++drawCount_;
    return true;
}

void CBurnPercentBar::Draw(QPainter& painter, QPoint topLeft) const {
    image_.Draw(painter, QRect(topLeft, image_.GetClipBox().size()), QPoint(0, 0));
}
