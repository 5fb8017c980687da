#include "songsmith/app/ui/program.h"

#include <QApplication>
#include <QTimer>
#include <cstdint>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "platter/types.h"
#include "songsmith/dialogs/ui/about_dialog.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/burn/ui/fader_settings_dialog.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cddb_sites.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/library/song_file_tag.h"
#include "songsmith/system/drive_setup.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/library/library_links.h"
#include "songsmith/player/play_source.h"
#include "songsmith/system/driver_uninstall.h"
#include "songsmith/app/single_instance.h"
#include "songsmith/app/startup_log.h"
#include "songsmith/app/startup_report.h"
#include "songsmith/app/system_switches.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/cd/ui/copy_in_progress_dialog.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "songsmith/player/ui/player_panel.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/qt_ui_services.h"
#include "songsmith/app/ui/version_check_dialog.h"
#include "songsmith/dialogs/ui/windowless_boxes.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"
#include "utilities/file_system.h"
#include "utilities/keyed_text.h"
#include "utilities/launch_browser.h"

CProgram::CProgram(TProgramOptions options)
    : burner(drives, prefs, burnerHost, options.burnClock, options.burnTiming), options_(std::move(options)) {
    trackList.SetLoader(&trackLoader);
}

CProgram::~CProgram() {
    // A run that ended early may leave the loader going; the list must not
    // reach for it once it is gone.
    trackList.StopLoaderThread();
    trackList.SetLoader(nullptr);
    SetStartupProgress(nullptr);
    SetStartupProgressWindow(nullptr);
    progressWindow.Destroy();
    if (hooksInstalled_) {
        SetMessageBoxHook(previousMessageBoxHook_);
        SetSoundEngineNotifyHook(nullptr);
        SetLaunchFailureHandler(std::move(previousLaunchFailureHandler_));
    }
}

int CProgram::Run(const std::vector<std::string>& arguments, CSingleInstanceLock* lock) {
    switch (StartUp(arguments)) {
        case EStartUp::kUninstalled:
        case EStartUp::kNoMainWindow:
            ShutDownFromUndo(lock);
            return kResultNoWindow;
        case EStartUp::kRunLoop:
            break;
    }
    // The window, and the loop until it closes.
    mainWindow.Show();
    if (options_.whenShown) QTimer::singleShot(0, mainWindow.Window(), [this] { options_.whenShown(*this); });
    mainWindow.RunMessageLoop();
    ShutDownAfterLoop();
    ShutDownFromUndo(lock);
    return kResultRan;
}

CProgram::EStartUp CProgram::StartUp(const std::vector<std::string>& arguments) {
    // The single-instance lock was taken before the application object
    // existed. The preferences first: they switch logging.
    prefs.SetEffects(&preferenceEffects);
    prefs.Load(HKEY_CURRENT_USER);
    // The program's texts.
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    // The crash log, this run's crash flag and the log.
    StartProgramLog(prefs, GetUserDataDir());
    // "-U" runs nothing else. It is decided before the sound engine, the
    // drawing objects and the song library: the command is run by scripts
    // without a display, and it leaves alone what it does not remove.
    if (!arguments.empty() && arguments.front() == kUninstallArgument) {
        InstallMessageBoxHooks();
        LogReportAndSwitches();
        UninstallDriverService(burner, options_.uninstallModule);
        return EStartUp::kUninstalled;
    }
    StartSoundEngine();
    InitAppResources();
    LogReportAndSwitches();
    LogFmt("BadIntelAppAcceleratorInstalled() returns %d prefs.bDontWarn=%d", BadIntelAppAcceleratorInstalled(),
           prefs.DontWarnIntelAppAccelerator);
    // The progress window first: no main window yet to own it.
    progressWindow.Create(nullptr);
    SetStartupProgress(&progressWindow);
    SetStartupProgressWindow(&progressWindow);
    // CD quality; the player steps down by itself when the card
    // refuses it.
    player.InitPlayback(44100, 16, 2);
    player.StartWorker();
    if (options_.configureDrives) options_.configureDrives(platter);
    SetUpDriveLibrary(prefs, platter);
    BindWindows();
    if (!mainWindow.Create()) {
        Log("Did not create main window!  Shutting down!");
        return EStartUp::kNoMainWindow;
    }
    MakeSessionList();
    BindFindPage();
    BindCommands();
    // The writer, and the disc in it.
    if (burner.Initialize() != 0) burner.PollDriveState();
    // The files named on the command line, one name per argument.
    if (!arguments.empty()) {
        if (loadSession_) {
            loadSession_(arguments);
        } else if (sessionList) {
            sessionList->LoadSession(arguments);
        }
    }
    return EStartUp::kRunLoop;
}

void CProgram::InstallMessageBoxHooks() {
    // The windowless boxes of the platform and of the engine are the
    // program's own box from now on.
    previousMessageBoxHook_ = SetMessageBoxHook(ShowWindowlessMessageBox);
    SetSoundEngineNotifyHook(ShowEngineNotice);
    // A page, the help or a folder that the desktop cannot open is told.
    previousLaunchFailureHandler_ = SetLaunchFailureHandler(ReportNoDesktopOpener);
    hooksInstalled_ = true;
}

void CProgram::LogReportAndSwitches() {
    LogStartupReport(prefs, options_.aspiSystemFolder.empty() ? AspiLayerSystemFolder()
                                                              : options_.aspiSystemFolder);
    // No automatic start, and AutoPlay for audio CDs on again.
    RemoveAutoStartEntry();
    SetCDAutoPlayEnabled(true);
}

void CProgram::StartSoundEngine() {
    InstallMessageBoxHooks();
    SoundEngineStartup(nullptr);
    soundEngineStarted_ = true;
    // The engine's start-up resets both thresholds; the loaded ones apply.
    preferenceEffects.SetSilenceThreshold(static_cast<std::uint32_t>(prefs.soundSilenceThreshold));
    preferenceEffects.SetPartialSongThreshold(prefs.partialSongThreshold);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    LoadLibraryWMADecoder();
}

void CProgram::InitAppResources() {
    ::InitAppResources();
    // After the engine's start-up, which sets a temporary folder of its own.
    SetTempSndPath(prefs.Marovelle_Temp_Dir);
    // The song library in the folder of "LibraryPath" (empty: the per-user
    // data folder); the Library page loads it when it is made.
    library.SetSongProbe(&libraryProbe);
    library.SetPostHook(MakeLibraryPostHook());
    if (!library.Initialize(&libraryDescription, prefs.LibraryPath)) Log("The song library could not be opened");
}

void CProgram::FreeAppResources() {
    trackList.StopLoaderThread();
    trackList.Clear(false);
    SetStartupProgress(nullptr);
    SetStartupProgressWindow(nullptr);
    // Normally gone with the library's first load; a run that never got that
    // far still frees it.
    progressWindow.Destroy();
    ::FreeAppResources();
}

void CProgram::BindWindows() {
    // The main window and the CD pages read the drive state through the
    // one burn controller.
    mainWindow.SetBurnStatus(&burner);
    SetDriveStateSource(&burner);
    // What the CD pages read of the rest of the program; they ask the CDDB
    // site the preferences chose.
    ApplyChosenSite(prefs, titlefetch);
    SetProgramTitlefetch(&titlefetch);
    SetCdSessionTracks(&trackList);
    SetCdPagePlayer(&player);
    burner.SetTrackList(&trackList);
    // The burn stores a written disc's titles in the title cache and plays
    // its signal between copies through the player.
    burner.SetTitlefetch(&titlefetch);
    burner.SetSoundPlayer([this](const char* path) { player.PlaySoundFile(path); });
    // What the Library page reads of the rest of the program.
    TLibraryPartners libraryPartners;
    libraryPartners.store = &library;
    libraryPartners.undo = &undo;
    libraryPartners.setPlaySource = SetPlaySource;
    libraryPartners.songPathOfSound = [this](std::uint32_t soundId, std::string& path) {
        return player.GetSongPathById(soundId, path);
    };
    libraryPartners.addSongsWithProgress = [this](const std::vector<std::string>& files) {
        return sessionList != nullptr ? sessionList->AddSongsWithProgress(files, true, true) : 0;
    };
    SetLibraryPartners(libraryPartners);
}

void CProgram::MakeSessionList() {
    sessionList = std::make_unique<CSessionList>(TSessionListPartners{
        trackList, prefs, undo, mainWindow.BurnStatus(), &sessionPlayer, &library, MarkLibrarySongImported,
        nullptr, nullptr, nullptr, nullptr});
    songActions = std::make_unique<CSessionSongActions>(*sessionList, trackList, undo, prefs, &player);
    // Every tab page marks the songs of the session in its rows.
    songActions->SetPageMarker([this](const char* path, int inSession) {
        CFindContainerWindow* pane = mainWindow.TabPane();
        if (pane == nullptr) return;
        std::vector<CTabPage*> pages = {pane->GetFindTab(), pane->GetLibraryTab()};
        for (CCDTab* page : pane->CdPages()) pages.push_back(page);
        for (CTabPage* page : pages)
            if (page != nullptr) page->SetSongPlayState(path, inSession != 0);
    });
    SetSongActionPartners(songActions.get());
    CSessionList* session = sessionList.get();
    SetSessionTrackRefresher([session](int serial) { session->RefreshTrack(serial); });
    CSessionListPane* pane = mainWindow.MiddleBand()->SessionList();
    pane->SetMessageHandler([session](TAppMessage& message) { return session->WindowProc(message); });
    pane->Bind(TSessionPaneBinding{session, &trackList, &prefs, &undo,
                                   [this](int command) { mainWindow.OnCommand(command); },
                                   [this] { player.RefreshGain(); }});
    // The window's events reach the session, the player, the burn
    // controller and the song library.
    CMainWindow::TEventPartners events;
    events.burner = &burner;
    events.player = &player;
    events.library = &library;
    events.tracks = &trackList;
    events.session = session;
    events.undo = &undo;
    // Closing while a CD page rips asks first; only No keeps the program.
    events.confirmQuitWhileRipping = [this] {
        CCopyInProgressDlg question(prefs);
        return question.DoModal(mainWindow.Window()) != CCopyInProgressDlg::kNo;
    };
    mainWindow.SetEventPartners(std::move(events));
    mainWindow.UpdateTitle();
    // The player panel plays the session's next and previous songs.
    mainWindow.BottomBand()->Player()->SetPartners(
        {&player, &prefs, [session](bool random, int currentSerial, bool forward) {
             return session->PlayNext(random, currentSerial, forward);
         }});
}

void CProgram::UnbindWindows() {
    burnCommand.reset();
    // The window's events let go of the session list and its ask-to-save
    // question before the session commands that answer it go.
    mainWindow.SetEventPartners({});
    sessionCommands.reset();
    // The panel lets go of the player and the session list before they go.
    if (CBottomContainerWindow* bottom = mainWindow.BottomBand()) bottom->Player()->SetPartners({});
    SetSessionTrackRefresher(nullptr);
    SetSongActionPartners(nullptr);
    songActions.reset();
    if (CContainerWindow* band = mainWindow.MiddleBand()) band->SessionList()->Bind({});
    sessionList.reset();
    SetLibraryPartners({});
    SetFindTabTagHandler(nullptr);
    SetDriveStateSource(nullptr);
    SetCdPagePlayer(nullptr);
    SetCdSessionTracks(nullptr);
    SetProgramTitlefetch(nullptr);
}

void CProgram::BindFindPage() {
    CFindContainerWindow* pane = mainWindow.TabPane();
    CFindTab* find = pane != nullptr ? pane->GetFindTab() : nullptr;
    if (find == nullptr) return;
    find->partners.store = &library;
    find->partners.currentSongPath = [this](std::string& path) { return player.GetCurrentSongPath(path); };
    find->partners.inSession = [this](const char* path) { return trackList.FindByPath(path) >= 0; };
    find->partners.libraryImporting = [pane] {
        CLibraryTab* page = pane->GetLibraryTab();
        return page != nullptr && page->IsImporting();
    };
    find->partners.startLibraryImport = [pane] {
        if (CLibraryTab* page = pane->GetLibraryTab()) page->Import();
    };
    find->partners.stopLibraryImport = [pane] {
        if (CLibraryTab* page = pane->GetLibraryTab()) page->KillImportThread();
    };
    // Playing, marking and the list menu's Library commands.
    find->partners.songPathOfSound = [this](std::uint32_t soundId, std::string& path) {
        return player.GetSongPathById(soundId, path);
    };
    find->partners.nextUndoSet = [this] { undo.NextUndoSet(); };
    find->partners.addSongsWithProgress = [this](const std::vector<std::string>& files) {
        if (sessionList) sessionList->AddSongsWithProgress(files, true, true);
    };
    find->partners.editTagByPath = [pane](const char* path) {
        if (CLibraryTab* page = pane->GetLibraryTab()) page->EditTagByPath(path);
    };
    find->partners.deleteSongByPath = [pane](const char* path) {
        if (CLibraryTab* page = pane->GetLibraryTab()) page->DeleteSongByPath(path, false);
    };
    find->partners.showInLibrary = [this, pane](const char* path) {
        mainWindow.OnCommand(cmd::kLibraryPage);
        if (CLibraryTab* page = pane->GetLibraryTab()) page->LocateSongByPath(path);
    };
    // A tag edited in the Library page shows in the found rows.
    SetFindTabTagHandler([find](const char* oldPath, const TSVT_Song& song) { find->ChangeSongTag(oldPath, song); });
    // Add All Found Songs.
    mainWindow.SetCommandHandler(cmd::kAddAllFound, [find] { find->SelectAll(true); });
    // The Library page offers each song it imports while the Find page
    // searches, ends the Find page's feed when its import ends (what the
    // feed holds is still listed) and then tells the page it is over.
    TLibraryPartners libraryPartners = LibraryPartners();
    libraryPartners.offerToFind = [find](const TSVT_Song& song) {
        if (find->IsSearching()) find->AddSongFromImport(song);
    };
    libraryPartners.endFindFeed = [find] { find->Search().FinishImportFeed(); };
    libraryPartners.importFinishedToFind = [find] {
        if (IAppMessagePoster* poster = GetAppMessagePoster())
            poster->Send(find->ReceiverId(), TAppMessage{WM_IMPORT_FINISHED, 0, 0, nullptr});
    };
    SetLibraryPartners(libraryPartners);
}

void CProgram::BindCommands() {
    SetAboutCommand(mainWindow);
    if (sessionList) {
        sessionCommands = std::make_unique<CSessionCommands>(
            TSessionCommandPartners{mainWindow, *sessionList, trackList, prefs, undo, &player,
                                    [this] {
                                        CFindContainerWindow* pane = mainWindow.TabPane();
                                        CFindTab* find = pane != nullptr ? pane->GetFindTab() : nullptr;
                                        return find != nullptr ? find->GetSongCount() : 0;
                                    },
                                    nullptr});
        sessionCommands->Bind();
        // The close asks to save a modified session with the same question
        // as New and Open.
        CMainWindow::TEventPartners events = mainWindow.EventPartners();
        events.askToSave = [this] { return sessionCommands->AskToSave(); };
        mainWindow.SetEventPartners(std::move(events));
    }
    TBurnCommandPartners burnPartners{mainWindow, burner, prefs, trackList, undo, burnerHost, sessionList.get()};
    burnPartners.zentEngine = [this] { return drives.Engine() == kEngineZent; };
    burnPartners.playerPlaying = [this] { return player.IsPlaying(); };
    burnPartners.stopPlayer = [this] { player.Stop(); };
    burnPartners.playSound = [this](const char* path) { player.PlaySoundFile(path); };
    burnPartners.autoSave = [this] {
        if (sessionCommands) sessionCommands->AutoSaveSession();
    };
    burnCommand = std::make_unique<CBurnCommand>(std::move(burnPartners));
    burnCommand->Bind();
    mainWindow.SetCommandHandler(cmd::kPreferences, [this] {
        TPrefsContext context{prefs, &platter, &mainWindow, &titlefetch};
        context.siteApplied = [this] { ApplyChosenSite(prefs, titlefetch); };
        context.burner = &burner;
        context.drives = &drives;
        context.refreshGain = [this] { player.RefreshGain(); };
        context.conversionOutdated = [this] {
            if (sessionList) sessionList->SetChangedSinceConversion(true);
        };
        // The trim choice changes every row's length: the rows are drawn
        // again with the totals.
        context.updateTotals = [this] {
            if (sessionList) sessionList->UpdateTotals(true);
        };
        CPrefsDialog dialog(context);
        dialog.DoModal(mainWindow.Window());
    });
    mainWindow.SetCommandHandler(cmd::kCheckVersion, [this] {
        CVersionCheckDlg dialog(internet, prefs);
        dialog.DoModal(mainWindow.Window());
    });
    // The session's focused track in the Library: its tag edited, or its
    // song thrown away together with its row as one undo step.
    auto focusedTrack = [this](int& serial) {
        serial = sessionList ? sessionList->FocusedSerial() : -1;
        std::string path;
        trackList.Lock();
        if (CCDTrack* track = serial >= 0 ? trackList.GetAt(trackList.FindBySerial(serial)) : nullptr)
            path = track->GetPath();
        trackList.Unlock();
        return path;
    };
    auto libraryPage = [this]() -> CLibraryTab* {
        CFindContainerWindow* pane = mainWindow.TabPane();
        return pane != nullptr ? pane->GetLibraryTab() : nullptr;
    };
    mainWindow.SetCommandHandler(cmd::kTrackEditTag, [focusedTrack, libraryPage] {
        int serial = -1;
        const std::string path = focusedTrack(serial);
        if (CLibraryTab* page = libraryPage(); page != nullptr && !path.empty()) page->EditTagByPath(path.c_str());
    });
    mainWindow.SetCommandHandler(cmd::kTrackLibDelete, [this, focusedTrack, libraryPage] {
        int serial = -1;
        const std::string path = focusedTrack(serial);
        if (path.empty()) return;
        if (CLibraryTab* page = libraryPage()) page->DeleteSongByPath(path.c_str(), false);
        if (sessionList) sessionList->RemoveTrack(serial, true);
    });
    const auto openFader = [this] {
        TFaderContext context{prefs};
        context.zentEngine = drives.Engine() == kEngineZent;
        context.queuePointChanged = [this] { player.UpdateQueuePoint(); };
        context.updateTotals = [this] {
            if (sessionList) sessionList->UpdateTotals(false);
        };
        context.conversionOutdated = [this] {
            if (sessionList) sessionList->SetChangedSinceConversion(true);
        };
        CFaderSettingsDlg dialog(context);
        dialog.DoModal(mainWindow.Window());
    };
    mainWindow.SetCommandHandler(cmd::kFader, openFader);
    mainWindow.SetCommandHandler(cmd::kToolbarFader, openFader);
}

void CProgram::ShutDownAfterLoop() {
    // The main window's close stops the import, the Find page's workers and
    // the player and closes the song library (or gives up saving it). A loop
    // ended some other way skipped it: the workers that read the library end
    // before it closes here, and a library the close dealt with is left alone.
    if (!mainWindow.CloseSequenceRan()) {
        mainWindow.StopWorkers();
        library.Shutdown(prefs.LibraryPath);
    }
    burner.Shutdown();
    prefs.Save(HKEY_CURRENT_USER);
    Log("Shutting down!");
}

void CProgram::ShutDownFromUndo(CSingleInstanceLock* lock) {
    undo.ClearUndoHistory();
    LogCurrentMemory();
    LogDeinit();
    // "-U" started neither the engine nor the drawing objects.
    if (soundEngineStarted_) FreeConversionLibraries();
    FreeAppResources();
    UnbindWindows();
    if (soundEngineStarted_) SoundEngineShutdown();
    if (lock != nullptr) lock->Release();
}
