#pragma once
// How long one session track lasts on the disc. The session's totals and the
// disc layout both count tracks through this one function, so the length
// the user is shown is the length that is burned.

#include <cstdint>

#include "songsmith/prefs/preference_records.h"

// The shortest track a disc may hold (ms).
inline constexpr std::int32_t kMinDiscTrackMs = 4000;

// A track of lengthMs on the disc: at least kMinDiscTrackMs; then, with
// transitions, for a track that is not the last, the gap is added (mode 1)
// or the overlap is taken off (mode 2) when the track is longer than both
// the overlap and the minimum, and never by more than leaves the minimum.
// Whether a track of lengthMs that is not the last overlaps the next one on
// the disc (transitions of kind 2 only).
bool DiscTrackOverlapsNext(std::int32_t lengthMs, const TFadePreferences& fade, bool isLast,
                           bool withTransitions);

std::int32_t DiscTrackLengthMs(std::int32_t lengthMs, const TFadePreferences& fade, bool isLast,
                               bool withTransitions);
