#include "tonecore/peaks/peak_stream_window.h"

#include "tonecore/peaks/peak_record.h"

CPeakStreamWindow::CPeakStreamWindow(const CPeaks& source)
    : view_(source), streamed_(source.IsStreaming() == kPeaksInFile) {}

bool CPeakStreamWindow::Open() {
    return !streamed_ || view_.OpenPeaksFile(nullptr, 0) != 0;
}

bool CPeakStreamWindow::PeakAt(std::uint32_t index, std::uint8_t& peak) {
    const std::uint8_t* data = view_.GetDataPtr();
    if (data == nullptr) return false;
    if (!streamed_) {
        if (index >= view_.GetBufferedPeaks()) return false;
        peak = data[index];
        return true;
    }
    if (index < windowStart_ || index - windowStart_ >= windowCount_) {
        std::uint32_t got = 0;
        int atEnd = 0;
        windowStart_ = index;
        windowCount_ = 0;
        if (!view_.SeekToPeakIndex(index)) return false;
        view_.StreamPeaksFromFile(view_.GetBufferedPeaks(), &got, &atEnd);
        if (got == 0) return false;
        windowCount_ = got;
    }
    peak = data[index - windowStart_];
    return true;
}
