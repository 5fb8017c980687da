#include "platter/rip_speed.h"

#include <array>

namespace {

// The preference page's list after "Max": "1x" is index 0, "72x" index 18.
constexpr std::array<std::int32_t, 19> kSpeedsX = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18,
                                                    20, 24, 28, 32, 36, 40, 48, 52, 72};

}  // namespace

std::int32_t RipSpeedX(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kSpeedsX.size())) return -1;
    return kSpeedsX[static_cast<std::size_t>(index)];
}
