#pragma once
// One WriteDisc through libburn, from the program's block to the code: the
// block is copied and every track file measured first, so bad input (no or
// too many tracks, a missing or non-CD file, MP3 without a decoder) is
// refused with 3 before the drive is grabbed and before any event; then the
// writer checks the disc and writes.

#include <atomic>
#include <cstdint>
#include <functional>

#include "platter/burn_writer.h"
#include "platter/types.h"

class IPlatterAudioDecoder;

struct TBurnBlockWrite {
    CBurnWriter* writer = nullptr;
    IPlatterAudioDecoder* decoder = nullptr;
    bool cdTextCapable = false;
    // libburn's kB/s for the block's speed number; 0 the fastest.
    std::function<std::int32_t(std::int32_t speedNumber)> speedKbs;
    std::atomic<std::int32_t>* percentDone = nullptr;
    std::atomic<std::int32_t>* startTick = nullptr;
    IPlatterClock* clock = nullptr;
};

TBurnWriteResult WriteBlockThroughLibburn(const TWriteDiscParams* params, const TBurnBlockWrite& how);
