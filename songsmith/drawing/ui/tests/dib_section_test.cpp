// Offscreen pictures: sizes and rows of every depth, transparent drawing
// that leaves the key colour's pixels alone, bitmap files read as Qt reads
// them, and the program's numbered pictures.
#include "songsmith/drawing/ui/dib_section.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>

#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"

namespace {

TEST(DibSectionTest, CreateTakesAbsoluteSizesAndKeepsTheOldOnesForZero) {
    struct TCase {
        int width;
        int height;
        int expectWidth;
        int expectHeight;
    };
    CDibSection dib;
    const TCase cases[] = {{-7, -5, 7, 5}, {0, 3, 7, 3}, {9, 0, 9, 3}, {4, 6, 4, 6}, {0, 0, 4, 6}};
    for (const auto& c : cases) {
        ASSERT_TRUE(dib.Create(c.width, c.height, false, nullptr)) << c.width << "x" << c.height;
        EXPECT_EQ(dib.GetWidth(), c.expectWidth);
        EXPECT_EQ(dib.GetHeight(), c.expectHeight);
        EXPECT_EQ(dib.GetInfo().height, -c.expectHeight) << "rows run top-down";
        EXPECT_EQ(dib.GetBitmap().size(), QSize(c.expectWidth, c.expectHeight));
    }
    dib.Release();
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetBits(), nullptr);
}

TEST(DibSectionTest, RowsOfEveryDepthAreWholeWordsAndMatchThePixels) {
    const struct {
        QImage::Format format;
        int bits;
        int stride;  // for width 5
    } cases[] = {{QImage::Format_Mono, 1, 4},
                 {QImage::Format_Indexed8, 8, 8},
                 {QImage::Format_RGB16, 16, 12},
                 {QImage::Format_RGB888, 24, 16},
                 {QImage::Format_RGB32, 32, 20}};
    for (const auto& c : cases) {
        QImage sample(2, 2, c.format);
        if (c.bits <= 8) {
            sample.setColorTable(CDibSection::DefaultPalette().mid(0, 1 << c.bits));
        }
        CDibSection dib;
        dib.TakeFormatOf(sample);
        ASSERT_TRUE(dib.Create(5, -3, false, nullptr)) << c.bits;
        EXPECT_EQ(dib.GetInfo().bitCount, c.bits);
        EXPECT_EQ(dib.GetStride(), c.stride) << c.bits;
        EXPECT_EQ(dib.GetBitmap().bytesPerLine(), c.stride) << c.bits;
        EXPECT_EQ(dib.GetImageSize(), static_cast<std::uint64_t>(c.stride) * 3) << c.bits;
    }
}

TEST(DibSectionTest, PaletteModeUsesThePalettesEntriesInOrder) {
    QImage sample(1, 1, QImage::Format_Indexed8);
    sample.setColorTable({qRgb(1, 2, 3)});
    CDibSection dib;
    dib.TakeFormatOf(sample);
    ASSERT_TRUE(dib.Create(4, 4, true, nullptr));
    ASSERT_EQ(dib.GetBitmap().colorTable().size(), 256);
    EXPECT_EQ(dib.GetBitmap().color(200), qRgb(200, 200, 200));
    EXPECT_EQ(dib.GetInfoExtraSize(), 40 + 4 * 256);
    const QVector<QRgb> reds{qRgb(255, 0, 0)};
    EXPECT_EQ(dib.SetPalette(reds), CDibSection::DefaultPalette());
    EXPECT_EQ(dib.GetPalette(), reds);
}

class CPictureWindow : public QWidget {
public:
    explicit CPictureWindow(CDibSection& dib) : dib_(dib) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(10, 200, 30));
        dib_.DrawTransparent(painter, QRect(0, 0, 12, 12), QPoint(0, 0));
        dib_.DrawStretchedTransparent(painter, QRect(12, 0, 12, 12), QPoint(0, 0), -1, -1);
    }

private:
    CDibSection& dib_;
};

TEST(DibSectionTest, ATransparentDrawLeavesTheKeyColoursPixelsUntouched) {
    CDibSection dib;
    ASSERT_TRUE(dib.LoadBitmapImage(kPictureCheckMark));
    EXPECT_EQ(dib.GetBitmap().pixel(0, 0), kPictureKeyColor);

    // A window of another colour that draws the picture plainly keyed and
    // stretched keyed.
    CPictureWindow window(dib);
    window.resize(24, 12);
    const QImage canvas = window.grab().toImage();
    EXPECT_EQ(dib.TransparentColor(), kPictureKeyColor);
    int drawn = 0;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 24; ++x) {
            const QRgb source = dib.GetBitmap().pixel(x % 12, y);
            if (source == kPictureKeyColor) {
                EXPECT_EQ(canvas.pixel(x, y), qRgb(10, 200, 30)) << x << "," << y;
            } else {
                EXPECT_EQ(canvas.pixel(x, y), source) << x << "," << y;
                ++drawn;
            }
        }
    }
    EXPECT_GT(drawn, 0) << "the check mark itself is drawn";
}

TEST(DibSectionTest, ValidBitmapFilesLoadAsQtReadsThem) {
    testsupport::TempDir dir;
    QImage rgb(2, 2, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(255, 0, 0));
    rgb.setPixel(1, 0, qRgb(0, 255, 0));
    rgb.setPixel(0, 1, qRgb(0, 0, 255));
    rgb.setPixel(1, 1, qRgb(9, 99, 199));
    const QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8);
    for (const QImage& image : {rgb, indexed}) {
        const QString path =
            QString::fromStdString(dir.Path()) + QStringLiteral("/p%1.bmp").arg(image.depth());
        ASSERT_TRUE(image.save(path, "BMP"));
        const QImage qt(path);
        ASSERT_FALSE(qt.isNull());
        const QPixmap ours = LoadPaletteBitmap(path);
        ASSERT_FALSE(ours.isNull()) << image.depth();
        EXPECT_EQ(ours.toImage().convertToFormat(QImage::Format_RGB32),
                  qt.convertToFormat(QImage::Format_RGB32));
        CDibSection dib;
        ASSERT_TRUE(dib.LoadBitmapImageFile(path));
        EXPECT_EQ(dib.GetBitmap().convertToFormat(QImage::Format_RGB32),
                  qt.convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_TRUE(LoadPaletteBitmap(QString::fromStdString(dir.Path()) + "/missing.bmp").isNull());
}

void SavePicturePng(const QImage& image, const QString& name) {
    QLabel label;
    label.setPixmap(QPixmap::fromImage(image));
    label.resize(image.size());
    testsupport::SaveWidgetPng(&label, name);
}

TEST(DibSectionTest, TheProgramsPicturesHaveTheirSizesAndFrames) {
    const struct {
        int resource;
        QSize size;
    } cases[] = {{kPictureLogo, QSize(131, 44)},       {kPictureBurnAnimation, QSize(19 * 23, 23)},
                 {kPictureLogoText, QSize(168, 30)},   {kPictureAbout, QSize(331, 141)},
                 {kPictureWillNotFit, QSize(64, 64)},  {kPictureInsertDisc, QSize(8 * 78, 56)},
                 {kPictureBurnWarning, QSize(48, 48)}, {kPictureCheckMark, QSize(12, 12)}};
    for (const auto& c : cases) {
        const QPixmap picture = LoadPaletteBitmap(c.resource);
        ASSERT_FALSE(picture.isNull()) << c.resource;
        EXPECT_EQ(picture.size(), c.size) << c.resource;
        SavePicturePng(picture.toImage(), QStringLiteral("picture_%1").arg(c.resource));
    }
    EXPECT_TRUE(LoadPaletteBitmap(12345).isNull());

    // Each frame of the animation strip differs from its neighbour, and the
    // dialogs cut them at 23 pixels.
    const QImage strip = LoadProgramBitmap(kPictureBurnAnimation);
    for (int frame : {0, 8, 15, 16, 17, 18}) {
        const QImage cut = strip.copy(frame * kBurnAnimationFrameWidth, 0, kBurnAnimationFrameWidth,
                                      strip.height());
        if (frame > 0) {
            EXPECT_NE(cut, strip.copy((frame - 1) * kBurnAnimationFrameWidth, 0,
                                      kBurnAnimationFrameWidth, strip.height()))
                << frame;
        }
        SavePicturePng(cut.scaled(cut.size() * 4), QStringLiteral("picture_162_frame_%1").arg(frame));
    }
}

}  // namespace
