#include "platter/track_extractor.h"

#include <algorithm>
#include <vector>

#include "platter/errors.h"
#include "titlefetch/track_pos.h"

namespace {

bool Fail(TExtractFailure& failure, std::int32_t code, std::string text) {
    failure.code = code;
    failure.text = text.empty() ? PlatterCodeReason(code) : std::move(text);
    return false;
}

void SendEvent(const TExtractParams& params, std::int32_t code, std::int32_t value1, std::int32_t value2) {
    if (params.eventCallback == nullptr) return;
    TExtractEvent event{code, value1, value2};
    params.eventCallback(params.eventContext, &event);
}

}  // namespace

bool ResolveAudioTrack(const TDiscToc& toc, const TExtractParams& params, std::int32_t& start, std::int32_t& end,
                       TExtractFailure& failure) {
    if (params.dataCallback == nullptr) return Fail(failure, PLATTER_ERR_BAD_PARAMS, "");
    const std::int64_t index = std::int64_t{params.trackNumber} - toc.firstTrack;
    if (index < 0 || index >= static_cast<std::int64_t>(toc.tracks.size()))
        return Fail(failure, PLATTER_ERR_NO_SUCH_TRACK, "The disc has no track " + std::to_string(params.trackNumber) + ".");
    const auto i = static_cast<std::size_t>(index);
    if (toc.tracks[i].data) return Fail(failure, PLATTER_ERR_DATA_TRACK, "");
    const std::int32_t trackStart = toc.tracks[i].lsn;
    end = TrackEndLsn(toc, i);
    // Reading never starts outside the track: an offset at or past its end
    // would read the next track or beyond the disc.
    if (params.startFrame < 0 || params.startFrame >= end - trackStart)
        return Fail(failure, PLATTER_ERR_BAD_PARAMS,
                    "Track " + std::to_string(params.trackNumber) + " has no frame " + std::to_string(params.startFrame) + ".");
    start = trackStart + params.startFrame;
    return true;
}

bool ExtractTrackAudio(const TDiscToc& toc, const TExtractParams& params, ISectorReader& reader,
                       const std::atomic<bool>& abort, TExtractFailure& failure) {
    std::int32_t start = 0;
    std::int32_t end = 0;
    if (!ResolveAudioTrack(toc, params, start, end, failure)) return false;
    SendEvent(params, EVENT_EXTRACT_AUDIO_START, start + kLeadInFrames, end + kLeadInFrames);

    std::vector<std::uint8_t> block(static_cast<std::size_t>(kExtractBlockSectors) * PLATTER_SECTOR_BYTES);
    for (std::int32_t lsn = start; lsn < end;) {
        if (abort.load()) return Fail(failure, PLATTER_ERR_CANCELLED, "");
        const std::int32_t count = std::min(kExtractBlockSectors, end - lsn);
        if (!reader.ReadSectors(lsn, count, block.data(), failure)) {
            // A read cut short by an abort is a cancel, whatever the reader saw.
            if (abort.load()) return Fail(failure, PLATTER_ERR_CANCELLED, "");
            return false;
        }
        params.dataCallback(params.dataContext, block.data(), count, PLATTER_SECTOR_BYTES);
        SendEvent(params, EVENT_EXTRACT_AUDIO_PROGRESS, 0, count);
        lsn += count;
    }
    // An abort during the last callback still cancels: the caller asked for
    // the track to end, and may have dropped what it was given.
    if (abort.load()) return Fail(failure, PLATTER_ERR_CANCELLED, "");
    SendEvent(params, EVENT_EXTRACT_AUDIO_END, 0, 0);
    return true;
}
