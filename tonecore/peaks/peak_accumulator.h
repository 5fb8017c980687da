#pragma once
// Building peaks while a decoding object scans its source: the decoded PCM
// is cut into pieces of whole frames, one peak per piece, and each peak goes
// to the peak set as it completes. Shared by every decoding object.
//
// A peak covers msPerPeak of audio, which is rarely a whole number of
// frames: each peak takes the largest whole-frame size below that, and the
// shortfall is accumulated; whenever it adds up to a whole peak, one peak is
// left out, so the peaks keep pace with the audio over any length.

#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"

class CPeaks;

class CPeakAccumulator {
public:
    // Peaks of msPerPeak over PCM in format (the decoded format).
    CPeakAccumulator(const WAVEFORMATEX& format, std::uint32_t msPerPeak);

    // Runs over decoded bytes (whole frames); each completed peak goes to
    // peaks.StreamPeakFromParse(value, toFile). A peak may span calls.
    void Add(const std::uint8_t* data, std::size_t bytes, CPeaks& peaks, int toFile);

    // Ends a peak cut short by the end of the audio as a peak of its own.
    void Flush(CPeaks& peaks, int toFile);

    // The peaks handed over so far.
    std::uint32_t Count() const { return count_; }
    // The bytes each peak covers (whole frames).
    std::uint32_t BytesPerPeak() const { return bytesPerPeak_; }

private:
    void EndPeak(CPeaks& peaks, int toFile);

    WAVEFORMATEX format_;
    double exactBytes_ = 0.0;
    double shortfall_ = 0.0;
    std::uint32_t bytesPerPeak_ = 0;
    std::uint32_t missing_ = 0;
    std::int32_t maximum_ = 0;
    double accumulated_ = 0.0;
    std::uint32_t count_ = 0;
};
