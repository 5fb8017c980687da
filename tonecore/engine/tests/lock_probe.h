#pragma once
// Whether another thread could take a lock at this moment. A caller's
// callback that waits for a thread which needs the object would never
// return while the object's lock is held around the callback; the probe
// asks without waiting, so it answers even then.

#include <mutex>
#include <thread>

namespace lockprobe {

inline bool FreeOnAnotherThread(std::recursive_mutex& lock) {
    bool free = false;
    std::thread other([&] {
        if (lock.try_lock()) {
            free = true;
            lock.unlock();
        }
    });
    other.join();
    return free;
}

}  // namespace lockprobe
