// Setting a session track's trims, the automatic pair found from the
// peaks of its open sound.
#include <algorithm>
#include <filesystem>
#include <string>
#include <mutex>
#include <vector>

#include "songsmith/core/cd_track.h"
#include "songsmith/core/preferences.h"
#include "songsmith/core/silence_scan.h"
#include "songsmith/core/song_sounds.h"
#include "tonecore/peaks/peaks.h"

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

std::uint32_t PeakIndex(std::int32_t ms, std::int32_t block, std::uint32_t count) {
    const std::int64_t index = std::max<std::int64_t>(0, ms / block);
    return static_cast<std::uint32_t>(std::min<std::int64_t>(index, count - 1));
}

// Peaks from .. to of the song: read from its peaks cache when there is
// one (a sound's copy of its peaks carries what was found in them, not the
// peak bytes), else from the set held in memory. False when a cache that is
// there does not open.
bool CollectPeaks(const CPeaks& peaks, const std::string& cachePath, std::uint32_t from,
                  std::uint32_t to, std::vector<std::uint8_t>& out) {
    std::error_code error;
    if (!cachePath.empty() && std::filesystem::exists(cachePath, error))
        return ReadPeakRange(cachePath, from, to, out);
    const std::uint8_t* data = peaks.GetDataPtr();
    if (data == nullptr) return ReadPeakRange(peaks.PeakFilePath(), from, to, out);
    const std::uint32_t held = std::min(peaks.GetNumPeaks(), peaks.GetBufferedPeaks());
    const std::uint32_t end = std::min(to + 1, held);
    out.assign(data + std::min(from, end), data + end);
    return true;
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
    const std::int32_t block = prefs_.soundScanMilsPerPixel;
    if (peaks == nullptr || peaks->GetNumPeaks() == 0 || block <= 0) return false;
    const std::uint32_t count = peaks->GetNumPeaks();
    const std::uint32_t from = PeakIndex(startMs, block, count);
    const std::uint32_t to = PeakIndex(endMs, block, count);
    std::vector<std::uint8_t> range;
    if (!CollectPeaks(*peaks, PeaksCachePath(), from, to, range)) return false;
    info_.flags[kSilenceWarnedFlag] = false;
    const TSoundEdges edges = FindSoundEdges(range, from, prefs_.soundSilenceThreshold);
    info_.autoTrimStartMs = static_cast<std::int32_t>(edges.first) * block;
    info_.autoTrimEndMs = static_cast<std::int32_t>(edges.last) * block;
    if (edges.Silent()) info_.flags[kSilenceWarnedFlag] = true;
    return true;
}
