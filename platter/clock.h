#pragma once
// The clock that paces simulated drives and times their operator swaps.
// Tests hand in a fake whose pause moves its own time on at once, so a
// paced 74-minute write takes no real time.

#include <cstdint>

class IPlatterClock {
public:
    virtual ~IPlatterClock() = default;
    // Milliseconds from a fixed point; only differences are used.
    virtual std::int64_t NowMs() = 0;
    // Pauses the calling thread.
    virtual void SleepMs(std::int64_t milliseconds) = 0;
};

// The process's wait clock (platform/wait_clock.h): the steady clock and a
// thread sleep unless a test installed another.
IPlatterClock* PlatterSystemClock();
