#include "tonecore/engine_service_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "tonecore/engine_lock.h"
#include "tonecore/engine_mixer.h"

namespace {

// The polling rhythm: playback is polled, not driven by device callbacks, so
// a busy mixer is visited every millisecond to keep the output buffers full;
// an idle engine every 20 ms stays cheap.
constexpr std::chrono::milliseconds kIdleWait{20};
constexpr std::chrono::milliseconds kBusyWait{1};

// Owned by whoever starts and stops the thread (start-up and shut-down, on
// the program's thread); the pointer is never destroyed at exit, so a thread
// that is still running then cannot make the exit fail.
struct TServiceThread {
    std::thread thread;
    std::atomic<bool> run{false};
    // Lets a stop request end the sleep at once instead of after the wait.
    std::mutex wakeLock;
    std::condition_variable wake;
};

TServiceThread* g_service = nullptr;
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
    if (g_service == nullptr) g_service = new TServiceThread;
    if (g_creationFails) return false;
    // The flag is set again for every start, so a start after a stop runs.
    g_service->run = true;
    try {
        g_service->thread = std::thread(EngineServiceThread, g_service);
    } catch (const std::system_error&) {
        g_service->run = false;
        return false;
    }
    return true;
}

void StopServiceThread() {
    if (g_service == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(g_service->wakeLock);
        g_service->run = false;
    }
    g_service->wake.notify_all();
    if (g_service->thread.joinable()) g_service->thread.join();
}

void AbandonServiceThread() {
    if (g_service == nullptr || !g_service->thread.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(g_service->wakeLock);
        g_service->run = false;
    }
    g_service->wake.notify_all();
    // No join while the process is exiting: the thread may wait for the
    // engine lock that an exiting thread holds. It ends on its own before
    // touching a mixer again.
    g_service->thread.detach();
}

int ServiceThreadRunning() {
    return g_service != nullptr && g_service->thread.joinable() ? 1 : 0;
}

void SetServiceThreadCreationFails(bool fails) { g_creationFails = fails; }
