#include "platter/read_policy.h"

#include <algorithm>
#include <cstring>

#include "filekit/log.h"
#include "platter/errors.h"

CSectorReadPolicy::CSectorReadPolicy(const TExtractParams& params, std::int32_t trackStart, std::int32_t trackEnd,
                                     const std::atomic<bool>& abort, TRawSectorRead raw)
    : mode_(params.errorCorrection),
      attempts_(params.errorCorrection == PLATTER_READ_ERRORS_RETRY ? 1 + std::max<int>(params.retryCount, 0) : 1),
      trackStart_(trackStart),
      trackEnd_(trackEnd),
      abort_(abort),
      raw_(std::move(raw)) {}

void CSectorReadPolicy::Read(std::int32_t lsn, std::int32_t count, std::uint8_t* out) {
    const bool knownBad = unreadable_.lower_bound(lsn) != unreadable_.lower_bound(lsn + count);
    if (!abort_.load() && !knownBad && raw_(lsn, count, out)) return;
    // Sector by sector, so only the sectors that really fail are silence.
    for (std::int32_t i = 0; i < count; ++i) ReadOneSector(lsn + i, out + static_cast<std::size_t>(i) * PLATTER_SECTOR_BYTES);
}

void CSectorReadPolicy::ReadOneSector(std::int32_t lsn, std::uint8_t* out) {
    if (unreadable_.count(lsn) == 0) {
        for (int attempt = 0; attempt < attempts_; ++attempt) {
            // An abort ends a run of re-reads at once.
            if (abort_.load()) {
                std::memset(out, 0, PLATTER_SECTOR_BYTES);
                return;
            }
            if (raw_(lsn, 1, out)) return;
        }
        unreadable_.insert(lsn);
        if (lsn >= trackStart_ && lsn < trackEnd_)
            LogFmt("PLATTER_CDevice::ExtractTrack - Sector %d could not be read (%d attempts)%s", lsn, attempts_,
                   mode_ == PLATTER_READ_ERRORS_IGNORE ? "; silence in its place" : "");
    }
    std::memset(out, 0, PLATTER_SECTOR_BYTES);
}

bool CSectorReadPolicy::CheckDelivered(std::int32_t lsn, std::int32_t count, TExtractFailure& failure) const {
    if (mode_ == PLATTER_READ_ERRORS_IGNORE) return true;
    const auto bad = unreadable_.lower_bound(std::max(lsn, trackStart_));
    if (bad == unreadable_.end() || *bad >= std::min(lsn + count, trackEnd_)) return true;
    failure.code = PLATTER_ERR_READ;
    failure.text = "Sector " + std::to_string(*bad) + " could not be read";
    failure.text += mode_ == PLATTER_READ_ERRORS_RETRY ? " after " + std::to_string(attempts_ - 1) + " re-reads." : ".";
    return false;
}

bool CPolicySectorReader::ReadSectors(std::int32_t lsn, std::int32_t count, std::uint8_t* out,
                                      TExtractFailure& failure) {
    policy_.Read(lsn, count, out);
    if (policy_.Aborted()) {
        failure.code = PLATTER_ERR_CANCELLED;
        failure.text = PlatterCodeReason(PLATTER_ERR_CANCELLED);
        return false;
    }
    return policy_.CheckDelivered(lsn, count, failure);
}
