// The burn controller's worker: starting a burn, the worker's waits, and
// stopping it. The worker is always joined by the controller.
#include <algorithm>
#include <chrono>
#include <system_error>

#include "filekit/log.h"
#include "songsmith/burner/burn_file_hold.h"
#include "songsmith/burner/burner.h"

CBurner::~CBurner() {
    AbortBurn();
    // The stop interval only bounds how long the window waits; the
    // controller never dies before its worker.
    if (worker_.joinable()) worker_.join();
}

int CBurner::Shutdown() {
    Log("Shutting down burner object...");
    return AbortBurn();
}

bool CBurner::StartBurn(int burnMode, int reuse) {
    errorIndex.store(0);
    measuredSpeedValid.store(false);
    reuseConverted.store(reuse != 0 && burnMode == mode.load() && conversionComplete.load());
    mode.store(burnMode);
    checkingGate.store(false);
    return StartBurnThread();
}

int CBurner::AbortBurn() {
    abort.store(true);
    errorIndex.store(10);
    WakeWaiters();
    int current = 0;
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        current = state.load();
    }
    if (device_ != nullptr && (current == kBurnStateTesting || current == kBurnStateBurning)) device_->AbortWrite();
    StopBurnThread();
    return 1;
}

CBurner::TRunningBurn CBurner::RunningBurn() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return TRunningBurn{state.load(), test.load()};
}

bool CBurner::JoinEndedWorker() {
    {
        std::lock_guard<std::mutex> hold(waitLock_);
        if (!workerEnded_) return false;
    }
    if (worker_.joinable()) worker_.join();
    return true;
}

bool CBurner::StartBurnThread() {
    // Only one worker at a time; one that has ended is joined first.
    if (!JoinEndedWorker()) return false;
    threadRunning.store(true);
    SetRequest(0);
    abort.store(false);
    {
        std::lock_guard<std::mutex> hold(waitLock_);
        workerEnded_ = false;
    }
    // From here until the worker ends, a track that goes deletes its file
    // only then: the write may still be reading it.
    HoldTrackFilesForBurn();
    try {
        worker_ = std::thread(&CBurner::RunWorker, this);
    } catch (const std::system_error&) {
        ReleaseTrackFilesAfterBurn();
        std::lock_guard<std::mutex> hold(waitLock_);
        workerEnded_ = true;
        threadRunning.store(false);
        return false;
    }
    return true;
}

void CBurner::RunWorker() {
    if (pass_)
        pass_(*this);
    else
        BurnThreadProc();
    ReleaseTrackFilesAfterBurn();
    {
        std::lock_guard<std::mutex> hold(waitLock_);
        workerEnded_ = true;
        // Cleared last: whoever sees it clear may start the next burn.
        threadRunning.store(false);
    }
    waitChanged_.notify_all();
}

void CBurner::StopBurnThread() {
    abort.store(true);
    WakeWaiters();
    {
        std::unique_lock<std::mutex> hold(waitLock_);
        WaitSliced(hold, timing_.stopWaitMs, [this] { return workerEnded_; });
    }
    JoinEndedWorker();
}

template <class Predicate>
void CBurner::WaitSliced(std::unique_lock<std::mutex>& hold, int ms, Predicate done) {
    // The C library of this system can lose a wake-up of a long wait while
    // other threads wait on the same variable with short timeouts (the
    // worker's waits do): a long wait looks again at least every slice.
    constexpr auto kSlice = std::chrono::milliseconds(100);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return;
        waitChanged_.wait_until(hold, std::min(end, now + kSlice));
    }
}

void CBurner::WakeWaiters() {
    // Taking the lock orders the change before a waiter's test of it.
    { std::lock_guard<std::mutex> hold(waitLock_); }
    waitChanged_.notify_all();
}

bool CBurner::WaitFor(int ms, int seenRequest) {
    const int requestAtStart = seenRequest >= 0 ? seenRequest : request.load();
    std::unique_lock<std::mutex> hold(waitLock_);
    // Another thread waiting on the worker's requests also wakes when the
    // worker ends; the worker itself never sees that while it waits.
    WaitSliced(hold, ms, [&] { return abort.load() || request.load() != requestAtStart || workerEnded_; });
    return !abort.load();
}
