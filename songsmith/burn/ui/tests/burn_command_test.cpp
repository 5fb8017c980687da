// The Burn command and the burn's results in the main window, over a real
// burn controller whose writer is a scripted drive and whose burn pass is
// the test's: which refusal wins, a Burn pressed during a test or a write,
// the speed question, the settings logged and the burn mode chosen, the
// results held back until the command returns, and every branch of the
// error report with its retries and advice.
#include "songsmith/burn/ui/burn_command.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/dialogs/ui/tests/dialog_waits.h"
#include "songsmith/prefs/ui/tests/earlier_run_preferences.h"
#include "filekit/log.h"
#include "filekit/reg_key.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "platform/wave_format.h"
#include "platter/platter.h"
#include "platter/types.h"
#include "songsmith/burn/ui/burn_dialog.h"
#include "songsmith/burn/ui/burn_failed_dialog.h"
#include "songsmith/burn/ui/burn_progress_dialog.h"
#include "songsmith/burn/ui/burn_success_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/app/ui/main_window.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/tags/music_info.h"
#include "utilities/keyed_text.h"
#include "utilities/undo_manager.h"

namespace {

using burnprogram::WhenDialogShown;
using testsupport::ClickControl;
using testsupport::FindControl;

constexpr const char* kCdromService = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";

TBurnTiming QuickTiming() {
    TBurnTiming timing;
    timing.workerWaitLongMs = timing.workerWaitMidMs = timing.workerWaitShortMs = 5;
    timing.preWriteWindowMs = 0;
    timing.dialogTickMs = timing.dialogShortTickMs = 10;
    timing.insertDiscPollMs = 10;
    timing.successAnimationMs = 30;
    return timing;
}

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

class BurnCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryStoreSetFolder("");
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        logPath_ = home_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
        AsAnEarlierRunLeftThem(prefs_);
        // The Burn dialog's own questions are not this test's.
        prefs_.bFirstBurnWarning = 0;
        prefs_.bFastBurnWarning = 0;
        prefs_.bConvertWavWarning3 = 0;
        prefs_.iDefaultMediaSize = 74;
        prefs_.bAutoDetectMediaSize = 0;
        prefs_.BurnerPrefs[kBurnerMode] = 2;
        prefs_.BurnerPrefs[kBurnerCopies] = 1;
        prefs_.BurnerPrefs[kBurnerWriteSpeed] = 255;
        prefs_.BurnerPrefs[kBurnerCdText] = 0;
        prefs_.BurnerPrefs[kBurnerBurnProof] = 0;
        prefs_.BurnerPrefs[kBurnerEject] = 0;
        platter_.listRealDrives = false;
        platter_.imageDrive.enabled = false;
        ASSERT_TRUE(platter_.InitializeASPILayer(false, nullptr, nullptr, nullptr));
        window_ = std::make_unique<CMainWindow>(prefs_, platter_);
        ASSERT_TRUE(window_->Create());
        window_->Show();
        Settle();
        writer_ = &drives_.Add(true);
        writer_->SetIdentityText("Fake", "Writer");
        writer_->ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
        writer_->SetSpeeds({4, 8, 16, 24}, 1);
        host_.receiver = window_->ReceiverId();
        MakeBurner(true);
    }
    void TearDown() override {
        finish_.store(true);
        command_.reset();
        session_.reset();
        burner_.reset();
        window_.reset();
        LogDeinit();
        RegistryStoreUnload();
    }

    // A controller (with a writer when initialise) and the command over it.
    void MakeBurner(bool initialise) {
        command_.reset();
        session_.reset();
        burner_ = std::make_unique<CBurner>(drives_, prefs_, host_, &clock_, QuickTiming());
        burner_->SetTrackList(&tracks_);
        if (initialise) {
            ASSERT_EQ(burner_->Initialize(), 1);
        }
        burner_->SetBurnPass([this](CBurner& burner) { Pass(burner); });
        session_ = std::make_unique<CSessionList>(TSessionListPartners{
            tracks_, prefs_, undo_, burner_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr});
        TBurnCommandPartners partners{*window_, *burner_, prefs_, tracks_, undo_, host_, session_.get()};
        partners.zentEngine = [this] { return drives_.engine == kEngineZent; };
        partners.playerPlaying = [this] { return playing_; };
        partners.stopPlayer = [this] {
            playing_ = false;
            notes_.push_back("player stopped");
        };
        partners.playSound = [this](const char* path) { notes_.push_back(std::string("sound ") + path); };
        partners.autoSave = [this] { notes_.push_back("saved"); };
        command_ = std::make_unique<CBurnCommand>(std::move(partners));
        command_->Bind();
    }

    // The burn the worker runs: what the test put in pass_, else nothing.
    void Pass(CBurner& burner) {
        passModes_.push_back(burner.mode.load());
        passTests_.push_back(burner.test.load());
        if (pass_) pass_(burner);
    }

    void AddTrack(const char* title, std::int32_t lengthMs, int state = kTrackReady) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "/music/%s.wav", title);
        std::snprintf(info.title, sizeof info.title, "%s", title);
        info.lengthMs = lengthMs;
        info.flags[2] = true;
        info.waveFormat.wFormatTag = WAVE_FORMAT_PCM;
        CCDTrack track(prefs_, info);
        track.SetUserTrims(0, lengthMs);
        track.SetAutoTrims(0, lengthMs);
        const int index = tracks_.AppendCopy(track);
        tracks_.GetAt(index)->SetState(state);
        session_->RebuildRows();
    }

    // The next Burn dialog is started with Start (after before, if given).
    void StartWhenAsked(std::function<void(QDialog*)> before = nullptr) {
        WhenDialogShown(CBurnDialog::kDialogId, [this, before](QDialog* dialog) {
            ++burnDialogs_;
            if (before) before(dialog);
            ClickControl(dialog, IDOK);
        });
    }
    void CancelWhenAsked() {
        WhenDialogShown(CBurnDialog::kDialogId, [this](QDialog* dialog) {
            ++burnDialogs_;
            ClickControl(dialog, IDCANCEL);
        });
    }

    std::string LogText() const { return testsupport::ReadWholeFile(logPath_); }
    // The log's text written from offset on.
    std::string LogSince(std::size_t offset) const {
        const std::string text = LogText();
        return offset < text.size() ? text.substr(offset) : std::string();
    }
    // Whether the texts appear in this order in text.
    static bool InOrder(const std::string& text, const std::vector<std::string>& wanted) {
        std::size_t at = 0;
        for (const std::string& line : wanted) {
            at = text.find(line, at);
            if (at == std::string::npos) return false;
            at += line.size();
        }
        return true;
    }
    // Whether text has a line that ends in line.
    static bool HasLine(const std::string& text, const std::string& line) {
        for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
            const std::size_t end = at + line.size();
            if (end == text.size() || text[end] == '\r' || text[end] == '\n') return true;
        }
        return false;
    }
    void WaitForWorkerEnd() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !burner_->threadRunning.load(); },
                                    testsupport::kHangLimitMs));
    }

    testsupport::TempDir home_;
    testsupport::CScopedEnv homeEnv_{"SONGSMITH_HOME", home_.Path()};
    std::string logPath_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    CUndoMgr undo_{CUndoMgr::kDefaultMaxDepth};
    burner_test::CTestDrives drives_;
    burner_test::CTestHost host_;
    burner_test::CTestClock clock_;
    PLATTER_CFakeDevice* writer_ = nullptr;
    PLATTER_CPlatter platter_;
    std::unique_ptr<CMainWindow> window_;
    std::unique_ptr<CBurner> burner_;
    std::unique_ptr<CSessionList> session_;
    std::unique_ptr<CBurnCommand> command_;
    testsupport::CFakeUiServices ui_;
    std::function<void(CBurner&)> pass_;
    std::vector<int> passModes_;
    std::vector<bool> passTests_;
    std::vector<std::string> notes_;
    std::atomic<bool> finish_{false};
    bool playing_ = false;
    int burnDialogs_ = 0;
};

// Each refusal stops the command at its own message, before any that
// follows it, and nothing is started.
TEST_F(BurnCommandTest, RefusalsComeInTheirOrderAndStartNothing) {
    enum class ESetUp { kNoWriter, kEmpty, kMissingAndTooLong, kTooLong };
    struct TCase {
        ESetUp setUp;
        const char* key;  // the box shown; null: the will-not-fit dialog
        const char* logLine;
    } cases[] = {
        {ESetUp::kNoWriter, "BEM_NotInitialized", "CMainWindow::OnBurn: burner.Initialized() is false"},
        {ESetUp::kEmpty, "BE_NoSongs", "CMainWindow::OnBurn: no songs to burn"},
        {ESetUp::kMissingAndTooLong, "BE_MissingSongs", "CMainWindow::OnBurn: missing songs"},
        {ESetUp::kTooLong, nullptr, "CMainWindow::OnBurn: cd is too long, going to launch excess-burn dialog"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.logLine);
        tracks_.Clear(false);
        MakeBurner(c.setUp != ESetUp::kNoWriter);
        if (c.setUp != ESetUp::kEmpty) {
            AddTrack("Long", 75 * 60000);
            AddTrack("Gone", 60000, c.setUp == ESetUp::kMissingAndTooLong ? kTrackFileNotFound : kTrackReady);
            AddTrack("Later gone", 60000, c.setUp == ESetUp::kMissingAndTooLong ? kTrackFileNotFound : kTrackReady);
        }
        const std::size_t logAt = LogText().size();
        bool willNotFit = false;
        if (c.key != nullptr) {
            ui_.ExpectMessage(c.key, IDOK);
        } else {
            WhenDialogShown(CWillNotFitDlg::kDialogId, [&](QDialog* dialog) {
                willNotFit = true;
                ClickControl(dialog, IDCANCEL);
            });
        }
        window_->OnCommand(cmd::kBurn);
        EXPECT_EQ(willNotFit, c.key == nullptr);
        const std::string log = LogSince(logAt);
        EXPECT_TRUE(InOrder(log, {"Entered CMainWindow::OnBurn", c.logLine})) << log;
        EXPECT_EQ(log.find("about to run CBurnDialog"), std::string::npos) << log;
        if (c.key == nullptr) {
            EXPECT_NE(log.find("CMainWindow::OnBurn: cd length is OK"), std::string::npos);
        }
        EXPECT_TRUE(passModes_.empty());
        EXPECT_FALSE(window_->BurnCommandRunning());
        if (c.setUp == ESetUp::kMissingAndTooLong) {
            // The first missing song's row is selected.
            tracks_.Lock();
            EXPECT_TRUE(tracks_.GetAt(1)->IsSelected());
            EXPECT_FALSE(tracks_.GetAt(2)->IsSelected());
            tracks_.Unlock();
        }
    }
    EXPECT_EQ(burnDialogs_, 0);
}

// Burn pressed while a burn runs: a test (or a write not yet begun) stops
// at once; a write asks first. The question is asked with the controller's
// lock let go: the drive's events, which take it, keep arriving meanwhile.
class CQuestionUi final : public IUiServices {
public:
    explicit CQuestionUi(std::function<std::int32_t(const TMessageRequest&)> answer)
        : answer_(std::move(answer)), previous_(SetUiServices(this)) {}
    ~CQuestionUi() override { SetUiServices(previous_); }
    TMessageAnswer ShowMessage(void*, const TMessageRequest& request) override {
        keys.push_back(request.key);
        return TMessageAnswer{answer_(request), false};
    }
    std::vector<std::string> ChooseFile(void*, const TFileChooserRequest&) override { return {}; }
    std::string ChooseFolder(void*, const char*, const char*) override { return {}; }
    bool OpenUrl(const char*) override { return false; }
    bool OpenFolder(const char*) override { return false; }
    void ShowHelpContents() override {}
    void ShowHelpContext(std::int32_t) override {}
    void ShowHelpPopup(std::int32_t, void*) override {}
    void StartMixerProgram() override {}
    void AddRecentDocument(const char*) override {}
    std::vector<std::string> keys;

private:
    std::function<std::int32_t(const TMessageRequest&)> answer_;
    IUiServices* previous_;
};

TEST_F(BurnCommandTest, BurnDuringATestStopsItAtOnceAndDuringAWriteAsksWhileTheDriveGoesOn) {
    AddTrack("Song", 60000);
    // The pass stands for a write: the drive reports a gap being written
    // (the event that takes the controller's lock) until the burn stops.
    std::atomic<int> events{0};
    std::mutex eventLock;
    std::condition_variable eventArrived;
    pass_ = [&](CBurner& burner) {
        while (!burner.abort.load() && !finish_.load()) {
            TBurnEvent event{};
            event.code = EVENT_RECORD_GAP_START;
            BurnEventCallback(&burner, &event);
            {
                std::lock_guard<std::mutex> hold(eventLock);
                ++events;
            }
            eventArrived.notify_all();
            burner.WaitFor(2);
        }
    };
    struct TCase {
        bool test;
        std::int32_t answer;  // 0: no question
        bool aborted;
    } cases[] = {{true, 0, true}, {false, IDNO, false}, {false, IDYES, true}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "test " << c.test << " answer " << c.answer);
        finish_.store(false);
        events.store(0);
        burner_->test.store(c.test);
        ASSERT_TRUE(burner_->StartBurn(kBurnModeOnTheFly, 0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return events.load() > 0; }, testsupport::kHangLimitMs));
        ASSERT_EQ(burner_->State(), c.test ? kBurnStateTesting : kBurnStateBurning);
        bool eventsDuringQuestion = false;
        CQuestionUi ui([&](const TMessageRequest& request) {
            EXPECT_EQ(request.key, "BE_AbortWarning");
            // Three more events while the user reads the question.
            std::unique_lock<std::mutex> hold(eventLock);
            const int seen = events.load();
            eventsDuringQuestion = eventArrived.wait_for(hold, testsupport::kHangLimit,
                                                         [&] { return events.load() >= seen + 3; });
            return c.answer;
        });
        window_->OnCommand(cmd::kBurn);
        EXPECT_EQ(ui.keys.size(), c.answer == 0 ? 0u : 1u);
        if (c.answer != 0) {
            EXPECT_TRUE(eventsDuringQuestion);
        }
        EXPECT_EQ(!burner_->threadRunning.load(), c.aborted);
        EXPECT_EQ(burnDialogs_, 0);
        finish_.store(true);
        WaitForWorkerEnd();
        EXPECT_EQ(burner_->errorIndex.load(), c.aborted ? 10 : 0);
        burner_->errorIndex.store(0);
    }
    EXPECT_EQ(writer_->abortWriteCalls, 2);
}

// A speed the writer no longer offers (another disc went in meanwhile) is
// put to the user with both speeds; only Yes burns.
TEST_F(BurnCommandTest, ASpeedTheWriterDoesNotOfferAsksWithBothSpeeds) {
    AddTrack("Song", 60000);
    for (const std::int32_t answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        writer_->SetSpeeds({4, 8, 16, 24}, 1);
        StartWhenAsked([this](QDialog* dialog) {
            auto* speeds = FindControl<QComboBox>(dialog, CBurnDialog::kSpeedList);
            speeds->setCurrentIndex(speeds->findData(16));
            // Before the burn starts the writer offers 12X at most below 16X.
            writer_->SetSpeeds({4, 8, 12, 24}, 1);
        });
        ui_.ExpectMessage("BBS_body", answer);
        const std::size_t logAt = LogText().size();
        window_->OnCommand(cmd::kBurn);
        WaitForWorkerEnd();
        const std::vector<testsupport::TUiCall> calls = ui_.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().text, FormatKeyedText("BBS_body", {16, 12}));
        EXPECT_EQ(calls.back().caption, KeyedText("BBS_title"));
        const std::string log = LogSince(logAt);
        EXPECT_TRUE(InOrder(log, {"CMainWindow::OnBurn: checking for closest matching speed",
                                  "CMainWindow::OnBurn: burn speeds don't match; asking for permission to burn"}));
        if (answer == IDNO) {
            EXPECT_NE(log.find("Decide to cancel starting a burn.."), std::string::npos);
            EXPECT_TRUE(passModes_.empty());
        } else {
            EXPECT_NE(log.find("CMainWindow::OnBurn: checked burn speeds"), std::string::npos);
            EXPECT_EQ(passModes_.size(), 1u);
        }
    }
}

// Before the burn starts the command stops the player, sets the test flag
// by the mode, saves the session, logs the settings, clears the undo
// history and every row's selection, and keeps its flag up until the
// progress dialog has closed.
TEST_F(BurnCommandTest, BeforeTheBurnTheCommandStopsThePlayerSavesLogsAndClearsTheSelection) {
    AddTrack("Song", 60000);
    AddTrack("Other", 60000);
    struct TCase {
        int mode;
        bool test;
        const char* modeLine;
        bool copiesLine;
    } cases[] = {{0, true, "Test Only", false}, {1, true, "Test then burn", true}, {2, false, "Burn Only", true}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.modeLine);
        prefs_.BurnerPrefs[kBurnerMode] = c.mode;
        playing_ = true;
        notes_.clear();
        undo_.NextUndoSet();
        tracks_.Lock();
        tracks_.GetAt(0)->SetSelected(true);
        tracks_.Unlock();
        bool flagDuringDialogs = false;
        StartWhenAsked([&](QDialog* dialog) {
            flagDuringDialogs = window_->BurnCommandRunning();
            ClickControl(dialog, c.mode == 0 ? CBurnDialog::kTest
                                 : c.mode == 1 ? CBurnDialog::kTestThenBurn
                                               : CBurnDialog::kBurn);
        });
        const std::size_t logAt = LogText().size();
        window_->OnCommand(cmd::kBurn);
        WaitForWorkerEnd();
        EXPECT_TRUE(flagDuringDialogs);
        EXPECT_FALSE(window_->BurnCommandRunning());
        EXPECT_EQ(notes_, (std::vector<std::string>{"player stopped", "saved"}));
        ASSERT_FALSE(passTests_.empty());
        EXPECT_EQ(passTests_.back(), c.test);
        EXPECT_FALSE(undo_.CanUndo());
        tracks_.Lock();
        EXPECT_FALSE(tracks_.GetAt(0)->IsSelected());
        tracks_.Unlock();
        const std::string rule(44, '-');
        std::vector<std::string> lines = {rule, "Burn settings", rule, c.modeLine, "Burn speed = 24X"};
        if (c.copiesLine) lines.push_back("Num CDs to burn = 1");
        for (const char* line :
             {"Not converting any tracks...we are burning on the fly, baby!",
              "Could not read auto insert notification info.", "Could not read DMA info.",
              "Could not read Disconnect info.", "Could not read Sync Data Transfer info."})
            lines.emplace_back(line);
        lines.push_back(rule);
        lines.emplace_back("Gap or no silence between tracks. burning on the fly! (ZENT)");
        const std::string log = LogSince(logAt);
        EXPECT_TRUE(InOrder(log, lines)) << log;
        EXPECT_EQ(log.find("Num CDs to burn") != std::string::npos, c.copiesLine);
    }
}

// The burn mode by engine, convert-first, the transitions' kind and the
// mandatory-only conversion, with its log line; converted files are
// reused exactly while nothing changed since the conversion.
TEST_F(BurnCommandTest, TheStrategyTableChoosesTheModeAndLogsIt) {
    AddTrack("Song", 60000);
    struct TCase {
        std::int32_t engine;
        bool convert;
        int kind;
        bool mandatory;
        int mode;
        const char* line;
    } cases[] = {
        {1, true, 2, false, 1, "Mixing tracks, converting all tracks to wav first. (ZENT)"},
        {1, true, 1, false, 1, "Gap or no silence between tracks. Converting all tracks to wav first. (ZENT)"},
        {1, false, 2, true, 5, "Mixing tracks, burning on the fly! (ZENT)"},
        {1, false, 0, false, 5, "Gap or no silence between tracks. burning on the fly! (ZENT)"},
        {0, true, 2, false, 1, "Mixing tracks, converting all tracks to wav first."},
        {0, true, 0, true, 4,
         "Gap or no silence between tracks. Converting compressed mp3s or wav files that need to be trimmed or "
         "normalized into CD quality wavs..."},
        {0, false, 2, true, 3, "Only converting files that do not decode to CD quality first"},
        {0, false, 1, true, 3, "Only converting files that do not decode to CD quality first"},
        {0, false, 1, false, 2, "Gap or no silence between tracks. Converting some tracks to CD quality wavs."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line);
        drives_.engine = c.engine;
        prefs_.BurnerPrefs[kBurnerConvertFirst] = c.convert ? 1 : 0;
        prefs_.fadePreferences.transitionMode = c.kind;
        prefs_.bMandatoryWaveConversionsOnly = c.mandatory ? 1 : 0;
        StartWhenAsked();
        const std::size_t logAt = LogText().size();
        window_->OnCommand(cmd::kBurn);
        WaitForWorkerEnd();
        ASSERT_FALSE(passModes_.empty());
        EXPECT_EQ(passModes_.back(), c.mode);
        EXPECT_TRUE(HasLine(LogSince(logAt), c.line)) << LogSince(logAt);
    }
    // The last conversion's files (same mode, complete) are reused only
    // while the session has not changed since.
    for (const bool changed : {true, false}) {
        SCOPED_TRACE(changed);
        burner_->conversionComplete.store(true);
        session_->SetChangedSinceConversion(changed);
        StartWhenAsked();
        window_->OnCommand(cmd::kBurn);
        WaitForWorkerEnd();
        EXPECT_EQ(burner_->reuseConverted.load(), !changed);
    }
}

// The burn's end and errors arriving while the command runs wait until it
// has returned: a retry then starts from the window's own loop, and only
// one progress dialog is ever open.
TEST_F(BurnCommandTest, ResultsWaitForTheCommandSoARetryStartsFromTheTop) {
    AddTrack("Song", 60000);
    int passes = 0;
    pass_ = [&](CBurner& burner) {
        ++passes;
        // The worker's own reports: the first pass fails with an underrun,
        // the second burns.
        const bool fail = passes == 1;
        if (fail) burner.errorIndex.store(15);
        PostAppMessage(host_.receiver, TAppMessage{WM_BURN_FINISHED, fail ? 0u : 1u, 1, nullptr});
        if (fail) PostAppMessage(host_.receiver, TAppMessage{WM_BURN_ERROR, 15, 0, nullptr});
        // Still running while the messages reach the progress dialog's loop.
        burner.WaitFor(50);
    };
    auto openProgressDialogs = [] {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += widget->isVisible() && widget->objectName() == QString::number(CBurnProgressDlg::kDialogId) ? 1 : 0;
        return open;
    };
    std::vector<std::string> steps;
    bool commandReturned = false;
    StartWhenAsked();
    WhenDialogShown(CBurnFailedDlg::kDialogId, [&](QDialog* dialog) {
        steps.push_back(commandReturned ? "failed after the command" : "failed inside the command");
        steps.push_back("progress dialogs open: " + std::to_string(openProgressDialogs()));
        StartWhenAsked([&](QDialog*) {
            steps.push_back("retry: progress dialogs open: " + std::to_string(openProgressDialogs()));
        });
        WhenDialogShown(CBurnSuccessDlg::kDialogId, [&](QDialog* success) {
            steps.push_back("success");
            ClickControl(success, IDOK);
        });
        ClickControl(dialog, CBurnFailedDlg::kRetrySame);
    });
    window_->OnCommand(cmd::kBurn);
    commandReturned = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !steps.empty() && steps.back() == "success"; },
                                testsupport::kHangLimitMs));
    EXPECT_EQ(steps, (std::vector<std::string>{"failed after the command", "progress dialogs open: 0",
                                               "retry: progress dialogs open: 0", "success"}));
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(burner_->errorIndex.load(), 0);
}

// A report shown as a box: the controller's own text, or the text of the
// index's key (logged), always as the exclamation box with OK; the index
// is reset after.
TEST_F(BurnCommandTest, ErrorsReportedAsABoxShowTheirTextAndResetTheIndex) {
    std::snprintf(burner_->errorText.data(), burner_->errorText.size(), "%s", "The drive said no.");
    struct TCase {
        int index;
        const char* shown;  // key, or the text for index 0
    } cases[] = {{0, "The drive said no."},
                 {3, "BE_CDRecorderNotFound"},
                 {8, "BE_OutOfHardDriveSpace"},
                 {10, "BE_UserAborted"},
                 {11, "BE_UserAbortedBadCD"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.index);
        burner_->errorIndex.store(c.index);
        ui_.ExpectMessage(c.shown, IDOK);
        const std::size_t logAt = LogText().size();
        command_->ReportBurnError(c.index);
        const testsupport::TUiCall call = ui_.Calls().back();
        EXPECT_EQ(call.flags, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(burner_->errorIndex.load(), 0);
        if (c.index >= 8) {
            EXPECT_TRUE(HasLine(LogSince(logAt), KeyedText(c.shown))) << LogSince(logAt);
        }
    }
    // A failure that left no text of the drive library's still says so.
    burner_->errorText[0] = '\0';
    burner_->errorIndex.store(0);
    ui_.ExpectMessage("BE_GenError", IDOK);
    command_->ReportBurnError(0);
    EXPECT_EQ(ui_.Calls().back().text, KeyedText("BE_GenError"));
}

// The burn-failed dialog: its texts by the pass and the index, CD-Text
// switched off after a command failure, and the advice after an underrun
// the user does not retry.
TEST_F(BurnCommandTest, TheBurnFailedDialogTellsWhatFailedAndWhetherTheDiscIsUsable) {
    std::snprintf(burner_->errorText.data(), burner_->errorText.size(), "%s", "Write error at track 2.");
    struct TCase {
        int index;
        bool test;
        int copies;
        int copyIndex;
        std::string outcome;
        const char* secondKey;  // null: none shown
        bool usable;
        const char* advice;     // null: none
    } cases[] = {
        {9, true, 1, 0, KeyedText("BFD_TestFailed"), nullptr, true, nullptr},
        {9, false, 1, 0, KeyedText("BFD_BurnFailed"), nullptr, true, nullptr},
        {14, false, 1, 0, KeyedText("BFD_BurnFailed"), "BFD_MayNotSupportCDText", false, nullptr},
        {14, true, 1, 0, KeyedText("BFD_TestFailed"), "BFD_MayNotSupportCDText", true, nullptr},
        {15, false, 3, 1, FormatKeyedText("BFD_BurnPartialSuccess", {2, 3}), "BFD_BufUnderrun", false,
         "BEM_SuggestBurnSolution"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.index << " test " << c.test << " copies " << c.copies);
        prefs_.BurnerPrefs[kBurnerCdText] = 1;
        burner_->errorIndex.store(c.index);
        burner_->test.store(c.test);
        burner_->copies.store(c.copies);
        burner_->copyIndex.store(c.copyIndex);
        // The underrun came after the second track.
        burner_->currentTrack.store(2);
        bool shown = false;
        WhenDialogShown(CBurnFailedDlg::kDialogId, [&](QDialog* dialog) {
            shown = true;
            EXPECT_EQ(FindControl<QLabel>(dialog, CBurnFailedDlg::kErrorText)->text().toStdString(),
                      c.outcome + "\nWrite error at track 2.");
            QLabel* second = FindControl<QLabel>(dialog, CBurnFailedDlg::kSecondText);
            EXPECT_EQ(second->isVisible(), c.secondKey != nullptr);
            if (c.secondKey != nullptr) {
                EXPECT_EQ(second->text().toStdString(), KeyedText(c.secondKey));
            }
            EXPECT_EQ(FindControl<QLabel>(dialog, CBurnFailedDlg::kUsable)->text().toStdString(),
                      KeyedText(c.usable ? "BFD_CDUsable" : "BFD_CDNotUsable"));
            EXPECT_EQ(FindControl<QLabel>(dialog, CBurnFailedDlg::kLastSpeed)->text().toStdString(),
                      FormatKeyedText("BFD_LastBurnSpeed", {24}));
            if (c.index == 15) testsupport::SaveWidgetPng(dialog, "burn_failed_from_window");
            ClickControl(dialog, CBurnFailedDlg::kCancel);
        });
        if (c.advice != nullptr) ui_.ExpectMessage(c.advice, IDOK);
        const std::size_t logAt = LogText().size();
        command_->ReportBurnError(c.index);
        EXPECT_TRUE(shown);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerCdText], c.index == 14 ? 0 : 1);
        EXPECT_TRUE(InOrder(LogSince(logAt), {"Burn/test failed!", c.outcome}));
        EXPECT_EQ(burner_->errorIndex.load(), 0);
        EXPECT_EQ(burnDialogs_, 0);
    }
}

// An underrun in the first two tracks points at the disc notification:
// the drive's setting when it can be read (on a seeded store), else the
// desktop's automounting with the help page; never again once the user
// said so.
TEST_F(BurnCommandTest, AnEarlyUnderrunAdvisesOnTheDiscNotification) {
    enum class EStore { kUnseeded, kOff, kOn };
    struct TCase {
        EStore store;
        int warnedBefore;
        std::vector<std::string> keys;
        int warnedAfter;
        bool help;
    } cases[] = {
        {EStore::kUnseeded, 1, {}, 1, false},
        {EStore::kUnseeded, 0, {"BEM_AutoInsertWarn2"}, 0, true},
        {EStore::kOff, 0, {"BEM_SuggestBurnSolution"}, 0, false},
        {EStore::kOn, 0, {"BEM_AutoInsertWarn", "BEM_AutoInsertWarn2", "BEM_RebootMessage"}, 1, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.store) << " warned " << c.warnedBefore);
        if (c.store != EStore::kUnseeded) {
            CRegKey machine(HKEY_LOCAL_MACHINE);
            std::unique_ptr<CRegKey> service(machine.CreateSubKey(kCdromService));
            ASSERT_NE(service, nullptr);
            service->SetKeyNum("Autorun", c.store == EStore::kOn ? 1 : 0);
        }
        prefs_.bAutoInsertWarning = c.warnedBefore;
        burner_->test.store(false);
        burner_->currentTrack.store(1);
        WhenDialogShown(CBurnFailedDlg::kDialogId,
                        [](QDialog* dialog) { ClickControl(dialog, CBurnFailedDlg::kCancel); });
        for (const std::string& key : c.keys)
            ui_.ExpectMessage(key, key == "BEM_AutoInsertWarn" ? IDYES : key == "BEM_RebootMessage" ? IDNO : IDOK,
                              key == "BEM_AutoInsertWarn");
        const std::size_t callsBefore = ui_.Calls().size();
        command_->ReportBurnError(15);
        bool help = false;
        const std::vector<testsupport::TUiCall> calls = ui_.Calls();
        for (std::size_t i = callsBefore; i < calls.size(); ++i)
            help = help || (calls[i].kind == "help context" && calls[i].number == CBurnCommand::kAutoInsertHelpContext);
        EXPECT_EQ(help, c.help);
        EXPECT_EQ(prefs_.bAutoInsertWarning, c.warnedAfter);
        if (c.store == EStore::kOn) {
            // The notification was switched off.
            int value = 1;
            ASSERT_TRUE(burner_->GetAutoInsertNotification(&value));
            EXPECT_EQ(value, 0);
        }
    }
}

// A retry at a slower speed stores the writer's next lower speed (the
// fastest counting as its top speed) and starts the command again.
TEST_F(BurnCommandTest, ASlowerRetryStoresTheNextLowerSpeedAndBurnsAgain) {
    AddTrack("Song", 60000);
    struct TCase {
        std::int32_t engine;
        int stored;
        int expected;
    } cases[] = {
        {1, 255, 16}, {1, 16, 8}, {1, 4, 4},
        // The other engine stores speed numbers, here 0 (4X) to 3 (24X).
        {0, 255, 2}, {0, 2, 1}, {0, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "engine " << c.engine << " stored " << c.stored);
        drives_.engine = c.engine;
        writer_->SetSpeeds({4, 8, 16, 24}, c.engine);
        prefs_.BurnerPrefs[kBurnerWriteSpeed] = c.stored;
        burner_->errorIndex.store(9);
        WhenDialogShown(CBurnFailedDlg::kDialogId,
                        [](QDialog* dialog) { ClickControl(dialog, CBurnFailedDlg::kRetrySlower); });
        const int dialogsBefore = burnDialogs_;
        CancelWhenAsked();
        command_->ReportBurnError(9);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerWriteSpeed], c.expected);
        EXPECT_EQ(burnDialogs_, dialogsBefore + 1);
    }
}

}  // namespace
