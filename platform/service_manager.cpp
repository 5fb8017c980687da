#include "platform/service_manager.h"

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/last_error.h"
#include "platform/registry_number.h"

struct TServiceHandle {
    bool isManager;
    std::string serviceName;  // as the caller spelled it; empty for a manager
    bool deleted = false;
};

namespace {

struct THandleTable {
    // Guards the table and makes each read-change-write of a service's
    // values one step; the registry store's own lock is taken inside it.
    std::mutex lock;
    std::unordered_set<const TServiceHandle*> open;
};

THandleTable& Handles() {
    // Never destroyed: handles may still be closed during exit.
    static auto* table = new THandleTable;
    return *table;
}

int Fail(std::uint32_t code) {
    SetLastError(code);
    return 0;
}

bool IsValidServiceName(const char* name) {
    return name != nullptr && name[0] != '\0' && std::string_view(name).find('\\') ==
                                                      std::string_view::npos;
}

std::string ServiceKeyPath(const std::string& serviceName) {
    return std::string(kServicesKeyPath) + "\\" + serviceName;
}

// The open key of one service, closed (and its root saved) when it goes.
class CServiceKey {
public:
    explicit CServiceKey(const std::string& serviceName) {
        result_ = RegOpenKey(HKEY_LOCAL_MACHINE, ServiceKeyPath(serviceName).c_str(), &key_);
        if (result_ == ERROR_FILE_NOT_FOUND) result_ = ERROR_SERVICE_DOES_NOT_EXIST;
    }
    ~CServiceKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    CServiceKey(const CServiceKey&) = delete;
    CServiceKey& operator=(const CServiceKey&) = delete;

    // ERROR_SUCCESS when the service's key is open.
    std::uint32_t Result() const { return result_; }

    // A 4-byte value, or fallback when it is missing or of another size.
    std::uint32_t ReadNumber(const char* name, std::uint32_t fallback) const {
        std::uint32_t number = fallback;
        RegQueryNumber(key_, name, &number);
        return number;
    }
    std::uint32_t WriteNumber(const char* name, std::uint32_t number) {
        return RegSetNumber(key_, name, number);
    }

    std::uint32_t State() const { return ReadNumber(kStandInStateValue, SERVICE_STOPPED); }
    bool StopRefused() const { return ReadNumber(kStandInStopRefusedValue, 0) != 0; }

    void FillStatus(std::uint32_t state, SERVICE_STATUS* status) const {
        if (status == nullptr) return;
        *status = SERVICE_STATUS{};
        status->dwServiceType = ReadNumber("Type", 0);
        status->dwCurrentState = state;
        if (state == SERVICE_RUNNING && !StopRefused()) {
            status->dwControlsAccepted = SERVICE_ACCEPT_STOP;
        }
    }

private:
    HKEY key_ = nullptr;
    std::uint32_t result_ = ERROR_SUCCESS;
};

// Runs an operation on the open key of the service behind handle, under the
// table's lock; fails with the handle's or the key's error first.
template <typename Operation>
int WithService(SC_HANDLE handle, Operation operation) {
    try {
        THandleTable& table = Handles();
        std::lock_guard<std::mutex> guard(table.lock);
        if (handle == nullptr || table.open.count(handle) == 0 || handle->isManager) {
            return Fail(ERROR_INVALID_HANDLE);
        }
        if (handle->deleted) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
        CServiceKey key(handle->serviceName);
        if (key.Result() != ERROR_SUCCESS) return Fail(key.Result());
        return operation(*handle, key);
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
}

// Enters a new handle in the table; the table owns it from then on. Should
// the entry fail, the handle is freed with the unwinding.
SC_HANDLE AddHandle(std::unique_ptr<TServiceHandle> handle) {
    THandleTable& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    table.open.insert(handle.get());
    return handle.release();
}

}  // namespace

SC_HANDLE OpenSCManager(const char* machineName, const char* /*databaseName*/,
                        std::uint32_t /*desiredAccess*/) {
    if (machineName != nullptr && machineName[0] != '\0') {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        return AddHandle(std::make_unique<TServiceHandle>(TServiceHandle{true, {}}));
    } catch (const std::bad_alloc&) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

SC_HANDLE OpenService(SC_HANDLE manager, const char* serviceName, std::uint32_t /*desiredAccess*/) {
    try {
        {
            THandleTable& table = Handles();
            std::lock_guard<std::mutex> guard(table.lock);
            if (manager == nullptr || table.open.count(manager) == 0 || !manager->isManager) {
                Fail(ERROR_INVALID_HANDLE);
                return nullptr;
            }
        }
        if (!IsValidServiceName(serviceName)) {
            Fail(ERROR_INVALID_NAME);
            return nullptr;
        }
        if (const CServiceKey key(serviceName); key.Result() != ERROR_SUCCESS) {
            Fail(key.Result());
            return nullptr;
        }
        return AddHandle(std::make_unique<TServiceHandle>(TServiceHandle{false, serviceName}));
    } catch (const std::bad_alloc&) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

int ControlService(SC_HANDLE service, std::uint32_t control, SERVICE_STATUS* status) {
    return WithService(service, [&](TServiceHandle&, CServiceKey& key) {
        const std::uint32_t state = key.State();
        key.FillStatus(state, status);
        if (control != SERVICE_CONTROL_STOP) return Fail(ERROR_INVALID_SERVICE_CONTROL);
        if (state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
        if (state == SERVICE_STOP_PENDING) return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        if (key.StopRefused()) return Fail(ERROR_INVALID_SERVICE_CONTROL);
        const std::uint32_t next =
            key.ReadNumber(kStandInStopPendingPollsValue, 0) == 0 ? SERVICE_STOPPED
                                                                  : SERVICE_STOP_PENDING;
        if (const std::uint32_t result = key.WriteNumber(kStandInStateValue, next);
            result != ERROR_SUCCESS) {
            return Fail(result);
        }
        key.FillStatus(next, status);
        return 1;
    });
}

int QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
    if (status == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return WithService(service, [&](TServiceHandle&, CServiceKey& key) {
        std::uint32_t state = key.State();
        if (state == SERVICE_STOP_PENDING) {
            const std::uint32_t polls = key.ReadNumber(kStandInStopPendingPollsValue, 0);
            std::uint32_t result = ERROR_SUCCESS;
            if (polls == 0) {
                state = SERVICE_STOPPED;
                result = key.WriteNumber(kStandInStateValue, state);
            } else if (polls != kStopPendingForever) {
                result = key.WriteNumber(kStandInStopPendingPollsValue, polls - 1);
            }
            if (result != ERROR_SUCCESS) return Fail(result);
        }
        key.FillStatus(state, status);
        return 1;
    });
}

int DeleteService(SC_HANDLE service) {
    return WithService(service, [&](TServiceHandle& handle, CServiceKey& key) {
        if (key.ReadNumber(kStandInDeleteRefusedValue, 0) != 0) return Fail(ERROR_ACCESS_DENIED);
        if (const std::uint32_t result =
                RegDeleteKey(HKEY_LOCAL_MACHINE, ServiceKeyPath(handle.serviceName).c_str());
            result != ERROR_SUCCESS) {
            return Fail(result);
        }
        handle.deleted = true;
        // A deletion that never reaches the store's file leaves the service
        // installed for the next run: that is no removal.
        if (const std::uint32_t saved = RegFlushKey(HKEY_LOCAL_MACHINE); saved != ERROR_SUCCESS) {
            return Fail(saved);
        }
        return 1;
    });
}

int CloseServiceHandle(SC_HANDLE handle) {
    THandleTable& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    if (handle == nullptr || table.open.erase(handle) == 0) return Fail(ERROR_INVALID_HANDLE);
    delete handle;
    return 1;
}
