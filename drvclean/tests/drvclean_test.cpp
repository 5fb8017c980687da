// The remover is loaded by name, as the program loads it, against a machine
// store seeded in a scratch folder. Names, paths and message texts are
// spelled out here on their own, so a slip in the module's copy shows.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drvclean/drvclean.h"
#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "platform/service_manager.h"
#include "platform/wait_clock.h"
#include "testsupport/temp_dir.h"

namespace {

constexpr const char* kSecurityFile = "C:\\WINDOWS\\System32\\ZentSec.exe";
constexpr const char* kDriverFile = "C:\\WINDOWS\\System32\\DRIVERS\\ZentAspiWDM.sys";
constexpr const char* kSecurity = "ZentSecurity";
constexpr const char* kDriver = "ZentAspiWDM";
constexpr const char* kCdrom = "{4D36E965-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kTape = "{6D807884-7D21-11CF-801C-08002BE10318}";
constexpr const char* kChanger = "{CE5939AE-EBDE-11D0-B181-0000F8753EC4}";

const std::string kServiceMessage =
    "The ZentAspiWDM service was not successfully removed.\n\n"
    "Please stop this service manually before uninstalling the application.";
std::string FilterMessage(const char* className) {
    return std::string("The ZentAspiWDM entry in the UpperFilters values was not removed.\n\n"
                       "Please remove the entry from the value the ") +
           className + " class manually before uninstalling the application.";
}

struct TShownMessage {
    void* owner;
    std::string text;
    std::string caption;
    std::uint32_t type;
};
std::vector<TShownMessage> gMessages;
std::int32_t RecordMessage(void* owner, const char* text, const char* caption, std::uint32_t type) {
    gMessages.push_back({owner, text, caption, type});
    return IDOK;
}

// A clock that moves on only when slept on.
std::int64_t gNowMs = 0;
std::vector<std::uint32_t> gSleeps;
void FakeSleep(std::uint32_t milliseconds) {
    gSleeps.push_back(milliseconds);
    gNowMs += milliseconds;
}
std::int64_t FakeNow() { return gNowMs; }

using TBytes = std::string;  // raw value bytes, zeros included

struct TService {
    std::uint32_t state = SERVICE_RUNNING;
    std::uint32_t stopPendingPolls = 0;
    bool stopRefused = false;
    bool deleteRefused = false;
};

class DrvcleanTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryStoreSetFolder(dir_.Path());
        gMessages.clear();
        gSleeps.clear();
        gNowMs = 0;
        previousHook_ = SetMessageBoxHook(RecordMessage);
        previousClock_ = SetWaitClock({FakeSleep, FakeNow});
        module_ = LoadModule("drvclean.dll");
        ASSERT_NE(module_, nullptr) << "last error " << GetLastError();
        uninstall_ = reinterpret_cast<UninstInitializeFunction>(
            GetModuleSymbol(module_, "UninstInitialize"));
        ASSERT_NE(uninstall_, nullptr);
    }
    void TearDown() override {
        FreeModule(module_);
        SetWaitClock(previousClock_);
        SetMessageBoxHook(previousHook_);
        RegistryStoreSetFolder("");
    }

    static void SetValue(const std::string& path, const char* name, std::uint32_t type,
                         const TBytes& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<std::uint32_t>(bytes.size())),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    static TBytes Number(std::uint32_t n) {
        return TBytes{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                      static_cast<char>(n >> 24)};
    }
    static void SetSharedCount(const char* file, std::uint32_t count) {
        SetValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", file, REG_DWORD,
                 Number(count));
    }
    static std::string ServicePath(const char* name) {
        return std::string("SYSTEM\\CurrentControlSet\\Services\\") + name;
    }
    static void Install(const char* name, const TService& service) {
        const std::string path = ServicePath(name);
        SetValue(path, "Type", REG_DWORD, Number(1));
        SetValue(path, kStandInStateValue, REG_DWORD, Number(service.state));
        SetValue(path, kStandInStopPendingPollsValue, REG_DWORD, Number(service.stopPendingPolls));
        SetValue(path, kStandInStopRefusedValue, REG_DWORD, Number(service.stopRefused));
        SetValue(path, kStandInDeleteRefusedValue, REG_DWORD, Number(service.deleteRefused));
    }
    static std::string ClassPath(const char* classGuid) {
        return std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + classGuid;
    }
    static void SetFilters(const char* classGuid, std::uint32_t type, const TBytes& bytes) {
        SetValue(ClassPath(classGuid), "UpperFilters", type, bytes);
    }

    // What the store's files hold: everything is read back from disk, so a
    // change made only in memory does not count.
    static bool Installed(const char* name) {
        RegistryStoreUnload();
        HKEY key = nullptr;
        if (RegOpenKey(HKEY_LOCAL_MACHINE, ServicePath(name).c_str(), &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    static std::optional<std::pair<std::uint32_t, TBytes>> Filters(const char* classGuid) {
        RegistryStoreUnload();
        HKEY key = nullptr;
        if (RegOpenKey(HKEY_LOCAL_MACHINE, ClassPath(classGuid).c_str(), &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        std::optional<std::pair<std::uint32_t, TBytes>> value;
        if (RegQueryValueEx(key, "UpperFilters", &type, nullptr, &size) == ERROR_SUCCESS) {
            TBytes bytes(size, '\0');
            RegQueryValueEx(key, "UpperFilters", &type, reinterpret_cast<std::uint8_t*>(bytes.data()),
                            &size);
            value.emplace(type, bytes);
        }
        RegCloseKey(key);
        return value;
    }
    static std::vector<std::string> MessageTexts() {
        std::vector<std::string> texts;
        for (const TShownMessage& message : gMessages) texts.push_back(message.text);
        return texts;
    }

    std::int32_t Run() { return uninstall_(0, 0, 0); }

    testsupport::TempDir dir_;
    void* module_ = nullptr;
    UninstInitializeFunction uninstall_ = nullptr;
    MessageBoxFunction previousHook_ = nullptr;
    TWaitClock previousClock_{};
};

TEST_F(DrvcleanTest, AMachineWithoutTheDriverNeedsNothingAndHearsNothing) {
    // Nothing at all; counts saying the files are free but nothing else; and
    // class keys that never listed a filter.
    const std::vector<std::pair<const char*, void (*)()>> machines = {
        {"empty store", [] {}},
        {"counts only",
         [] {
             SetSharedCount(kSecurityFile, 1);
             SetSharedCount(kDriverFile, 0);
         }},
        {"class keys without filter lists",
         [] {
             SetSharedCount(kSecurityFile, 1);
             SetSharedCount(kDriverFile, 1);
             for (const char* guid : {kCdrom, kTape, kChanger}) {
                 SetValue(ClassPath(guid), "LowerFilters", REG_MULTI_SZ, TBytes("x\0\0", 3));
             }
         }},
    };
    for (const auto& [name, seed] : machines) {
        SCOPED_TRACE(name);
        RegistryStoreSetFolder(dir_.Path() + "/" + name);
        gMessages.clear();
        seed();
        EXPECT_EQ(Run(), 0);
        EXPECT_TRUE(gMessages.empty()) << gMessages.front().text;
        EXPECT_TRUE(gSleeps.empty());
    }
}

TEST_F(DrvcleanTest, SharedFilesKeepTheirServicesAndFilters) {
    struct TCase {
        const char* what;
        std::optional<std::uint32_t> securityCount;  // nullopt: no count at all
        std::optional<std::uint32_t> driverCount;
        bool securityRemoved;
        bool driverRemoved;
    };
    const TCase cases[] = {
        {"driver still shared: only the security step", 1, 2, true, false},
        {"both shared", 2, 2, false, false},
        {"security count missing, driver free", std::nullopt, 1, false, true},
        {"driver count missing", 0, std::nullopt, true, false},
    };
    const TBytes filters("ZentAspiWDM\0Other\0\0", 19);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryStoreSetFolder(dir_.Path() + "/" + c.what);
        if (c.securityCount) SetSharedCount(kSecurityFile, *c.securityCount);
        if (c.driverCount) SetSharedCount(kDriverFile, *c.driverCount);
        Install(kSecurity, {});
        Install(kDriver, {});
        SetFilters(kTape, REG_MULTI_SZ, filters);

        EXPECT_EQ(Run(), 0);
        EXPECT_TRUE(gMessages.empty());
        EXPECT_EQ(Installed(kSecurity), !c.securityRemoved);
        EXPECT_EQ(Installed(kDriver), !c.driverRemoved);
        const TBytes expected = c.driverRemoved ? TBytes("Other\0\0", 7) : filters;
        EXPECT_EQ(Filters(kTape), std::make_pair(REG_MULTI_SZ, expected));
    }
}

TEST_F(DrvcleanTest, TheDriverLeavesEachFilterList) {
    struct TCase {
        const char* what;
        std::uint32_t type;
        TBytes before;
        std::optional<TBytes> after;  // nullopt: the value is gone
        bool fails;
    };
    const TCase cases[] = {
        {"other case, then another name", REG_MULTI_SZ, TBytes("zentaspiwdm\0Other\0\0", 19),
         TBytes("Other\0\0", 7), false},
        {"in the middle", REG_MULTI_SZ, TBytes("Other\0ZENTASPIWDM\0Third\0\0", 25),
         TBytes("Other\0Third\0\0", 13), false},
        {"the name alone", REG_MULTI_SZ, TBytes("ZentAspiWDM\0\0", 13), std::nullopt, false},
        {"listed twice", REG_MULTI_SZ, TBytes("ZentAspiWDM\0zentAspiWdm\0\0", 25), std::nullopt,
         false},
        {"a longer name is another filter", REG_MULTI_SZ, TBytes("ZentAspiWDM2\0\0", 14),
         TBytes("ZentAspiWDM2\0\0", 14), false},
        {"empty", REG_MULTI_SZ, TBytes(), TBytes(), false},
        {"no closing empty string", REG_MULTI_SZ, TBytes("Other\0ZentAspiWDM", 17),
         TBytes("Other\0\0", 7), false},
        {"no terminator at all", REG_MULTI_SZ, TBytes("Other", 5), TBytes("Other\0\0", 7), false},
        {"the list ends at its empty string", REG_MULTI_SZ, TBytes("A\0\0ZentAspiWDM\0\0", 17),
         TBytes("A\0\0", 3), false},
        {"not a multi-string", REG_SZ, TBytes("ZentAspiWDM"), TBytes("ZentAspiWDM"), true},
        {"binary", REG_BINARY, TBytes("ZentAspiWDM\0\0", 13), TBytes("ZentAspiWDM\0\0", 13),
         true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryStoreSetFolder(dir_.Path() + "/" + c.what);
        gMessages.clear();
        SetSharedCount(kDriverFile, 1);
        SetFilters(kCdrom, c.type, c.before);

        EXPECT_EQ(Run(), c.fails ? -1 : 0);
        EXPECT_EQ(MessageTexts(), c.fails ? std::vector<std::string>{FilterMessage("cdrom")}
                                          : std::vector<std::string>{});
        if (c.after) {
            EXPECT_EQ(Filters(kCdrom), std::make_pair(c.type, *c.after));
        } else {
            EXPECT_EQ(Filters(kCdrom), std::nullopt);
        }
    }
}

TEST_F(DrvcleanTest, TheDriverServiceIsStoppedThenDeleted) {
    struct TCase {
        const char* what;
        TService service;
        std::int32_t result;
        std::size_t polls;  // one-second sleeps before each status query
        bool removed;
    };
    const TCase cases[] = {
        {"stops after two pending polls", {SERVICE_RUNNING, 2}, 0, 3, true},
        {"stops at once", {SERVICE_RUNNING, 0}, 0, 1, true},
        {"already stopped", {SERVICE_STOPPED}, 0, 0, true},
        {"refuses the stop", {SERVICE_RUNNING, 0, true}, 0, 0, true},
        {"stops on the last poll allowed", {SERVICE_RUNNING, 29}, 0, 30, true},
        {"never stops", {SERVICE_RUNNING, kStopPendingForever}, -1, 30, false},
        {"refuses the deletion", {SERVICE_STOPPED, 0, false, true}, -1, 0, false},
        {"stops, then refuses the deletion", {SERVICE_RUNNING, 1, false, true}, -1, 2, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryStoreSetFolder(dir_.Path() + "/" + c.what);
        gMessages.clear();
        gSleeps.clear();
        SetSharedCount(kDriverFile, 1);
        Install(kDriver, c.service);
        SetFilters(kChanger, REG_MULTI_SZ, TBytes("ZentAspiWDM\0\0", 13));

        EXPECT_EQ(Run(), c.result);
        EXPECT_EQ(gSleeps, std::vector<std::uint32_t>(c.polls, 1000));
        EXPECT_EQ(Installed(kDriver), !c.removed);
        EXPECT_EQ(MessageTexts(), c.removed ? std::vector<std::string>{}
                                            : std::vector<std::string>{kServiceMessage});
        EXPECT_EQ(Filters(kChanger), std::nullopt) << "the filter steps run after a failure";
    }
}

TEST_F(DrvcleanTest, EveryFailureShowsItsMessageInOrder) {
    SetSharedCount(kSecurityFile, 0);
    SetSharedCount(kDriverFile, 0);
    Install(kSecurity, {SERVICE_STOPPED, 0, false, true});
    Install(kDriver, {SERVICE_RUNNING, 0, false, true});
    for (const char* guid : {kCdrom, kTape, kChanger}) SetFilters(guid, REG_SZ, kDriver);

    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{kServiceMessage, kServiceMessage, FilterMessage("cdrom"),
                                        FilterMessage("tape"), FilterMessage("jukebox")}));
    for (const TShownMessage& message : gMessages) {
        EXPECT_EQ(message.owner, nullptr);
        EXPECT_EQ(message.caption, " ");
        EXPECT_EQ(message.type, MB_OK);
    }
}

TEST_F(DrvcleanTest, LoadingAndUninitializingTouchNothing) {
    SetSharedCount(kDriverFile, 1);
    Install(kDriver, {});
    SetFilters(kCdrom, REG_MULTI_SZ, TBytes("ZentAspiWDM\0\0", 13));

    void* again = LoadModule("drvclean.dll");
    ASSERT_NE(again, nullptr);
    const auto uninitialize = reinterpret_cast<UninstInitializeFunction>(
        GetModuleSymbol(again, "UninstUnInitialize"));
    ASSERT_NE(uninitialize, nullptr);
    EXPECT_EQ(uninitialize(0, 0, 0), 0);
    EXPECT_EQ(GetModuleSymbol(again, "RemoveService"), nullptr) << "only the entry points show";
    FreeModule(again);

    EXPECT_TRUE(Installed(kDriver));
    EXPECT_EQ(Filters(kCdrom), std::make_pair(REG_MULTI_SZ, TBytes("ZentAspiWDM\0\0", 13)));
    EXPECT_TRUE(gMessages.empty());
}

}  // namespace
