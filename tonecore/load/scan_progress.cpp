#include "tonecore/load/scan_progress.h"

#include "platform/wait_clock.h"

bool CScanProgress::Report(std::uint32_t bytes) {
    if (callback_ == nullptr) return true;
    int answer = callback_(bytes, context_);
    // Held: the scan waits for the caller, reading nothing.
    while (answer == -1) {
        Sleep(kHoldPauseMs);
        answer = callback_(0, context_);
    }
    return answer != 0;
}
