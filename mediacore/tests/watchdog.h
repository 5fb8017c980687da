#pragma once
// Ends the test program when a test hangs: a wait that never returns would
// otherwise stall the whole suite until CTest's time-out, with no word of
// which call was stuck.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "testsupport/hang_limit.h"

namespace mediatest {

class CWatchdog {
public:
    CWatchdog(std::chrono::milliseconds limit, std::string what) : what_(std::move(what)) {
        thread_ = std::thread([this, limit] {
            std::unique_lock<std::mutex> lock(lock_);
            if (!changed_.wait_for(lock, limit, [this] { return disarmed_; })) {
                std::fprintf(stderr, "watchdog: %s did not finish in time\n", what_.c_str());
                std::fflush(stderr);
                std::abort();
            }
        });
    }
    ~CWatchdog() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            disarmed_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    std::string what_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool disarmed_ = false;
    std::thread thread_;
};

}  // namespace mediatest
