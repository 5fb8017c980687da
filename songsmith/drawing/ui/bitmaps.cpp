#include "songsmith/drawing/ui/bitmaps.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>

#include "songsmith/drawing/dib_file.h"
#include "songsmith/drawing/ui/program_pictures.h"

namespace {

void PutU32(QByteArray& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

QImage DecodePackedDib(std::span<const std::uint8_t> packed) {
    const auto header = CheckPackedDib(packed);
    if (!header) {
        return {};
    }
    // Qt reads files, so the checked bitmap gets back a file header whose
    // pixel offset is where the checks found the pixels.
    QByteArray file;
    file.append("BM");
    PutU32(file, static_cast<std::uint32_t>(kDibFileHeaderSize + packed.size()));
    PutU32(file, 0);
    PutU32(file, static_cast<std::uint32_t>(kDibFileHeaderSize + DibPixelOffset(*header)));
    file.append(reinterpret_cast<const char*>(packed.data()), static_cast<qsizetype>(packed.size()));
    return QImage::fromData(file, "BMP");
}

QImage LoadBitmapFileImage(const QString& path) {
    const auto packed = LoadDibFile(path.toStdString());
    return packed ? DecodePackedDib(*packed) : QImage();
}

QImage LoadProgramBitmap(int resource) {
    return DrawProgramPicture(resource);
}

QPixmap LoadPaletteBitmap(int resource) {
    const QImage image = LoadProgramBitmap(resource);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QPixmap LoadPaletteBitmap(const QString& path) {
    const QImage image = LoadBitmapFileImage(path);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

int GetScreenColorDepth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 0;
}
