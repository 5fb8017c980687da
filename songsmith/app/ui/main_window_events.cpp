// The main window's events other than commands: the drive poll, a window
// minimised during a burn, the questions asked once the window shows, the
// warnings about silent and incomplete session tracks, and dropped files.
#include <QApplication>
#include <QMainWindow>
#include <string>
#include <utility>
#include <vector>

#include "platter/platter.h"
#include "platter/types.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/system/conflicting_software.h"
#include "songsmith/library/file_types.h"
#include "songsmith/app/home_page.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/system/no_recorder_report.h"
#include "songsmith/system/placement_rules.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/dialogs/ui/agreement_dialog.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "utilities/undo_manager.h"

namespace {

// The site's pages a Yes to the missing-drive questions opens.
constexpr const char* kDriveHelpPage = "drivehelp.htm";
constexpr const char* kZentDownloadPage = "zentdownload.htm";

// A Yes/No question with the "do not ask again" box, its text the key's
// text with extra below it (when any).
TMessageAnswer AskWithDontAskBox(void* owner, const char* titleKey, const char* textKey,
                                 const std::string& extra = {}) {
    std::string text = KeyedText(textKey);
    if (!extra.empty()) text += "\n\n" + extra;
    const std::string caption = KeyedText(titleKey);
    const TMessageRequest request = MakeMessageRequest(
        textKey, text.c_str(), MB_YESNO | MB_ICONQUESTION | kMessageBoxDontAskAgain, caption.c_str());
    return GetUiServices().ShowMessage(owner, request);
}

}  // namespace

void CMainWindow::OnTimer() {
    // The writer's tray is followed while the writer is free: a rip reads
    // the drive meanwhile.
    CBurner* burner = partners_.burner;
    if (burner == nullptr || burner->Device() == nullptr) return;
    if (const CFindContainerWindow* pane = TabPane(); pane != nullptr && pane->GetRippingCDTab() != nullptr) return;
    burner->PollDriveState();
}

void CMainWindow::OnActivate(bool minimised) {
    if (!minimised || window_ == nullptr || !IsBurnStepState(DriveState())) return;
    // A burn shows its progress in the window; it stays in view.
    if (restoreShowCmd_ == SW_SHOWMAXIMIZED) {
        window_->showMaximized();
    } else {
        window_->showNormal();
    }
}

void CMainWindow::OnShowInitialWindows() {
    initialWindows_ = 1;
    CheckConflictingCDSoftware();
    while (prefs_.bAgreedToLicense == 0) {
        CAgreementDlg agreement(prefs_);
        agreement.DoModal(window_);
        if (prefs_.bAgreedToLicense != 0) {
            // Stored at once: a run that ends in a crash does not ask again.
            prefs_.SaveNow(HKEY_CURRENT_USER);
            break;
        }
        // Refused: the program ends as a close does, without its questions.
        initialWindows_ = 0;
        StopWorkAndStore();
        prefs_.bLogFailed = 0;
        if (window_ != nullptr) window_->hide();
        QCoreApplication::quit();
        return;
    }
    // At the first start the Library page asks about searching for songs
    // only now, once the user has accepted the agreement.
    if (CFindContainerWindow* pane = TabPane(); pane != nullptr && pane->GetLibraryTab() != nullptr)
        pane->GetLibraryTab()->OfferInitialImport();
    // The songs' questions that came while the agreement was open, asked
    // now that it is answered.
    for (const auto& [silent, serial] : std::exchange(deferredTrackWarnings_, {}))
        PostToAppWindow(EAppWindow::kMainWindow,
                        TAppMessage{silent ? WM_TRACK_SILENT : WM_TRACK_INCOMPLETE,
                                    static_cast<std::uintptr_t>(serial), 0, nullptr});
    toolbar_.Refresh();
    if (prefs_.bWarnAboutNoASPI != 0 && (platter_.ready.load() == 0 || platter_.GetDevices() == 0)) {
        AskAboutMissingDrives();
        initialWindows_ = 0;
        return;
    }
    AskAboutMissingRecorder();
    initialWindows_ = 0;
}

void CMainWindow::AskAboutMissingDrives() {
    const bool zent = platter_.burningEngine.load() == kEngineZent;
    const char* titleKey = nullptr;
    const char* textKey = nullptr;
    const char* page = kDriveHelpPage;
    if (platter_.ready.load() == 0) {
        titleKey = zent ? "BE_ASPINotFoundZent_HelpTitle" : "BE_ASPINotFound_HelpTitle";
        textKey = zent ? "BE_ASPIZentNotFound_Help" : "BE_ASPINotFound_Help";
        if (zent) page = kZentDownloadPage;
    } else {
        titleKey = "BE_ASPIFoundButNoCDDevices_Title";
        textKey = "BE_ASPIFoundButNoCDDevices";
    }
    // The drive library's last error names the drive nodes the user may
    // not open.
    char reason[1024] = "";
    platter_.GetLastError(reason, sizeof reason);
    const TMessageAnswer answer = AskWithDontAskBox(window_, titleKey, textKey, reason);
    if (answer.id == IDYES) GetUiServices().OpenUrl(HomePageAddress(page, "src=nodrive").c_str());
    prefs_.bWarnAboutNoASPI = answer.dontAskAgain ? 0 : 1;
    prefs_.SaveNow(HKEY_CURRENT_USER);
}

void CMainWindow::AskAboutMissingRecorder() {
    if (prefs_.bWarnAboutNoRecorder == 0) return;
    if (partners_.burner != nullptr && partners_.burner->Device() != nullptr) return;
    const TMessageAnswer answer =
        AskWithDontAskBox(window_, "BE_RecorderNotFound_HelpTitle", "BE_RecorderNotFound_Help");
    prefs_.bWarnAboutNoRecorder = answer.dontAskAgain ? 0 : 1;
    prefs_.SaveNow(HKEY_CURRENT_USER);
    if (answer.id == IDYES) ReportNoRecorder(platter_);
}

void CMainWindow::OnTrackWarning(bool silent, int serial) {
    // At the first start the agreement is answered first: a question about
    // a song waits for it.
    if (prefs_.bAgreedToLicense == 0) {
        deferredTrackWarnings_.emplace_back(silent, serial);
        return;
    }
    // A burn, or the Burn command's dialogs, are not interrupted.
    if (IsBurnStepState(DriveState()) || burnCommandRunning_) return;
    if (!silent && prefs_.bWarnAboutIncompleteSongs == 0) return;
    CTrackList* tracks = partners_.tracks;
    CSessionList* session = partners_.session;
    if (tracks == nullptr || session == nullptr || partners_.undo == nullptr) return;
    int position = 0;
    std::string name;
    // The list's lock only around the look-up: never across a question.
    tracks->Lock();
    const int index = tracks->FindBySerial(serial);
    if (CCDTrack* track = tracks->GetAt(index)) {
        position = index + 1;
        const TONECORE_CMusicInfo info = track->GetMusicInfo();
        name = info.displayText[0] != '\0' ? info.displayText : info.title;
        if (silent) {
            // A silent sound is of no use to play or burn.
            track->CloseSound();
            track->SetSilenceWarned(true);
        } else {
            track->SetIncompleteWarned(true);
        }
    }
    tracks->Unlock();
    if (position == 0) return;

    const char* titleKey = silent ? "SesErr_EmptyTitle" : "SesErr_IncompleteTitle";
    const char* textKey = silent ? "SesErr_Empty" : "SesErr_Incomplete";
    const std::string text = FormatKeyedText(textKey, {position, name.c_str()});
    const std::string caption = KeyedText(titleKey);
    std::uint32_t flags = MB_YESNO | MB_ICONWARNING;
    if (!silent) flags |= kMessageBoxDontAskAgain;
    const TMessageAnswer answer =
        GetUiServices().ShowMessage(window_, MakeMessageRequest(textKey, text.c_str(), flags, caption.c_str()));
    if (answer.id == IDYES) {
        partners_.undo->NextUndoSet();
        session->AddShowFocusedTrackAtom();
        session->RemoveTrack(serial, true);
        session->AddClearSelectionAtom();
    }
    if (!silent) prefs_.bWarnAboutIncompleteSongs = answer.dontAskAgain ? 0 : 1;
    tracks->SetDirty(true);
}

void CMainWindow::OnDropFiles(const std::vector<std::string>& paths) {
    CSessionList* session = partners_.session;
    if (session == nullptr || partners_.undo == nullptr) return;
    partners_.undo->NextUndoSet();
    const CWaitCursor wait;
    bool added = false;
    std::vector<std::string> songs;
    for (const std::string& path : paths) {
        if (IsPlaylistFile(path.c_str())) {
            added = session->AddSongFile(path.c_str(), true) || added;
        } else {
            songs.push_back(path);
        }
    }
    if (!songs.empty()) added = session->AddSongsWithProgress(songs, true, false) != 0 || added;
    if (!added) return;
    if (partners_.tracks != nullptr) partners_.tracks->SetDirty(true);
    session->SetChangedSinceConversion(true);
}
