#include "tonecore/decode_scan.h"

#include <algorithm>

#include "tonecore/peaks.h"

bool CScanProgress::Report(std::uint32_t bytes) {
    if (callback_ == nullptr) return true;
    int answer = callback_(bytes, context_);
    // Held: the scan waits for the caller, reading nothing.
    while (answer == -1) answer = callback_(0, context_);
    return answer != 0;
}

CScanPeakBuilder::CScanPeakBuilder(CPeaks& peaks, const WAVEFORMATEX& format, std::uint32_t msPerPeak, int toFile)
    : peaks_(peaks), format_(format), pacer_(format.nAvgBytesPerSec, format.nBlockAlign, msPerPeak), toFile_(toFile) {}

void CScanPeakBuilder::Add(const std::uint8_t* data, std::size_t bytes) {
    std::size_t at = 0;
    while (at < bytes) {
        const std::uint32_t want = missing_ != 0 ? missing_ : pacer_.PieceBytes();
        const std::uint32_t take = static_cast<std::uint32_t>(std::min<std::size_t>(want, bytes - at));
        maximum_ = std::max(maximum_, peaks_.CheckMaxPeaks(data + at, data + at + take, &format_));
        at += take;
        if (take < want) {
            missing_ = want - take;
            continue;
        }
        EndPiece();
    }
}

void CScanPeakBuilder::Flush() {
    if (missing_ != 0) EndPiece();
}

void CScanPeakBuilder::EndPiece() {
    if (pacer_.PieceGivesPeak()) {
        peaks_.StreamPeakFromParse(PeakLevelOfSample(maximum_), toFile_);
        ++count_;
    }
    maximum_ = 0;
    missing_ = 0;
}
