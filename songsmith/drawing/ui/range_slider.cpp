#include "songsmith/drawing/ui/range_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "songsmith/app/app_messages.h"

namespace {

enum EPen { kDark, kHighlight, kLightHighlight, kWhite, kShadow, kLight };

// The track leaves this many pixels free at either end.
constexpr int kTrackInset = 10;
constexpr int kThumbHeight = 22;
// Labels go over the thumbs at the top, in this height.
constexpr int kLabelHeight = 14;

const QColor kDisabledText(128, 128, 128);

}  // namespace

const std::array<QColor, 6> CRangeSlider::kPens{
    QColor(96, 96, 96),    QColor(131, 135, 29),  QColor(245, 250, 106),
    QColor(255, 255, 255), QColor(182, 174, 164), QColor(247, 245, 243)};

CRangeSlider::CRangeSlider(QWidget* parent) : QWidget(parent), labelFont_("Arial") {
    labelFont_.setPixelSize(14);
    labelFont_.setWeight(QFont::Normal);
}

CRangeSlider::~CRangeSlider() = default;

CRangeSlider* CRangeSlider::Create(QWidget* parent, TReceiverId parentReceiver, int x, int y,
                                   int width, int height) {
    auto* slider = new CRangeSlider(parent);
    slider->receiver_ = parentReceiver;
    slider->setGeometry(x, y, width, height);
    slider->show();
    return slider;
}

void CRangeSlider::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    update();
}

void CRangeSlider::SetPositions(int low, int high) {
    low_ = low;
    high_ = high;
    update();
}

void CRangeSlider::Enable(bool enable) {
    enabled_ = enable;
    setEnabled(enable);
    update();
}

// Both directions are computed in floating point and then truncated; an
// empty range or a track without length puts every value at the track's
// start and reads every x as the minimum, instead of dividing by zero.
int CRangeSlider::XOfValue(int value) const {
    const double span = static_cast<double>(max_) - min_;
    const int track = width() - 2 * kTrackInset;
    if (span == 0 || track <= 0) {
        return kTrackInset;
    }
    return static_cast<int>(kTrackInset + (value - static_cast<double>(min_)) / span * track);
}

int CRangeSlider::ValueOfX(int x) const {
    const double span = static_cast<double>(max_) - min_;
    const int track = width() - 2 * kTrackInset;
    if (span == 0 || track <= 0) {
        return min_;
    }
    return static_cast<int>(min_ + static_cast<double>(x - kTrackInset) / track * span);
}

bool CRangeSlider::InThumb(int value, QPoint point) const {
    const int x = XOfValue(value);
    const int bottom = height();
    return point.x() >= x - 3 && point.x() <= x + 4 && point.y() >= bottom - kThumbHeight &&
           point.y() <= bottom;
}

void CRangeSlider::mousePressEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = event->position().toPoint();
    dragged_ = InThumb(low_, point) ? kLow : InThumb(high_, point) ? kHigh : kNone;
}

void CRangeSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!enabled_ || dragged_ == kNone) {
        return;
    }
    const int value = ValueOfX(event->position().toPoint().x());
    if (dragged_ == kLow && value < high_ && value >= min_) {
        low_ = value;
    } else if (dragged_ == kHigh && value > low_ && value <= max_) {
        high_ = value;
    }
    update();
}

void CRangeSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) {
        return;
    }
    if (dragged_ != kNone) {
        PostAppMessage(receiver_, TAppMessage{WM_RANGE_CHANGED, 0, 0, nullptr});
    }
    dragged_ = kNone;
}

// A pointed marker standing on the bottom edge, its tip on the groove.
void CRangeSlider::PaintThumb(QPainter& p, int x) const {
    const int bottom = height() - 1;
    const int top = bottom - kThumbHeight + 1;
    const int tip = top + 6;
    p.setPen(kPens[kDark]);
    p.drawLine(x - 3, bottom, x + 4, bottom);
    p.drawLine(x + 4, bottom, x + 4, tip);
    p.drawLine(x + 4, tip, x, top);
    p.setPen(kPens[kShadow]);
    p.drawLine(x - 3, bottom - 1, x - 3, tip);
    p.drawLine(x - 3, tip, x, top);
    if (enabled_) {
        p.setPen(kPens[kHighlight]);
        p.drawLine(x + 3, bottom - 1, x + 3, tip);
        p.setPen(kPens[kLightHighlight]);
        for (int column = x - 2; column <= x + 2; ++column) {
            p.drawLine(column, bottom - 1, column, tip + 1);
        }
        p.setPen(kPens[kWhite]);
        p.drawLine(x - 2, tip, x, top + 1);
    }
}

void CRangeSlider::PaintLabels(QPainter& p) const {
    p.setFont(labelFont_);
    p.setPen(enabled_ ? QColor(Qt::black) : kDisabledText);
    const QFontMetrics metrics(labelFont_);
    const QString lowText = QString::number(low_);
    const QString highText = QString::number(high_);
    // Right-aligned to the low thumb and left-aligned from the high one,
    // each kept inside the window.
    const int lowWidth = metrics.horizontalAdvance(lowText);
    const int lowLeft = std::clamp(XOfValue(low_) + 4 - lowWidth, 0, std::max(0, width() - lowWidth));
    const int highWidth = metrics.horizontalAdvance(highText);
    const int highLeft = std::clamp(XOfValue(high_) - 3, 0, std::max(0, width() - highWidth));
    p.drawText(QRect(lowLeft, 0, lowWidth, kLabelHeight + 2), Qt::AlignLeft | Qt::AlignTop,
               lowText);
    p.drawText(QRect(highLeft, 0, highWidth, kLabelHeight + 2), Qt::AlignLeft | Qt::AlignTop,
               highText);
}

void CRangeSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int bottom = height();
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (enabled_) {
        p.setPen(kPens[kLight]);
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, bottom - 1);
        p.setPen(kPens[kShadow]);
        p.drawLine(0, bottom - 1, w - 1, bottom - 1);
        p.drawLine(w - 1, 0, w - 1, bottom - 1);
    }
    // The groove: shadow above, light below, capped at either end.
    const int grooveTop = bottom - 15;
    const int grooveBottom = bottom - 11;
    if (enabled_) {
        p.fillRect(QRect(kTrackInset, grooveTop + 1, w - 2 * kTrackInset, grooveBottom - grooveTop - 1),
                   Qt::black);
    }
    p.setPen(kPens[kShadow]);
    p.drawLine(kTrackInset, grooveTop, w - kTrackInset, grooveTop);
    p.drawLine(kTrackInset - 1, grooveTop, kTrackInset - 1, grooveBottom);
    p.setPen(kPens[kLight]);
    p.drawLine(kTrackInset, grooveBottom, w - kTrackInset, grooveBottom);
    p.drawLine(w - kTrackInset + 1, grooveTop, w - kTrackInset + 1, grooveBottom);
    PaintThumb(p, XOfValue(low_));
    PaintThumb(p, XOfValue(high_));
    PaintLabels(p);
}
