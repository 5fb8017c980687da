// The main window's close: the questions that may keep it open, then the
// running work stopped, the song library closed (asking for room when it
// cannot be saved), the preferences and the placement stored, and the quit.
#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <string>

#include "filekit/log.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/system/placement_rules.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/library/ui/save_database_dialog.h"
#include "songvault/songvault.h"

bool CMainWindow::OnClose() {
    const CFindContainerWindow* pane = TabPane();
    if (pane != nullptr && pane->GetRippingCDTab() != nullptr && prefs_.RipConfirmQuit != 0 &&
        partners_.confirmQuitWhileRipping && !partners_.confirmQuitWhileRipping())
        return false;
    if (partners_.askToSave && !partners_.askToSave()) return false;
    StopWorkAndStore();
    prefs_.bLogFailed = 0;
    QCoreApplication::quit();
    return true;
}

void CMainWindow::StopWorkers() {
    // The import's thread and the Find page's search and feed read the song
    // library; each stop does nothing when its worker is not running.
    if (CFindContainerWindow* pane = TabPane()) {
        // A rip hands its songs to the library: it stops first (the track it
        // was writing leaves no file).
        if (CCDTab* ripping = pane->GetRippingCDTab()) ripping->StopRip(true);
        if (CLibraryTab* library = pane->GetLibraryTab()) library->KillImportThread();
        if (CFindTab* find = pane->GetFindTab()) {
            find->KillSearchThread();
            find->KillImportThread();
        }
    }
    if (partners_.player != nullptr) partners_.player->Stop();
}

void CMainWindow::StopWorkAndStore() {
    closeSequenceRan_ = true;
    // The workers that read the song library stop before it closes.
    StopWorkers();
    CloseSongLibrary();
    prefs_.Save(HKEY_CURRENT_USER);
    if (window_ != nullptr) {
        prefs_.LastMainWinPlacement = PlacementToSave(TakePlacement());
        prefs_.LastMainWinPlacementValid = 1;
    }
}

void CMainWindow::CloseSongLibrary() {
    SVTENG_CSongvault* library = partners_.library;
    if (library == nullptr) return;
    const std::string previous = prefs_.LibraryPath;
    while (!library->Shutdown(prefs_.LibraryPath)) {
        CSaveDatabaseDlg dialog;
        const int answer = dialog.DoModal(window_);
        if (answer == CSaveDatabaseDlg::kNewDrive) {
            std::string folder = GetUiServices().ChooseFolder(window_, "LibTab_SaveDBMsg", prefs_.LibraryPath);
            if (folder.empty()) continue;
            if (folder.back() != '/') folder += '/';
            std::snprintf(prefs_.LibraryPath, sizeof prefs_.LibraryPath, "%s", folder.c_str());
        } else if (answer != CSaveDatabaseDlg::kRetry) {
            // Given up: the library stays where it was, unsaved.
            std::snprintf(prefs_.LibraryPath, sizeof prefs_.LibraryPath, "%s", previous.c_str());
            Log("The song library was not saved");
            return;
        }
    }
}
