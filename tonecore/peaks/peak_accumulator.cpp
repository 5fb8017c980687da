#include "tonecore/peaks/peak_accumulator.h"

#include <algorithm>

#include "tonecore/peaks/peaks.h"

CPeakAccumulator::CPeakAccumulator(const WAVEFORMATEX& format, std::uint32_t msPerPeak) : format_(format) {
    const std::uint32_t align = std::max<std::uint32_t>(format.nBlockAlign, 1);
    exactBytes_ = static_cast<double>(format.nAvgBytesPerSec) * msPerPeak * 0.001;
    const auto whole = static_cast<std::uint32_t>(exactBytes_);
    // At least one frame per peak, so that every piece moves on.
    bytesPerPeak_ = std::max(whole / align * align, align);
    // Measured against the size actually taken, so a size cut to whole
    // frames is made up for too.
    shortfall_ = exactBytes_ - bytesPerPeak_;
}

void CPeakAccumulator::Add(const std::uint8_t* data, std::size_t bytes, CPeaks& peaks, int toFile) {
    const std::uint8_t* end = data + bytes;
    while (data < end) {
        const std::uint32_t want = missing_ != 0 ? missing_ : bytesPerPeak_;
        const auto take = static_cast<std::uint32_t>(std::min<std::size_t>(want, static_cast<std::size_t>(end - data)));
        maximum_ = std::max(maximum_, peaks.CheckMaxPeaks(data, data + take, &format_));
        data += take;
        if (take < want) {
            missing_ = want - take;
            continue;
        }
        EndPeak(peaks, toFile);
    }
}

void CPeakAccumulator::Flush(CPeaks& peaks, int toFile) {
    if (missing_ != 0) EndPeak(peaks, toFile);
}

void CPeakAccumulator::EndPeak(CPeaks& peaks, int toFile) {
    bool dropped = false;
    if (shortfall_ > 0.0) {
        accumulated_ += shortfall_;
        if (accumulated_ >= exactBytes_) {
            // The peaks have run one ahead of the audio: leave this one out,
            // keeping what the shortfall exceeded by.
            accumulated_ -= exactBytes_;
            dropped = true;
        }
    }
    if (!dropped) {
        peaks.StreamPeakFromParse(static_cast<std::uint8_t>(std::int64_t{maximum_} * 255 / 32767), toFile);
        ++count_;
    }
    maximum_ = 0;
    missing_ = 0;
}
