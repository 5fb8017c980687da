#pragma once
// One write of the image drive, run on the library's write thread: the
// burn events in a drive's order, the audio of every track (and the silence
// of its gap) into the image's data file, paced as a drive at the chosen
// speed would be, and the configured fault at its track.
//
// Events: 43, 44 (cue sheet), 28, 29 (lead-in), 20, 23, then 25 and 27 for
// each track, 24, 30, 31 (lead-out). A test write goes through the same
// events and pacing and writes nothing.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platter/clock.h"
#include "platter/image_config.h"
#include "platter/write_plan.h"

class CAudioFifo;
class CTrackSource;

struct TImageWriteJob {
    const TWritePlan* plan = nullptr;
    // File tracks, one per planned track; empty on the fly.
    std::vector<std::unique_ptr<CTrackSource>>* sources = nullptr;
    // The rendered audio on the fly, and what the audio callback returned
    // (the tracks it placed, 0 when the rendering failed; -1 while it runs).
    CAudioFifo* fifo = nullptr;
    const std::atomic<std::int32_t>* renderResult = nullptr;
    // The image's data file; null for a test write.
    std::FILE* out = nullptr;
    IPlatterClock* clock = nullptr;
    std::int32_t speedX = 1;
    bool paced = false;
    TImageFault fault;
    // The block asks for burn-proof writing and the drive has it.
    bool burnProofActive = false;
    const std::atomic<bool>* abort = nullptr;
    // Percent of the sectors written, 0 to 100.
    std::function<void(std::int32_t)> progress;
};

struct TImageWriteResult {
    std::int32_t code = 0;
    std::string text;
    // The fault took the disc out of the tray.
    bool mediaRemoved = false;
};

TImageWriteResult RunImageWriteJob(const TImageWriteJob& job);
