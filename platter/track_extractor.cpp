#include "platter/track_extractor.h"

#include <algorithm>
#include <cstring>
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

// Reads one block; a block that fails is read again sector by sector, so
// that the error policy applies to the sectors that really fail.
bool ReadBlock(const TExtractParams& params, ISectorReader& reader, std::int32_t lsn, std::int32_t count,
               std::uint8_t* out, TExtractFailure& failure) {
    if (reader.ReadSectors(lsn, count, out)) return true;
    const int attempts = params.errorCorrection == PLATTER_READ_ERRORS_RETRY ? 1 + std::max<int>(params.retryCount, 0) : 1;
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t* sector = out + static_cast<std::size_t>(i) * PLATTER_SECTOR_BYTES;
        bool read = false;
        for (int attempt = 0; attempt < attempts && !read; ++attempt) read = reader.ReadSectors(lsn + i, 1, sector);
        if (read) continue;
        if (params.errorCorrection == PLATTER_READ_ERRORS_IGNORE) {
            std::memset(sector, 0, PLATTER_SECTOR_BYTES);
            continue;
        }
        return Fail(failure, PLATTER_ERR_READ, "Sector " + std::to_string(lsn + i) + " could not be read.");
    }
    return true;
}

}  // namespace

bool ExtractTrackAudio(const TDiscToc& toc, const TExtractParams& params, ISectorReader& reader,
                       const std::atomic<bool>& abort, TExtractFailure& failure) {
    if (params.dataCallback == nullptr) return Fail(failure, PLATTER_ERR_BAD_PARAMS, "");
    const std::int64_t index = std::int64_t{params.trackNumber} - toc.firstTrack;
    if (index < 0 || index >= static_cast<std::int64_t>(toc.tracks.size()))
        return Fail(failure, PLATTER_ERR_NO_SUCH_TRACK, "The disc has no track " + std::to_string(params.trackNumber) + ".");
    const auto i = static_cast<std::size_t>(index);
    if (toc.tracks[i].data) return Fail(failure, PLATTER_ERR_DATA_TRACK, "");

    const std::int32_t start = toc.tracks[i].lsn;
    const std::int32_t end = TrackEndLsn(toc, i);
    SendEvent(params, EVENT_EXTRACT_AUDIO_START, start + kLeadInFrames, end + kLeadInFrames);

    std::vector<std::uint8_t> block(static_cast<std::size_t>(kExtractBlockSectors) * PLATTER_SECTOR_BYTES);
    for (std::int32_t lsn = start; lsn < end;) {
        if (abort.load()) return Fail(failure, PLATTER_ERR_CANCELLED, "");
        const std::int32_t count = std::min(kExtractBlockSectors, end - lsn);
        if (!ReadBlock(params, reader, lsn, count, block.data(), failure)) return false;
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
