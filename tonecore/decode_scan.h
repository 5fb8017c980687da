#pragma once
// What every decoding object's whole-source scan shares: the progress
// protocol towards the caller's callback and the cutting of the decoded PCM
// into peaks.

#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"
#include "tonecore/acm_object.h"
#include "tonecore/peak_pacer.h"

class CPeaks;

// The caller's progress callback during a scan. Report is called after each
// pass with the source bytes it consumed: an answer of 0 cancels; -1 holds
// the scan, which then only asks again with 0 (reading nothing) until the
// answer is something else.
class CScanProgress {
public:
    CScanProgress(TLoadProgressCallback callback, void* context) : callback_(callback), context_(context) {}
    // False once the caller cancelled.
    bool Report(std::uint32_t bytes);

private:
    TLoadProgressCallback callback_;
    void* context_;
};

// Cuts decoded PCM (in the destination format) into peaks and streams them
// into a peak set: each peak is the largest absolute sample of its piece,
// scaled to 0-255; the pacer drops a peak now and then so that pieces of
// whole blocks never drift from the audio.
class CScanPeakBuilder {
public:
    CScanPeakBuilder(CPeaks& peaks, const WAVEFORMATEX& format, std::uint32_t msPerPeak, int toFile);
    // The next decoded bytes, from where the last call stopped.
    void Add(const std::uint8_t* data, std::size_t bytes);
    // Ends a piece cut short by the end of the audio as a peak of its own.
    void Flush();
    std::uint32_t Count() const { return count_; }

private:
    void EndPiece();

    CPeaks& peaks_;
    WAVEFORMATEX format_;
    CPeakPacer pacer_;
    int toFile_;
    std::uint32_t missing_ = 0;  // bytes still wanted for the current peak; 0: a fresh one
    std::int32_t maximum_ = 0;
    std::uint32_t count_ = 0;
};
