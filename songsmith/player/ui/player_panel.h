#pragma once
// CPlayerPanel: the song player's controls in the left part of the main
// window's bottom band. A black display shows the playing song's title
// (scrolling when it is wider than the display) over the elapsed and total
// time; below it are the previous, play/stop, next and "more" buttons and
// a position slider.
//
// The panel learns what the player does only from the player's messages
// (a song started or ended, the next song is due, nothing could be played)
// and chooses the next or previous song from the list the playback came
// from. Its three timers read the wait clock (platform/wait_clock.h), so a
// test moves a fake clock and calls OnTimer. Everything here runs on the
// main thread.

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "songsmith/app/app_message.h"
#include "songsmith/player/next_song.h"
#include "songsmith/drawing/ui/dib_section.h"

class CAppMessageReceiver;
class CPreferences;
class CSongPlayer;
class QAbstractButton;
class QFrame;
class QSlider;
class QTimer;

// What the panel works with. The player and the preferences must outlive
// the panel (or be taken back with an empty set); without the session's
// hook the session has no next song.
struct TPlayerPanelPartners {
    CSongPlayer* player = nullptr;
    CPreferences* prefs = nullptr;
    TSessionNextSong sessionPlayNext;
};

class CPlayerPanel {
public:
    static constexpr int kDialogId = 134;
    // Its template's height, and the width it never gets less of.
    static constexpr int kHeight = 85;
    static constexpr int kMinWidth = 225;

    // Controls.
    static constexpr int kDisplay = 1030;
    static constexpr int kSlider = 1039;
    static constexpr int kNext = 1043;
    static constexpr int kPrevious = 1044;
    static constexpr int kPlayStop = 1045;
    static constexpr int kDisplayFrame = 1046;
    static constexpr int kButtonFrame = 1047;
    static constexpr int kMore = 1048;
    // The previous-song command: the previous song at once, never a restart.
    static constexpr int kPreviousSongCommand = 40030;

    // Timers: scroll and redraw the display, time and slider, repaint.
    static constexpr int kScrollTimer = 995;
    static constexpr int kTimeTimer = 996;
    static constexpr int kRepaintTimer = 997;

    // Codes of the slider's moves: the thumb is being dragged, the user let
    // go of it (after its last place came as a move), any other move.
    enum EScroll { kScrollThumbTrack, kScrollEndTrack, kScrollMove };

    CPlayerPanel();
    ~CPlayerPanel();
    CPlayerPanel(const CPlayerPanel&) = delete;
    CPlayerPanel& operator=(const CPlayerPanel&) = delete;

    // Makes the panel at the given place the first time, moves it after.
    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int Height() const { return kHeight; }
    int GetMinWidth() const { return kMinWidth; }
    TReceiverId ReceiverId() const;

    void SetPartners(TPlayerPanelPartners partners);
    // The tab pages' song lists (the main window's pages); an empty one has
    // no next song.
    void SetPageLists(TPageNextSong findTab, TPageNextSong libraryTab);

    // The player's messages.
    std::intptr_t WindowProc(TAppMessage& message);
    // The buttons (1043, 1044, 1045, 1048) and the previous-song command.
    void OnCommand(int id);
    void OnTimer(int id);
    // The slider moved (code EScroll) to slider value position.
    void OnHScroll(int code, int position);
    // Plays the next (forward) or previous song of the list the playback
    // with sound id came from; false, logged, when none started.
    bool PlayNext(std::uint32_t soundId, bool forward);

    // What the panel shows and keeps.
    const std::string& TitleText() const { return title_; }
    const std::string& TimeText() const { return timeText_; }
    // What the display shows while no song does (without a sound card, that
    // there is none); empty otherwise.
    const std::string& NoticeText() const { return notice_; }
    int ScrollOffset() const { return scrollOffset_; }
    bool Dragging() const { return dragging_; }
    std::uint32_t CurrentSoundId() const { return soundId_; }
    std::int32_t PositionMs() const { return positionMs_; }
    // The picture numbers on play/stop and "more".
    int PlayStopPicture() const { return playStopPicture_; }
    int MorePicture() const { return morePicture_; }
    bool TimerRunning(int id) const;
    // The display's picture as last drawn.
    const QImage& DisplayImage() const { return display_.GetBitmap(); }

private:
    void OnInitDialog();
    void Reposition(int width);
    void OnPlayStateChanged(std::intptr_t lParam);
    void OnSongStarted(std::uint32_t soundId);
    void OnSongEnded(std::uint32_t soundId);
    void OnLoadNext(std::intptr_t lParam);
    void OnCannotPlay();
    void OnPrevious();
    void OnPlayStop();
    void OnMore();
    void ShowPlayStop(int picture);
    void StartTimer(int id);
    void StopTimer(int id);
    QTimer* Timer(int id) const;
    // Elapsed time and slider from the clock.
    void UpdateTime();
    // The time line at a time from the song's start.
    void SetTimeText(std::int64_t fromStartMs);
    // One scroll step and the display drawn anew.
    void RedrawDisplay();
    // The notice and the slider as the player stands: the slider seeks only
    // in a song, and only with a sound card to hear it on.
    void ShowPlayerState();
    void RepaintDisplay();
    bool ContinuousPlay() const;
    std::int64_t Now() const;

    TPlayerPanelPartners partners_;
    TPageNextSong findTab_;
    TPageNextSong libraryTab_;
    QPointer<QWidget> window_;
    QPointer<QFrame> displayControl_;
    QPointer<QSlider> slider_;
    QPointer<QAbstractButton> playStop_;
    QPointer<QAbstractButton> more_;
    std::unique_ptr<CAppMessageReceiver> receiver_;
    std::unique_ptr<QTimer> scrollTimer_;
    std::unique_ptr<QTimer> timeTimer_;
    std::unique_ptr<QTimer> repaintTimer_;
    CDibSection display_;
    QPixmap stopPicture_;
    QPixmap playPicture_;
    QPixmap morePictureShown_;
    QFont font_;
    int fontHeight_ = 0;

    std::string title_;
    int scrollOffset_ = 0;
    std::string timeText_;
    std::string notice_;
    // The wait clock's ms when the song last started.
    std::int64_t startTick_ = 0;
    std::int32_t startMs_ = 0;
    std::int32_t endMs_ = 0;
    // Where in the song playback started (or stood when it stopped).
    std::int32_t positionMs_ = 0;
    int serial_ = 0;
    std::uint32_t soundId_ = 0xFFFF;
    bool dragging_ = false;
    bool songShown_ = false;
    int playStopPicture_ = 0;
    int morePicture_ = 0;
};
