// songsmith: the program's entry. Brings up the preferences, the texts, the
// log, the sound engine, the drive library and the main window in that
// order, runs the event loop, and saves the preferences on the way out.
#include <QApplication>
#include <clocale>
#include <cstdint>
#include <memory>
#include <string>

#include "filekit/internet_access.h"
#include "filekit/log.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "platter/platter.h"
#include "songsmith/about_dialog.h"
#include "songsmith/core/burner.h"
#include "songsmith/core/burner_drives.h"
#include "songsmith/core/cd_page_services.h"
#include "songsmith/core/command_ids.h"
#include "songsmith/core/drive_setup.h"
#include "songsmith/core/preferences.h"
#include "songsmith/core/song_player.h"
#include "songsmith/core/startup_log.h"
#include "songsmith/core/track_list.h"
#include "songsmith/desktop_services.h"
#include "songsmith/engine_preference_effects.h"
#include "songsmith/main_burner_host.h"
#include "songsmith/main_window.h"
#include "songsmith/prefs_dialog.h"
#include "songsmith/version_check_dialog.h"
#include "titlefetch/titlefetch.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"
#include "utilities/keyed_text.h"

namespace {

// The program's process-wide objects, made after the application object and
// destroyed before it (widgets must not outlive it), in reverse order.
struct TAppGlobals {
    CPreferences prefs;
    PLATTER_CPlatter platter;
    // The program's one internet session; the version check opens it when
    // it is closed.
    MyInternetAccess internet;
    // The program's one title lookup (CD pages and preferences).
    TITLEFETCH_CTitlefetch titlefetch;
    // The session; made here, never at static initialisation, so its loader
    // starts only once the program runs.
    CTrackList trackList{prefs};
    CMainWindow mainWindow{prefs, platter};
    // The player, after the window its panel lives in and gone before it.
    CSongPlayer player{prefs, trackList};
    // The burn controller, after the window it reports to; it joins its
    // worker before the window goes.
    CPlatterDrives drives{platter};
    CMainBurnerHost burnerHost{mainWindow};
    CBurner burner{drives, prefs, burnerHost};
};

// Starts the sound engine once the log is open, finds the converters (no
// encoder preferred) and the WMA decoder, and hands it the preferences it
// works by. Its start-up resets the two thresholds, so the loaded values
// are handed on again here.
void StartSoundEngine(const CPreferences& prefs, IPreferenceEffects& effects) {
    SoundEngineStartup(nullptr);
    effects.SetSilenceThreshold(static_cast<std::uint32_t>(prefs.soundSilenceThreshold));
    effects.SetPartialSongThreshold(prefs.partialSongThreshold);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    LoadLibraryWMADecoder();
    SetTempSndPath(prefs.Marovelle_Temp_Dir);
}

int RunProgram() {
    const CDesktopServices desktopServices;
    auto globals = std::make_unique<TAppGlobals>();
    CPreferences& prefs = globals->prefs;
    CEnginePreferenceEffects effects;
    prefs.SetEffects(&effects);
    prefs.Load(HKEY_CURRENT_USER);
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    StartProgramLog(prefs, GetUserDataDir());
    StartSoundEngine(prefs, effects);
    // CD quality; the player steps down by itself when the card refuses it.
    globals->player.InitPlayback(44100, 16, 2);
    globals->player.StartWorker();

    SetUpDriveLibrary(prefs, globals->platter);
    // What the CD pages read of the rest of the program.
    SetProgramTitlefetch(&globals->titlefetch);
    SetCdSessionTracks(&globals->trackList);
    SetDriveStateSource(&globals->burner.state);

    int result = 0;
    globals->mainWindow.SetBurnStatus(&globals->burner);
    if (globals->mainWindow.Create()) {
        SetAboutCommand(globals->mainWindow);
        globals->burner.SetTrackList(&globals->trackList);
        globals->burner.SetTitlefetch(&globals->titlefetch);
        globals->burner.SetSoundPlayer([&globals](const char* path) { globals->player.PlaySoundFile(path); });
        globals->mainWindow.SetCommandHandler(cmd::kPreferences, [&globals] {
            TPrefsContext context{globals->prefs, &globals->platter, &globals->mainWindow, &globals->titlefetch};
            context.burner = &globals->burner;
            context.drives = &globals->drives;
            context.refreshGain = [&globals] { globals->player.RefreshGain(); };
            CPrefsDialog dialog(context);
            dialog.DoModal(globals->mainWindow.Window());
        });
        globals->mainWindow.SetCommandHandler(cmd::kCheckVersion, [&globals] {
            CVersionCheckDlg dialog(globals->internet, globals->prefs);
            dialog.DoModal(globals->mainWindow.Window());
        });
        if (globals->burner.Initialize() != 0) globals->burner.PollDriveState();
        globals->mainWindow.Show();
        globals->mainWindow.RunMessageLoop();
        globals->burner.Shutdown();
        result = 1;
    } else {
        Log("Did not create main window!  Shutting down!");
    }
    prefs.Save(HKEY_CURRENT_USER);
    Log("Shutting down!");
    LogCurrentMemory();
    LogDeinit();
    FreeConversionLibraries();
    // The windows and the objects that may hold sounds go before the
    // engine that plays them.
    SetDriveStateSource(nullptr);
    SetCdSessionTracks(nullptr);
    SetProgramTitlefetch(nullptr);
    globals.reset();
    SoundEngineShutdown();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt takes the user's locale; printf-style numbers must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    return RunProgram();
}
