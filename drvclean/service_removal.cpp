#include "drvclean/service_removal.h"

#include "platform/last_error.h"
#include "platform/service_manager.h"
#include "platform/wait_clock.h"

namespace {

// A manager or service handle, closed when it goes.
class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~CServiceHandle() {
        if (handle_ != nullptr) CloseServiceHandle(handle_);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;

    SC_HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

// After an accepted stop: polls until the service has left the stopping
// state or the time limit has passed. True when it stopped.
bool WaitUntilStopped(SC_HANDLE service) {
    const std::int64_t start = WaitClockMilliseconds();
    SERVICE_STATUS status{};
    do {
        Sleep(kStopPollIntervalMs);
        if (QueryServiceStatus(service, &status) == 0) return false;
    } while (status.dwCurrentState == SERVICE_STOP_PENDING &&
             WaitClockMilliseconds() - start < kStopWaitLimitMs);
    return status.dwCurrentState == SERVICE_STOPPED;
}

}  // namespace

bool RemoveService(const char* serviceName) {
    const CServiceHandle manager(OpenSCManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    const CServiceHandle service(OpenService(manager.Get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;

    // A refused stop (mostly: the service is not running) goes straight on to
    // the deletion; a service that did not stop is not deleted under its feet.
    SERVICE_STATUS status{};
    if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != 0 &&
        !WaitUntilStopped(service.Get())) {
        return false;
    }
    return DeleteService(service.Get()) != 0;
}
