#pragma once
// PLATTER_TTrackPos: one track's length and start on a disc, as the drive
// library reports them and the CDDB disc ID and query use them. Seven 32-bit
// values; a fresh record is all zero.

#include <cstdint>

// Red Book timing: 75 frames (sectors) a second, so 4500 a minute.
inline constexpr std::int32_t kFramesPerSecond = 75;
inline constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;
// The 2-second lead-in before the first track's logical block 0 (Red Book):
// frame offsets are logical block addresses plus this.
inline constexpr std::int32_t kLeadInFrames = 150;

struct PLATTER_TTrackPos {
    std::int32_t lengthMinutes = 0;
    std::int32_t lengthSeconds = 0;
    std::int32_t lengthFrames = 0;
    std::int32_t positionMinutes = 0;
    std::int32_t positionSeconds = 0;
    std::int32_t positionFrames = 0;
    // Absolute start of the track on the disc in frames, lead-in included;
    // the disc ID and the query take it unchanged.
    std::int32_t frameOffset = 0;

    std::int64_t LengthInFrames() const {
        return std::int64_t{lengthMinutes} * kFramesPerMinute +
               std::int64_t{lengthSeconds} * kFramesPerSecond + lengthFrames;
    }
    std::int64_t PositionInFrames() const {
        return std::int64_t{positionMinutes} * kFramesPerMinute +
               std::int64_t{positionSeconds} * kFramesPerSecond + positionFrames;
    }
};
static_assert(sizeof(PLATTER_TTrackPos) == 7 * 4, "seven 32-bit values, no padding");
