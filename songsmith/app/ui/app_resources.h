#pragma once
// The drawing objects every window of the program shares: the normal font,
// the fixed colours, two pens and the cursors. Made once at start-up and
// freed at shut-down; the large font belongs to the main window.

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPen>
#include <array>
#include <cstdint>

// A colour written as 0x00BBGGRR, blue in the high byte.
QColor ColorFromColorRef(std::uint32_t colorRef);

enum class EAppColor : int {
    kActiveCaption,  // the palette's colour of an active title
    kAmber,          // 0x0000C8FF
    kLightGrey,      // 0x00D1D1D1
    kPaleGrey,       // 0x00E0E0E0
    kBlue,           // 0x00FF0000
    kPeach,          // 0x007DC8FF
    kWhite,
    kBlack,
    kGrey,
};
inline constexpr int kAppColorCount = 9;

// The program's cursors by resource number.
inline constexpr int kCursorHand = 142;
inline constexpr int kCursorLink = 235;  // a hand as well
inline constexpr int kCursorBusy = 200;
inline constexpr int kCursorPlaySong = 236;
inline constexpr int kCursorStopSong = 237;
inline constexpr int kCursorDragSong = 193;

class CAppResources {
public:
    CAppResources();

    const QFont& NormalFont() const { return normalFont_; }
    const QColor& Color(EAppColor color) const { return colors_[static_cast<int>(color)]; }
    const QPen& BluePen() const { return bluePen_; }
    const QPen& WhitePen() const { return whitePen_; }
    const QCursor& ArrowCursor() const { return arrow_; }
    const QCursor& WaitCursor() const { return wait_; }
    // One of the numbered cursors above; the arrow for any other number.
    const QCursor& Cursor(int resource) const;

private:
    QFont normalFont_;
    std::array<QColor, kAppColorCount> colors_;
    QPen bluePen_;
    QPen whitePen_;
    QCursor arrow_;
    QCursor wait_;
    std::array<QCursor, 6> numbered_;
};

// Makes the shared objects (again after a free); true.
bool InitAppResources();
// Frees them; AppResources() is null afterwards.
void FreeAppResources();
// The shared objects; null before InitAppResources and after the free.
const CAppResources* AppResources();
