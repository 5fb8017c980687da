#pragma once
// The progress protocol of a load or scan towards the caller's callback.

#include <cstdint>

#include "tonecore/load/acm_object.h"

// The caller's progress callback during a scan. Report is called after each
// pass with the source bytes it consumed: an answer of 0 cancels; -1 holds
// the scan, which then only asks again with 0 (reading nothing) until the
// answer is something else, pausing on the engine's wait clock between asks
// so that a held scan does not keep a core busy.
class CScanProgress {
public:
    CScanProgress(TScanProgress callback, void* context) : callback_(callback), context_(context) {}
    // False once the caller cancelled.
    bool Report(std::uint32_t bytes);

    // How long a held scan pauses before it asks again.
    static constexpr std::uint32_t kHoldPauseMs = 20;

private:
    TScanProgress callback_;
    void* context_;
};
