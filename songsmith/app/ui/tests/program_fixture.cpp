#include "songsmith/app/ui/tests/program_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>

#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "songsmith/app/startup_log.h"
#include "testsupport/log_lines.h"
#include "testsupport/media_libraries_held.h"

ProgramFixture::ProgramFixture() {
    // The store reads its files from the test's home from now on.
    RegistryStoreSetFolder("");
    // An earlier run made the first library import and its user accepted
    // the agreement: neither the Library page nor the start-up asks.
    CPreferences prefs;
    // The tests' generated songs end at full level, which the track loader
    // takes for cut-off songs: its question would come whenever it got there.
    prefs.bWarnAboutIncompleteSongs = 0;
    StorePreferences(prefs);
}

ProgramFixture::~ProgramFixture() { RegistryStoreUnload(); }

void ProgramFixture::StorePreferences(CPreferences& prefs, bool agreed) {
    prefs.ImportInitial = 1;
    if (agreed) prefs.bAgreedToLicense = 1;
    prefs.Save(HKEY_CURRENT_USER);
    RegistryStoreSave();
}

std::unique_ptr<CPreferences> ProgramFixture::StoredPreferences() {
    RegistryStoreUnload();
    auto prefs = std::make_unique<CPreferences>();
    prefs->Load(HKEY_CURRENT_USER);
    return prefs;
}

std::vector<std::string> ProgramFixture::LoggedTexts() const {
    return testsupport::LogLineTexts(GetUserDataDir() + kLogFileName);
}

bool ProgramFixture::InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& wanted) {
    std::size_t next = 0;
    for (const std::string& text : texts)
        if (next < wanted.size() && text == wanted[next]) ++next;
    return next == wanted.size();
}

void ProgramFixture::SetMachineValue(const std::string& path, const char* name, std::uint32_t type,
                                     const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            static_cast<std::uint32_t>(bytes.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

bool ProgramFixture::MachineKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKey(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string ProgramFixture::Dword(std::uint32_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
}

bool ProgramFixture::ChooseMenuItem(CProgram& program, int command) {
    for (QAction* top : program.mainWindow.Window()->menuBar()->actions())
        if (QMenu* menu = top->menu()) emit menu->aboutToShow();
    QAction* item = program.mainWindow.MenuItem(command);
    if (item == nullptr || !item->isEnabled()) return false;
    item->trigger();
    return true;
}

bool ProgramFixture::WaitFor(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

void ProgramFixture::HoldLoader(CProgram& program) {
    EXPECT_TRUE(program.trackList.StopLoaderThread());
    program.trackList.SetLoader(nullptr);
}

void ProgramFixture::ResumeLoader(CProgram& program) {
    program.trackList.SetLoader(&program.trackLoader);
    program.trackList.StartLoaderThread();
}

TProgramOptions ProgramFixture::Options() const {
    TProgramOptions options;
    const std::string tray = home_.Path() + "/tray";
    options.configureDrives = [tray](PLATTER_CPlatter& platter) {
        platter.listRealDrives = false;
        platter.imageDrive.enabled = true;
        platter.imageDrive.trays = {tray};
    };
    return options;
}
