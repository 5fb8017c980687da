#pragma once
// CSessionList: the logic of the session list, the pane beside the tab pages
// that shows the session one row per track. It adds songs (one at a time,
// or a list of them one per tick of a progress dialog that also imports
// them into the song library), removes, moves, sorts, shuffles, copies,
// cuts and pastes tracks, each change an undo step, plays a track on a
// click and picks the next track for continuous play. It keeps the
// toolbar's Shuffle button enabled exactly while the session has tracks.
//
// The tracks live in the session track list; a row holds only a track's
// serial. The pane (ISessionListView) draws what this object tells it.
//
// Everything here runs on the main thread. The track list's lock is taken
// around each look at the tracks and released before the undo history, the
// player, the song actions or the view are called.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "songsmith/app/app_message.h"
#include "songsmith/session/session_atoms.h"
#include "songsmith/session/session_totals.h"

class CCDTrack;
class CPreferences;
class CSongEntry;
class CSongLinkPage;
class CTrackList;
class CUndoMgr;
class IBurnStatus;
class ISessionListView;
class ISessionPlayer;
class SVTENG_CSongvault;

// The dispatcher's shape (song_actions.h's DoSongAction).
using TSessionSongAction =
    std::function<bool(int listType, int action, int wParam, unsigned lParam, CSongEntry* song)>;

// What the session list works with. The references must outlive it; a null
// pointer means the program has none (no recorder, no player, no library).
struct TSessionListPartners {
    CTrackList& tracks;
    CPreferences& prefs;
    CUndoMgr& undo;
    IBurnStatus* burn = nullptr;
    ISessionPlayer* player = nullptr;
    SVTENG_CSongvault* library = nullptr;
    // The Library tab marks a song of the session (by path).
    std::function<void(const char* path)> libraryTabAdded;
    // DoSongAction unless a test gives another.
    TSessionSongAction songAction;
    // The random draws of a shuffle and of random play: (random() x
    // tickMs()) modulo the count. rand() and the tick count unless given.
    std::function<std::uint32_t()> random;
    std::function<std::uint32_t()> tickMs;
    // Loads a session file into the tracks; CTrackList::LoadSession unless
    // given.
    std::function<bool(const char* path)> loadSessionFile;
};

class CSessionList final : public ISessionEditTarget {
public:
    // Songs of at most this many bytes are refused as too small.
    static constexpr std::uint32_t kSmallSongBytes = 2048;
    // The flags a library import of an added song runs with.
    static constexpr std::uint32_t kLibraryImportFlags = 7;
    // The toolbar's Shuffle button.
    static constexpr int kShuffleCommand = 40069;
    // The pane's buttons.
    static constexpr int kMoveUpButton = 1049;
    static constexpr int kDeleteButton = 1050;
    static constexpr int kMoveDownButton = 1051;

    explicit CSessionList(TSessionListPartners partners);
    ~CSessionList() override;
    CSessionList(const CSessionList&) = delete;
    CSessionList& operator=(const CSessionList&) = delete;

    // The pane; null shows nothing (and runs the add list at once).
    void SetView(ISessionListView* view);

    // Rows.
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The serial of the track in row; -1 outside the rows.
    int RowSerial(int row) const;
    // Every row anew, one per track; each song is marked in the tab pages
    // (DoSongAction 4, 1) and the track the player plays marked as playing.
    void RebuildRows();
    // Redraws the track's row; while a burn runs it scrolls the row into
    // view instead, so the list follows the track being burned.
    void RefreshTrack(int serial);
    void EnsureVisible(int row);
    void UpdateButtons(bool anySelected);
    // The totals line, shown; the text is kept for TotalsText.
    void UpdateTotals(bool redrawRows);
    const std::string& TotalsText() const { return totalsText_; }
    // After the tracks changed behind the list's back (an undo or redo
    // step, a loaded session): the totals, the buttons that need a
    // selection, and the toolbar's Shuffle button, enabled exactly while
    // the session has tracks.
    void RefreshSessionState();

    // Selection and focus.
    void SelectAll(bool select) override;
    void SelectTrack(int serial) override;
    void MarkTrackSelected(int serial) override;
    void EnsureTrackVisible(int serial) override;
    bool HasSelection();
    // The selection the user made in the pane: the selected rows and the
    // row with the focus (-1: none) become the tracks' selected flags and
    // the focused track.
    void TakeUserSelection(const std::vector<int>& selectedRows, int focusedRow);
    int FocusedSerial() const { return focusedSerial_; }
    int PlayingSerial() const { return playingSerial_; }

    // Adding.
    // A song (a playlist's songs) at the end of the session; false, after
    // telling the user, when it was refused.
    bool AddSong(const CSongEntry& song, bool recordUndo, int listType);
    // The files through the add list (the progress dialog); its result: 1
    // when all or some were added, 0 when none.
    int AddSongsWithProgress(const std::vector<std::string>& files, bool recordUndo, bool libraryWording);
    bool AddSongFile(const char* path, bool recordUndo);
    // The files named on the command line, one name each: a session file
    // replaces the rest, playlists are added at once, songs together.
    void LoadSession(const std::vector<std::string>& names);

    // The add list, as the progress dialog runs it.
    void BeginAddList(const std::vector<std::string>& files, bool recordUndo, bool libraryWording);
    // Adds (and imports) the list's next file; false once the list is empty.
    bool AddListTick();
    void StopAddList() { addStopped_ = true; }
    // Ends the list: the warning about files that did not load (unless
    // stopped); 0 when none was added and some failed, else 1.
    int FinishAddList();
    // The dialog's progress line, its title key and its counts.
    std::string AddListProgressText() const;
    const char* AddListTitleKey() const;
    int AddListTotal() const { return addTotal_; }
    int AddListAdded() const { return addAdded_; }
    int AddListFailed() const { return addFailed_; }

    // The atoms that open and close a step of several tracks: the focused
    // track shown again on undo, nothing selected at its end.
    void AddShowFocusedTrackAtom();
    void AddClearSelectionAtom();

    // Removing.
    // The session's track of the song (each song of a playlist) goes, with
    // a removed-track atom.
    void RemoveSong(const CSongEntry& song, int listType);
    void RemoveTrack(int serial, bool recordUndo);
    // The selected tracks go as one undo step; the track then at the first
    // deleted place (or the last) is selected.
    void DeleteSelected();
    // Every track goes (the caller starts the undo step); dirty as given.
    void RemoveAll(bool dirty);

    // Moving and ordering.
    void MoveTrack(int serial, int position, bool recordUndo) override;
    // The selected tracks one place up or down, as one undo step; a track
    // blocked by the end or by a blocked selected neighbour stays.
    void MoveSelectedUp();
    void MoveSelectedDown();
    // A drag of row starts: a new undo step, the row the only one selected
    // and focused.
    void BeginDrag(int row);
    // The drag ends over targetRow (RowCount(): past the last row; -1: no
    // target).
    void DropDrag(int targetRow);
    // Sorts by column as one undo step: the same column as last time flips
    // the direction, another starts ascending. Columns 0 and 3 do not sort.
    void SortByColumn(int column, bool recordUndo);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }
    // A random order as one undo step.
    void Shuffle();

    // Clipboard.
    // Every track's line ("copyFlags") onto the system clipboard.
    void CopyTrackInfoToClipboard();
    // The selected tracks into the internal clipboard and their lines onto
    // the system clipboard; false when none was selected.
    bool CopySelected();
    void Cut();
    // The internal clipboard's tracks at the end, as one undo step.
    void Paste();
    int ClipboardCount() const { return static_cast<int>(clipboard_.size()); }
    // The lines of the tracks (session order), as the clipboard gets them.
    std::string ClipboardText(const std::vector<int>& serials);

    // Playing.
    // A double-click on a row or a click on its play icon: stops the track
    // marked as playing, else plays the row's track.
    void OnPlayClick(int row);
    // Plays the track (the session becomes the source of the songs that
    // follow), or stops it when it is the one playing. The row shows it as
    // playing only when the player took the song.
    void PlayOrStopTrack(int serial);
    void OnPlayStateChanged(bool playing, int serial, std::uint32_t soundId);
    // Continuous play: the track after (or before) current, or a random
    // one; false when none was started.
    bool PlayNext(bool random, int currentSerial, bool forward);
    // A click on the link column: the track's song page, in the browser.
    void OpenTrackLink(int serial);

    // The atoms' operations (and the volume dialog's).
    void InsertTrackAt(const TONECORE_CMusicInfo& record, int position) override;
    void RemoveTrackBySerial(int serial) override;
    void SetTrackVolume(int serial, double volume) override;

    // The pane's buttons (nothing while a burn step runs) and messages.
    void OnButton(int id);
    std::intptr_t WindowProc(const TAppMessage& message);

    // Set by what changes the settings a conversion used (the Burn dialog,
    // the Burning page, the fader dialog), cleared when a burn converted the
    // session: a clear flag lets the next burn reuse the converted files.
    // Every edit of the session itself (tracks added, pasted, deleted,
    // moved, their volume, undo and redo, a new or opened session) raises
    // it too: the session's edit count is taken when the flag is cleared.
    void SetChangedSinceConversion(bool changed);
    bool ChangedSinceConversion() const;

private:
    struct TPickedTrack {
        int serial = -1;
        std::string path;
    };

    ISessionListView& View();
    bool BurnStepRuns() const;
    bool TrimAutomatically() const;
    int IndexOfSerial(int serial);
    // Inserts the song's track and row at the end; the new index, -1 when
    // refused (the track then removed again).
    int AppendSongTrack(const CSongEntry& song, bool recordUndo, int listType);
    // Adds a row for the track at index; false (track removed, logged) when
    // the view refuses it.
    bool InsertRowFor(int index, const char* logFormat);
    void RecordTrackAtom(int index, int kind);
    void MarkPlayingIfPlayed(int serial, const std::string& path);
    void MoveFolderToTop(const char* path);
    bool SongAction(int action, int serial, unsigned lParam, const std::string& path);
    void ShowShuffleButton(bool enabled);
    void AfterCountChange();
    // A playlist's songs: two or more through the add list, one at once.
    bool AddPlaylist(const CSongEntry& playlist, bool recordUndo, int listType);
    void RefuseSong(const char* key, const char* title);
    void ShowRowSelected(int serial, bool selected);
    // Moves the tracks into the order of serials, each move recorded.
    void ApplyOrder(const std::vector<int>& serials, bool recordUndo);
    void MoveSelectedBy(int step);
    std::uint32_t RandomDraw(std::uint32_t count);
    std::vector<int> SelectedSerials();
    void PostPlayState(int serial, std::uint32_t lParam);

    TSessionListPartners partners_;
    ISessionListView* view_ = nullptr;
    std::unique_ptr<ISessionListView> nullView_;
    std::vector<int> rows_;
    int focusedSerial_ = -1;
    int playingSerial_ = -1;
    // The sound id the marked track plays under.
    std::uint32_t playingSoundId_ = 0xFFFF;
    int dragRow_ = -1;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    std::vector<std::unique_ptr<CCDTrack>> clipboard_;
    std::vector<std::string> addList_;
    int addTotal_ = 0;
    int addAdded_ = 0;
    int addFailed_ = 0;
    bool addRecordUndo_ = false;
    bool addLibraryWording_ = false;
    bool addStopped_ = false;
    std::string totalsText_;
    std::unique_ptr<CSongLinkPage> linkPage_;
    bool changedSinceConversion_ = true;
    // The session's edit count when the flag was last cleared.
    std::uint64_t editsAtConversion_ = 0;
};
