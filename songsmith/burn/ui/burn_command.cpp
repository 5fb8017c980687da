// The Burn command: its refusals, the Burn dialog, the speed question, the
// work it stops, the settings it logs, the burn mode it picks and the
// progress dialog it keeps up while the burn runs.
#include "songsmith/burn/ui/burn_command.h"

#include <string>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog.h"
#include "songsmith/burn/ui/burn_progress_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/burn/burn_strategy.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/app/keyed_message.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "utilities/undo_manager.h"

namespace {

// "BurnerPrefs" burn modes.
constexpr int kModeTestOnly = 0;
constexpr int kModeTestThenBurn = 1;
// The stored speed that means the writer's fastest.
constexpr int kFastestSpeed = 255;
// The custom box's look for the command's refusals.
constexpr std::uint32_t kExclamation = MB_OK | MB_ICONWARNING;

void LogSetting(bool readable, int value, const char* on, const char* off, const char* unreadable) {
    Log(!readable ? unreadable : value != 0 ? on : off);
}

}  // namespace

// Raises the window's burn-command flag for the command's life and puts the
// flag back on every way out; the outermost command then lets the burn's
// held-back messages through.
class CBurnCommand::CRunningScope {
public:
    explicit CRunningScope(CBurnCommand& command)
        : command_(command), wasRunning_(command.partners_.window.BurnCommandRunning()) {
        command_.partners_.window.SetBurnCommandRunning(true);
    }
    ~CRunningScope() {
        command_.partners_.window.SetBurnCommandRunning(wasRunning_);
        if (!wasRunning_) command_.RepostPending();
    }
    CRunningScope(const CRunningScope&) = delete;
    CRunningScope& operator=(const CRunningScope&) = delete;

private:
    CBurnCommand& command_;
    bool wasRunning_;
};

CBurnCommand::CBurnCommand(TBurnCommandPartners partners) : partners_(std::move(partners)) {}

CBurnCommand::~CBurnCommand() {
    partners_.window.SetCommandHandler(cmd::kBurn, nullptr);
    partners_.window.SetBurnMessageHandler(nullptr);
}

void CBurnCommand::Bind() {
    partners_.window.SetCommandHandler(cmd::kBurn, [this] { OnBurn(); });
    partners_.window.SetBurnMessageHandler([this](TAppMessage& message) { return OnBurnMessage(message); });
}

QWidget* CBurnCommand::Owner() const { return partners_.window.Window(); }

bool CBurnCommand::ZentEngine() const { return partners_.zentEngine && partners_.zentEngine(); }

void CBurnCommand::OnBurn() {
    Log("Entered CMainWindow::OnBurn");
    CRunningScope running(*this);
    if (partners_.burner.Device() == nullptr) {
        Log("CMainWindow::OnBurn: burner.Initialized() is false");
        ShowMessageKey(Owner(), "BEM_NotInitialized", kExclamation, KeyedText("BEM_NotInitializedTitle").c_str());
        return;
    }
    if (!AbortOrRefuseRunningBurn()) return;
    Log("CMainWindow::OnBurn: checked that we were initialized and not already burning");
    if (!RefuseSession() || !CheckLength() || !RunBurnDialog() || !AgreeOnSpeed()) return;
    StopCompetingWork();
    const int burnMode = partners_.prefs.BurnerPrefs[kBurnerMode];
    partners_.burner.test.store(burnMode == kModeTestOnly || burnMode == kModeTestThenBurn);
    if (partners_.autoSave) partners_.autoSave();
    if (LoggingNow() != 0) LogSettings();
    StartAndWatch();
}

bool CBurnCommand::AbortOrRefuseRunningBurn() {
    CBurner& burner = partners_.burner;
    // Read together under the controller's lock, asked about after it: the
    // drive's events take that lock and must not wait for the user.
    const CBurner::TRunningBurn running = burner.RunningBurn();
    if (!IsBurnStepState(running.state)) return true;
    Log("CMainWindow::OnBurn: burner.InBurningProcess() is true");
    if (!running.test && running.state == kBurnStateBurning &&
        ShowMessageKey(Owner(), "BE_AbortWarning", MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    // The burn may have ended while the question was open.
    if (burner.threadRunning.load()) {
        CWaitCursor wait;
        burner.AbortBurn();
    }
    return false;
}

bool CBurnCommand::RefuseSession() {
    CTrackList& tracks = partners_.tracks;
    tracks.Lock();
    const int count = tracks.GetCount();
    int missingSerial = -1;
    for (int i = 0; i < count && missingSerial < 0; ++i) {
        const CCDTrack* track = tracks.GetAt(i);
        if (track != nullptr && track->GetState() == kTrackFileNotFound) missingSerial = track->GetSerial();
    }
    tracks.Unlock();
    if (count == 0) {
        Log("CMainWindow::OnBurn: no songs to burn");
        ShowMessageKey(Owner(), "BE_NoSongs", kExclamation);
        return false;
    }
    if (missingSerial >= 0) {
        Log("CMainWindow::OnBurn: missing songs");
        ShowMessageKey(Owner(), "BE_MissingSongs", kExclamation);
        if (partners_.session != nullptr) partners_.session->SelectTrack(missingSerial);
        return false;
    }
    return true;
}

bool CBurnCommand::CheckLength() {
    Log("CMainWindow::OnBurn: setting bContinueWithBurn to TRUE");
    Log("CMainWindow::OnBurn: about to check cd length");
    CPreferences& prefs = partners_.prefs;
    bool goOn = true;
    if (partners_.tracks.GetBurnLength(prefs.bTrimSoundsAutomatically != 0, true) >
        partners_.burner.MaxMilsPerCD(false)) {
        Log("CMainWindow::OnBurn: cd is too long, going to launch excess-burn dialog");
        CWillNotFitDlg dialog(prefs, partners_.burner, partners_.tracks);
        goOn = dialog.DoModal(Owner()) != 0;
    }
    Log("CMainWindow::OnBurn: cd length is OK");
    return goOn;
}

bool CBurnCommand::RunBurnDialog() {
    Log("CMainWindow::OnBurn: about to run CBurnDialog");
    TBurnDialogContext context{partners_.prefs, partners_.burner, partners_.tracks};
    context.zentEngine = ZentEngine();
    context.conversionOutdated = [this] {
        if (partners_.session != nullptr) partners_.session->SetChangedSinceConversion(true);
    };
    CBurnDialog dialog(context);
    const int answer = dialog.DoModal(Owner());
    Log("CMainWindow::OnBurn: ran CBurnDialog");
    if (answer == 0) {
        Log("Decide to cancel starting a burn..");
        return false;
    }
    return true;
}

bool CBurnCommand::AgreeOnSpeed() {
    const int chosen = partners_.prefs.BurnerPrefs[kBurnerWriteSpeed];
    if (chosen == kFastestSpeed) return true;
    Log("CMainWindow::OnBurn: checking for closest matching speed");
    const int closest = partners_.burner.GetClosestSpeed(chosen);
    if (closest != chosen) {
        Log("CMainWindow::OnBurn: burn speeds don't match; asking for permission to burn");
        const std::string caption = KeyedText("BBS_title");
        if (ShowKeyedMessage(Owner(), "BBS_body", {chosen, closest}, MB_YESNO | MB_ICONQUESTION, caption.c_str()) !=
            IDYES) {
            Log("Decide to cancel starting a burn..");
            return false;
        }
    }
    Log("CMainWindow::OnBurn: checked burn speeds");
    return true;
}

void CBurnCommand::StopCompetingWork() {
    if (partners_.playerPlaying && partners_.stopPlayer && partners_.playerPlaying()) partners_.stopPlayer();
    CFindContainerWindow* pane = partners_.window.TabPane();
    if (pane == nullptr) return;
    if (CFindTab* find = pane->GetFindTab(); find != nullptr && find->IsSearching()) find->KillSearchThread();
    if (CLibraryTab* library = pane->GetLibraryTab(); library != nullptr && library->IsImporting())
        library->KillImportThread();
}

void CBurnCommand::LogSettings() {
    CPreferences& prefs = partners_.prefs;
    CBurner& burner = partners_.burner;
    const auto& burnerPrefs = prefs.BurnerPrefs;
    const std::string rule(44, '-');
    Log(rule.c_str());
    Log("Burn settings");
    Log(rule.c_str());
    const int burnMode = burnerPrefs[kBurnerMode];
    Log(burnMode == kModeTestThenBurn ? "Test then burn" : burnMode == kModeTestOnly ? "Test Only" : "Burn Only");
    if (burnerPrefs[kBurnerCdText] != 0 && burner.SupportsCDText()) Log("Burning CD-Text");
    if (burnerPrefs[kBurnerBurnProof] != 0 && burner.SupportsBurnProof()) Log("Burning in burn-proof mode");
    // The chosen speed, the writer's fastest for 255, as a multiple of 1X.
    LogFmt("Burn speed = %dX", burner.GetWriteSpeed());
    if (burnerPrefs[kBurnerPlaySound] != 0) Log("Playing sound when finished...");
    if (burnerPrefs[kBurnerEject] != 0) Log("Eject CD when finished...");
    if (burnMode != kModeTestOnly) LogFmt("Num CDs to burn = %d", burner.copies.load());
    if (burnerPrefs[kBurnerConvertFirst] != 0)
        Log("Converting all tracks to wav first...");
    else if (ZentEngine())
        Log("Not converting any tracks...we are burning on the fly, baby!");
    else
        Log("Only converting tracks that do not fit normalization and auto-trim settings...");
    int value = 0;
    bool readable = burner.GetAutoInsertNotification(&value);
    LogSetting(readable, value, "Auto insert notification enabled.", "Auto insert notification disabled.",
               "Could not read auto insert notification info.");
    readable = burner.GetDMACurrentlyUsed(&value);
    LogSetting(readable, value, "DMA enabled.", "DMA disabled.", "Could not read DMA info.");
    readable = burner.GetDisconnect(&value);
    LogSetting(readable, value, "Disconnect enabled.", "Disconnect disabled.", "Could not read Disconnect info.");
    readable = burner.GetSyncDataXfer(&value);
    LogSetting(readable, value, "Sync Data Transfer enabled.", "Sync Data Transfer disabled.",
               "Could not read Sync Data Transfer info.");
    Log(rule.c_str());
}

void CBurnCommand::StartAndWatch() {
    CPreferences& prefs = partners_.prefs;
    prefs.Lock();
    const int transitionMode = prefs.fadePreferences.transitionMode;
    prefs.Unlock();
    const TBurnStrategy strategy = ChooseBurnStrategy(ZentEngine(), prefs.BurnerPrefs[kBurnerConvertFirst] != 0,
                                                      transitionMode, prefs.bMandatoryWaveConversionsOnly != 0);
    Log(strategy.logLine);
    // The files of the last conversion serve again only while nothing that
    // went into them has changed.
    const bool reuse = partners_.session != nullptr && !partners_.session->ChangedSinceConversion();
    if (!partners_.burner.StartBurn(strategy.mode, reuse ? 1 : 0)) {
        Log("CMainWindow::OnBurn: the burn could not be started");
        return;
    }
    partners_.undo.ClearUndoHistory();
    if (partners_.session != nullptr) partners_.session->SelectAll(false);
    TBurnProgressContext context{prefs, partners_.burner, partners_.tracks, partners_.host};
    context.zentEngine = ZentEngine();
    context.mainWindow = Owner();
    context.refreshTitle = [this] { partners_.window.UpdateTitle(); };
    CBurnProgressDlg dialog(context);
    dialog.DoModal(Owner());
}

std::intptr_t CBurnCommand::OnBurnMessage(TAppMessage& message) {
    if (partners_.window.BurnCommandRunning()) {
        pending_.push_back(TPending{message.number, message.wParam, message.lParam});
        return 0;
    }
    if (message.number == WM_BURN_FINISHED)
        OnBurnFinished(message.wParam != 0, message.lParam != 0);
    else if (message.number == WM_BURN_ERROR)
        ReportBurnError(static_cast<int>(message.wParam));
    return 0;
}

void CBurnCommand::RepostPending() {
    std::vector<TPending> pending;
    pending.swap(pending_);
    for (const TPending& message : pending)
        PostAppMessage(partners_.window.ReceiverId(),
                       TAppMessage{message.number, message.wParam, message.lParam, nullptr});
}
