#pragma once
// CSessionCommands: the main window's commands that act on the session:
// New, Open, Save, Save As, the recent sessions, Add Songs, the edits
// (undo, redo, cut, copy, paste, delete, select all, remove all, shuffle),
// the current track's commands, the playback switches, help, the product
// page and the maker's other products. It hands each to the main window
// as a command handler and sets the states of their menu items each time
// a menu opens. It also saves the session automatically before a burn.
//
// Questions and choosers go through the UI services; everything runs on
// the main thread.

#include <ctime>
#include <functional>
#include <string>

class CMainWindow;
class CPreferences;
class CSessionList;
class CSongPlayer;
class CTrackList;
class CUndoMgr;
class QAction;

struct TSessionCommandPartners {
    CMainWindow& window;
    CSessionList& session;
    CTrackList& tracks;
    CPreferences& prefs;
    CUndoMgr& undo;
    // Null: nothing plays.
    CSongPlayer* player = nullptr;
    // How many songs the Find page found; none until it can tell.
    std::function<int()> foundSongs;
    // The time an automatic save is named by; the system clock unless given.
    std::function<std::time_t()> clock;
};

class CSessionCommands {
public:
    explicit CSessionCommands(TSessionCommandPartners partners);
    // Takes its handlers off the main window.
    ~CSessionCommands();
    CSessionCommands(const CSessionCommands&) = delete;
    CSessionCommands& operator=(const CSessionCommands&) = delete;

    // Hands the commands to the main window.
    void Bind();

    // When the session is modified: the Yes/No/Cancel question; Yes saves
    // (the Save command). True when the caller may go on: No, or Yes and
    // the session is now saved.
    bool AskToSave();
    // Saves the session into the temporary sound folder under a name with
    // the time (UTC) and its first track's name; the file joins the recent
    // sessions only when the session was modified. The session keeps its
    // name and its modified flag. A failure is silent.
    void AutoSaveSession();
    void SetClock(std::function<std::time_t()> clock) { partners_.clock = std::move(clock); }
    // The text and state of a menu item of these commands; others stay.
    void UpdateMenuItem(QAction* item);

private:
    void* Owner() const;
    // The command ids this object handles.
    static const int* Commands(int& count);
    void Run(int id);

    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnNew();
    void OnRecent(int entry);
    void OnAddTracks();
    void OnDelete();
    void OnRemoveAll();
    void OnUndoRedo(bool redo);
    void OnOpenTrackFolder();
    void OnPlayTrack();
    void OnLocateInLibrary();
    void OnProduct(int id);
    // Empties the session and its undo history (Open, New, a recent one).
    void ClearSession();
    // A session file (or any file that is not a playlist) replaces the
    // session; a playlist is opened into it. Either joins the recent list.
    void OpenPath(const std::string& path, bool fromRecent);
    // The focused track's path; empty without one.
    std::string FocusedTrackPath();
    std::string FirstTrackName();

    TSessionCommandPartners partners_;
};
