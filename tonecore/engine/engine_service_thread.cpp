#include "tonecore/engine/engine_service_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"

namespace {

// The polling rhythm: playback is polled, not driven by device callbacks, so
// a busy mixer is visited every millisecond to keep the output buffers full;
// an idle engine every 20 ms stays cheap.
constexpr std::chrono::milliseconds kIdleWait{20};
constexpr std::chrono::milliseconds kBusyWait{1};

// The running thread's state, owned by whoever starts and stops the thread
// (start-up and shut-down, on the program's thread). It is a plain pointer,
// not a static object, so that no thread object is destroyed during exit.
struct TServiceThread {
    std::thread thread;
    std::atomic<bool> run{false};
    // Lets a stop request end the sleep at once instead of after the wait.
    std::mutex wakeLock;
    std::condition_variable wake;
    // Set by a stop made from inside a pass: nobody joins this thread, so it
    // frees its own state when it ends.
    bool ownsItself = false;
};

// Atomic: a stop may come from the service thread itself (inside a pass).
std::atomic<TServiceThread*> g_service{nullptr};
std::atomic<bool> g_creationFails{false};

IEngineMixer* g_currentMixer = nullptr;

void EngineServiceThread(TServiceThread* service) {
    std::chrono::milliseconds wait = kIdleWait;
    while (service->run) {
        {
            std::unique_lock<std::mutex> sleep(service->wakeLock);
            service->wake.wait_for(sleep, wait, [service] { return !service->run; });
        }
        if (!service->run) break;
        wait = ServiceCurrentMixer();
    }
    if (service->ownsItself) delete service;
}

}  // namespace

void SetCurrentMixer(IEngineMixer* mixer) {
    CEngineLockGuard hold(EngineLock());
    g_currentMixer = mixer;
}

IEngineMixer* GetCurrentMixer() {
    CEngineLockGuard hold(EngineLock());
    return g_currentMixer;
}

std::chrono::milliseconds ServiceCurrentMixer() {
    CEngineLockGuard hold(EngineLock());
    IEngineMixer* mixer = GetCurrentMixer();
    if (mixer == nullptr) return kIdleWait;
    mixer->Idle();
    if (mixer->Playing()) {
        if (mixer->Recording()) mixer->ContinueRecording();
        mixer->Mix();
        return kBusyWait;
    }
    if (mixer->Recording()) {
        mixer->ContinueRecording();
        return kBusyWait;
    }
    // Nobody else closes a mixer whose playback ran out: its device would
    // stay open for good.
    if (mixer->IsOpen()) mixer->Close();
    return kIdleWait;
}

bool StartServiceThread() {
    StopServiceThread();
    if (g_creationFails) return false;
    // Every start has a state of its own, so a thread that was let go (see
    // below) can never be revived by a later start's run flag.
    auto* service = new TServiceThread;
    service->run = true;
    try {
        service->thread = std::thread(EngineServiceThread, service);
    } catch (const std::system_error&) {
        delete service;
        return false;
    }
    g_service = service;
    return true;
}

namespace {

// Clears the run flag and wakes the thread; the state is no longer current.
TServiceThread* SignalStop() {
    TServiceThread* service = g_service.exchange(nullptr);
    if (service == nullptr) return nullptr;
    {
        std::lock_guard<std::mutex> hold(service->wakeLock);
        service->run = false;
    }
    service->wake.notify_all();
    return service;
}

}  // namespace

void StopServiceThread() {
    TServiceThread* service = SignalStop();
    if (service == nullptr) return;
    // A stop asked for from inside a pass cannot wait for its own thread;
    // the thread ends after that pass and keeps its state.
    if (service->thread.get_id() == std::this_thread::get_id()) {
        service->ownsItself = true;
        service->thread.detach();
        return;
    }
    if (service->thread.joinable()) service->thread.join();
    delete service;
}

void AbandonServiceThread() {
    TServiceThread* service = SignalStop();
    // No join while the process is exiting: the thread may wait for the
    // engine lock that an exiting thread holds. It ends on its own before
    // touching a mixer again; its state stays for it.
    if (service != nullptr && service->thread.joinable()) service->thread.detach();
}

int ServiceThreadRunning() { return g_service != nullptr ? 1 : 0; }

void SetServiceThreadCreationFails(bool fails) { g_creationFails = fails; }
