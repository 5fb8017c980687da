#include "platform/event.h"

#include <chrono>

Event::Event(bool manualReset, bool initiallySet)
    : manualReset_(manualReset), signalled_(initiallySet) {}

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    // An auto-reset event releases one waiter; a manual one releases all.
    if (manualReset_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::Wait(std::int64_t timeoutMs) {
    std::unique_lock lock(mutex_);
    auto isSet = [this] { return signalled_; };
    if (timeoutMs < 0) {
        changed_.wait(lock, isSet);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
        return false;
    }
    if (!manualReset_) signalled_ = false;
    return true;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}
