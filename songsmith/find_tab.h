#pragma once
// CFindTab: the Find page of the tab pane. It searches the song library for
// songs whose title, album, artist, comment or path contains a text and
// lists them; when asked, it then starts the library's import and adds the
// newly imported songs that match while the import runs. The searching and
// the reading of song files happen on the page's workers (core/find_search.h);
// the page adds the rows they post on the main thread.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "songsmith/core/find_columns.h"
#include "songsmith/core/find_search.h"
#include "songsmith/tab_page.h"
#include "songsmith/text_widths.h"

class CAppMessageReceiver;
class CFoundRowsModel;
class CPreferences;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
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
        // Null: the library's store (core/library_links.h).
        SVTENG_CSongvault* store = nullptr;
        // The path of the song the player plays; false when none.
        std::function<bool(std::string& path)> currentSongPath;
        // Whether the session holds a song with this path.
        std::function<bool(const char* path)> inSession;
        // The Library page's import: whether it runs, start, stop (and wait).
        std::function<bool()> libraryImporting;
        std::function<void()> startLibraryImport;
        std::function<void()> stopLibraryImport;
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

    const CFoundRowsModel& Model() const { return *model_; }
    // The widest text of the rows so far in each column.
    const std::vector<int>& MeasuredWidths() const { return measured_; }
    CFindSearch& Search() { return search_; }
    TReceiverId ReceiverId() const;

private:
    QWidget* BuildWindow(QWidget* parent);
    void LayOutControls(int width, int height);
    std::intptr_t OnMessage(TAppMessage& message);
    void OnFindButton();
    void OnSearch();
    void OnFindFinished(bool cancelled);
    void EndSearch();
    void ClearResults();
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
    std::optional<CTextWidths> textWidths_;
    int foundCount_ = 0;
    bool searching_ = false;
    bool libraryImportStarted_ = false;
    std::string statusKey_;
    int statusDots_ = 0;
    std::string searchText_;
    QPointer<QLabel> strip_;
    QPointer<QPushButton> find_;
    QPointer<QLabel> label_;
    QPointer<QLineEdit> edit_;
    QPointer<QCheckBox> importBox_;
    QPointer<QLabel> status_;
    QPointer<QTableView> list_;
    QPointer<QTimer> statusTimer_;
    QPointer<CAppMessageReceiver> receiver_;
};
