// The burn progress dialog, driven offscreen by control id over a real burn
// controller and a scripted burn pass, its ticks called by the test on a
// clock the test moves: the look over the session before the write, the
// answers to the controller's requests, aborting, closing when the worker
// ends, and what the steps, the status line and the percent bar show.
#include "songsmith/burn/ui/burn_progress_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platter/platter.h"
#include "songsmith/burn/ui/insert_disc_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/burner/burner_tables.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/burn/ui/tests/burn_progress_fixture.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "testsupport/hang_limit.h"
#include "testsupport/widget_png.h"
#include "utilities/text_format.h"

namespace {

using burn_progress_test::BurnProgressTest;
using burn_progress_test::kLeftOpen;
using testsupport::ClickControl;
using testsupport::FindControl;
using Dlg = CBurnProgressDlg;

// Runs a hook whenever a message box is asked, then lets the scripted
// services answer it.
class CQuestionHook final : public IUiServices {
public:
    explicit CQuestionHook(std::function<void()> hook) : hook_(std::move(hook)) { inner_ = SetUiServices(this); }
    ~CQuestionHook() override { SetUiServices(inner_); }
    CQuestionHook(const CQuestionHook&) = delete;
    CQuestionHook& operator=(const CQuestionHook&) = delete;

    TMessageAnswer ShowMessage(void* owner, const TMessageRequest& request) override {
        mostOpen_ = std::max(mostOpen_, ++open_);
        hook_();
        const TMessageAnswer answer = inner_->ShowMessage(owner, request);
        --open_;
        return answer;
    }
    // The most boxes that were open at once.
    int MostOpen() const { return mostOpen_; }
    std::vector<std::string> ChooseFile(void* owner, const TFileChooserRequest& request) override {
        return inner_->ChooseFile(owner, request);
    }
    std::string ChooseFolder(void* owner, const char* titleKey, const char* startFolder) override {
        return inner_->ChooseFolder(owner, titleKey, startFolder);
    }
    bool OpenUrl(const char* url) override { return inner_->OpenUrl(url); }
    bool OpenFolder(const char* path) override { return inner_->OpenFolder(path); }
    void ShowHelpContents() override { inner_->ShowHelpContents(); }
    void ShowHelpContext(std::int32_t context) override { inner_->ShowHelpContext(context); }
    void ShowHelpPopup(std::int32_t topic, void* control) override { inner_->ShowHelpPopup(topic, control); }
    void StartMixerProgram() override { inner_->StartMixerProgram(); }
    void AddRecentDocument(const char* path) override { inner_->AddRecentDocument(path); }

private:
    std::function<void()> hook_;
    IUiServices* inner_ = nullptr;
    int open_ = 0;
    int mostOpen_ = 0;
};

std::string Text(QWidget* window, int id) {
    return FindControl<QLabel>(window, id)->text().toStdString();
}

std::string StateText(CBurner& burner) {
    char text[256] = {};
    burner.GetStateText(text, sizeof text);
    return text;
}

std::string LengthText(int ms) {
    char text[kLengthStringSize] = {};
    MakeLengthString(ms, text, sizeof text, 0);
    return text;
}

// How many of the steps' check marks show, and that they are the first ones.
int MarksShown(QWidget* window) {
    int shown = 0;
    for (const int id : Dlg::kCheckMarks) {
        if (!FindControl(window, id)->isVisibleTo(window)) break;
        ++shown;
    }
    for (std::size_t i = static_cast<std::size_t>(shown); i < Dlg::kCheckMarks.size(); ++i)
        EXPECT_FALSE(FindControl(window, Dlg::kCheckMarks[i])->isVisibleTo(window)) << "mark " << i;
    return shown;
}

// The message box the fake services saw last.
testsupport::TUiCall LastMessage(const testsupport::CFakeUiServices& ui) {
    testsupport::TUiCall last;
    for (const testsupport::TUiCall& call : ui.Calls())
        if (call.kind == "message") last = call;
    return last;
}

TEST_F(BurnProgressTest, OpensWaitingWithTheGateUpAndClosesWhenTheWorkerEnds) {
    AddTrack("Song", 60000);
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        EXPECT_EQ(window->objectName(), QStringLiteral("191"));
        EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("BGD_TITLE"));
        EXPECT_EQ(Text(window, Dlg::kStepLabels[3]), KeyedText("BGD_Step3"));
        EXPECT_EQ(FindControl(window, Dlg::kAbort)->size(), QSize(80, 26));
        EXPECT_TRUE(burner_->checkingGate.load());
        EXPECT_TRUE(dialog.Timer()->isActive());
        EXPECT_EQ(dialog.Timer()->interval(), burner_->Timing().dialogTickMs);
        ExpectUnclipped(window);

        dialog.OnTimer();
        // Looked over: the worker may write. The ticks come faster now.
        EXPECT_FALSE(burner_->checkingGate.load());
        EXPECT_EQ(dialog.Timer()->interval(), burner_->Timing().dialogShortTickMs);
        EXPECT_EQ(MarksShown(window), 1);
        EXPECT_EQ(Text(window, Dlg::kMessage), KeyedText("BGD_Step0Desc"));
        EXPECT_EQ(Text(window, Dlg::kStatusLine), StateText(*burner_));
        EXPECT_EQ(host_.texts.back(), StateText(*burner_));
        EXPECT_GT(titleRefreshes_, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return passedGate_.load(); }, testsupport::kHangLimitMs));

        EndPass();
        dialog.OnTimer();
        EXPECT_FALSE(window->isVisible());
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(burner_->abort.load());
    EXPECT_NE(LogText().find("Burning Dialog -> Detected Burning thread is not up...closing dialog"), std::string::npos);
    EXPECT_EQ(host_.texts.back(), KeyedText("Ready"));
}

// A missing song file stops the burn before anything is written; only the
// tracks that reach onto the disc count, and the look waits for the
// tracks still being loaded.
TEST_F(BurnProgressTest, AMissingFileOnTheDiscStopsTheBurnAtTheFirstTick) {
    AddTrack("Intro", 60000);
    AddTrack("Gone", 60000, kTrackFileNotFound);
    ui_.ExpectMessage("BEM_MissingFile", IDOK);
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        dialog.OnTimer();
        EXPECT_FALSE(window->isVisible());
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(passedGate_.load());
    EXPECT_TRUE(burner_->abort.load());
    EXPECT_FALSE(burner_->threadRunning.load());
    EXPECT_EQ(burner_->errorIndex.load(), 10);
    const testsupport::TUiCall box = LastMessage(ui_);
    EXPECT_EQ(box.text, FormatKeyedText("BEM_MissingFile", {2, "Gone"}));
    EXPECT_EQ(box.caption, KeyedText("BEM_MissingFileTitle"));
    EXPECT_EQ(box.flags & MB_ICONMASK, MB_ICONWARNING);
}

TEST_F(BurnProgressTest, AMissingFilePastTheDiscOrStillLoadingIsNotLookedAtYet) {
    AddTrack("Long", 75 * 60000);
    AddTrack("Gone", 60000, kTrackFileNotFound);
    AddTrack("Loading", 60000, kTrackWaiting);
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        dialog.OnTimer();
        // A track still to be loaded: the look waits for it.
        EXPECT_TRUE(burner_->checkingGate.load());
        EXPECT_FALSE(passedGate_.load());
        tracks_.GetAt(2)->SetState(kTrackReady);
        dialog.OnTimer();
        // The missing song lies past the disc's end: no question.
        EXPECT_FALSE(burner_->checkingGate.load());
        EXPECT_TRUE(window->isVisible());
    });
    EXPECT_EQ(result, kLeftOpen);
    EXPECT_TRUE(ui_.MessageKeys().empty());
}

// Songs loaded from real files: one silent, one that ends loud (cut off).
class BurnProgressSongsTest : public BurnProgressTest {
protected:
    void SetUp() override {
        BurnProgressTest::SetUp();
        engine_ = std::make_unique<songfiles::CEngineScope>(prefs_, dir_.File("cache"));
        ASSERT_TRUE(engine_->Started());
    }
    void TearDown() override {
        BurnProgressTest::TearDown();
        tracks_.Clear(false);
        engine_.reset();
    }

    // A five-second tone of amplitude up to its end (0: silence), loaded
    // and analysed; its warnings not given yet. closed: its sound closed
    // once analysed, as the session's loader leaves every track.
    void AddLoadedSong(const std::string& name, int amplitude, bool closed = false) {
        const std::string path = dir_.File(name + ".wav");
        using namespace songtest;
        testsupport::WriteWholeFile(path, Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16)) +
                                                           Chunk("data", SinePcm(44100, 2, 5 * 44100, amplitude))));
        const int index = tracks_.InsertSong(CSongEntry(path.c_str()), tracks_.GetCount());
        ASSERT_GE(index, 0);
        CCDTrack* track = tracks_.GetAt(index);
        ASSERT_TRUE(track->Load());
        if (closed) {
            ASSERT_TRUE(track->CloseSound());
        }
        track->SetSilenceWarned(false);
        track->SetIncompleteWarned(false);
    }

    std::unique_ptr<songfiles::CEngineScope> engine_;
};

TEST_F(BurnProgressSongsTest, SilentAndIncompleteSongsAreAskedAboutOnceAndNoStopsTheBurn) {
    struct TCase {
        int level;
        bool warnIncomplete;
        const char* key;  // null: no question
        int answer;
        bool goesOn;
    };
    const TCase cases[] = {
        {0, true, "BEM_TrackSilent", IDYES, true},
        {0, true, "BEM_TrackSilent", IDNO, false},
        {20000, true, "BEM_Incomplete", IDYES, true},
        {20000, true, "BEM_Incomplete", IDNO, false},
        {20000, false, nullptr, 0, true},
    };
    for (const bool closed : {false, true})
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.key != nullptr ? c.key : "none") + " " + std::to_string(c.answer) +
                     (closed ? " closed" : " open"));
        tracks_.Clear(false);
        passedGate_.store(false);
        finish_.store(false);
        prefs_.bWarnAboutIncompleteSongs = c.warnIncomplete ? 1 : 0;
        AddTrack("Intro", 60000);
        AddLoadedSong("song", c.level, closed);
        if (c.key != nullptr) ui_.ExpectMessage(c.key, c.answer);
        const int result = Run([&](Dlg& dialog, QDialog* window) {
            dialog.OnTimer();
            EXPECT_EQ(window->isVisible(), c.goesOn);
            if (!c.goesOn) return;
            EXPECT_FALSE(burner_->checkingGate.load());
            // Asked once: a later look finds the song marked.
            burner_->checkingGate.store(true);
            dialog.OnTimer();
            EXPECT_FALSE(burner_->checkingGate.load());
            EndPass();
            dialog.OnTimer();
        });
        EXPECT_EQ(result, c.goesOn ? 1 : 0);
        EXPECT_EQ(passedGate_.load(), c.goesOn);
        if (c.key != nullptr) {
            const testsupport::TUiCall box = LastMessage(ui_);
            EXPECT_EQ(box.text, FormatKeyedText(c.key, {2, "song"}));
            EXPECT_EQ(box.flags & MB_YESNO, MB_YESNO);
        }
        burner_->abort.store(false);
    }
}

// A question stops the ticks; one that arrives anyway finds the tick busy
// and asks nothing more.
TEST_F(BurnProgressSongsTest, TicksDuringAQuestionStackNothing) {
    AddLoadedSong("quiet", 0);
    AddLoadedSong("still", 0);
    ui_.ExpectMessage("BEM_TrackSilent", IDYES);
    ui_.ExpectMessage("BEM_TrackSilent", IDYES);
    Dlg* running = nullptr;
    std::vector<bool> timerRunning;
    CQuestionHook hook([&] {
        timerRunning.push_back(running->Timer()->isActive());
        running->OnTimer();
    });
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        running = &dialog;
        dialog.OnTimer();
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(dialog.Timer()->isActive());
        EXPECT_EQ(dialog.Timer()->interval(), burner_->Timing().dialogShortTickMs);
        EXPECT_FALSE(burner_->checkingGate.load());
    });
    EXPECT_EQ(result, kLeftOpen);
    EXPECT_EQ(timerRunning, (std::vector<bool>{false, false}));
    EXPECT_EQ(hook.MostOpen(), 1);
    EXPECT_EQ(ui_.MessageKeys().size(), 2u);
}

TEST_F(BurnProgressTest, TheInsertDiscPromptWaitsItsTimeAndClosesOnlyForABlankDisc) {
    AddTrack("Song", 60000);
    burner_->copies.store(2);
    QWidget mainWindow;
    mainWindow.show();
    TBurnProgressContext context{prefs_, *burner_, tracks_, host_};
    context.mainWindow = &mainWindow;
    const int result = Run(
        [&](Dlg& dialog, QDialog* window) {
            dialog.OnTimer();
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return passedGate_.load(); }, testsupport::kHangLimitMs));
            // The first copy was written; the worker asks for the next disc.
            burner_->SetState(kBurnStateConverting);
            burner_->copyIndex.store(1);
            burner_->SetRequest(1);
            window->showMinimized();
            EXPECT_TRUE(mainWindow.isMinimized());
            // The window system's own word on the change comes later.
            QCoreApplication::processEvents();

            // Not before a second after the first tick.
            clock_.now += 999;
            TickExpectingNoPrompt(dialog);
            clock_.now += 1;
            bool prompted = false;
            testsupport::WhenModalShown([&](QWidget* modal) {
                CInsertDiscDlg* prompt = CInsertDiscDlg::FromWindow(modal);
                if (prompt == nullptr) {
                    ADD_FAILURE() << "no prompt";
                    return;
                }
                prompted = true;
                EXPECT_FALSE(mainWindow.isMinimized());
                EXPECT_EQ(Text(modal, CInsertDiscDlg::kMessage), FormatKeyedText("IDD_MultiMessage", {2}));
                EXPECT_FALSE(dialog.Timer()->isActive());
                // The disc just written is still in: not ready.
                prompt->OnTimer();
                EXPECT_TRUE(modal->isVisible());
                writer_->ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
                prompt->OnTimer();
                EXPECT_FALSE(modal->isVisible());
            });
            dialog.OnTimer();
            EXPECT_TRUE(prompted);
            EXPECT_EQ(burner_->request.load(), 0);
            EXPECT_TRUE(dialog.Timer()->isActive());

            // The next request comes at once: the prompt waits 7 s after
            // the last one closed.
            writer_->ScriptStatuses({PLATTER_MEDIA_WRITTEN});
            burner_->SetRequest(1);
            clock_.now += 6999;
            TickExpectingNoPrompt(dialog);
            EXPECT_TRUE(burner_->IsInsertDiscRequested());
            clock_.now += 1;
            testsupport::WhenModalShown([&](QWidget* modal) {
                EXPECT_NE(CInsertDiscDlg::FromWindow(modal), nullptr);
                ClickControl(modal, IDCANCEL);
            });
            dialog.OnTimer();
            EXPECT_FALSE(window->isVisible());
        },
        &context);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(burner_->abort.load());
    EXPECT_EQ(burner_->request.load(), 0);
}

TEST_F(BurnProgressTest, TheRewritableDiscQuestionAllowsTheDiscOrAborts) {
    struct TCase {
        int answer;
        bool ticked;
        bool goesOn;
        bool stored;
    };
    for (const TCase c : {TCase{IDNO, false, false, false}, TCase{IDYES, true, true, true},
                          TCase{IDYES, false, true, false}}) {
        SCOPED_TRACE(std::to_string(c.answer) + (c.ticked ? " ticked" : ""));
        tracks_.Clear(false);
        AddTrack("Song", 60000);
        prefs_.AllowCDRWDiscs = false;
        burner_->allowRewritable.store(false);
        burner_->abort.store(false);
        passedGate_.store(false);
        finish_.store(false);
        ui_.ExpectMessage("CDRW_body", c.answer, c.ticked);
        std::vector<int> requestsSeen;
        CQuestionHook hook([&] { requestsSeen.push_back(burner_->request.load()); });
        const int result = Run([&](Dlg& dialog, QDialog* window) {
            dialog.OnTimer();
            burner_->SetRequest(2);
            dialog.OnTimer();
            EXPECT_EQ(window->isVisible(), c.goesOn);
        });
        EXPECT_EQ(result, c.goesOn ? kLeftOpen : 0);
        EXPECT_EQ(requestsSeen, std::vector<int>{3});
        EXPECT_EQ(burner_->request.load(), 0);
        EXPECT_EQ(burner_->abort.load(), !c.goesOn);
        EXPECT_EQ(burner_->allowRewritable.load(), c.goesOn);
        EXPECT_EQ(prefs_.AllowCDRWDiscs, c.stored);
        EXPECT_EQ(LastMessage(ui_).caption, KeyedText("CDRW_title"));
        EXPECT_NE(LastMessage(ui_).flags & kMessageBoxDontAskAgain, 0u);
        EndPass();
    }
}

TEST_F(BurnProgressTest, ADiscTooSmallShowsTheWillNotFitChoiceAndItsCancelAborts) {
    for (const int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        tracks_.Clear(false);
        AddTrack("Song", 60000);
        burner_->abort.store(false);
        finish_.store(false);
        const int result = Run([&](Dlg& dialog, QDialog* window) {
            dialog.OnTimer();
            burner_->SetRequest(4);
            bool shown = false;
            testsupport::WhenModalShown([&](QWidget* modal) {
                shown = modal->objectName() == QStringLiteral("179");
                EXPECT_TRUE(shown);
                EXPECT_EQ(burner_->request.load(), 3);
                ClickControl(modal, button);
            });
            dialog.OnTimer();
            EXPECT_TRUE(shown);
            EXPECT_EQ(window->isVisible(), button == IDOK);
        });
        EXPECT_EQ(result, button == IDOK ? kLeftOpen : 0);
        EXPECT_EQ(burner_->request.load(), 0);
        EXPECT_EQ(burner_->abort.load(), button == IDCANCEL);
        EndPass();
    }
}

// Abort (or the close box) asks first only while a write runs; without one
// the burn stops at once.
TEST_F(BurnProgressTest, AbortAsksOnlyWhileWriting) {
    struct TCase {
        bool writing;
        bool test;
        bool closeBox;
        const char* key;
    };
    const TCase cases[] = {
        {false, false, false, nullptr},
        {false, false, true, nullptr},
        {true, false, false, "BEM_AbortWarning"},
        {true, true, false, "BEM_AbortTestWarning"},
        {true, false, true, "BEM_AbortWarning"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.key != nullptr ? c.key : "no question") + (c.closeBox ? " close box" : ""));
        tracks_.Clear(false);
        AddTrack("Song", 60000);
        burner_->abort.store(false);
        burner_->test.store(c.test);
        finish_.store(false);
        if (c.key != nullptr) {
            ui_.ExpectMessage(c.key, IDNO);
            ui_.ExpectMessage(c.key, IDYES);
        }
        const int result = Run([&](Dlg& dialog, QDialog* window) {
            dialog.OnTimer();
            burner_->writing.store(c.writing);
            const auto abort = [&] {
                if (c.closeBox)
                    window->close();
                else
                    ClickControl(window, Dlg::kAbort);
            };
            if (c.key != nullptr) {
                abort();
                // No keeps the burn going, and the ticks.
                EXPECT_TRUE(window->isVisible());
                EXPECT_FALSE(burner_->abort.load());
                EXPECT_TRUE(dialog.Timer()->isActive());
            }
            abort();
            EXPECT_FALSE(window->isVisible());
        });
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(burner_->abort.load());
        EXPECT_FALSE(burner_->threadRunning.load());
        burner_->writing.store(false);
    }
}

TEST_F(BurnProgressTest, ConvertingShowsTimeLeftAndRunningDotsAndTheBarRepaintsOnlyOnWholePercents) {
    AddTrack("Song", 60000);
    burner_->copies.store(3);
    burner_->copyIndex.store(1);
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        dialog.OnTimer();
        burner_->SetState(kBurnStateConverting);
        burner_->msToConvert.store(100000);
        burner_->msConverted.store(0);
        burner_->conversionStart.store(clock_.now.load());
        dialog.OnTimer();
        EXPECT_EQ(window->windowTitle().toStdString(), FormatKeyedText("BGD_TITLE_Multi", {2, 3}));
        EXPECT_EQ(MarksShown(window), 2);
        EXPECT_EQ(Text(window, Dlg::kMessage), KeyedText("BGD_Step1Desc"));

        struct TStep {
            int converted;
            bool drawn;
        };
        const int drawsBefore = dialog.Bar().DrawCount();
        int draws = drawsBefore;
        for (const TStep step : {TStep{30000, true}, TStep{30400, false}, TStep{30999, false}, TStep{31000, true},
                                 TStep{30000, true}}) {
            SCOPED_TRACE(step.converted);
            clock_.now += 1000;
            burner_->msConverted.store(step.converted);
            dialog.OnTimer();
            if (step.drawn) ++draws;
            EXPECT_EQ(dialog.Bar().DrawCount(), draws);
        }
        // The converting colour, the grey still to do, and no animation
        // frame without a blank disc.
        const QImage& bar = dialog.Bar().Image();
        EXPECT_EQ(bar.pixel(bar.width() / 10, bar.height() / 2), CBurnPercentBar::kConvertingColor);
        EXPECT_EQ(QColor(bar.pixel(bar.width() - 4, bar.height() / 2)), QColor(Qt::gray));
        EXPECT_EQ(dialog.AnimationFrame(), -1);

        const int timeLeft = burner_->GetTimeRemaining();
        const std::string line =
            StateText(*burner_) + " (" + LengthText(timeLeft) + " " + KeyedText("BSG_Remaining") + ")";
        EXPECT_EQ(Text(window, Dlg::kStatusLine), line + std::string(5, '.'));
        EXPECT_EQ(host_.texts.back(), Text(window, Dlg::kStatusLine));
        testsupport::SaveWidgetPng(window, QStringLiteral("burn_progress_converting"));
        // The dots run up to ten and start again.
        for (int i = 0; i < 5; ++i) dialog.OnTimer();
        EXPECT_EQ(Text(window, Dlg::kStatusLine), line + std::string(10, '.'));
        dialog.OnTimer();
        EXPECT_EQ(Text(window, Dlg::kStatusLine), line);
        ExpectUnclipped(window);
    });
    EXPECT_EQ(result, kLeftOpen);
}

TEST_F(BurnProgressTest, WritingShowsThePhaseTheTimeLeftTheBarAndTheLogoLevel) {
    AddTrack("Song", 60000);
    burner_->burnProofInUse.store(true);
    drives_.percentDone = 40;
    drives_.timeRemaining = 200000;
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        dialog.OnTimer();
        {
            // As a write's events leave it.
            burner_->writing.store(true);
            burner_->SetState(kBurnStateBurning);
            burner_->writePhase.store(3);
            burner_->writeStart.store(clock_.now.load());
        }
        dialog.OnTimer();
        EXPECT_EQ(MarksShown(window), 3);
        dialog.OnTimer();
        EXPECT_EQ(MarksShown(window), 4);
        EXPECT_EQ(Text(window, Dlg::kMessage), KeyedText("BGD_Step3bDescBurnProof"));
        EXPECT_EQ(Text(window, Dlg::kStatusLine), StateText(*burner_) + " (" + LengthText(200000) + " " +
                                                      KeyedText("BSG_Remaining") + ").");
        ASSERT_FALSE(host_.logoLevels.empty());
        EXPECT_DOUBLE_EQ(host_.logoLevels.back(), 0.4);
        // 40 % of the 16 progress frames.
        EXPECT_EQ(dialog.AnimationFrame(), 6);
        const QImage& bar = dialog.Bar().Image();
        EXPECT_EQ(bar.pixel(bar.width() / 10, bar.height() / 2), CBurnPercentBar::kWritingColor);

        burner_->measuredSpeedValid.store(true);
        burner_->measuredSpeed.store(7.5);
        dialog.OnTimer();
        EXPECT_EQ(Text(window, Dlg::kActualSpeed), FormatKeyedText("BGD_Actual", {7.5}));
        ExpectUnclipped(window);
        testsupport::SaveWidgetPng(window, QStringLiteral("burn_progress_writing"));

        // The engine finalises: time unknown, every step marked, the bar full.
        drives_.timeRemaining = -1;
        dialog.OnTimer();
        EXPECT_EQ(MarksShown(window), 5);
        EXPECT_EQ(Text(window, Dlg::kMessage), KeyedText("BGD_Step4bDescBurnProof"));
        EXPECT_EQ(Text(window, Dlg::kStatusLine).rfind(StateText(*burner_) + " (" +
                                                           KeyedText(BurnPhaseKey(4)) + ")", 0),
                  0u);
        EXPECT_EQ(dialog.AnimationFrame(), 15);
        burner_->writing.store(false);
    });
    EXPECT_EQ(result, kLeftOpen);
}

TEST_F(BurnProgressTest, ATestIsTitledAndStepsAsATest) {
    AddTrack("Song", 60000);
    burner_->test.store(true);
    const int result = Run([&](Dlg& dialog, QDialog* window) {
        EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("BGD_TITLE_Test"));
        EXPECT_EQ(Text(window, Dlg::kStepLabels[3]), KeyedText("BGD_Step3B"));
        dialog.OnTimer();
        burner_->writing.store(true);
        burner_->SetState(kBurnStateTesting);
        burner_->writePhase.store(1);
        dialog.OnTimer();
        dialog.OnTimer();
        EXPECT_EQ(Text(window, Dlg::kMessage), KeyedText("BGD_Step2aDesc"));
        // The test passed and the real copies begin.
        burner_->test.store(false);
        burner_->SetState(kBurnStateBurning);
        dialog.OnTimer();
        EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("BGD_TITLE"));
        EXPECT_EQ(Text(window, Dlg::kStepLabels[3]), KeyedText("BGD_Step3"));
        burner_->writing.store(false);
    });
    EXPECT_EQ(result, kLeftOpen);
}


// The burn's own worker writing to the drive library's image drive: a song
// whose file is missing stops the burn at the dialog's first tick, before
// the worker gets past the dialog's look at the session, so no disc image
// is written.
class BurnProgressImageDriveTest : public BurnProgressTest {
protected:
    void SetUp() override {
        BurnProgressTest::SetUp();
        platter_.listRealDrives = false;
        tray_ = dir_.File("tray") + "/";
        platter_.imageDrive.trays = {tray_};
        platter_.imageDrive.paced = false;
        platter_.imageDrive.swapDelayMs = 0;
        platter_.imageDrive.capacityMinutes = 80;
        // The written disc stays in the tray.
        prefs_.BurnerPrefs[kBurnerEject] = 0;
        TBurningEngine engine = static_cast<TBurningEngine>(0);
        ASSERT_TRUE(platter_.InitializeASPILayer(false, nullptr, nullptr, &engine));
        platter_.burningEngine = 0;
        TBurnTiming timing = burn_progress_test::TestTiming();
        timing.workerWaitLongMs = timing.workerWaitMidMs = timing.workerWaitShortMs = 1;
        timing.preWriteWindowMs = 0;
        burner_ = std::make_unique<CBurner>(imageDrives_, prefs_, host_, &clock_, timing);
        burner_->SetTrackList(&tracks_);
        ASSERT_EQ(burner_->Initialize(), 1);
        burner_->SetFreeSpaceFunction([](const char*) { return 1e12; });
    }
    void TearDown() override {
        burner_.reset();
        BurnProgressTest::TearDown();
    }

    PLATTER_CPlatter platter_;
    CPlatterDrives imageDrives_{platter_};
    std::string tray_;
};

TEST_F(BurnProgressImageDriveTest, AMissingFileStopsTheRealBurnAtTheFirstTick) {
    // Still loading when the burn starts: the worker waits for it, and the
    // dialog is open by the time it is ready.
    AddTrack("Song", 60000, kTrackWaiting);
    AddTrack("Gone", 60000, kTrackFileNotFound);
    prefs_.BurnerPrefs[kBurnerCopies] = 1;
    burner_->test.store(false);
    ASSERT_TRUE(burner_->StartBurn(kBurnModeConvertAsNeeded, 0));
    ui_.ExpectMessage("BEM_MissingFile", IDOK);
    CBurnProgressDlg dialog(TBurnProgressContext{prefs_, *burner_, tracks_, host_});
    testsupport::WhenModalShown([&](QWidget* window) {
        EXPECT_TRUE(burner_->checkingGate.load());
        tracks_.GetAt(0)->SetState(kTrackReady);
        dialog.OnTimer();
        if (window->isVisible()) qobject_cast<QDialog*>(window)->done(kLeftOpen);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), 0);
    EXPECT_FALSE(burner_->threadRunning.load());
    EXPECT_EQ(burner_->errorIndex.load(), 10);
    EXPECT_FALSE(burner_->Device()->ReadDeviceInfo() && burner_->Device()->trackCount > 0);
}

TEST_F(BurnProgressImageDriveTest, ARealBurnRunsUnderTheDialogWhichClosesWhenTheWorkerEnds) {
    prefs_.bNormalizeSounds = 0;
    const std::string path = dir_.File("song.wav");
    testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 5000, 3000));
    AddTrack("Song", 5000);
    {
        TONECORE_CMusicInfo info = tracks_.GetAt(0)->GetMusicInfo();
        std::snprintf(info.path, sizeof info.path, "%s", path.c_str());
        tracks_.Clear(false);
        CCDTrack track(prefs_, info);
        track.SetUserTrims(0, 5000);
        track.SetAutoTrims(0, 5000);
        track.SetCdQuality(true);
        tracks_.GetAt(tracks_.AppendCopy(track))->SetState(kTrackWaiting);
    }
    burner_->test.store(false);
    burner_->copies.store(1);
    ASSERT_TRUE(burner_->StartBurn(kBurnModeConvertAsNeeded, 0));
    CBurnProgressDlg dialog(TBurnProgressContext{prefs_, *burner_, tracks_, host_});
    testsupport::WhenModalShown([&](QWidget* window) {
        tracks_.GetAt(0)->SetState(kTrackReady);
        dialog.OnTimer();
        EXPECT_FALSE(burner_->checkingGate.load());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !burner_->threadRunning.load(); },
                                    testsupport::kHangLimitMs));
        dialog.OnTimer();
        if (window->isVisible()) qobject_cast<QDialog*>(window)->done(kLeftOpen);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), 1);
    EXPECT_EQ(burner_->errorIndex.load(), 0);
    EXPECT_EQ(burner_->state.load(), kBurnStateBurnt);
    // The image drive holds the written disc.
    ASSERT_TRUE(burner_->Device()->ReadDeviceInfo());
    EXPECT_EQ(burner_->Device()->trackCount, 1);
}

}  // namespace
