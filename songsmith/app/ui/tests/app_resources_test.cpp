// The shared drawing objects: colours written blue-first come out as the
// right RGB, the numbered cursors are the program's own pictures, and a free
// leaves nothing behind.
#include "songsmith/app/ui/app_resources.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "testsupport/widget_png.h"

namespace {

TEST(AppResourcesTest, ColoursComeOutAsTheirRgbValues) {
    ASSERT_TRUE(InitAppResources());
    const CAppResources& res = *AppResources();
    const struct {
        EAppColor color;
        QColor rgb;
    } cases[] = {{EAppColor::kAmber, QColor(255, 200, 0)},     {EAppColor::kLightGrey, QColor(209, 209, 209)},
                 {EAppColor::kPaleGrey, QColor(224, 224, 224)}, {EAppColor::kBlue, QColor(0, 0, 255)},
                 {EAppColor::kPeach, QColor(255, 200, 125)},    {EAppColor::kWhite, QColor(255, 255, 255)},
                 {EAppColor::kBlack, QColor(0, 0, 0)},          {EAppColor::kGrey, QColor(128, 128, 128)}};
    for (const auto& c : cases) {
        EXPECT_EQ(res.Color(c.color), c.rgb) << static_cast<int>(c.color);
    }
    EXPECT_EQ(res.Color(EAppColor::kActiveCaption),
              QApplication::palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(res.BluePen().color(), QColor(0, 0, 255));
    EXPECT_EQ(res.BluePen().width(), 1);
    EXPECT_EQ(res.WhitePen().color(), QColor(255, 255, 255));
    EXPECT_EQ(res.NormalFont(), QApplication::font());
    FreeAppResources();
    EXPECT_EQ(AppResources(), nullptr);
}

TEST(AppResourcesTest, TheNumberedCursorsAreTheProgramsOwnPictures) {
    ASSERT_TRUE(InitAppResources());
    const CAppResources& res = *AppResources();
    EXPECT_EQ(res.ArrowCursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(res.WaitCursor().shape(), Qt::WaitCursor);
    for (int number : {kCursorHand, kCursorLink, kCursorBusy, kCursorPlaySong, kCursorStopSong,
                       kCursorDragSong}) {
        const QCursor& cursor = res.Cursor(number);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << number;
        const QPixmap picture = cursor.pixmap();
        ASSERT_FALSE(picture.isNull()) << number;
        EXPECT_TRUE(QRect(QPoint(0, 0), picture.size()).contains(cursor.hotSpot())) << number;
        QLabel label;
        label.setStyleSheet("background: #d0d8e0");
        label.setPixmap(picture.scaled(picture.size() * 2));
        testsupport::SaveWidgetPng(&label, QStringLiteral("cursor_%1").arg(number));
    }
    EXPECT_NE(res.Cursor(kCursorPlaySong).pixmap().toImage(),
              res.Cursor(kCursorStopSong).pixmap().toImage());
    EXPECT_EQ(res.Cursor(999).shape(), Qt::ArrowCursor);
    FreeAppResources();
}

}  // namespace
