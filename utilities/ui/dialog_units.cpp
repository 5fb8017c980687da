#include "utilities/ui/dialog_units.h"

#include <cstdint>

namespace {

// value × numerator / denominator (denominator positive), rounded half away
// from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t magnitude = (product < 0 ? -product : product) + denominator / 2;
    const std::int64_t quotient = magnitude / denominator;
    return static_cast<int>(product < 0 ? -quotient : quotient);
}

}  // namespace

QRect MapDialogRect(int left, int top, int right, int bottom) {
    const int x0 = ScaleRounded(left, kDialogBaseUnitX, 4);
    const int y0 = ScaleRounded(top, kDialogBaseUnitY, 8);
    const int x1 = ScaleRounded(right, kDialogBaseUnitX, 4);
    const int y1 = ScaleRounded(bottom, kDialogBaseUnitY, 8);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}
