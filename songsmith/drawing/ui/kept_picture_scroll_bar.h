#pragma once
// A scroll bar that keeps the last few pictures the style drew of it. A
// list whose rows are replaced at every key shows the same few scroll bars
// again and again (one page of rows, the same count as before), and the
// style's drawing of one, with its gradients over the bar's whole length,
// costs more than drawing a page of rows. While the mouse is over the bar
// or holds it, the style draws it as usual.

#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <deque>

class CKeptPictureScrollBar : public QScrollBar {
public:
    static constexpr std::size_t kKeptPictures = 8;

    CKeptPictureScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the style's picture depends on, besides the style itself.
    struct TLook {
        const QStyle* style = nullptr;
        QSize size;
        qreal ratio = 1;
        int minimum = 0, maximum = 0, position = 0, pageStep = 0;
        QStyle::State state;
        qint64 palette = 0;
        bool operator==(const TLook&) const = default;
    };
    struct TPicture {
        TLook look;
        QPixmap image;
    };
    // The kept picture of look, drawn by the style from option when new.
    const QPixmap& PictureOf(const TLook& look, QStyleOptionSlider option);

    std::deque<TPicture> pictures_;
};
