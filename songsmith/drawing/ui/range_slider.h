#pragma once
// A slider with two thumbs for a range of whole values (BPM, year), drawn by
// hand. After the user drags a thumb the parent gets WM_RANGE_CHANGED
// (wParam and lParam 0) at its receiver and reads the values.

#include <QColor>
#include <QFont>
#include <QWidget>
#include <array>

#include "songsmith/app/app_message.h"

class CRangeSlider : public QWidget {
public:
    enum EThumb { kNone = 0, kLow = 1, kHigh = 2 };

    explicit CRangeSlider(QWidget* parent = nullptr);
    ~CRangeSlider() override;

    // Places the slider in parent at x, y with that size, shown, posting to
    // parentReceiver after each drag.
    static CRangeSlider* Create(QWidget* parent, TReceiverId parentReceiver, int x, int y,
                                int width, int height);

    void SetRange(int min, int max);
    void SetPositions(int low, int high);
    // Enables the slider and its window.
    void Enable(bool enable);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Low() const { return low_; }
    int High() const { return high_; }
    bool IsSliderEnabled() const { return enabled_; }
    void SetReceiver(TReceiverId receiver) { receiver_ = receiver; }

    // Where a value lies, and the value at an x, in the slider's own
    // coordinates.
    int XOfValue(int value) const;
    int ValueOfX(int x) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool InThumb(int value, QPoint point) const;
    void PaintThumb(QPainter& painter, int x) const;
    void PaintLabels(QPainter& painter) const;

    // The six pens: dark, highlight, light highlight, white, shadow, light.
    static const std::array<QColor, 6> kPens;
    QFont labelFont_;
    TReceiverId receiver_ = kNoReceiver;
    int min_ = 0;
    int max_ = 100;
    int low_ = 0;
    int high_ = 100;
    EThumb dragged_ = kNone;
    bool enabled_ = true;
};
