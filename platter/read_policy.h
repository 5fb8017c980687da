#pragma once
// What an extraction does with sectors the drive cannot read ("RipError"):
// stop at the first one, put silence in its place and go on, or read it
// again a number of times first. The policy sits between the reader (plain,
// or paranoia's verifying reader) and the drive, so every read the reader
// makes, re-reads included, goes through it.
//
// A sector that stays unreadable is read no more in this extraction: it
// reads as silence from then on, so a verifying reader that comes back to
// it costs no further drive time. Whether the track fails is decided when
// that sector is delivered (CheckDelivered), so the audio before it still
// reaches the program.

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>

#include "platter/track_extractor.h"
#include "platter/types.h"

// Reads count raw sectors at lsn into out; true when all were read.
using TRawSectorRead = std::function<bool(std::int32_t lsn, std::int32_t count, std::uint8_t* out)>;

class CSectorReadPolicy {
public:
    // The track is [trackStart, trackEnd); unreadable sectors outside it
    // (a verifying reader reads across the edges) are silence, never a
    // failure of this track.
    CSectorReadPolicy(const TExtractParams& params, std::int32_t trackStart, std::int32_t trackEnd,
                      const std::atomic<bool>& abort, TRawSectorRead raw);

    // Fills out with count sectors, silence for the unreadable ones. Once
    // the extraction is aborted every read is silence at once, so a
    // verifying reader above finishes its current stretch without waiting
    // on the drive (and never loops on failed reads).
    void Read(std::int32_t lsn, std::int32_t count, std::uint8_t* out);
    bool Aborted() const { return abort_.load(); }
    // False, with failure filled, when the policy does not let the track go
    // on past a sector in [lsn, lsn + count).
    bool CheckDelivered(std::int32_t lsn, std::int32_t count, TExtractFailure& failure) const;

private:
    void ReadOneSector(std::int32_t lsn, std::uint8_t* out);

    std::int16_t mode_;
    int attempts_;
    std::int32_t trackStart_;
    std::int32_t trackEnd_;
    const std::atomic<bool>& abort_;
    TRawSectorRead raw_;
    std::set<std::int32_t> unreadable_;
};

// A sector reader that reads straight from the drive through a policy.
class CPolicySectorReader final : public ISectorReader {
public:
    explicit CPolicySectorReader(CSectorReadPolicy& policy) : policy_(policy) {}
    bool ReadSectors(std::int32_t lsn, std::int32_t count, std::uint8_t* out, TExtractFailure& failure) override;

private:
    CSectorReadPolicy& policy_;
};
