#pragma once
// An offscreen picture the dialogs draw from: a device-independent bitmap of
// a given depth over a QImage, drawn plainly, through a transparency key, or
// stretched. Used for every animated or decorated picture (burn dialogs,
// About box, logo).

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>
#include <cstdint>

// The picture's format: the bitmap information the image is made from.
struct TDibInfo {
    int headerSize = 40;
    int width = 320;
    int height = -240;  // negative: rows run top-down
    int bitCount = 32;
    bool bitFields = false;
    int colorsUsed = 0;
    QVector<QRgb> colorTable;
};

class CDibSection {
public:
    // A 320 by 240 format at the screen's depth, the default palette.
    CDibSection();
    virtual ~CDibSection();
    CDibSection(const CDibSection&) = delete;
    CDibSection& operator=(const CDibSection&) = delete;

    // Drops the image and zeroes the sizes; the format stays.
    virtual void Release();
    // Takes a picture's format: width positive, rows top-down, its colour
    // table at 8 bits or fewer.
    virtual void TakeFormatOf(const QImage& bitmap);
    // The picture's format and a copy of its pixels; true when it had rows.
    virtual bool LoadFromBitmap(const QImage& bitmap);
    // A new image: depth of window's screen when given (palette mode only up
    // to 8 bits); width 0 keeps the width, else its absolute value; a
    // non-zero height gives top-down rows of its absolute value. In palette
    // mode an indexed image whose table holds the palette's entries 0..255.
    virtual bool Create(int width, int height, bool paletteMode, QWidget* window);
    // Copies the area of dest's size from source to dest.
    virtual void Draw(QPainter& painter, const QRect& dest, QPoint source) const;
    // As Draw, leaving the pixels of the key colour (pixel (0, 0)) unpainted.
    virtual void DrawTransparent(QPainter& painter, const QRect& dest, QPoint source);
    // Stretches the source area (-1: to the right or bottom edge) into dest.
    virtual void DrawStretched(QPainter& painter, const QRect& dest, QPoint source, int sourceWidth,
                               int sourceHeight) const;
    virtual void DrawStretchedTransparent(QPainter& painter, const QRect& dest, QPoint source,
                                          int sourceWidth, int sourceHeight);
    virtual const QImage& GetBitmap() const { return image_; }
    virtual std::uint64_t GetImageSize() const;
    virtual std::uint8_t* GetBits();
    virtual int GetStride() const { return stride_; }
    virtual QRect GetClipBox() const { return QRect(0, 0, width_, height_); }
    virtual int GetInfoExtraSize() const;
    virtual const TDibInfo& GetInfo() const { return info_; }
    virtual int GetWidth() const { return width_; }
    virtual int GetHeight() const { return height_; }
    virtual const QVector<QRgb>& GetPalette() const { return palette_; }
    // Up to 8 bits a pixel: takes the palette (empty: the default one) and
    // gives the one it replaced; above 8 bits nothing changes.
    virtual QVector<QRgb> SetPalette(const QVector<QRgb>& palette);

    // Up to 256 of the palette's entries into the colour table; true when
    // there was one.
    bool SetColorTableFromPalette(const QVector<QRgb>& palette);
    // The one-bit mask of the image: set where a pixel has the key colour.
    void CreateTransparencyMask();
    // A program picture by resource number, or a bitmap file; true when
    // loaded.
    bool LoadBitmapImage(int resource);
    bool LoadBitmapImageFile(const QString& path);

    QRgb TransparentColor() const { return transparent_; }
    // Every drawing target here stretches; palettes need no realising.
    bool CanStretch() const { return true; }
    void RealizePalette() const {}

    // The program's palette when none is chosen: 256 greys.
    static QVector<QRgb> DefaultPalette();

private:
    const QImage& KeyedImage();

    TDibInfo info_;
    QImage image_;
    int stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    QVector<QRgb> palette_;
    QRgb transparent_ = 0;
    QImage mask_;
    QImage keyed_;
};
