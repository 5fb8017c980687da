#include "platter/disc_toc.h"

#include "platter/types.h"
#include "titlefetch/track_pos.h"

bool ValidateToc(const TDiscToc& toc, std::string& why) {
    const auto count = static_cast<std::int32_t>(toc.tracks.size());
    if (count < 1 || count > PLATTER_MAX_TRACKS) {
        why = "The disc holds " + std::to_string(count) + " tracks.";
        return false;
    }
    if (toc.firstTrack < 1 || toc.firstTrack + count - 1 > PLATTER_MAX_TRACKS) {
        why = "The disc's track numbers lie outside 1 to 99.";
        return false;
    }
    std::int32_t previous = -1;
    for (const TTocTrack& track : toc.tracks) {
        if (track.lsn < 0 || track.lsn <= previous) {
            why = "The disc's track starts are out of order.";
            return false;
        }
        previous = track.lsn;
    }
    if (toc.leadoutLsn <= previous) {
        why = "The disc's data ends before its last track.";
        return false;
    }
    return true;
}

bool EndsAudioSession(const TDiscToc& toc, std::size_t i) {
    if (i + 1 >= toc.tracks.size() || toc.tracks[i].data) return false;
    for (std::size_t k = i + 1; k < toc.tracks.size(); ++k)
        if (!toc.tracks[k].data) return false;
    return toc.tracks[i + 1].lsn - kSessionGapFrames > toc.tracks[i].lsn;
}

std::int32_t TrackEndLsn(const TDiscToc& toc, std::size_t i) {
    if (EndsAudioSession(toc, i)) return toc.tracks[i + 1].lsn - kSessionGapFrames;
    return i + 1 < toc.tracks.size() ? toc.tracks[i + 1].lsn : toc.leadoutLsn;
}

namespace {

std::uint32_t DigitSum(std::int32_t n) {
    std::uint32_t sum = 0;
    for (; n > 0; n /= 10) sum += static_cast<std::uint32_t>(n % 10);
    return sum;
}

}  // namespace

std::uint32_t ComputeDiscId(const TDiscToc& toc) {
    if (toc.tracks.empty()) return 0;
    std::uint32_t sums = 0;
    for (const TTocTrack& track : toc.tracks) sums += DigitSum((track.lsn + kLeadInFrames) / kFramesPerSecond);
    // Whole seconds of each address, as the CDDB disc ID defines them.
    const std::int32_t seconds =
        (toc.leadoutLsn + kLeadInFrames) / kFramesPerSecond - (toc.tracks.front().lsn + kLeadInFrames) / kFramesPerSecond;
    return (sums % 0xFF) << 24 | static_cast<std::uint32_t>(seconds) << 8 |
           static_cast<std::uint32_t>(toc.tracks.size());
}
