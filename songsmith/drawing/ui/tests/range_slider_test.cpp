// The two-thumb slider: thumbs kept in order and in range, the parent told
// once per drag, a disabled slider deaf to the mouse and drawn grey, and an
// empty range or a tiny slider safe to paint and drag.
#include "songsmith/drawing/ui/range_slider.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <memory>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "testsupport/widget_png.h"

namespace {

// A parent window with a receiver counting the slider's messages.
struct TSliderHost {
    TSliderHost(int width, int height)
        : receiver([this](TAppMessage& message) {
              if (message.number == WM_RANGE_CHANGED && message.wParam == 0 && message.lParam == 0) {
                  ++changes;
              }
              return std::intptr_t{0};
          }) {
        parent.resize(width + 20, height + 20);
        slider = CRangeSlider::Create(&parent, receiver.Id(), 10, 10, width, height);
    }

    void Drag(int fromX, int toX) {
        const int y = slider->height() - 5;
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(fromX, y));
        QTest::mouseMove(slider, QPoint(toX, y));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(toX, y));
        QCoreApplication::sendPostedEvents();
    }

    QWidget parent;
    CAppMessageReceiver receiver;
    CRangeSlider* slider = nullptr;
    int changes = 0;
};

TEST(RangeSliderTest, ThumbsStopShortOfEachOtherAndAtTheRangesEnds) {
    // Width 120: x = 10 + value, one pixel a value.
    TSliderHost host(120, 40);
    CRangeSlider& slider = *host.slider;
    slider.SetPositions(20, 60);
    EXPECT_EQ(slider.XOfValue(20), 30);
    EXPECT_EQ(slider.ValueOfX(70), 60);

    host.Drag(30, 90);  // the low thumb far past the high one
    EXPECT_EQ(slider.Low(), 20) << "a move onto or past the high thumb is refused";
    host.Drag(30, 69);
    EXPECT_EQ(slider.Low(), 59);
    EXPECT_EQ(slider.High(), 60);

    slider.SetPositions(20, 60);
    host.Drag(70, 110);  // value 100, the maximum
    EXPECT_EQ(slider.High(), 100);
    host.Drag(110, 119);  // past the maximum
    EXPECT_EQ(slider.High(), 100);
    host.Drag(30, 0);  // below the minimum
    EXPECT_EQ(slider.Low(), 20);
    EXPECT_EQ(host.changes, 5) << "one message for each drag of a thumb";

    host.Drag(50, 80);  // between the thumbs: no thumb, no message
    EXPECT_EQ(host.changes, 5);
    EXPECT_EQ(slider.Low(), 20);
    EXPECT_EQ(slider.High(), 100);
}

bool HasColour(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

TEST(RangeSliderTest, ADisabledSliderIgnoresTheMouseAndDrawsGrey) {
    TSliderHost host(120, 40);
    CRangeSlider& slider = *host.slider;
    slider.SetPositions(20, 60);
    const QImage enabled = slider.grab().toImage();
    EXPECT_TRUE(HasColour(enabled, qRgb(0, 0, 0)));
    EXPECT_FALSE(HasColour(enabled, qRgb(128, 128, 128)));
    testsupport::SaveWidgetPng(&slider, "range_slider_enabled");

    slider.Enable(false);
    EXPECT_FALSE(slider.isEnabled());
    host.Drag(30, 50);
    EXPECT_EQ(slider.Low(), 20);
    EXPECT_EQ(host.changes, 0);
    const QImage disabled = slider.grab().toImage();
    EXPECT_TRUE(HasColour(disabled, qRgb(128, 128, 128))) << "grey labels";
    EXPECT_FALSE(HasColour(disabled, qRgb(0, 0, 0))) << "no black groove nor black labels";
    testsupport::SaveWidgetPng(&slider, "range_slider_disabled");
}

TEST(RangeSliderTest, AnEmptyRangeOrATinySliderPaintsAndDragsAtTheMinimum) {
    struct TCase {
        int width;
        int min;
        int max;
    };
    for (const TCase& c : {TCase{10, 5, 5}, TCase{10, 0, 100}, TCase{120, 7, 7}, TCase{20, 0, 9}}) {
        TSliderHost host(c.width, 40);
        CRangeSlider& slider = *host.slider;
        slider.SetRange(c.min, c.max);
        slider.SetPositions(c.min, c.max);
        EXPECT_EQ(slider.XOfValue(c.max), 10) << c.width;
        EXPECT_EQ(slider.ValueOfX(c.width), c.min) << c.width;
        EXPECT_FALSE(slider.grab().isNull());
        host.Drag(10, c.width);
        host.Drag(10, 0);
        EXPECT_GE(slider.Low(), c.min);
        EXPECT_LE(slider.High(), c.max);
    }
}

}  // namespace
