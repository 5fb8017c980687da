#include "songsmith/burn/ui/burn_progress_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/burn/ui/insert_disc_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/burn/burn_session_check.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_host.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/app/keyed_message.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "utilities/text_format.h"
#include "utilities/ui/center_window.h"

namespace {

using Dlg = CBurnProgressDlg;

// Layout (pixels).
constexpr int kWidth = 460;
constexpr int kHeight = 340;
constexpr int kMargin = 12;
constexpr int kRow = 20;
constexpr int kStepTop = 96;
constexpr int kStepPitch = 22;
constexpr int kMarkSize = 12;
constexpr int kBarTop = kStepTop + 5 * kStepPitch + 8;
constexpr int kBarHeight = 20;
constexpr int kAbortWidth = 80;
constexpr int kAbortHeight = 26;

constexpr int kMostDots = 10;
constexpr int kAnimationSteps = 16;
constexpr int kLastProgressFrame = 15;
constexpr int kFinalPhase = 4;

// A step's check mark: the check-mark picture on the button face.
class CCheckMark final : public QWidget {
public:
    CCheckMark(QWidget* parent, int id) : QWidget(parent) {
        setObjectName(QString::number(id));
        picture_.LoadBitmapImage(kPictureCheckMark);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        picture_.DrawTransparent(painter, picture_.GetClipBox(), QPoint(0, 0));
    }

private:
    CDibSection picture_;
};

bool IsWriteState(int state) {
    return state == kBurnStateTesting || state == kBurnStateBurning;
}

// The description of a write phase: the test's ("a") or the real write's
// ("b"), with burn-proof writing its own.
std::string PhaseDescriptionKey(int phase, bool realWrite, bool burnProof) {
    const char* step = phase <= 2 ? "BGD_Step2" : phase == 3 ? "BGD_Step3" : "BGD_Step4";
    std::string key = std::string(step) + (realWrite ? "bDesc" : "aDesc");
    if (burnProof) key += "BurnProof";
    return key;
}

std::string LengthText(int ms) {
    char text[kLengthStringSize] = {};
    MakeLengthString(ms, text, sizeof text, 0);
    return text;
}

}  // namespace

CBurnProgressDlg::CBurnProgressDlg(TBurnProgressContext context) : context_(std::move(context)) {}

CBurnProgressDlg::~CBurnProgressDlg() {
    delete dialog_.data();
}

int CBurnProgressDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight),
                                         {nullptr, [this](QPainter& painter) { OnPaint(painter); },
                                          [this] { OnAbort(); }, [this] { OnMinimized(); }},
                                         this);
    dialog_ = window;
    // Nothing else of the program may be used while the burn holds the
    // session's files.
    window->setWindowModality(Qt::ApplicationModal);
    OnInitDialog(parent);
    const int result = window->exec();
    timer_ = nullptr;
    delete window;
    picture_.Release();
    animation_.Release();
    context_.host.SetStateText(KeyedText("Ready"));
    return result;
}

void CBurnProgressDlg::OnInitDialog(QWidget* parent) {
    CenterWindow(dialog_, parent);
    picture_.LoadBitmapImage(kPictureLogo);
    animation_.LoadBitmapImage(kPictureBurnAnimation);
    CreateControls();
    bar_.Create(barRect_.size(), dialog_);
    SetTitle();
    timer_ = new QTimer(dialog_);
    timer_->setObjectName(QString::number(kRefreshTimer));
    QObject::connect(timer_, &QTimer::timeout, dialog_, [this] { OnTimer(); });
    timer_->start(context_.burner.Timing().dialogTickMs);
    // The worker waits before writing until the session was looked over.
    context_.burner.checkingGate.store(true);
}

void CBurnProgressDlg::CreateControls() {
    QDialog* dialog = dialog_;
    const QSize pictureSize = ProgramPictureSize(kPictureLogo);
    auto* picture = AddDialogControl<QWidget>(dialog, kPicturePlace, kMargin, kMargin, pictureSize.width(),
                                              pictureSize.height());
    picture->hide();
    pictureRect_ = picture->geometry();
    const int messageLeft = pictureRect_.right() + 1 + kMargin;
    message_ = AddDialogControl<QLabel>(dialog, kMessage, ProgString("BGD_Step0Desc"), messageLeft, kMargin,
                                        kWidth - kMargin - messageLeft, kStepTop - kRow - 10 - kMargin);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    AddDialogControl<QLabel>(dialog, kStepDescription, ProgString("BGD_StepsLabel"), kMargin, kStepTop - kRow - 4,
                             kWidth - 2 * kMargin, kRow);
    const std::array<const char*, 5> stepKeys = {"BGD_Step0", "BGD_Step1", "BGD_Step2", "BGD_Step3", "BGD_Step4"};
    for (std::size_t i = 0; i < stepKeys.size(); ++i) {
        const int top = kStepTop + static_cast<int>(i) * kStepPitch;
        auto* mark = new CCheckMark(dialog, kCheckMarks[i]);
        mark->setGeometry(kMargin + 12, top + (kRow - kMarkSize) / 2, kMarkSize, kMarkSize);
        mark->hide();
        marks_[i] = mark;
        stepLabels_[i] = AddDialogControl<QLabel>(dialog, kStepLabels[i], ProgString(stepKeys[i]),
                                                  kMargin + 32, top, kWidth - 2 * kMargin - 32, kRow);
    }

    auto* animation = AddDialogControl<QWidget>(dialog, kAnimationPlace, kMargin, kBarTop - 1,
                                                kBurnAnimationFrameWidth, kBurnAnimationFrameWidth);
    animation->hide();
    animationRect_ = animation->geometry();
    const int barLeft = animationRect_.right() + 1 + 8;
    auto* bar = AddDialogControl<QWidget>(dialog, kBarPlace, barLeft, kBarTop, kWidth - kMargin - barLeft, kBarHeight);
    bar->hide();
    barRect_ = bar->geometry();

    status_ = AddDialogControl<QLabel>(dialog, kStatusLine, QString(), kMargin, kBarTop + kBarHeight + 10,
                                       kWidth - 2 * kMargin, kRow);
    speed_ = AddDialogControl<QLabel>(dialog, kActualSpeed, QString(), kMargin, status_->y() + kRow + 4,
                                      kWidth - 2 * kMargin - kAbortWidth - 8, kRow);
    auto* abort = AddDialogControl<QPushButton>(dialog, kAbort, ProgString("BGD_Abort"),
                                                kWidth - kMargin - kAbortWidth, kHeight - kMargin - kAbortHeight,
                                                kAbortWidth, kAbortHeight);
    QObject::connect(abort, &QPushButton::clicked, dialog, [this] { OnAbort(); });
}

void CBurnProgressDlg::OnPaint(QPainter& painter) {
    if (!picture_.GetBitmap().isNull())
        picture_.DrawTransparent(painter, QRect(pictureRect_.topLeft(), picture_.GetClipBox().size()), QPoint(0, 0));
    if (frame_ >= 0 && !animation_.GetBitmap().isNull())
        animation_.DrawTransparent(painter, animationRect_, QPoint(frame_ * kBurnAnimationFrameWidth, 0));
    bar_.Draw(painter, barRect_.topLeft());
}

void CBurnProgressDlg::OnMinimized() {
    if (context_.mainWindow != nullptr) context_.mainWindow->showMinimized();
}

void CBurnProgressDlg::RestoreMainWindow() {
    for (QWidget* window : {context_.mainWindow, static_cast<QWidget*>(dialog_.data())}) {
        // Back as it was before: maximised or normal.
        if (window != nullptr && window->isMinimized())
            window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
}

void CBurnProgressDlg::OnTimer() {
    if (ticking_ || ended_ || dialog_ == nullptr) return;
    ticking_ = true;
    struct TTickEnd {
        bool& ticking;
        ~TTickEnd() { ticking = false; }
    } tickEnd{ticking_};

    CBurner& burner = context_.burner;
    const TBurnTiming& timing = burner.Timing();
    if (firstTick_) {
        firstTick_ = false;
        nextPromptMs_ = burner.Clock().NowMs() + timing.firstDiscPromptMs;
        timer_->start(timing.dialogShortTickMs);
    }

    if (burner.checkingGate.load() && !burner.writing.load() && !burner.abort.load() &&
        !context_.tracks.HasPendingTracks()) {
        if (!CheckSession()) return;
        burner.checkingGate.store(false);
    }

    if (!burner.threadRunning.load()) {
        Log("Burning Dialog -> Detected Burning thread is not up...closing dialog");
        End(1);
        return;
    }

    if (!burner.writing.load() && burner.copyIndex.load() < burner.copies.load() && !AnswerRequest()) return;

    if (burner.measuredSpeedValid.load())
        speed_->setText(QString::fromStdString(FormatKeyedText("BGD_Actual", {burner.measuredSpeed.load()})));
    RefreshDisplay();
}

bool CBurnProgressDlg::CheckSession() {
    CPreferences& prefs = context_.prefs;
    // The capacity is read before the walk takes the list's lock.
    const int capacity = context_.burner.MaxMilsPerCD(false);
    CBurnSessionCheck check(context_.tracks, capacity, prefs.bTrimSoundsAutomatically != 0,
                            prefs.bWarnAboutIncompleteSongs != 0);
    while (const std::optional<TSessionProblem> problem = check.Next()) {
        using EKind = TSessionProblem::EKind;
        if (problem->kind == EKind::kMissingFile) {
            PauseTimer();
            const std::string caption = KeyedText("BEM_MissingFileTitle");
            ShowKeyedMessage(dialog_.data(), "BEM_MissingFile", {problem->index + 1, problem->title},
                             MB_OK | MB_ICONWARNING, caption.c_str());
            Abort();
            return false;
        }
        const bool silent = problem->kind == EKind::kSilent;
        if (!AskAboutTrack(silent ? "BEM_TrackSilent" : "BEM_Incomplete",
                           silent ? "BEM_SilentTrackTitle" : "BEM_IncompleteTitle", problem->index, problem->title)) {
            Abort();
            return false;
        }
    }
    return true;
}

bool CBurnProgressDlg::AskAboutTrack(const char* key, const char* captionKey, int index, const std::string& title) {
    PauseTimer();
    const std::string caption = KeyedText(captionKey);
    const int answer = ShowKeyedMessage(dialog_.data(), key, {index + 1, title}, MB_YESNO | MB_ICONQUESTION,
                                        caption.c_str());
    if (answer != IDYES) return false;
    ResumeTimer();
    return true;
}

bool CBurnProgressDlg::AnswerRequest() {
    CBurner& burner = context_.burner;
    if (burner.IsInsertDiscRequested()) {
        if (burner.Clock().NowMs() < nextPromptMs_) return true;
        return PromptForDisc();
    }
    if (burner.IsRewritableDiscRequested()) return AskAboutRewritable();
    if (burner.IsDiscTooSmallRequested()) return AskAboutDiscTooSmall();
    // Nothing asked: the step picture is drawn again.
    dialog_->update(pictureRect_);
    return true;
}

bool CBurnProgressDlg::AnswerWith(bool markAnswering, const std::function<bool()>& ask) {
    CBurner& burner = context_.burner;
    if (markAnswering) burner.MarkRequestAnswering();
    PauseTimer();
    const bool goOn = ask();
    if (goOn) {
        ResumeTimer();
    } else {
        Abort();
    }
    burner.ClearRequest();
    return goOn;
}

bool CBurnProgressDlg::PromptForDisc() {
    return AnswerWith(false, [this] {
        CBurner& burner = context_.burner;
        RestoreMainWindow();
        CInsertDiscDlg prompt(burner);
        if (prompt.DoModal(dialog_) != 1) return false;
        // The next prompt leaves the user time to change discs.
        nextPromptMs_ = burner.Clock().NowMs() + burner.Timing().nextDiscPromptMs;
        return true;
    });
}

bool CBurnProgressDlg::AskAboutRewritable() {
    return AnswerWith(true, [this] {
        const std::string caption = KeyedText("CDRW_title");
        const int answer = ShowMessageKey(dialog_.data(), "CDRW_body",
                                          MB_YESNO | MB_ICONQUESTION | kMessageBoxDontAskAgain, caption.c_str());
        if (answer != IDYES) return false;
        context_.burner.allowRewritable.store(true);
        if (GetLastDontAskAgain() != 0) context_.prefs.AllowCDRWDiscs = true;
        return true;
    });
}

bool CBurnProgressDlg::AskAboutDiscTooSmall() {
    return AnswerWith(true, [this] {
        CWillNotFitDlg choice(context_.prefs, context_.burner, context_.tracks);
        return choice.DoModal(dialog_) == 1;
    });
}

void CBurnProgressDlg::PauseTimer() {
    if (timer_ != nullptr) timer_->stop();
}

void CBurnProgressDlg::ResumeTimer() {
    if (timer_ != nullptr && !ended_) timer_->start(context_.burner.Timing().dialogShortTickMs);
}

void CBurnProgressDlg::OnAbort() {
    if (ended_ || dialog_ == nullptr) return;
    CBurner& burner = context_.burner;
    if (burner.writing.load() && !burner.preWriteWindow.load()) {
        // Stopping a write spoils the disc (or wastes the test): only after
        // the user said so. In the window before the write nothing has
        // reached the disc yet, so there is nothing to warn about.
        const bool wasRunning = timer_ != nullptr && timer_->isActive();
        PauseTimer();
        const int answer = ShowMessageKey(dialog_.data(),
                                          burner.test.load() ? "BEM_AbortTestWarning" : "BEM_AbortWarning",
                                          MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES) {
            if (wasRunning) ResumeTimer();
            return;
        }
    }
    Abort();
}

void CBurnProgressDlg::Abort() {
    {
        CWaitCursor wait;
        context_.burner.AbortBurn();
    }
    End(0);
}

void CBurnProgressDlg::End(int result) {
    ended_ = true;
    PauseTimer();
    if (dialog_ != nullptr) dialog_->done(result);
}

void CBurnProgressDlg::SetTitle() {
    const CBurner& burner = context_.burner;
    std::string title;
    if (burner.test.load()) {
        title = KeyedText("BGD_TITLE_Test");
    } else if (burner.copies.load() <= 1) {
        title = KeyedText("BGD_TITLE");
    } else {
        title = FormatKeyedText("BGD_TITLE_Multi", {burner.copyIndex.load() + 1, burner.copies.load()});
    }
    dialog_->setWindowTitle(QString::fromStdString(title));
    stepLabels_[3]->setText(ProgString(burner.test.load() ? "BGD_Step3B" : "BGD_Step3"));
}

void CBurnProgressDlg::ShowMarks(int count) {
    for (int i = 0; i < static_cast<int>(marks_.size()); ++i) marks_[static_cast<std::size_t>(i)]->setVisible(i < count);
}

void CBurnProgressDlg::ShowStatus(const std::string& line) {
    status_->setText(QString::fromStdString(line));
    context_.host.SetStateText(line);
}

void CBurnProgressDlg::SetProgress(double fraction) {
    CBurner& burner = context_.burner;
    const bool writing = burner.writing.load();
    if (!bar_.Set(fraction, writing)) return;
    if (writing) {
        frame_ = std::min(static_cast<int>(fraction * kAnimationSteps), kLastProgressFrame);
    } else {
        frame_ = burner.IsDiscReady() ? 0 : -1;
    }
    dialog_->update(barRect_.united(animationRect_));
}

void CBurnProgressDlg::RefreshDisplay() {
    CBurner& burner = context_.burner;
    const int state = burner.state.load();
    const int copy = burner.copyIndex.load();
    char stateText[256] = {};
    burner.GetStateText(stateText, sizeof stateText);
    std::string line = stateText;
    if (state != shownState_ || copy != shownCopy_) {
        shownState_ = state;
        shownCopy_ = copy;
        SetTitle();
        switch (state) {
            case kBurnStateWaiting:
                ShowMarks(1);
                message_->setText(ProgString("BGD_Step0Desc"));
                break;
            case kBurnStateConverting:
            case kBurnStateCueSheet:
                ShowMarks(2);
                message_->setText(ProgString("BGD_Step1Desc"));
                break;
            case kBurnStateTesting:
            case kBurnStateBurning:
                SetProgress(0.0);
                ShowMarks(3);
                break;
            default: ShowMarks(0); break;
        }
        ShowStatus(line);
    } else if (state >= kBurnStateWaiting && state <= kBurnStateBurning) {
        dots_ = dots_ >= kMostDots ? 0 : dots_ + 1;
        if (IsWriteState(state)) {
            ShowWriting(line);
        } else if (state == kBurnStateConverting) {
            const int timeLeft = burner.GetTimeRemaining();
            line += " (" + LengthText(timeLeft) + " " + KeyedText("BSG_Remaining") + ")";
            SetProgress(burner.GetProgress());
        }
        line.append(static_cast<std::size_t>(dots_), '.');
        ShowStatus(line);
    }
    if (context_.refreshTitle) context_.refreshTitle();
}

void CBurnProgressDlg::ShowWriting(std::string& line) {
    CBurner& burner = context_.burner;
    const int state = burner.state.load();
    const int timeLeft = burner.GetTimeRemaining();
    const int phase = burner.writePhase.load();
    const bool writingTracks = phase == 3 && timeLeft >= 0;
    // Past the tracks' time, or the Zent engine finalising: the last step,
    // whose length nobody knows.
    const bool finishing =
        !writingTracks && ((timeLeft < 0 && phase != kFinalPhase) || (context_.zentEngine && phase == kFinalPhase));
    const int shownPhase = finishing ? kFinalPhase : phase;
    if (shownPhase != shownPhase_) {
        shownPhase_ = shownPhase;
        const std::string key =
            PhaseDescriptionKey(shownPhase, state == kBurnStateBurning, burner.burnProofInUse.load());
        message_->setText(ProgString(key.c_str()));
    }
    if (writingTracks) {
        ShowMarks(4);
        line += " (" + LengthText(timeLeft) + " " + KeyedText("BSG_Remaining") + ")";
        const double progress = burner.GetProgress();
        SetProgress(progress);
        context_.host.SetLogoLevel(progress);
    } else if (finishing) {
        ShowMarks(5);
        SetProgress(1.0);
        line += " (" + KeyedText(BurnPhaseKey(kFinalPhase)) + ")";
    }
}
