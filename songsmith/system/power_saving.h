#pragma once
// Keeping the computer awake during a burn. The system's settings are never
// changed: a burn takes an inhibitor of the desktop's screen saver and one of
// the system's idle and sleep handling, and gives both back at its end (or
// when the program ends, since they die with its bus connection).

#include <cstdint>

// The desktop buses the inhibitors are taken on. The program installs one
// over D-Bus when it has a session bus; tests install a fake.
class IPowerInhibitBus {
public:
    virtual ~IPowerInhibitBus() = default;
    // The screen saver's inhibitor: its cookie, false when refused.
    virtual bool InhibitScreenSaver(const char* application, const char* reason, std::uint32_t* cookie) = 0;
    virtual void UnInhibitScreenSaver(std::uint32_t cookie) = 0;
    // The idle and sleep inhibitor: a handle held while it lasts, false when
    // refused.
    virtual bool InhibitIdleSleep(const char* who, const char* why, int* handle) = 0;
    virtual void ReleaseIdleSleep(int handle) = 0;
};

// Installs the bus (null: none, the state without a session bus) and
// returns the one it replaces. Inhibitors still held are given back first.
IPowerInhibitBus* SetPowerInhibitBus(IPowerInhibitBus* bus);

// false takes the two inhibitors (once: a second false holds no second
// pair); true gives back those held. Without a bus: nothing but a log line.
void SetPowerSavingEnabled(bool enabled);
