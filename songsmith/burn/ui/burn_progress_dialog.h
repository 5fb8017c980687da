#pragma once
// CBurnProgressDlg: the window in front of the program while a burn runs.
// Before the write may begin it looks over the session once (a missing song
// file stops the burn; a silent or seemingly cut-off song is put to the
// user). It shows the burn's steps with check marks, a percent bar with its
// animation and the time left, answers the controller's requests (insert a
// blank disc, a rewritable disc is in the writer, the disc is too small) by
// asking the user, offers to abort, and closes itself once the worker has
// ended. It is application-modal: nothing may change the session while the
// burn uses its tracks.
//
// Its refresh timer is a QTimer whose handler, OnTimer, tests call directly;
// times come from the controller's clock and intervals from its timing.

#include <QPointer>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "songsmith/burn/ui/burn_percent_bar.h"
#include "songsmith/drawing/ui/dib_section.h"

class CBurner;
class CPreferences;
class CTrackList;
class IBurnerHost;
class QDialog;
class QLabel;
class QPainter;
class QTimer;
class QWidget;

// What the dialog works on and whom it tells.
struct TBurnProgressContext {
    CPreferences& prefs;
    CBurner& burner;
    // The session the burn writes.
    CTrackList& tracks;
    // The main window's status bar and logo panel.
    IBurnerHost& host;
    // The Zent engine writes the disc (its last phase has no time left).
    bool zentEngine = false;
    // Minimised with the dialog, brought back for a disc prompt; may be null.
    QWidget* mainWindow = nullptr;
    // Shows the burn's progress in the main window's title; may be empty.
    std::function<void()> refreshTitle = nullptr;
};

class CBurnProgressDlg {
public:
    static constexpr int kDialogId = 191;
    static constexpr int kMessage = 1157;
    static constexpr int kStepDescription = 1175;
    // The steps' labels and check marks, first step first.
    static constexpr std::array<int, 5> kStepLabels = {1190, 1159, 1160, 1161, 1162};
    static constexpr std::array<int, 5> kCheckMarks = {1191, 1186, 1187, 1188, 1189};
    static constexpr int kStatusLine = 1174;
    static constexpr int kActualSpeed = 1198;
    static constexpr int kAbort = 1176;
    // Where the step picture, the animation and the percent bar are drawn.
    static constexpr int kPicturePlace = 1089;
    static constexpr int kAnimationPlace = 1091;
    static constexpr int kBarPlace = 1172;
    static constexpr int kRefreshTimer = 1004;

    explicit CBurnProgressDlg(TBurnProgressContext context);
    ~CBurnProgressDlg();
    CBurnProgressDlg(const CBurnProgressDlg&) = delete;
    CBurnProgressDlg& operator=(const CBurnProgressDlg&) = delete;

    // Runs the dialog centred over parent until it ends: 1 when the worker
    // ended, 0 when the burn was aborted.
    int DoModal(QWidget* parent);

    // The refresh timer's tick.
    void OnTimer();
    // The Abort button and the close box: asks first while a write runs.
    void OnAbort();

    // What the dialog shows, for tests: the timer, the animation frame (-1
    // none) and the percent bar.
    QTimer* Timer() const { return timer_; }
    int AnimationFrame() const { return frame_; }
    const CBurnPercentBar& Bar() const { return bar_; }

private:
    void OnInitDialog(QWidget* parent);
    void CreateControls();
    void OnPaint(QPainter& painter);
    void OnMinimized();
    // The look over the session; false when it aborted the burn.
    bool CheckSession();
    // Asks a Yes/No question of key about the track; true for Yes.
    bool AskAboutTrack(const char* key, const char* captionKey, int index, const std::string& title);
    // The controller's open request; false when it aborted the burn.
    bool AnswerRequest();
    // Puts the request to the user through ask (true: go on), the ticks
    // stopped meanwhile; a no aborts the burn. The request is cleared after.
    bool AnswerWith(bool markAnswering, const std::function<bool()>& ask);
    bool PromptForDisc();
    bool AskAboutRewritable();
    bool AskAboutDiscTooSmall();
    // Stops the burn and ends the dialog.
    void Abort();
    void End(int result);
    // The timer stops while a question is open (its ticks would stack
    // further questions) and runs again, at the short interval, after it.
    void PauseTimer();
    void ResumeTimer();
    void RestoreMainWindow();

    void RefreshDisplay();
    void ShowWriting(std::string& line);
    void SetTitle();
    void ShowMarks(int count);
    void ShowStatus(const std::string& line);
    void SetProgress(double fraction);

    TBurnProgressContext context_;
    QPointer<QDialog> dialog_;
    QTimer* timer_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* speed_ = nullptr;
    std::array<QLabel*, 5> stepLabels_{};
    std::array<QWidget*, 5> marks_{};
    CDibSection picture_;
    CDibSection animation_;
    CBurnPercentBar bar_;
    QRect pictureRect_;
    QRect animationRect_;
    QRect barRect_;
    int frame_ = -1;
    int shownState_ = -1;
    int shownPhase_ = -1;
    int shownCopy_ = -1;
    int dots_ = 0;
    bool firstTick_ = true;
    // A tick runs: a tick arriving during one of its questions does nothing.
    bool ticking_ = false;
    bool ended_ = false;
    // When the next insert-disc prompt may come, on the controller's clock.
    std::int64_t nextPromptMs_ = 0;
};
