#pragma once
// The window placement record the main window saves between runs: where the
// window stood, how it was shown, and its normal (restored) rectangle. Its
// 44-byte layout is kept because the program stores it whole; every field is
// a 32-bit little-endian number.

#include <cstddef>
#include <cstdint>

struct POINT {
    std::int32_t x;
    std::int32_t y;
};

struct RECT {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct WINDOWPLACEMENT {
    std::uint32_t length;  // the record's size, 44
    std::uint32_t flags;
    std::uint32_t showCmd;  // how the window is shown (normal, minimized, maximized)
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44, "stored record layout");
static_assert(offsetof(WINDOWPLACEMENT, ptMinPosition) == 12 &&
              offsetof(WINDOWPLACEMENT, rcNormalPosition) == 28);
