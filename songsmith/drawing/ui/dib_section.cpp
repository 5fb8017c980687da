#include "songsmith/drawing/ui/dib_section.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/drawing/dib_file.h"

namespace {

// Qt has no 4-bit image, so 4-bit pictures are kept one byte a pixel.
int StoredDepth(int bits) {
    return bits == 4 ? 8 : bits;
}

QImage::Format FormatOfDepth(int bits) {
    switch (bits) {
    case 1:
        return QImage::Format_Mono;
    case 8:
        return QImage::Format_Indexed8;
    case 16:
        return QImage::Format_RGB16;
    case 24:
        return QImage::Format_RGB888;
    default:
        return QImage::Format_RGB32;
    }
}

int DepthOfImage(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        return 8;
    case QImage::Format_RGB16:
        return 16;
    case QImage::Format_RGB888:
        return 24;
    default:
        return 32;
    }
}

int ScreenDepth(QWidget* window) {
    QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 32;
}

}  // namespace

QVector<QRgb> CDibSection::DefaultPalette() {
    QVector<QRgb> greys(256);
    for (int i = 0; i < 256; ++i) {
        greys[i] = qRgb(i, i, i);
    }
    return greys;
}

CDibSection::CDibSection() : palette_(DefaultPalette()) {
    info_.bitCount = StoredDepth(ScreenDepth(nullptr));
    info_.colorsUsed = info_.bitCount == 8 ? 256 : 0;
}

CDibSection::~CDibSection() {
    Release();
}

void CDibSection::Release() {
    image_ = QImage();
    keyed_ = QImage();
    mask_ = QImage();
    width_ = 0;
    height_ = 0;
    stride_ = 0;
}

void CDibSection::TakeFormatOf(const QImage& bitmap) {
    info_.width = std::abs(bitmap.width());
    info_.height = -std::abs(bitmap.height());
    info_.bitCount = DepthOfImage(bitmap);
    info_.bitFields = false;
    info_.colorTable.clear();
    if (info_.bitCount <= 8) {
        info_.colorTable = bitmap.colorTable();
    }
    info_.colorsUsed = static_cast<int>(info_.colorTable.size());
}

bool CDibSection::LoadFromBitmap(const QImage& bitmap) {
    TakeFormatOf(bitmap);
    if (!Create(0, 0, false, nullptr)) {
        return false;
    }
    image_ = bitmap.convertToFormat(FormatOfDepth(info_.bitCount));
    if (info_.bitCount <= 8) {
        image_.setColorTable(info_.colorTable);
    }
    return height_ > 0;
}

bool CDibSection::Create(int width, int height, bool paletteMode, QWidget* window) {
    Release();
    if (window != nullptr) {
        info_.bitCount = StoredDepth(ScreenDepth(window));
    }
    info_.bitCount = StoredDepth(info_.bitCount);
    paletteMode = paletteMode && info_.bitCount <= 8;
    if (width != 0) {
        info_.width = std::abs(width);
    }
    if (height != 0) {
        info_.height = -std::abs(height);
    }
    if (paletteMode) {
        SetColorTableFromPalette(palette_);
    }
    const int w = info_.width;
    const int h = std::abs(info_.height);
    QImage image(w, h, FormatOfDepth(info_.bitCount));
    if (w == 0 || h == 0 || image.isNull()) {
        return false;
    }
    if (info_.bitCount <= 8) {
        QVector<QRgb> table = info_.colorTable;
        if (table.isEmpty()) {
            table = info_.bitCount == 1 ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                                        : DefaultPalette();
        }
        table.resize(1 << info_.bitCount);
        image.setColorTable(table);
    }
    image.fill(0);
    image_ = image;
    width_ = w;
    height_ = h;
    stride_ = static_cast<int>(DibStride(info_.bitCount, w));
    return true;
}

void CDibSection::Draw(QPainter& painter, const QRect& dest, QPoint source) const {
    painter.drawImage(dest.topLeft(), image_, QRect(source, dest.size()));
}

void CDibSection::CreateTransparencyMask() {
    if (image_.isNull()) {
        return;
    }
    transparent_ = image_.pixel(0, 0);
    mask_ = image_.convertToFormat(QImage::Format_RGB32)
                .createMaskFromColor(transparent_, Qt::MaskInColor);
    keyed_ = QImage();
}

const QImage& CDibSection::KeyedImage() {
    if (!keyed_.isNull() || image_.isNull()) {
        return keyed_;
    }
    if (mask_.isNull()) {
        CreateTransparencyMask();
    }
    keyed_ = image_.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed_.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed_.scanLine(y));
        for (int x = 0; x < keyed_.width(); ++x) {
            if (mask_.pixelIndex(x, y) == 1) {
                row[x] = 0;
            }
        }
    }
    return keyed_;
}

void CDibSection::DrawTransparent(QPainter& painter, const QRect& dest, QPoint source) {
    painter.drawImage(dest.topLeft(), KeyedImage(), QRect(source, dest.size()));
}

void CDibSection::DrawStretched(QPainter& painter, const QRect& dest, QPoint source,
                                int sourceWidth, int sourceHeight) const {
    const int w = sourceWidth == -1 ? width_ : sourceWidth;
    const int h = sourceHeight == -1 ? height_ : sourceHeight;
    painter.drawImage(dest, image_, QRect(source.x(), source.y(), w, h));
}

void CDibSection::DrawStretchedTransparent(QPainter& painter, const QRect& dest, QPoint source,
                                           int sourceWidth, int sourceHeight) {
    const int w = sourceWidth == -1 ? width_ : sourceWidth;
    const int h = sourceHeight == -1 ? height_ : sourceHeight;
    painter.drawImage(dest, KeyedImage(), QRect(source.x(), source.y(), w, h));
}

std::uint64_t CDibSection::GetImageSize() const {
    return DibImageSize(info_.bitCount, info_.width, info_.height);
}

std::uint8_t* CDibSection::GetBits() {
    return image_.isNull() ? nullptr : image_.bits();
}

int CDibSection::GetInfoExtraSize() const {
    if (info_.bitCount <= 8) {
        return info_.headerSize + 4 * info_.colorsUsed;
    }
    return info_.bitFields ? 12 : 0;
}

QVector<QRgb> CDibSection::SetPalette(const QVector<QRgb>& palette) {
    if (info_.bitCount > 8) {
        return {};
    }
    QVector<QRgb> replaced = palette_;
    palette_ = palette.isEmpty() ? DefaultPalette() : palette;
    return replaced;
}

bool CDibSection::SetColorTableFromPalette(const QVector<QRgb>& palette) {
    const auto count = std::min<qsizetype>(palette.size(), 256);
    if (count == 0) {
        return false;
    }
    info_.colorTable = palette.mid(0, count);
    info_.colorsUsed = static_cast<int>(count);
    if (image_.format() == QImage::Format_Indexed8) {
        QVector<QRgb> table = info_.colorTable;
        table.resize(256);
        image_.setColorTable(table);
    }
    return true;
}

bool CDibSection::LoadBitmapImage(int resource) {
    const QImage image = LoadProgramBitmap(resource);
    return !image.isNull() && LoadFromBitmap(image);
}

bool CDibSection::LoadBitmapImageFile(const QString& path) {
    const QImage image = LoadBitmapFileImage(path);
    return !image.isNull() && LoadFromBitmap(image);
}
