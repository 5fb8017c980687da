#pragma once
// The rip speed preference: 255 asks for the drive's fastest speed, other
// values are positions in the speed list the preference page offers.

#include <cstdint>

inline constexpr std::int16_t PLATTER_RIP_SPEED_MAXIMUM = 255;

// The X value of a rip speed index; -1 for the fastest (also for an index
// outside the list, which no page offers).
std::int32_t RipSpeedX(std::int32_t index);
