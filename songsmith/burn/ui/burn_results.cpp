// What the main window does when a burn ends: the sound and the success
// dialog, and the report of a failure with its retries and its advice.
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "songsmith/burn/ui/burn_command.h"
#include "songsmith/burn/ui/burn_failed_dialog.h"
#include "songsmith/burn/ui/burn_success_dialog.h"
#include "songsmith/burn/burn_strategy.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_tables.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/app/system_switches.h"
#include "songsmith/app/ui/main_window.h"

namespace {

// The controller's error indexes the window words itself.
constexpr int kErrorLibraryText = 0;
constexpr int kErrorNoRecorder = 3;
constexpr int kErrorWriteFailed = 9;
constexpr int kErrorCommandFailed = 14;
constexpr int kErrorUnderrun = 15;
// Past the second track (index 1) an underrun is not the disc notification's doing.
constexpr int kSecondTrackIndex = 1;
constexpr std::uint32_t kExclamation = MB_OK | MB_ICONWARNING;

}  // namespace

void CBurnCommand::OnBurnFinished(bool success, bool notAborted) {
    CPreferences& prefs = partners_.prefs;
    CBurner& burner = partners_.burner;
    partners_.window.UpdateTitle();
    if (notAborted && prefs.BurnerPrefs[kBurnerPlaySound] != 0 && partners_.playSound) {
        const std::string sound = FindResourceFile(success ? "success.mp3" : "failure.mp3");
        partners_.playSound(sound.c_str());
    }
    if (burner.conversionComplete.load() && partners_.session != nullptr)
        partners_.session->SetChangedSinceConversion(false);
    if (!success) return;
    prefs.bFirstBurnWarning = 0;
    CBurnSuccessDlg dialog(burner.test.load(), burner.copies.load(), partners_.window.ReceiverId(),
                           burner.Timing().successAnimationMs);
    dialog.DoModal(Owner());
    partners_.window.UpdateTitle();
}

void CBurnCommand::ReportBurnError(int index) {
    CBurner& burner = partners_.burner;
    switch (index) {
        case kErrorLibraryText:
            // A failure that left no text of the drive library's (a track
            // file that could not be written) still says that it failed.
            if (burner.errorText[0] != '\0')
                ShowMessageText(Owner(), burner.errorText.data(), kExclamation);
            else
                ShowMessageKey(Owner(), "BE_GenError", kExclamation);
            break;
        case kErrorNoRecorder:
            ShowMessageKey(Owner(), "BE_CDRecorderNotFound", kExclamation);
            break;
        case kErrorWriteFailed:
        case kErrorCommandFailed:
        case kErrorUnderrun:
            ShowBurnFailed(index);
            break;
        default: {
            const char* key = BurnErrorKey(index);
            const std::string text = key != nullptr ? KeyedText(key) : std::string();
            Log(text.c_str());
            if (key != nullptr) ShowMessageKey(Owner(), key, kExclamation);
            break;
        }
    }
    burner.errorIndex.store(0);
    LogCurrentMemory();
}

void CBurnCommand::ShowBurnFailed(int index) {
    CPreferences& prefs = partners_.prefs;
    CBurner& burner = partners_.burner;
    // The writer may not take CD-Text: the next try goes without.
    if (index == kErrorCommandFailed && prefs.BurnerPrefs[kBurnerCdText] != 0) prefs.BurnerPrefs[kBurnerCdText] = 0;
    const bool test = burner.test.load();
    const int copies = burner.copies.load();
    std::string text;
    if (test)
        text = KeyedText("BFD_TestFailed");
    else if (copies < 2)
        text = KeyedText("BFD_BurnFailed");
    else
        text = FormatKeyedText("BFD_BurnPartialSuccess", {burner.copyIndex.load() + 1, copies});
    std::string shown = text;
    if (burner.errorText[0] != '\0') shown += std::string("\n") + burner.errorText.data();
    const std::string second = index == kErrorCommandFailed ? KeyedText("BFD_MayNotSupportCDText")
                               : index == kErrorUnderrun    ? KeyedText("BFD_BufUnderrun")
                                                            : std::string();
    // Nothing reached the disc before a failure to start writing (or in a test).
    const bool usable = test || index == kErrorWriteFailed;
    CBurnFailedDlg dialog(shown, second, test, usable, burner.GetWriteSpeed());
    const int answer = dialog.DoModal(Owner());
    if (answer == CBurnFailedDlg::kRetrySame) {
        partners_.window.OnCommand(cmd::kBurn);
        return;
    }
    if (answer == CBurnFailedDlg::kRetrySlower) {
        RetrySlower();
        partners_.window.OnCommand(cmd::kBurn);
        return;
    }
    Log("Burn/test failed!");
    Log(text.c_str());
    if (index == kErrorUnderrun) AdviseOnUnderrun();
}

void CBurnCommand::RetrySlower() {
    CBurner& burner = partners_.burner;
    std::vector<int> speeds;
    if (ZentEngine()) {
        for (int i = 0; i < burner.GetNumCDRBurnSpeeds(); ++i) speeds.push_back(burner.GetCDRBurnSpeed(i));
    } else {
        // The other engine stores speed numbers, slowest to fastest.
        for (int number = burner.GetMinSpeed(); number <= burner.GetMaxSpeed(); ++number) speeds.push_back(number);
    }
    auto& speed = partners_.prefs.BurnerPrefs[kBurnerWriteSpeed];
    speed = NextLowerSpeed(speed, speeds);
}

void CBurnCommand::AdviseOnUnderrun() {
    if (partners_.burner.currentTrack.load() > kSecondTrackIndex) {
        ShowMessageKey(Owner(), "BEM_SuggestBurnSolution", kExclamation,
                       KeyedText("BEM_SuggestBurnSolutionTitle").c_str());
        return;
    }
    // Set when the user asked not to be told about disc notification again.
    if (partners_.prefs.bAutoInsertWarning != 0) return;
    AdviseOnAutoInsert();
}

void CBurnCommand::AdviseOnAutoInsert() {
    CPreferences& prefs = partners_.prefs;
    CBurner& burner = partners_.burner;
    const std::string title = KeyedText("BEM_AutoInsertWarnTitle");
    int autoInsert = 0;
    if (!burner.GetAutoInsertNotification(&autoInsert)) {
        // This system keeps no such drive setting; the advice names what
        // may interfere instead (the desktop mounting a disc it sees).
        ShowMessageKey(Owner(), "BEM_AutoInsertWarn2", MB_OK | MB_ICONINFORMATION, title.c_str());
        GetUiServices().ShowHelpContext(kAutoInsertHelpContext);
        prefs.bAutoInsertWarning = 0;
        return;
    }
    if (autoInsert == 0) {
        ShowMessageKey(Owner(), "BEM_SuggestBurnSolution", kExclamation,
                       KeyedText("BEM_SuggestBurnSolutionTitle").c_str());
        return;
    }
    const int answer =
        ShowMessageKey(Owner(), "BEM_AutoInsertWarn", MB_YESNO | MB_ICONWARNING | kMessageBoxDontAskAgain, title.c_str());
    prefs.bAutoInsertWarning = GetLastDontAskAgain();
    if (answer != IDYES) return;
    ShowMessageKey(Owner(), "BEM_AutoInsertWarn2", MB_OK | MB_ICONINFORMATION, title.c_str());
    if (!burner.SetAutoInsertNotification(0)) return;
    if (ShowMessageKey(Owner(), "BEM_RebootMessage", MB_YESNO | MB_ICONWARNING,
                       KeyedText("BEM_RebootTitle").c_str()) != IDYES)
        return;
    partners_.window.OnCommand(cmd::kSave);
    RestartWindows(true, nullptr);
}
