#pragma once
// CFindTab: the Find page of the tab pane. It searches the song library for
// songs whose title, album, artist, comment or path contains a text and
// lists them; when asked, it then starts the library's import and adds the
// newly imported songs that match while the import runs. The searching and
// the reading of song files happen on the page's workers (songsmith/find/find_search.h);
// the page adds the rows they post on the main thread.

#include <QIcon>
#include <QPointer>
#include <QTableView>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "songsmith/find/advanced_find.h"
#include "songsmith/find/find_columns.h"
#include "songsmith/find/find_search.h"
#include "songsmith/find/find_sort.h"
#include "songsmith/app/ui/tab_page.h"
#include "songsmith/drawing/ui/text_widths.h"

class CAppMessageReceiver;
class CFoundRowsModel;
class CPreferences;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class SVTENG_CSongvault;
struct TAppMessage;

// Controls of the page, by id.
inline constexpr int kFindButtonId = 1005;
inline constexpr int kFindEditId = 1002;
inline constexpr int kFindLabelId = 1034;
inline constexpr int kFindImportBoxId = 1349;
inline constexpr int kFindStatusId = 1030;
inline constexpr int kFindListId = 1037;
// The Find button's images while idle and while searching.
inline constexpr int kFindImage = 111;
inline constexpr int kFindStopImage = 125;
// The status line's timer and its period.
inline constexpr int kFindStatusTimerId = 993;
inline constexpr int kFindStatusPeriodMs = 400;
// Longest time a new search's emptied list goes undrawn, waiting for the
// result's first page.
inline constexpr int kListHoldMs = 100;
// The page command that opens the Advanced Find dialog (nothing in the
// program sends it yet).
inline constexpr int kAdvancedFindCommand = 1267;
// Longest search text in characters.
inline constexpr int kSearchTextMax = 512;

class CFindTab : public CTabPage {
public:
    static constexpr int kTemplateWidth = 240;
    static constexpr int kTemplateHeight = 300;
    static constexpr int kFindButtonWidth = 58;
    static constexpr int kFindButtonHeight = 46;

    // What the page works with; bound by the program (and tests).
    struct TPartners {
        // Null: the library's store (songsmith/library/library_links.h).
        SVTENG_CSongvault* store = nullptr;
        // The path of the song the player plays; false when none.
        std::function<bool(std::string& path)> currentSongPath;
        // Whether the session holds a song with this path.
        std::function<bool(const char* path)> inSession;
        // The Library page's import: whether it runs, start, stop (and wait).
        std::function<bool()> libraryImporting;
        std::function<void()> startLibraryImport;
        std::function<void()> stopLibraryImport;
        // The path of the song the player plays under a sound id.
        std::function<bool(std::uint32_t soundId, std::string& path)> songPathOfSound;
        // The undo history starts a new step.
        std::function<void()> nextUndoSet;
        // The session list adds these files under its progress dialog.
        std::function<void(const std::vector<std::string>& files)> addSongsWithProgress;
        // The Library page: its tag editor for a song, its deletion of a
        // song (to the trash), and the page brought forward with the song
        // current.
        std::function<void(const char* path)> editTagByPath;
        std::function<void(const char* path)> deleteSongByPath;
        std::function<void(const char* path)> showInLibrary;
    };
    TPartners partners;

    // prefs may be null (tests of the bare page): a scratch set is used.
    explicit CFindTab(CPreferences* prefs = nullptr);
    ~CFindTab() override;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    void Reposition(int x, int y, int width, int height) override;
    void SetSongPlayState(const char* path, bool playing) override;
    std::intptr_t OnCommand(int id) override;
    void UpdateMenuItem(QAction* item) override;

    bool IsSearching() const;
    // Stops the search worker (or the import feed) and waits for it.
    void KillSearchThread();
    void KillImportThread();
    int GetSongCount() const;
    // A song the library import found while this page searches: queued for
    // the list when it matches the search.
    void AddSongFromImport(const TSVT_Song& song);
    // The Library page's import ended (its WM_IMPORT_FINISHED).
    void OnImportFinished();

    // Marks (or unmarks) every usable row and adds its song to the session
    // (or takes it out): one by one below kSelectAllBatch songs, from there
    // on as one batch under the session's progress dialog.
    static constexpr int kSelectAllBatch = 100;
    void SelectAll(bool mark);
    // The player's next (forward) or previous row after the one with path,
    // or a random row with another path; false when none was played.
    bool PlayNextSong(bool random, const char* path, bool forward);
    // The rows of the song at path (case ignored) take the record's texts.
    void ChangeSongTag(const char* path, const TSVT_Song& song);
    // Shows the Find button's image that fits the search state.
    void LoadButtonBitmaps();
    // A click on a column title: the rows sorted by it.
    void SortByColumn(int column);
    const TFindSortOrder& SortOrder() const { return sortOrder_; }

    // The row under the mouse (-1: none) and whether the mouse is over its
    // play button; set by the list's mouse handling.
    void SetHotRow(int row, bool playZone);
    int HotRow() const;
    bool HotZonePlay() const { return hotPlayZone_; }
    // The row clicked last (-1: none); its first cell is drawn grey.
    int ClickedRow() const;
    // A left click on row: its play button plays or stops it, elsewhere it
    // is marked for the session or unmarked.
    void OnRowClick(int row, bool playZone);
    // The list's menu (181), its items filled for the hot row.
    std::unique_ptr<QMenu> MakeContextMenu();
    QTableView* List() const { return list_; }

    const CFoundRowsModel& Model() const { return *model_; }
    // Measures the rows' texts in font (the list's), for column widths and
    // for drawing.
    const CTextWidths& TextWidthsOf(const QFont& font) const;
    // The widest text of the rows so far in each column.
    const std::vector<int>& MeasuredWidths() const { return measured_; }
    CFindSearch& Search() { return search_; }
    // The Advanced Find dialog's rows and ranges, kept between openings.
    TAdvancedFindState& AdvancedFindState() { return advancedState_; }
    // The conditions of the running field query; empty for a text search.
    const CQueryList& StoredQuery() const { return storedQuery_; }
    TReceiverId ReceiverId() const;

private:
    QWidget* BuildWindow(QWidget* parent);
    void LayOutControls(int width, int height);
    std::intptr_t OnMessage(TAppMessage& message);
    void OnFindButton();
    void OnSearch(CQueryList query = {});
    void OnAdvancedFind();
    void OnFindFinished(bool cancelled);
    void EndSearch();
    void ClearResults();
    void LayOutListNow();
    void HoldList();
    void ReleaseList();
    void LetScrollBarGo();
    void QueueFoundSong(TAppMessage& message);
    void StopListing();
    void FlushFoundSongs();
    bool MakeFoundRow(TFoundSong& found, TFoundRow& row);
    void WidenColumns();
    int VisibleRows() const;
    void ShowPlaceholder(bool on);
    void ShowCount();
    void ShowStatusTick();
    void SetFindImage(int image);
    SVTENG_CSongvault* Store() const;
    void PlayOrStopRow(int row);
    void ToggleMark(int row);
    void PlayRow(int row);
    void OnPlayStateChanged(const TAppMessage& message);
    void ScrollRowIntoView(int row);
    std::intptr_t OnListCommand(int id);
    void PostToSelf(std::uint32_t number, std::uintptr_t wParam);

    std::unique_ptr<CPreferences> scratchPrefs_;
    CPreferences* prefs_;
    CFindSearch search_;
    std::unique_ptr<CFoundRowsModel> model_;
    TFoundSongs arrived_;
    bool flushQueued_ = false;
    // Rows are listed from a search's start until it is stopped.
    bool listing_ = false;
    std::vector<int> measured_;
    mutable std::optional<CTextWidths> textWidths_;
    int foundCount_ = 0;
    bool searching_ = false;
    bool libraryImportStarted_ = false;
    std::string statusKey_;
    int statusDots_ = 0;
    std::string searchText_;
    TAdvancedFindState advancedState_;
    CQueryList storedQuery_;
    QPointer<QLabel> strip_;
    QPointer<QPushButton> find_;
    QPointer<QLabel> label_;
    QPointer<QLineEdit> edit_;
    QPointer<QCheckBox> importBox_;
    QPointer<QLabel> status_;
    QPointer<QTableView> list_;
    std::array<QIcon, 2> findImages_;
    QPointer<QTimer> statusTimer_;
    QPointer<QTimer> listHoldTimer_;
    bool holdingScrollBar_ = false;
    QPointer<CAppMessageReceiver> receiver_;
    TFindSortOrder sortOrder_;
    // The hot and the clicked row by their entries' serials, so that they
    // name the same rows through sorts and removals.
    long hotSerial_ = -1;
    bool hotPlayZone_ = false;
    long clickedSerial_ = -1;
    // While menu 181 is filled: its Find item greys without a hot row.
    bool fillingContextMenu_ = false;
    std::mt19937 random_{std::random_device{}()};
};
