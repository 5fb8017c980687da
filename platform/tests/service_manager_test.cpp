#include "platform/service_manager.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/last_error.h"
#include "platform/registry_number.h"
#include "testsupport/temp_dir.h"

namespace {

constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\ZentAspiWDM";

class ServiceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryStoreSetFolder(dir_.Path());
        manager_ = OpenSCManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(CloseServiceHandle(manager_), 1);
        RegistryStoreSetFolder("");
    }

    static void SetNumber(const char* name, std::uint32_t number) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kServiceKey, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetNumber(key, name, number), ERROR_SUCCESS);
        ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    static bool KeyExists() {
        HKEY key = nullptr;
        if (RegOpenKey(HKEY_LOCAL_MACHINE, kServiceKey, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    SC_HANDLE Open(const char* name = "ZentAspiWDM") {
        return OpenService(manager_, name, SERVICE_ALL_ACCESS);
    }
    static std::uint32_t State(SC_HANDLE service) {
        SERVICE_STATUS status{};
        EXPECT_EQ(QueryServiceStatus(service, &status), 1) << GetLastError();
        return status.dwCurrentState;
    }

    testsupport::TempDir dir_;
    SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceManagerTest, AStopRunsItsScriptAndTheStateLastsInTheStore) {
    SetNumber("Type", 1);
    SetNumber(kStandInStateValue, SERVICE_RUNNING);
    SetNumber(kStandInStopPendingPollsValue, 2);
    SC_HANDLE service = Open("zentaspiwdm");  // names ignore case
    ASSERT_NE(service, nullptr);

    SERVICE_STATUS status{};
    ASSERT_EQ(QueryServiceStatus(service, &status), 1);
    EXPECT_EQ(status.dwServiceType, 1u);
    EXPECT_EQ(status.dwCurrentState, SERVICE_RUNNING);
    EXPECT_EQ(status.dwControlsAccepted, SERVICE_ACCEPT_STOP);

    ASSERT_EQ(ControlService(service, SERVICE_CONTROL_STOP, &status), 1);
    EXPECT_EQ(status.dwCurrentState, SERVICE_STOP_PENDING);
    EXPECT_EQ(State(service), SERVICE_STOP_PENDING);
    EXPECT_EQ(State(service), SERVICE_STOP_PENDING);
    EXPECT_EQ(State(service), SERVICE_STOPPED);

    // Another process (the next run) sees the stopped service.
    RegistryStoreUnload();
    EXPECT_EQ(State(service), SERVICE_STOPPED);
    EXPECT_EQ(ControlService(service, SERVICE_CONTROL_STOP, &status), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);

    ASSERT_EQ(DeleteService(service), 1);
    RegistryStoreUnload();
    EXPECT_FALSE(KeyExists());
    EXPECT_EQ(QueryServiceStatus(service, &status), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
    EXPECT_EQ(DeleteService(service), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(CloseServiceHandle(service), 1);
}

TEST_F(ServiceManagerTest, RefusedStopsLeaveTheStateAsItWas) {
    struct TCase {
        const char* what;
        std::uint32_t state;
        bool stopRefused;
        std::uint32_t control;
        std::uint32_t error;
    };
    const TCase cases[] = {
        {"stopped", SERVICE_STOPPED, false, SERVICE_CONTROL_STOP, ERROR_SERVICE_NOT_ACTIVE},
        {"stopping", SERVICE_STOP_PENDING, false, SERVICE_CONTROL_STOP,
         ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
        {"scripted refusal", SERVICE_RUNNING, true, SERVICE_CONTROL_STOP,
         ERROR_INVALID_SERVICE_CONTROL},
        {"a control other than stop", SERVICE_RUNNING, false, 2, ERROR_INVALID_SERVICE_CONTROL},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetNumber(kStandInStateValue, c.state);
        SetNumber(kStandInStopRefusedValue, c.stopRefused);
        SetNumber(kStandInStopPendingPollsValue, kStopPendingForever);
        SC_HANDLE service = Open();
        ASSERT_NE(service, nullptr);
        SERVICE_STATUS status{};
        EXPECT_EQ(ControlService(service, c.control, &status), 0);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(status.dwCurrentState, c.state);
        EXPECT_EQ(State(service), c.state);
        EXPECT_EQ(CloseServiceHandle(service), 1);
    }
}

TEST_F(ServiceManagerTest, AServiceThatNeverStopsStaysStopping) {
    SetNumber(kStandInStateValue, SERVICE_RUNNING);
    SetNumber(kStandInStopPendingPollsValue, kStopPendingForever);
    SC_HANDLE service = Open();
    ASSERT_EQ(ControlService(service, SERVICE_CONTROL_STOP, nullptr), 1);
    for (int poll = 0; poll < 100; ++poll) ASSERT_EQ(State(service), SERVICE_STOP_PENDING);
    EXPECT_EQ(CloseServiceHandle(service), 1);
}

TEST_F(ServiceManagerTest, TheManagerAndTheServiceKeysAgree) {
    // A service is its key: one made by hand is installed, one whose key is
    // deleted is gone, even behind an open handle.
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    SetNumber("Start", 3);
    SC_HANDLE service = Open();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(State(service), SERVICE_STOPPED) << "a key without a state is a stopped service";
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kServiceKey), ERROR_SUCCESS);
    SERVICE_STATUS status{};
    EXPECT_EQ(QueryServiceStatus(service, &status), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(CloseServiceHandle(service), 1);
}

ssize_t DiskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(ServiceManagerTest, ADeletionThatCannotBeSavedFails) {
    SetNumber("Type", 1);
    SC_HANDLE service = Open();
    ASSERT_NE(service, nullptr);
    RegistrySetWriteFunction(DiskFull);
    EXPECT_EQ(DeleteService(service), 0) << "the service is still installed on disk";
    EXPECT_EQ(GetLastError(), ERROR_CANTWRITE);
    RegistrySetWriteFunction(nullptr);
    EXPECT_EQ(CloseServiceHandle(service), 1);
}

TEST_F(ServiceManagerTest, RefusalsAndBadArgumentsSayWhy) {
    SetNumber(kStandInDeleteRefusedValue, 1);
    SC_HANDLE service = Open();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(DeleteService(service), 0);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists());

    // A name may not reach below the services key.
    SetNumber("Type", 1);
    EXPECT_EQ(Open("ZentAspiWDM\\Enum"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_EQ(Open(""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);

    EXPECT_EQ(OpenService(service, "ZentAspiWDM", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(QueryServiceStatus(manager_, nullptr), 0);
    SERVICE_STATUS status{};
    EXPECT_EQ(QueryServiceStatus(manager_, &status), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(OpenSCManager("other-machine", nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(CloseServiceHandle(service), 1);
    EXPECT_EQ(CloseServiceHandle(service), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
