#include "tonecore/peak_pacer.h"

#include <algorithm>
#include <cmath>

CPeakPacer::CPeakPacer(std::uint32_t averageBytesPerSec, std::uint32_t blockAlign,
                       std::uint32_t msPerPeak)
    : exactBytes_(double(averageBytesPerSec) * msPerPeak * 0.001) {
    const std::uint32_t block = std::max<std::uint32_t>(1, blockAlign);
    const auto whole = static_cast<std::uint64_t>(std::floor(exactBytes_));
    pieceBytes_ = static_cast<std::uint32_t>(std::max<std::uint64_t>(block, whole / block * block));
    // Measured against the piece actually cut, not against the whole bytes:
    // a piece rounded down to blocks falls short even when the exact bytes
    // per peak are a whole number.
    shortfall_ = exactBytes_ - pieceBytes_;
}

bool CPeakPacer::PieceGivesPeak() {
    if (shortfall_ <= 0.0) return true;
    owed_ += shortfall_;
    if (owed_ < exactBytes_) return true;
    owed_ -= exactBytes_;
    return false;
}

std::uint8_t PeakLevelOfSample(std::int32_t maxSample) {
    const std::int64_t level = std::int64_t(std::max(0, maxSample)) * 255 / 32767;
    return static_cast<std::uint8_t>(std::min<std::int64_t>(255, level));
}
