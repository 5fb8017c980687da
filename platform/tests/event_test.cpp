#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/tick.h"

TEST(Event, TimedWaitExpiresWhenNotSet) {
    Event event(true);
    const std::int64_t start = SteadyMilliseconds();
    EXPECT_FALSE(event.Wait(30));
    EXPECT_GE(SteadyMilliseconds() - start, 25);
}

TEST(Event, ManualResetStaysSetAutoResetClearsAfterOneWait) {
    Event manual(true, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));

    Event automatic(false, true);
    EXPECT_TRUE(automatic.Wait(0));
    EXPECT_FALSE(automatic.Wait(0));
}

TEST(Event, SetWakesAWaitingThread) {
    Event event(false);
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.Wait(5000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(event.IsSet());
}
