#include "songsmith/burn/burn_layout.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

constexpr std::int32_t kModeGap = 1;
constexpr std::int32_t kModeOverlap = 2;

}  // namespace

bool DiscTrackOverlapsNext(std::int32_t lengthMs, const TFadePreferences& fade, bool isLast,
                           bool withTransitions) {
    return withTransitions && !isLast && fade.transitionMode == kModeOverlap &&
           lengthMs > fade.overlapMs && lengthMs > kMinDiscTrackMs;
}

std::int32_t DiscTrackLengthMs(std::int32_t lengthMs, const TFadePreferences& fade, bool isLast,
                               bool withTransitions) {
    const std::int32_t counted = std::max(lengthMs, kMinDiscTrackMs);
    if (!withTransitions || isLast) return counted;
    if (fade.transitionMode == kModeGap)
        return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{counted} + fade.gapMs, INT32_MAX));
    // The overlap never takes a track below the shortest a disc may hold:
    // the mix stays continuous and every track keeps its minimum.
    if (DiscTrackOverlapsNext(lengthMs, fade, isLast, withTransitions))
        return std::max(counted - fade.overlapMs, kMinDiscTrackMs);
    return counted;
}
