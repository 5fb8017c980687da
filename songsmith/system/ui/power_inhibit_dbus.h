#pragma once
// The inhibitors over D-Bus: org.freedesktop.ScreenSaver on the session bus
// (Inhibit gives a cookie, UnInhibit takes it back) and logind's Inhibit on
// the system bus for "idle:sleep" (a file descriptor that holds the
// inhibitor until it is closed).

#include <memory>

#include "songsmith/system/power_saving.h"

class CDBusPowerInhibitBus final : public IPowerInhibitBus {
public:
    // Null when there is no session bus (a machine without a desktop).
    static std::unique_ptr<CDBusPowerInhibitBus> Connect();

    bool InhibitScreenSaver(const char* application, const char* reason, std::uint32_t* cookie) override;
    void UnInhibitScreenSaver(std::uint32_t cookie) override;
    bool InhibitIdleSleep(const char* who, const char* why, int* handle) override;
    void ReleaseIdleSleep(int handle) override;

private:
    CDBusPowerInhibitBus() = default;
};
