#pragma once
// Ripping one audio track through libcdio-paranoia, from an open libcdio
// handle: a drive and an image take the same path.
//
// "RipJitter" 0 (auto) and 1 (on) verify overlapping reads and repair
// jitter with paranoia's full checks but never its never-skip mode, which
// re-reads a dead sector forever; 2 (off) reads without any check. Below
// paranoia sit the read policy ("RipError", "RipRetries", abort) and the
// read hook, so every read paranoia makes is bounded and abortable.

#include <atomic>
#include <string>

#include "platter/disc_toc.h"
#include "platter/read_hook.h"
#include "platter/track_extractor.h"
#include "platter/types.h"

typedef struct _CdIo CdIo_t;

struct TParanoiaRip {
    CdIo_t* cdio = nullptr;
    const TDiscToc* toc = nullptr;
    const std::atomic<bool>* abort = nullptr;
    // Null: the drive's reads as they are.
    TPlatterReadHook hook;
    // Sets "RipSpeed" on the drive first (images have no spindle).
    bool setSpeed = false;
    // Names the caller in log lines.
    std::string logName;
};

// Reads the track params asks for through its callbacks. False with failure
// filled otherwise (-100 after an abort).
bool RipTrackThroughParanoia(const TParanoiaRip& rip, const TExtractParams& params, TExtractFailure& failure);
