#pragma once
// Millisecond ticks from a steady clock: never jump with the wall clock.

#include <cstdint>

// Milliseconds since an arbitrary fixed point; wraps after 49.7 days like the
// platform's 32-bit tick count, so callers compare differences only.
std::uint32_t GetTickCount();
// The same clock without the wrap.
std::int64_t SteadyMilliseconds();
