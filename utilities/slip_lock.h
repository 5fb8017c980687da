#pragma once
// CSlipLock: a re-entrant lock with a try and a time-out. The owning thread
// may lock it again; it must unlock as often before another thread gets it.
// An unlock by a thread that does not own the lock changes nothing.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CSlipLock {
public:
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

    CSlipLock() = default;
    CSlipLock(const CSlipLock&) = delete;
    CSlipLock& operator=(const CSlipLock&) = delete;

    void Lock() { LockWithTimeout(kInfinite); }
    // Takes the lock only when it is free or already ours.
    bool RequestLock() { return LockWithTimeout(0); }
    // False when the lock stayed held by another thread for ms milliseconds.
    bool LockWithTimeout(std::uint32_t ms);
    void Unlock();

private:
    std::mutex guard_;  // makes every change of owner and count atomic
    std::condition_variable released_;
    std::thread::id owner_;
    int count_ = 0;
};
