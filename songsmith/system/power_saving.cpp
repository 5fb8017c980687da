#include "songsmith/system/power_saving.h"

#include <mutex>

#include "filekit/log.h"

namespace {

constexpr const char* kApplication = "Songsmith";
constexpr const char* kReason = "Writing a CD";

struct TInhibitors {
    std::mutex lock;
    IPowerInhibitBus* bus = nullptr;
    bool screenSaverHeld = false;
    std::uint32_t cookie = 0;
    bool idleSleepHeld = false;
    int handle = -1;
};

TInhibitors& State() {
    static TInhibitors state;
    return state;
}

void ReleaseHeld(TInhibitors& state) {
    if (state.screenSaverHeld) state.bus->UnInhibitScreenSaver(state.cookie);
    if (state.idleSleepHeld) state.bus->ReleaseIdleSleep(state.handle);
    state.screenSaverHeld = false;
    state.idleSleepHeld = false;
}

void TakeMissing(TInhibitors& state) {
    if (!state.screenSaverHeld) {
        state.screenSaverHeld = state.bus->InhibitScreenSaver(kApplication, kReason, &state.cookie);
        if (!state.screenSaverHeld) Log("SetPowerSavingEnabled: the screen saver refused the inhibitor");
    }
    if (!state.idleSleepHeld) {
        state.idleSleepHeld = state.bus->InhibitIdleSleep(kApplication, kReason, &state.handle);
        if (!state.idleSleepHeld) Log("SetPowerSavingEnabled: the system refused the sleep inhibitor");
    }
}

}  // namespace

IPowerInhibitBus* SetPowerInhibitBus(IPowerInhibitBus* bus) {
    TInhibitors& state = State();
    std::lock_guard guard(state.lock);
    if (state.bus != nullptr) ReleaseHeld(state);
    IPowerInhibitBus* previous = state.bus;
    state.bus = bus;
    return previous;
}

void SetPowerSavingEnabled(bool enabled) {
    TInhibitors& state = State();
    std::lock_guard guard(state.lock);
    if (state.bus == nullptr) {
        Log("SetPowerSavingEnabled: no session bus, the screen saver and sleep stay as they are");
        return;
    }
    if (enabled) {
        ReleaseHeld(state);
    } else {
        TakeMissing(state);
    }
}
