#pragma once
// CBurnCommand: the main window's Burn command (40021) and what the window
// does with the burn's end and errors. OnBurn is the gate in front of the
// burn controller: it refuses a burn that cannot run, runs the Burn dialog,
// stops what competes with a burn, picks how the audio is prepared, starts
// the burn and keeps the progress dialog up until the worker ends.
// ReportBurnError and OnBurnFinished tell the user how it went; a failed
// burn may be tried again from there.
//
// The burn's messages wait while the command runs (its progress dialog
// spins a loop of its own) and are handled once it has returned, so a burn
// tried again starts from the window's own loop, with one progress dialog
// at a time. Everything here runs on the main thread.

#include <cstdint>
#include <functional>
#include <vector>

#include "songsmith/app/app_message.h"

class CBurner;
class CMainWindow;
class CPreferences;
class CSessionList;
class CTrackList;
class CUndoMgr;
class IBurnerHost;
class QWidget;

struct TBurnCommandPartners {
    CMainWindow& window;
    CBurner& burner;
    CPreferences& prefs;
    CTrackList& tracks;
    CUndoMgr& undo;
    // The main window's status bar and logo panel, for the progress dialog.
    IBurnerHost& host;
    // The session list: its rows and its changed-since-conversion flag.
    // Null: no rows to select, and converted files are never reused.
    CSessionList* session = nullptr;
    // The Zent engine writes the discs; empty: the other engine.
    std::function<bool()> zentEngine = nullptr;
    // Whether the player plays, and stopping it; empty: nothing plays.
    std::function<bool()> playerPlaying = nullptr;
    std::function<void()> stopPlayer = nullptr;
    // Plays a signal sound file; empty: none is played.
    std::function<void(const char* path)> playSound = nullptr;
    // Saves the session automatically before a burn; may be empty.
    std::function<void()> autoSave = nullptr;
};

class CBurnCommand {
public:
    // The help context of the advice about automatic disc notification.
    static constexpr int kAutoInsertHelpContext = 16;

    explicit CBurnCommand(TBurnCommandPartners partners);
    // Takes its handlers off the main window.
    ~CBurnCommand();
    CBurnCommand(const CBurnCommand&) = delete;
    CBurnCommand& operator=(const CBurnCommand&) = delete;

    // Hands the Burn command and the burn's messages to the main window.
    void Bind();

    // The Burn command.
    void OnBurn();
    // WM_BURN_FINISHED and WM_BURN_ERROR; held back while OnBurn runs.
    std::intptr_t OnBurnMessage(TAppMessage& message);
    // The burn worker ended: success, and notAborted unless the user
    // stopped it.
    void OnBurnFinished(bool success, bool notAborted);
    // A burn or test failed with an index into the controller's error table.
    void ReportBurnError(int index);

private:
    // A burn message held back while the command ran.
    struct TPending {
        std::uint32_t number;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    class CRunningScope;

    QWidget* Owner() const;
    bool ZentEngine() const;
    // Step by step; false ends the command.
    bool AbortOrRefuseRunningBurn();
    bool RefuseSession();
    bool CheckLength();
    bool RunBurnDialog();
    bool AgreeOnSpeed();
    void StopCompetingWork();
    void LogSettings();
    void StartAndWatch();
    // The messages held back, posted again to the window in their order.
    void RepostPending();

    void ShowBurnFailed(int index);
    void RetrySlower();
    void AdviseOnUnderrun();
    void AdviseOnAutoInsert();

    TBurnCommandPartners partners_;
    std::vector<TPending> pending_;
};
