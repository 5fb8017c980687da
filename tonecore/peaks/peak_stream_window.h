#pragma once
// Reads the peaks of a set one index at a time, wherever they are: straight
// from the buffer of a set held in memory, or through a window of the buffer
// refilled from the set's file for a streamed set. Mixing and rate displays
// walk a source set this way.

#include <cstdint>

#include "tonecore/peaks/peaks.h"

class CPeakStreamWindow {
public:
    // source must have loaded peaks; the window shares its record through a
    // view of its own, so the source's open file is left alone.
    explicit CPeakStreamWindow(const CPeaks& source);
    CPeakStreamWindow(const CPeakStreamWindow&) = delete;
    CPeakStreamWindow& operator=(const CPeakStreamWindow&) = delete;

    // Opens the file of a streamed set; true for a set in memory.
    bool Open();
    // The peak at index (below the set's N); false when it cannot be read.
    bool PeakAt(std::uint32_t index, std::uint8_t& peak);

private:
    CPeaks view_;
    bool streamed_ = false;
    // Peaks [windowStart_, windowStart_ + windowCount_) are in the buffer.
    std::uint32_t windowStart_ = 0;
    std::uint32_t windowCount_ = 0;
};
