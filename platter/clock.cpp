#include "platter/clock.h"

#include <algorithm>
#include <limits>

#include "platform/wait_clock.h"

namespace {

class CWaitClock final : public IPlatterClock {
public:
    std::int64_t NowMs() override { return WaitClockMilliseconds(); }
    void SleepMs(std::int64_t milliseconds) override {
        if (milliseconds <= 0) return;
        Sleep(static_cast<std::uint32_t>(
            std::min<std::int64_t>(milliseconds, std::numeric_limits<std::uint32_t>::max())));
    }
};

}  // namespace

IPlatterClock* PlatterSystemClock() {
    static CWaitClock clock;
    return &clock;
}
