#pragma once
// The pause and the clock that polling loops wait with (a service that is
// stopping is asked for its state once a second). Tests install a fake whose
// pause moves its own clock on at once, so a wait that lasts half a minute in
// use takes none in a test.

#include <cstdint>

struct TWaitClock {
    void (*sleep)(std::uint32_t milliseconds);
    // Milliseconds from a fixed point; only differences are used.
    std::int64_t (*now)();
};

// Installs a clock for the whole process and returns the one it replaces. A
// null member means the real one: a thread sleep and the steady clock.
TWaitClock SetWaitClock(TWaitClock clock);

// Pauses the calling thread through the installed clock.
void Sleep(std::uint32_t milliseconds);
// The installed clock's time in milliseconds.
std::int64_t WaitClockMilliseconds();
