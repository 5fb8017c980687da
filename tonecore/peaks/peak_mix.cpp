// Mixing one peak set into another: the overview of two sounds played
// together, used for a group's waveform.
#include <algorithm>

#include "tonecore/peaks/peak_record.h"
#include "tonecore/peaks/peak_stream_window.h"
#include "tonecore/peaks/peaks.h"

int CPeaks::InitPeaksForMix(std::uint32_t msPerPeak, std::int32_t numPeaks, std::int32_t length) {
    ReleaseRecord();
    if (InitPeakData(msPerPeak, numPeaks, 1) == nullptr) return 0;
    record_->length = length;
    return 1;
}

int CPeaks::Mix(CPeaks* other, std::uint32_t start, std::uint32_t count) {
    if (record_ == nullptr || other == nullptr || other->record_ == nullptr || !IsLoaded() ||
        !other->IsLoaded() || record_->buffer == nullptr) {
        return 0;
    }
    const std::uint32_t otherN = other->record_->numPeaks;
    if (otherN == 0) return 0;
    CPeakStreamWindow source(*other);
    if (!source.Open()) return 0;
    TPeakRecord& r = *record_;
    bufferIndex_ = peakCount_ = start;
    std::uint32_t j = other->virtualStart_ % otherN;
    // The buffer holds every peak of a set made for mixing.
    const std::uint32_t end = std::min(r.numPeaks, r.bufferedPeaks);
    bool read = true;
    for (std::uint32_t k = 0; k < count && start + k < end; ++k) {
        std::uint8_t theirs = 0;
        read = source.PeakAt(j, theirs);
        if (!read) break;
        const int sum = std::min(255, int(theirs) + int(r.buffer[start + k]));
        StreamPeakFromParse(static_cast<std::uint8_t>(sum), 0);
        // A shorter set repeats.
        if (++j == otherN) j = 0;
    }
    r.soundFound = r.trimEndFixed = 1;
    r.loaded.store(1);
    // A streamed set whose file could not be read mixed only in part.
    return read ? 1 : 0;
}
