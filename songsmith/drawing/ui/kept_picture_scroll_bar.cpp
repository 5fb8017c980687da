#include "songsmith/drawing/ui/kept_picture_scroll_bar.h"

#include <QPainter>
#include <QStyleOptionSlider>

CKeptPictureScrollBar::CKeptPictureScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

void CKeptPictureScrollBar::paintEvent(QPaintEvent* event) {
    // Pressed or hovered parts of the bar are drawn by the style as they
    // change, from state only the bar itself holds.
    if (underMouse() || isSliderDown()) {
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    TLook look;
    look.style = style();
    look.size = size();
    look.ratio = devicePixelRatioF();
    look.minimum = option.minimum;
    look.maximum = option.maximum;
    look.position = option.sliderPosition;
    look.pageStep = option.pageStep;
    look.state = option.state;
    look.palette = option.palette.cacheKey();
    QPainter painter(this);
    painter.drawPixmap(0, 0, PictureOf(look, option));
}

const QPixmap& CKeptPictureScrollBar::PictureOf(const TLook& look, QStyleOptionSlider option) {
    for (auto kept = pictures_.begin(); kept != pictures_.end(); ++kept) {
        if (!(kept->look == look)) continue;
        // The latest used comes first; the least used goes when one is new.
        if (kept != pictures_.begin()) {
            TPicture picture = std::move(*kept);
            pictures_.erase(kept);
            pictures_.push_front(std::move(picture));
        }
        return pictures_.front().image;
    }
    QPixmap image(look.size * look.ratio);
    image.setDevicePixelRatio(look.ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        option.subControls = QStyle::SC_All;
        option.activeSubControls = QStyle::SC_None;
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
    }
    if (pictures_.size() == kKeptPictures) pictures_.pop_back();
    pictures_.push_front({look, std::move(image)});
    return pictures_.front().image;
}
