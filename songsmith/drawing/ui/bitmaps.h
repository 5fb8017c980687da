#pragma once
// Bitmaps for the windows: the program's numbered pictures, which are drawn
// at run time (no image files to find), and bitmap files checked before they
// are decoded.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <span>

// The background of pictures meant to be drawn transparently: the colour
// their pixel (0, 0) has.
inline constexpr QRgb kPictureKeyColor = 0xFFFF00FF;

// The program's picture with that resource number; null when it has none.
QImage LoadProgramBitmap(int resource);

// A packed bitmap that passes the checks of songsmith/drawing/dib_file.h, decoded; null
// otherwise.
QImage DecodePackedDib(std::span<const std::uint8_t> packed);
// A bitmap file, checked and decoded; null when refused or unreadable.
QImage LoadBitmapFileImage(const QString& path);

// The picture by resource number or from a file, ready to draw on screen;
// null when there is none.
QPixmap LoadPaletteBitmap(int resource);
QPixmap LoadPaletteBitmap(const QString& path);

// Bits a pixel of the primary screen.
int GetScreenColorDepth();
