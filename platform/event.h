#pragma once
// A signalling event with manual or automatic reset: the waiting primitive
// the system's threads use to meet each other.

#include <condition_variable>
#include <cstdint>
#include <mutex>

class Event {
public:
    // Wait without a time limit.
    static constexpr std::int64_t kInfinite = -1;

    // manualReset: a set event stays set until Reset(); otherwise one
    // successful Wait() clears it again.
    explicit Event(bool manualReset, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // True when the event was set within the time; false on time-out.
    bool Wait(std::int64_t timeoutMs = kInfinite);
    bool IsSet() const;

private:
    const bool manualReset_;
    bool signalled_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
};
