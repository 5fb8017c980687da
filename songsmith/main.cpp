// songsmith: the program's entry. Brings up the preferences, the texts, the
// log, the drive library and the main window in that order, runs the event
// loop, and saves the preferences on the way out.
#include <QApplication>
#include <clocale>
#include <memory>
#include <string>

#include "filekit/log.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "platter/platter.h"
#include "songsmith/core/drive_setup.h"
#include "songsmith/core/preferences.h"
#include "songsmith/core/startup_log.h"
#include "songsmith/desktop_services.h"
#include "songsmith/engine_preference_effects.h"
#include "songsmith/main_window.h"
#include "utilities/keyed_text.h"

namespace {

// The program's process-wide objects, made after the application object and
// destroyed before it (widgets must not outlive it), in reverse order.
struct TAppGlobals {
    CPreferences prefs;
    PLATTER_CPlatter platter;
    CMainWindow mainWindow{prefs, platter};
};

int RunProgram() {
    const CDesktopServices desktopServices;
    auto globals = std::make_unique<TAppGlobals>();
    CPreferences& prefs = globals->prefs;
    CEnginePreferenceEffects effects;
    prefs.SetEffects(&effects);
    prefs.Load(HKEY_CURRENT_USER);
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    StartProgramLog(prefs, GetUserDataDir());

    SetUpDriveLibrary(prefs, globals->platter);

    int result = 0;
    if (globals->mainWindow.Create()) {
        globals->mainWindow.Show();
        globals->mainWindow.RunMessageLoop();
        result = 1;
    } else {
        Log("Did not create main window!  Shutting down!");
    }
    prefs.Save(HKEY_CURRENT_USER);
    Log("Shutting down!");
    LogCurrentMemory();
    LogDeinit();
    globals.reset();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt takes the user's locale; printf-style numbers must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    return RunProgram();
}
