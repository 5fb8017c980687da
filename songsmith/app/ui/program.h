#pragma once
// CProgram: the running program. It holds the process-wide objects, made
// after the application object and destroyed before it in the reverse
// order, and runs the start-up, the event loop and the shut-down in their
// fixed order. main runs the program through it, and so do the tests, so a
// test starts and stops the program exactly as a user's run does.
//
// Member order is construction order: a constructor may keep a reference to
// a later member but must not use it. No member starts a thread; threads
// start during the start-up.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filekit/internet_access.h"
#include "platform/message_box.h"
#include "platter/platter.h"
#include "songsmith/burn/ui/burn_command.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/session_song_actions.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_loader.h"
#include "songsmith/prefs/ui/engine_preference_effects.h"
#include "songsmith/burner/ui/main_burner_host.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/dialogs/ui/progress_window.h"
#include "songsmith/session/ui/session_commands.h"
#include "songvault/description.h"
#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "titlefetch/titlefetch.h"
#include "utilities/launch_browser.h"
#include "utilities/undo_manager.h"

class CSingleInstanceLock;
class CProgram;

// What a run may be given besides its arguments; main gives nothing, tests
// give their own drives and modules.
struct TProgramOptions {
    // Runs on the drive library before its set-up (tests: image drives in
    // their own trays, the machine's drives not listed).
    std::function<void(PLATTER_CPlatter&)> configureDrives;
    // The remover module "-U" loads in place of the system's own.
    std::string uninstallModule;
    // Where the start-up report looks for the drive-access layer files;
    // empty: the system folder.
    std::string aspiSystemFolder;
    // Runs once the main window shows and the event loop runs (tests
    // inspect the running program here and close its window).
    std::function<void(CProgram&)> whenShown;
    // The burn controller's intervals and clock (tests shorten the waits;
    // null clock: the process's).
    TBurnTiming burnTiming;
    IPlatterClock* burnClock = nullptr;
};

class CProgram {
public:
    // Results of Run.
    static constexpr int kResultRan = 1;
    static constexpr int kResultNoWindow = 0;

    explicit CProgram(TProgramOptions options = {});
    // Stops what a run left going (the track loader) before the members go.
    ~CProgram();
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    // The whole run after the single-instance lock was taken: start-up,
    // the event loop until the main window closes, shut-down; the lock (may
    // be null) is released last. arguments: the command line after the
    // program's name. 1 after a run of the main window, 0 after "-U" or when
    // the main window could not be made.
    int Run(const std::vector<std::string>& arguments, CSingleInstanceLock* lock = nullptr);

    // Takes the files named on the command line, one name each, in place of
    // the session list (tests watch what start-up hands on).
    using TSessionLoader = std::function<void(const std::vector<std::string>& names)>;
    void SetSessionLoader(TSessionLoader loader) { loadSession_ = std::move(loader); }

    // The objects, in the order they are made: the preferences, the session,
    // the drive library, the main window, the player, the burn controller,
    // the internet session, the undo history, the title lookup, the song
    // library and the start-up progress window. Helpers are made just
    // before the object that needs them. The drive library outlives the
    // burn controller, whose end may still abort a write on its device.
    CEnginePreferenceEffects preferenceEffects;
    CPreferences prefs;
    CTrackList trackList{prefs};
    PLATTER_CPlatter platter;
    CMainWindow mainWindow{prefs, platter};
    CSongPlayer player{prefs, trackList};
    CPlatterDrives drives{platter};
    CMainBurnerHost burnerHost{mainWindow};
    // Made with the options' timing and clock.
    CBurner burner;
    // The session's loader keeps still while the controller burns; it is
    // stopped at shut-down and goes before the controller.
    CTrackLoader trackLoader{trackList, &burner};
    MyInternetAccess internet;
    CUndoMgr undo{CUndoMgr::kDefaultMaxDepth};
    TITLEFETCH_CTitlefetch titlefetch;
    SGSMarovelle libraryDescription;
    CTonecoreSongProbe libraryProbe;
    SVTENG_CSongvault library;
    CProgressWindow progressWindow;
    // The session list and the song actions it answers, made once the main
    // window and the burn status it reads exist; they go first.
    CSongPlayerForSession sessionPlayer{player};
    std::unique_ptr<CSessionList> sessionList;
    std::unique_ptr<CSessionSongActions> songActions;
    // The main window's commands on the session; they go before the list.
    std::unique_ptr<CSessionCommands> sessionCommands;
    // The Burn command and the burn's results; it goes before the list.
    std::unique_ptr<CBurnCommand> burnCommand;

private:
    enum class EStartUp { kRunLoop, kUninstalled, kNoMainWindow };

    // The start-up after the single-instance lock, up to the files named on
    // the command line.
    EStartUp StartUp(const std::vector<std::string>& arguments);
    // The program's own box for the platform's and the engine's boxes.
    void InstallMessageBoxHooks();
    // The start-up report, and no automatic start, AutoPlay on again.
    void LogReportAndSwitches();
    void StartSoundEngine();
    // The shared drawing objects, the sound engine's temporary folder and
    // the song library.
    void InitAppResources();
    // Stops the loader, empties the session (clean) and frees the drawing
    // objects.
    void FreeAppResources();
    // What the program's parts learn of each other once the main window
    // exists: the burn status, the session, the title lookup, and the
    // commands the window hands on.
    void BindWindows();
    // The session list and the song actions, bound to the rest of the
    // program.
    void MakeSessionList();
    void UnbindWindows();
    // The Find page's partners: the song library, the player, the session
    // and the Library page's import.
    void BindFindPage();
    void BindCommands();
    // What follows the event loop: the search, the burn controller and the
    // preferences stop or are saved.
    void ShutDownAfterLoop();
    // What every run ends with, also one without a main window: the undo
    // history, the log, the conversion libraries, the drawing objects, the
    // sound engine, and last the lock.
    void ShutDownFromUndo(CSingleInstanceLock* lock);

    TProgramOptions options_;
    TSessionLoader loadSession_;
    bool hooksInstalled_ = false;
    bool soundEngineStarted_ = false;
    MessageBoxFunction previousMessageBoxHook_ = nullptr;
    LaunchFailureHandler previousLaunchFailureHandler_;
};
