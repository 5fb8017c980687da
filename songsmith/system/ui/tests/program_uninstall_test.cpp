// "-U" through the program's run: the remembered drive settings come back,
// the remover module is loaded and run, the services' keys go only when
// the shared-file counts say nobody else needs the driver, each failure is
// one warning box, and no window is ever made.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <optional>

#include "platform/message_box.h"
#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "platform/shared_dlls.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/system/driver_uninstall.h"

namespace {

const std::string kServices = std::string(kServicesKeyPath) + "\\";
const std::string kDriverFile = "C:\\WINDOWS\\System32\\Drivers\\ZentAspiWDM.sys";
const std::string kCdromClass = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";

class ProgramUninstallTest : public ProgramFixture {
protected:
    // Seeds the two services' keys, each with a sub-key.
    void InstallServices() {
        SetMachineValue(kServices + "ZentAspiWDM\\Enum", "Count", REG_DWORD, Dword(1));
        SetMachineValue(kServices + kSecurityServiceName + "\\Security", "Security", REG_BINARY, "x");
    }
    void SetSharedCount(const std::string& name, std::optional<std::uint32_t> count) {
        if (count) SetMachineValue(kSharedDllsKeyPath, name.c_str(), REG_DWORD, Dword(*count));
    }
    // Runs "-U" with the remover module given (empty: the system's own).
    int RunUninstall(const std::string& module) {
        TProgramOptions options = Options();
        options.uninstallModule = module;
        CProgram program(options);
        const int result = program.Run({kUninstallArgument});
        madeWindow_ = program.mainWindow.Window() != nullptr;
        return result;
    }
    bool madeWindow_ = true;
};

TEST_F(ProgramUninstallTest, TheServicesGoOnlyWhenNoOtherProgramSharesTheDriver) {
    using TCount = std::optional<std::uint32_t>;
    struct TCase {
        const char* what;
        TCount serviceCount;
        TCount driverCount;
        bool deleted;
    } cases[] = {
        {"service count 0", 0u, std::nullopt, true},
        {"service count 1", 1u, std::nullopt, true},
        {"service count 2", 2u, std::nullopt, false},
        {"no counts at all", std::nullopt, std::nullopt, false},
        {"driver file count 1", std::nullopt, 1u, true},
        {"both counts 2", 2u, 2u, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteKey(HKEY_LOCAL_MACHINE, kSharedDllsKeyPath);
        InstallServices();
        SetSharedCount("ZentAspiWDM", c.serviceCount);
        SetSharedCount(kDriverFile, c.driverCount);
        EXPECT_EQ(RunUninstall("uninstall_answers_ok.dll"), CProgram::kResultNoWindow);
        EXPECT_FALSE(madeWindow_);
        EXPECT_EQ(MachineKeyExists(kServices + "ZentAspiWDM"), !c.deleted);
        EXPECT_EQ(MachineKeyExists(kServices + kSecurityServiceName), !c.deleted);
        EXPECT_TRUE(ui_.Calls().empty());
    }
}

TEST_F(ProgramUninstallTest, TheSystemsRemoverRunsAndTheRememberedDriveSettingsComeBack) {
    // The user had AutoPlay on; the program switched it off and remembered.
    SetMachineValue("SYSTEM\\CurrentControlSet\\Services\\Cdrom", "Autorun", REG_DWORD, Dword(1));
    {
        TProgramOptions options = Options();
        CProgram earlier(options);
        ASSERT_TRUE(earlier.burner.SetCdromAutorun(0));
    }
    // The driver sits in the CD-ROM class's filter list; only the remover
    // module takes it out.
    SetMachineValue(kCdromClass, "UpperFilters", REG_MULTI_SZ, std::string("ZentAspiWDM\0other\0\0", 20));
    SetSharedCount(kDriverFile, 1u);

    EXPECT_EQ(RunUninstall(""), CProgram::kResultNoWindow);
    EXPECT_FALSE(madeWindow_);
    EXPECT_TRUE(ui_.Calls().empty()) << "the remover was found and succeeded";

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, kCdromClass.c_str(), &key), ERROR_SUCCESS);
    char filters[64] = {};
    std::uint32_t size = sizeof filters;
    ASSERT_EQ(RegQueryValueEx(key, "UpperFilters", nullptr, reinterpret_cast<std::uint8_t*>(filters), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::string(filters), "other");

    CProgram after(Options());
    int autorun = -1;
    ASSERT_TRUE(after.burner.GetCdromAutorun(&autorun));
    EXPECT_EQ(autorun, 1);
}

TEST_F(ProgramUninstallTest, EachFailureOfTheRemoverIsOneWarningAndNothingIsDeleted) {
    struct TCase {
        const char* module;
        std::string text;
    } cases[] = {
        {"no_such_remover.dll",
         "There was a problem uninstalling the ZentASPI service- Unable to load no_such_remover.dll!"},
        {"uninstall_without_entry.dll",
         "There was a problem uninstalling the ZentASPI service- Unable to find Uninstall proc!"},
        {"uninstall_refuses.dll", "There was a problem uninstalling the ZentASPI service!"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.module);
        InstallServices();
        SetSharedCount("ZentAspiWDM", 0u);
        testsupport::CFakeUiServices ui;
        ui.ExpectMessage(c.text, IDOK);
        EXPECT_EQ(RunUninstall(c.module), CProgram::kResultNoWindow);
        EXPECT_FALSE(madeWindow_);
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].caption, "Marovelle Uninstall");
        EXPECT_EQ(ui.Calls()[0].flags, MB_OK | MB_ICONWARNING);
        EXPECT_TRUE(MachineKeyExists(kServices + "ZentAspiWDM"));
    }
}

}  // namespace
