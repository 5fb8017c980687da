#include "platform/wait_clock.h"

#include <gtest/gtest.h>

#include "platform/tick.h"

namespace {

std::int64_t gFakeNow = 0;
void FakeSleep(std::uint32_t milliseconds) { gFakeNow += milliseconds; }
std::int64_t FakeNow() { return gFakeNow; }

TEST(WaitClockTest, AFakeClockMovesOnlyWhenSleptOnAndTheRealOneComesBack) {
    const TWaitClock real = SetWaitClock({FakeSleep, FakeNow});
    const std::int64_t before = WaitClockMilliseconds();
    Sleep(30000);
    EXPECT_EQ(WaitClockMilliseconds() - before, 30000);

    const TWaitClock fake = SetWaitClock({nullptr, nullptr});
    EXPECT_EQ(fake.sleep, &FakeSleep);
    EXPECT_EQ(fake.now, &FakeNow);
    const std::int64_t start = SteadyMilliseconds();
    Sleep(20);
    EXPECT_GE(WaitClockMilliseconds() - start, 20);
    SetWaitClock(real);
}

}  // namespace
