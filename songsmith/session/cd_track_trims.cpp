// Setting a session track's trims, the automatic pair found from the
// peaks of its open sound.
#include <algorithm>
#include <string>
#include <mutex>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/silence_scan.h"
#include "songsmith/player/song_sounds.h"
#include "tonecore/peaks/peaks.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

std::uint32_t PeakIndex(std::int32_t ms, std::int32_t block, std::uint32_t count) {
    const std::int64_t index = std::max<std::int64_t>(0, ms / block);
    return static_cast<std::uint32_t>(std::min<std::int64_t>(index, count - 1));
}

}  // namespace

bool CCDTrack::SetTrims(std::int32_t startMs, std::int32_t endMs, bool automatic) {
    TGuard guard(lock_);
    if (loading_) return false;
    info_.trimStartMs = startMs;
    info_.trimEndMs = endMs;
    if (!automatic) return true;
    info_.autoTrimStartMs = startMs;
    info_.autoTrimEndMs = endMs;
    const CPeaks* peaks = sound_ != nullptr ? sound_->GetPeaks() : nullptr;
    if (peaks == nullptr || peaks->GetNumPeaks() == 0) return false;
    // The block the peaks were built with ("soundScanMilsPerPixel" when the
    // song was loaded; a later change of the preference does not move them).
    const auto block = static_cast<std::int32_t>(peaks->NumMilsPerPeak());
    if (block <= 0) return false;
    const std::uint32_t count = peaks->GetNumPeaks();
    const std::uint32_t from = PeakIndex(startMs, block, count);
    const std::uint32_t to = PeakIndex(endMs, block, count);
    // The peak bytes are read from the song's peaks file: the sound's own
    // copy of its peaks carries what was found in them (length, maxima,
    // flags), not the bytes, so without the file there is nothing to scan.
    std::vector<std::uint8_t> range;
    const std::string cachePath = PeaksCachePath();
    if (cachePath.empty() || !ReadPeakRange(cachePath, from, to, range) || range.empty())
        return false;
    info_.flags[kSilenceWarnedFlag] = false;
    const TSoundEdges edges = FindSoundEdges(range, from, prefs_.soundSilenceThreshold);
    info_.autoTrimStartMs = static_cast<std::int32_t>(edges.first) * block;
    // The last loud block is kept whole: only silence is trimmed.
    info_.autoTrimEndMs = edges.Silent() ? static_cast<std::int32_t>(edges.last) * block
                                         : std::min(static_cast<std::int32_t>(edges.last + 1) * block, endMs);
    if (edges.Silent()) info_.flags[kSilenceWarnedFlag] = true;
    return true;
}
