#pragma once
// CMainWindow: the program's one top-level window and the frame around
// everything else: the menus, the toolbar, the status bar, the middle band
// (the tab pane beside the session list) and the bottom band (the player
// panel beside the logo panel). It owns a thin QMainWindow that hands it the
// window's events; the program's messages reach it by ReceiverId().
// Everything here runs on the main thread.

#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_placement.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_message.h"
#include "songsmith/app/ui/status_bar.h"
#include "songsmith/app/ui/toolbar.h"

class CAppMessageReceiver;
class CBurner;
class CSessionList;
class CSongPlayer;
class CTrackList;
class CUndoMgr;
class QTimer;
class SVTENG_CSongvault;
class CBottomContainerWindow;
class CCDTab;
class IBurnStatus;
class CContainerWindow;
class CFindContainerWindow;
class CPreferences;
class CTabPage;
class PLATTER_CPlatter;
class QAction;
class QMenu;

// The smallest size the user may give the window.
struct TMinTrackSize {
    int width = 0;
    int height = 0;
};

class CMainWindow {
public:
    // The window's first size.
    static constexpr int kInitialWidth = 800;
    static constexpr int kInitialHeight = 600;

    CMainWindow(CPreferences& prefs, PLATTER_CPlatter& platter);
    ~CMainWindow();
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // The burn controller the window reports on; set before Create. Without
    // one the drive state reads 0.
    void SetBurnStatus(IBurnStatus* status) { burnStatus_ = status; }
    IBurnStatus* BurnStatus() const { return burnStatus_; }
    // The burn controller's state, which the CD pages and the session list
    // keep still by while it is 5 to 9.
    int DriveState() const;
    // Builds the window, hidden, and applies the saved placement. False
    // without a window.
    bool Create();
    // Shows the window as the saved placement says (maximised or normal).
    void Show();
    // Runs the program's event loop until the window closes; its result.
    int RunMessageLoop();

    // Lays the bands out in the area between the toolbar and the status bar.
    void ResizeSubWindows(int width, int height);
    // Raises info's sizes to what the bands need at least.
    void GetMinTrackSize(TMinTrackSize& info) const;
    // "[progress] <program title> - <session name>[ *]".
    void UpdateTitle();
    // A menu item, toolbar button or accelerator.
    std::intptr_t OnCommand(int id);
    // A command carried out by a part of the program the window does not
    // own (a dialog, a page): OnCommand hands id to handler when none of its
    // own cases takes it. An empty handler removes the entry.
    using TCommandHandler = std::function<void()>;
    void SetCommandHandler(int id, TCommandHandler handler);
    // What the window's events reach of the rest of the program, set once
    // the session list exists. A null member: the program has none (its
    // steps are left out).
    struct TEventPartners {
        CBurner* burner = nullptr;
        CSongPlayer* player = nullptr;
        SVTENG_CSongvault* library = nullptr;
        CTrackList* tracks = nullptr;
        CSessionList* session = nullptr;
        CUndoMgr* undo = nullptr;
        // The question to save a modified session first; true when the
        // caller may go on (No, or the session is saved now). Empty: go on.
        std::function<bool()> askToSave;
        // The question asked before quitting while a CD page rips; true to
        // quit. Empty: quit.
        std::function<bool()> confirmQuitWhileRipping;
    };
    void SetEventPartners(TEventPartners partners) { partners_ = std::move(partners); }
    const TEventPartners& EventPartners() const { return partners_; }

    // Sets the text and state of a menu item of commands that others carry
    // out, for every item of a menu about to open; empty: none.
    using TMenuItemUpdater = std::function<void(QAction* item)>;
    void SetMenuItemUpdater(TMenuItemUpdater updater) { menuItemUpdater_ = std::move(updater); }
    // The recent sessions: path goes to the top of the list (an equal entry
    // leaves its place, at most eight are kept) and the File menu shows the
    // list anew.
    void AddRecentSession(const char* path);
    // The File menu's items of the recent sessions whose files exist, just
    // before Exit and followed by a separator.
    void BuildRecentMenu();
    // The menu item of command, through every menu and submenu; null when
    // none has it.
    QAction* MenuItem(int command) const;
    // The texts and states of every menu's items, as when each opens.
    void UpdateAllMenuStates();
    // The maker's product a Help menu item starts; 0 for other commands.
    static int ProductCodeOfCommand(int command);
    // The burn's end and errors (WM_BURN_FINISHED, WM_BURN_ERROR) go to
    // handler; without one they are dropped.
    using TMessageHandler = std::function<std::intptr_t(TAppMessage& message)>;
    void SetBurnMessageHandler(TMessageHandler handler) { burnMessages_ = std::move(handler); }
    // The program's messages to the main window.
    std::intptr_t WindowProc(TAppMessage& message);
    // Stops the song library's import, the Find page's search and feed and
    // the player; the close does it before the library closes.
    void StopWorkers();
    // Whether the close (or the refused agreement) stopped the work and
    // closed the song library.
    bool CloseSequenceRan() const { return closeSequenceRan_; }
    // The close request; false keeps the window open.
    bool OnClose();
    // The drive poll timer's tick.
    void OnTimer();
    // The window was activated or minimised: a window minimised during a
    // burn comes back as it was shown.
    void OnActivate(bool minimised);
    // The questions asked once the window first shows.
    void OnShowInitialWindows();
    // A session track decoded to silence (silent) or was cut short.
    void OnTrackWarning(bool silent, int serial);
    // Files dropped on the window, in the order given.
    void OnDropFiles(const std::vector<std::string>& paths);
    // Set while the Burn command runs with its dialogs: the track warnings
    // keep still.
    void SetBurnCommandRunning(bool running) { burnCommandRunning_ = running; }
    bool BurnCommandRunning() const { return burnCommandRunning_; }

    QMainWindow* Window() const { return window_; }
    TReceiverId ReceiverId() const;
    CToolbar& Toolbar() { return toolbar_; }
    CStatusBar& StatusBar() { return statusBar_; }
    CContainerWindow* MiddleBand() const { return middle_.get(); }
    CBottomContainerWindow* BottomBand() const { return bottom_.get(); }
    CFindContainerWindow* TabPane() const;
    // 40127 plus the index among the CD pages of the CD page last brought
    // to the front; -1 until one was.
    int CurrentCdCommand() const { return currentCdCommand_; }
    // The bold title font made at creation, and its height in pixels.
    const QFont& LargeFont() const { return largeFont_; }
    int LargeFontHeight() const { return largeFontHeight_; }

private:
    void CreateBands();
    void ConnectPlayerCommands();
    void SetMenuTexts();
    QMenu* BuildCdDriveMenu(QMenu* parent, const char* titleKey);
    QMenu* BuildProductsMenu(QMenu* parent, const char* titleKey);
    void UpdateMenuStates(QMenu* menu);
    // The close's work after its questions: imports, searches and the
    // player stopped, the song library closed, the preferences and the
    // placement stored.
    void StopWorkAndStore();
    void CloseSongLibrary();
    // The start-up questions about missing drives and a missing writer.
    void AskAboutMissingDrives();
    void AskAboutMissingRecorder();
    // The session's file name without its folder, "Untitled" without one.
    QString SessionTitleName() const;
    bool SessionModified() const;
    // A key of the accelerator table: the menus' states first; a command
    // whose item is disabled does nothing.
    void RunAccelerator(int command);
    void ApplySavedPlacement();
    WINDOWPLACEMENT TakePlacement() const;
    void UpdateMinimumSize();
    // The kind of the page in front; -1 while the tab pane is hidden.
    int CurrentPageKind() const;
    void OnPageChanged(CTabPage* page);
    void ShowOrHidePage(int command);
    void ShowOrHideCdPage(int command);
    void ShowTabPane(bool show);
    void EnableToolbarButton(int command, bool enable);
    // The CD page in front (null when the page in front is another), the
    // page of the current CD command, and the Rip command sent to it.
    CCDTab* CurrentCdPage() const;
    CCDTab* PageOfCurrentCdCommand() const;
    void RipOnCdPage();

    CPreferences& prefs_;
    PLATTER_CPlatter& platter_;
    IBurnStatus* burnStatus_ = nullptr;
    QPointer<QMainWindow> window_;
    CToolbar toolbar_;
    CStatusBar statusBar_;
    std::unique_ptr<CContainerWindow> middle_;
    std::unique_ptr<CBottomContainerWindow> bottom_;
    // Lives with the window: posts to a closed window are refused.
    QPointer<CAppMessageReceiver> receiver_;
    int currentCdCommand_ = -1;
    QFont largeFont_;
    int largeFontHeight_ = 0;
    // 1 while the start-up questions run.
    int initialWindows_ = 0;
    // Songs' questions (silent or not, serial) held until the agreement is
    // answered.
    std::vector<std::pair<bool, int>> deferredTrackWarnings_;
    // The session's modified flag as the last WM_SESSION_DIRTY gave it.
    bool sessionDirty_ = false;
    // How the window is shown when it comes up or is restored.
    std::uint32_t restoreShowCmd_;
    std::map<int, TCommandHandler> commandHandlers_;
    TEventPartners partners_;
    QPointer<QTimer> pollTimer_;
    bool burnCommandRunning_ = false;
    bool closeSequenceRan_ = false;
    TMenuItemUpdater menuItemUpdater_;
    QPointer<QMenu> fileMenu_;
    // The recent sessions' items and the separator after them.
    std::vector<QPointer<QAction>> recentItems_;
    QPointer<QObject> acceleratorFilter_;
    TMessageHandler burnMessages_;
};
