#include "utilities/slip_lock.h"

#include <chrono>

bool CSlipLock::LockWithTimeout(std::uint32_t ms) {
    const auto self = std::this_thread::get_id();
    std::unique_lock guard(guard_);
    if (count_ > 0 && owner_ == self) {
        ++count_;
        return true;
    }
    const auto isFree = [this] { return count_ == 0; };
    if (ms == kInfinite) {
        released_.wait(guard, isFree);
    } else if (!released_.wait_for(guard, std::chrono::milliseconds(ms), isFree)) {
        return false;
    }
    owner_ = self;
    count_ = 1;
    return true;
}

void CSlipLock::Unlock() {
    std::unique_lock guard(guard_);
    if (count_ == 0 || owner_ != std::this_thread::get_id()) return;
    if (--count_ == 0) {
        owner_ = std::thread::id();
        guard.unlock();
        released_.notify_one();
    }
}
