// Durations of playlist entries, written as "[[hh:]mm:]ss[.fff]" by most
// writers and loosely by some.
#include <algorithm>
#include <cstdint>

#include "tonecore/playlists/playlist.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of digits stops growing here: any larger count of hours is nonsense
// already, and the products below stay within 64 bits.
constexpr std::int64_t kRunCeiling = 1'000'000'000'000;
// Runs kept before the fraction; only the last three count.
constexpr int kMaxRuns = 9;
constexpr std::int64_t kMsPerUnit[] = {1000, 60'000, 3'600'000};  // seconds, minutes, hours

}  // namespace

std::int32_t _parseAsxDurationField(const char* text) {
    if (text == nullptr || text[0] == '\0') return 0;
    std::int64_t runs[kMaxRuns];
    int stacked = 0;
    std::int64_t ms = 0;
    bool fractionNext = false;
    const char* p = text;
    while (*p != '\0') {
        if (!IsDigit(*p)) {
            if (*p == '.') fractionNext = true;
            ++p;
            continue;
        }
        if (fractionNext) {
            // The digits after the point are a fraction of a second: the
            // first three are milliseconds, each one scaled by its place.
            std::int64_t scale = 100;
            for (; IsDigit(*p) && scale > 0; ++p, scale /= 10) ms += (*p - '0') * scale;
            break;
        }
        std::int64_t run = 0;
        for (; IsDigit(*p); ++p) run = std::min(kRunCeiling, run * 10 + (*p - '0'));
        if (stacked < kMaxRuns) runs[stacked++] = run;
    }
    for (int unit = 0; unit < 3 && unit < stacked; ++unit) ms += runs[stacked - 1 - unit] * kMsPerUnit[unit];
    return static_cast<std::int32_t>(std::min<std::int64_t>(ms, INT32_MAX));
}
