#include "utilities/slip_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

bool RequestFromOtherThread(CSlipLock& lock) {
    bool got = false;
    std::thread other([&] {
        got = lock.RequestLock();
        if (got) lock.Unlock();
    });
    other.join();
    return got;
}

}  // namespace

TEST(SlipLock, OwnerLocksAgainAndUnlocksAsOften) {
    CSlipLock lock;
    lock.Lock();
    EXPECT_TRUE(lock.RequestLock());
    EXPECT_FALSE(RequestFromOtherThread(lock));
    lock.Unlock();
    EXPECT_FALSE(RequestFromOtherThread(lock)) << "still held once";
    lock.Unlock();
    EXPECT_TRUE(RequestFromOtherThread(lock));
    lock.Unlock();  // not the owner any more: nothing changes
    EXPECT_TRUE(RequestFromOtherThread(lock));
}

TEST(SlipLock, UnlockByAnotherThreadChangesNothing) {
    CSlipLock lock;
    lock.Lock();
    std::thread other([&] { lock.Unlock(); });
    other.join();
    EXPECT_FALSE(RequestFromOtherThread(lock));
    lock.Unlock();
    EXPECT_TRUE(RequestFromOtherThread(lock));
}

TEST(SlipLock, TimeOutWhileAnotherThreadHoldsIt) {
    CSlipLock lock;
    lock.Lock();
    bool got = true;
    std::chrono::steady_clock::duration waited{};
    std::thread other([&] {
        const auto start = std::chrono::steady_clock::now();
        got = lock.LockWithTimeout(50);
        waited = std::chrono::steady_clock::now() - start;
    });
    other.join();
    EXPECT_FALSE(got);
    EXPECT_GE(waited, std::chrono::milliseconds(50));

    // A waiter without limit gets the lock once it is released.
    std::thread waiter([&] {
        lock.Lock();
        lock.Unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lock.Unlock();
    waiter.join();
    EXPECT_TRUE(lock.RequestLock());
    lock.Unlock();
}
