#include "platform/wait_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/tick.h"

namespace {

void RealSleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::atomic<void (*)(std::uint32_t)> gSleep{RealSleep};
std::atomic<std::int64_t (*)()> gNow{SteadyMilliseconds};

}  // namespace

TWaitClock SetWaitClock(TWaitClock clock) {
    TWaitClock previous{};
    previous.sleep = gSleep.exchange(clock.sleep != nullptr ? clock.sleep : RealSleep);
    previous.now = gNow.exchange(clock.now != nullptr ? clock.now : SteadyMilliseconds);
    return previous;
}

void Sleep(std::uint32_t milliseconds) { gSleep.load()(milliseconds); }

std::int64_t WaitClockMilliseconds() { return gNow.load()(); }
