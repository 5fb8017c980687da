#pragma once
// The value rules of envelope points, shared by the event map's operations:
// reading and writing a point's double, combining a child's value with its
// parent's, inverting, and the neutral value of each envelope type.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "tonecore/maps/event_map.h"

namespace mapvalues {

// A rate below this would stop the sound; combining and inverting keep rates
// at or above it.
inline constexpr double kMinRate = 0.01;
// Inverting never stretches a sound by more than this.
inline constexpr double kMaxInvertedRate = 2.0;
// Inverted volumes stay within 0.0 .. this.
inline constexpr double kMaxInvertedVolume = 2.0;

// The value a curve of the type has where nothing changes it.
inline double Neutral(int type) { return type == MAP_PAN ? 0.0 : 1.0; }

// Whether an event's data is one double (a point of an envelope).
inline bool HoldsValue(const _tvol_pan_data* event) {
    return event->data != nullptr && event->size >= sizeof(double);
}

// The point's value; the neutral value for data too small to hold one.
inline double Read(const _tvol_pan_data* event) {
    if (!HoldsValue(event)) return Neutral(event->type);
    double value = 0.0;
    std::memcpy(&value, event->data, sizeof value);
    return value;
}

inline void Write(_tvol_pan_data* event, double value) {
    if (HoldsValue(event)) std::memcpy(event->data, &value, sizeof value);
}

// A child's value a under its parent's value b.
inline double Combine(int type, double a, double b) {
    switch (type) {
        case MAP_VOLUME:
            return a * b;
        case MAP_PAN:
            return std::clamp(a + b, -1.0, 1.0);
        case MAP_RATE:
            return std::max(a * b, kMinRate);
        default:
            return a;
    }
}

inline double Invert(int type, double v) {
    switch (type) {
        case MAP_VOLUME:
            return std::clamp(2.0 - v, 0.0, kMaxInvertedVolume);
        case MAP_PAN:
            return -v;
        case MAP_RATE:
            return std::clamp(1.0 / v, kMinRate, kMaxInvertedRate);
        default:
            return v;
    }
}

// A time in milliseconds, limited to the 32-bit range that map times use.
inline std::int32_t ClampMs(std::int64_t ms) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max()));
}

// A time computed in doubles, truncated toward zero and limited likewise.
inline std::int32_t TruncMs(double ms) {
    if (std::isnan(ms)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(std::trunc(ms), lo, hi));
}

}  // namespace mapvalues
