#pragma once
// A drive read hook for tests that stop a rip in the middle of a track: the
// track's sectors read slowly, as from a worn disc, and those past its middle
// wait until the test opens the gate. However slowly the test runs, the
// track cannot end before the test has acted. A stop waits for the read under
// way, so a test opens the gate just before it stops the rip.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platter/read_hook.h"
#include "testsupport/hang_limit.h"

namespace platter_test {

class CHeldTrackReads {
public:
    // The track's sectors are [first, end); each read of them takes
    // perSector for every sector it reads.
    CHeldTrackReads(std::int32_t first, std::int32_t end, std::chrono::milliseconds perSector)
        : state_(std::make_shared<TState>()), first_(first), end_(end), perSector_(perSector) {}

    // The hook keeps the gate alive as long as the drive keeps the hook.
    TPlatterReadHook Hook() const {
        return [state = state_, first = first_, end = end_, perSector = perSector_](
                   std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
            if (lsn >= first + (end - first) / 2 && lsn < end) {
                std::unique_lock<std::mutex> hold(state->lock);
                state->changed.wait_for(hold, testsupport::kHangLimit, [&] { return state->open; });
            }
            if (lsn >= first && lsn < end) std::this_thread::sleep_for(perSector * count);
            return read(lsn, count, out);
        };
    }
    void Open() {
        {
            std::lock_guard<std::mutex> hold(state_->lock);
            state_->open = true;
        }
        state_->changed.notify_all();
    }
    // Closes the gate again for the next rip.
    void Close() {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->open = false;
    }

private:
    struct TState {
        std::mutex lock;
        std::condition_variable changed;
        bool open = false;
    };
    std::shared_ptr<TState> state_;
    std::int32_t first_;
    std::int32_t end_;
    std::chrono::milliseconds perSector_;
};

}  // namespace platter_test
