// The CDDB disc ID and the disc length of a track list.

#include "filekit/log.h"
#include "titlefetch/cddb.h"

namespace {

std::uint32_t DigitSum(std::uint32_t value) {
    std::uint32_t sum = 0;
    for (; value > 0; value /= 10) sum += value % 10;
    return sum;
}

// Whole seconds of a frame count; negative counts (no real disc has them)
// count as 0.
std::uint32_t WholeSeconds(std::int64_t frames) {
    return frames > 0 ? static_cast<std::uint32_t>(frames / kFramesPerSecond) : 0;
}

}  // namespace

// The CDDB disc ID: the digit sums of the tracks' start seconds (mod 255) in
// the top byte, the playing time in seconds from the first track's start to
// the lead-out in the middle two bytes, the track count in the low byte. The
// lead-out is the last track's start plus its length counted in frames, so
// the frame parts of both add up before the seconds are taken.
std::uint32_t CCDDB::computeDiscID(const MvList<PLATTER_TTrackPos*>& tracks) const {
    if (tracks.count <= 0) return 0;
    for (const PLATTER_TTrackPos* track : tracks) {
        if (track == nullptr) return 0;
    }
    std::uint32_t sum = 0;
    for (const PLATTER_TTrackPos* track : tracks) sum += DigitSum(WholeSeconds(track->frameOffset));

    const PLATTER_TTrackPos& first = *tracks.items[0];
    const PLATTER_TTrackPos& last = *tracks.items[tracks.count - 1];
    const std::uint32_t leadOut = WholeSeconds(std::int64_t{last.frameOffset} + last.LengthInFrames());
    const std::uint32_t start = WholeSeconds(first.frameOffset);
    const std::uint32_t time = leadOut > start ? leadOut - start : 0;
    const auto count = static_cast<std::uint32_t>(tracks.count);

    Log("CCDDB::computeDiscID - Calculating disc ID based on: ");
    LogFmt("   Part 1: Sum of offset digits is %u (0x%04x)", sum, sum);
    LogFmt("   Part 2: Disc time is %u (0x%04x)", time, time);
    LogFmt("   Part 3: Number of tracks is %u (0x%04x)", count, count);
    return ((sum % 255) << 24) | (time << 8) | count;
}

std::uint32_t CCDDB::computeDiscLength(const MvList<PLATTER_TTrackPos*>& tracks) const {
    std::uint32_t seconds = 0;
    for (const PLATTER_TTrackPos* track : tracks) {
        if (track == nullptr) continue;
        const std::int64_t length = std::int64_t{track->lengthMinutes} * 60 + track->lengthSeconds;
        if (length > 0) seconds += static_cast<std::uint32_t>(length);
    }
    return seconds;
}
