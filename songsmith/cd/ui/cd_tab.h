#pragma once
// CCDTab: the page of one CD drive in the tab pane: the tracks of the audio
// CD in it with their titles and rip status, the disc detection that follows
// the drive, marking tracks (ripped ones join the session), and its menu.
// The page's logic lives in CCdDisc (songsmith/cd/cd_disc.h); this is its window.

#include <QPointer>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "songsmith/cd/cd_disc.h"
#include "songsmith/cd/cd_playback.h"
#include "songsmith/cd/cd_rip.h"
#include "songsmith/cd/cd_title_lookup.h"
#include "songsmith/app/ui/tab_page.h"

class CAppMessageReceiver;
class CCdRowDelegate;
class CCdRowsModel;
class CPreferences;
class PLATTER_CDevice;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
struct TAppMessage;

// The page's own command: stop the track (posted when the player's worker
// stops it).
inline constexpr int kCdStopTrackCommand = 0x7F01;
// Controls of the page, by id.
inline constexpr int kCdListId = 1254;
inline constexpr int kCdLookUpId = 1255;
inline constexpr int kCdAddToSessionId = 1256;
inline constexpr int kCdRipId = 1257;
inline constexpr int kCdStatusId = 1006;
inline constexpr int kCdDiscTimerId = 1009;
// The page's context menu.
inline constexpr int kCdContextMenuId = 179;

class CCDTab : public CTabPage {
public:
    static constexpr int kTemplateWidth = 300;
    static constexpr int kTemplateHeight = 300;
    // The disc timer's period.
    static constexpr int kDiscTimerMs = 250;

    // The drive stays the drive library's; prefs may be null (no re-read
    // when the page comes back, no rip). A rip stores the folder it chose.
    explicit CCDTab(PLATTER_CDevice* drive, CPreferences* prefs = nullptr);
    // Stops the disc timer and frees the rows.
    ~CCDTab() override;

    // The caption: "CDTab_Title" with the drive's label.
    bool AddTab(QTabWidget* tabs, const char* captionKey, int kind) override;
    // The list fills the page below its top, 7 pixels in on each side.
    void Reposition(int x, int y, int width, int height) override;
    // Showing the page gives it the focus; hiding it takes it away.
    void Show(bool show) override;
    void SetSongPlayState(const char* path, bool playing) override;
    std::intptr_t OnCommand(int id) override;
    void UpdateMenuItem(QAction* item) override;
    bool Create(QWidget* parent, int x, int y, int width, int height);

    PLATTER_CDevice* Drive() const { return disc_.Drive(); }
    // The drive's short name ("sr0", or an image drive's tray folder).
    std::string Label() const;
    // Any thread may ask: the flag is atomic, and set under the page lock.
    bool IsRipping() const { return ripping_.load(); }
    // The first CD page that rips; null when none does. The pages are made
    // at start-up and go at shut-down, so any thread may ask in between.
    static CCDTab* GetRippingPage();
    // Raised and cleared by the rip.
    void SetRipping(bool ripping);
    // The running rip's overall percentage (0 when none runs); any thread.
    int GetRipProgress() const { return ripPercent_.load(); }
    // Stops a running rip: the worker is joined, the track it rips is
    // cancelled (userCancel) or failed and its file removed, and the rip's
    // end is shown at once. Nothing happens when no rip runs.
    void StopRip(bool userCancel);
    bool HasTracksToRip() const { return disc_.HasTracksToRip(); }
    TONECORE_CMusicInfo* GetTrackMusicInfo(int index) const { return disc_.GetTrackMusicInfo(index); }
    CCdDisc& Disc() { return disc_; }
    const CCdDisc& Disc() const { return disc_; }

    // One step of the disc timer; acts only while the page is visible.
    void DiscTimerTick();
    bool DiscTimerRunning() const;
    // Menu 179 with its items' texts and states set.
    std::unique_ptr<QMenu> MakeContextMenu();
    // The page's reaction to the mouse over the list: row and x (from the
    // list's left edge, before scrolling) of an event.
    void OnListLeftClick(int row, int x);
    void OnListRightClick(int row, const QPoint& globalPos);
    // The zone and row under the mouse.
    int HoverZone() const { return hoverZone_; }
    int HoverRow() const { return hoverRow_; }
    void TrackMouse(int row, int x);
    // The play image's width.
    static int PlayImageWidth();

    // What the page hands to the parts that play a track and rip (row -1:
    // every marked row): playing goes through the song player; rip stays
    // empty until the rip fills it.
    struct THooks {
        std::function<void(int row)> playOrStop;
        std::function<void(int row)> rip;
        // The library forgets its song of this path (a rip replaces it);
        // bound by the tab pane to the Library page.
        std::function<void(const char* path)> deleteLibrarySong;
        // Free kilobytes at a folder (GetKBFree unless a test says otherwise).
        std::function<double(const char* folder)> freeKb;
        // What the rip uses that tests replace.
        TRipServices ripServices;
    };
    THooks hooks;
    CCdTitleLookup& Lookup() { return lookup_; }
    // The page's playing of its tracks (the song player's view of it).
    CCdPlayback& Playback() { return playback_; }
    // Stops the track the page plays, through the song player.
    void StopPlaying();

private:
    QWidget* BuildWindow(QWidget* parent);
    // Fills the playback's hooks: the song player, the cursor, the timer
    // and the page's messages.
    void BindPlayback();
    // Starts (unless the page rips) or stops the disc timer.
    void RunDiscTimer(bool run);
    // Stretches the list, the status text and the strip over the page.
    void LayOutControls(int width, int height);
    // The page gains the focus (opening, or brought to the front).
    void OnSetFocus();
    void OnKillFocus();
    // Any other CD page rips.
    bool OtherPageRipping() const;
    // Reflects the disc's rows, texts and button states in the controls.
    void Refresh();
    void RestoreColumnWidth(int column);
    std::intptr_t OnMessage(TAppMessage& message);
    void PostCommand(int id);
    // Playing and ripping go to their hooks; editing opens the track tag
    // dialog on row and shows the rows it saves.
    void PlayOrStop(int row);
    void OnEdit(int row);
    void OnRip(int row);

    // The rip (cd_tab_rip.cpp): the Rip command, starting, the steps the
    // worker posts, and the end.
    void RipCommand(int row);
    bool StartRip(int row);
    std::vector<TRipTrack> TracksToRip(int row) const;
    TRipEvents RipEvents(unsigned serial);
    // Queues a step of the rip for the main thread (any thread).
    void PostRipStep(unsigned serial, std::function<void()> step);
    // Runs the queued steps, one at a time and in order (a box a step shows
    // lets later steps run meanwhile).
    void RunRipSteps();
    void OnRipFinished(unsigned serial);
    void FinishRip(const TRipResult& result);
    // The one box of a rip some of whose files could not be made.
    void ShowCreateFailures(const TRipResult& result);
    void ShowRipRow(int row, int status, int percent);
    void ShowRipProgress(int percent);
    void PostTitleUpdate();

    // The track tag dialog on row; true when the user saved.
    bool EditTrackTags(int row);
    // Chooses among several matches of the disc (Select a Disc).
    int SelectDisc(const MvList<TITLEFETCH_TQResult*>& matches, TITLEFETCH_TQResult& chosen);

    CCdDisc disc_;
    CCdTitleLookup lookup_;
    CCdPlayback playback_;
    // The page's receiver, for the CD audio device's thread to post to.
    std::atomic<std::uint64_t> receiverId_{0};
    CPreferences* prefs_;
    std::atomic<bool> ripping_{false};
    std::unique_ptr<CCdRip> ripper_;
    // Each rip's number; steps and ends of an earlier rip are dropped.
    unsigned ripSerial_ = 0;
    std::atomic<int> ripPercent_{0};
    std::mutex ripStepsLock_;
    std::deque<std::pair<unsigned, std::function<void()>>> ripSteps_;
    bool shownBefore_ = false;
    int hoverZone_ = 0;
    int hoverRow_ = -1;
    QPointer<QTableView> list_;
    QPointer<QLabel> strip_;
    QPointer<QLabel> status_;
    QPointer<QPushButton> lookUp_;
    QPointer<QPushButton> rip_;
    QPointer<QCheckBox> addToSession_;
    QPointer<QTimer> discTimer_;
    CCdRowsModel* model_ = nullptr;
    CCdRowDelegate* delegate_ = nullptr;
    QPointer<CAppMessageReceiver> receiver_;
};
