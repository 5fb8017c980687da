// A burn from the running program's window to an image drive, as a user
// makes it: songs added with the toolbar, the Burn button, the Burn dialog
// driven by its controls, the progress dialog running to its end and the
// success dialog. The written disc is read back from the tray and compared
// with the songs; the title cache, the automatic save and the status bar
// show the burn too.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/user_folders.h"
#include "platter/image_config.h"
#include "songsmith/burn/ui/tests/program_burn_fixture.h"
#include "songsmith/burn/ui/burn_command.h"
#include "songsmith/burn/ui/burn_dialog.h"
#include "songsmith/burn/ui/burn_failed_dialog.h"
#include "songsmith/burn/ui/burn_progress_dialog.h"
#include "songsmith/burn/ui/burn_success_dialog.h"
#include "songsmith/burn/ui/fader_settings_dialog.h"
#include "songsmith/burn/ui/insert_disc_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/session/session_list.h"
#include "testsupport/hang_limit.h"
#include "testsupport/widget_png.h"

namespace {

using burnprogram::kSecondBytes;
using burnprogram::WhenDialogShown;
using testsupport::ClickControl;
using testsupport::FindControl;

class ProgramBurnTest : public burnprogram::ProgramBurnFixture {
protected:
    // The session's songs: three whole-second WAVs (the third, of 3 s, is
    // shorter than a track may be) and a tagged MP3 last.
    struct TSongs {
        std::string first, second, third, mp3;
    };
    TSongs MakeSongs() {
        return TSongs{Wav("one.wav", 5, 1, "First Song"), Wav("two.wav", 4, 2), Wav("three.wav", 3, 3, "Third Song"),
                      Mp3("four.mp3", 5, "Fourth Song")};
    }

    // How often the box of key was shown (the fake answers it).
    long MessageCount(const std::string& key) const {
        const std::vector<std::string> keys = ui_.MessageKeys();
        return std::count(keys.begin(), keys.end(), key);
    }
    // Waits until the box of key was shown once more than shownBefore times.
    bool WaitForMessage(const std::string& key, long shownBefore = 0) {
        return QTest::qWaitFor([&] { return MessageCount(key) > shownBefore; },
                               testsupport::kHangLimitMs);
    }
    // Whether the log names a signal sound that was to be played.
    bool SignalSoundAsked() const {
        for (const std::string& line : LoggedTexts())
            if (line.find("success.mp3") != std::string::npos || line.find("failure.mp3") != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(ProgramBurnTest, ABurnFromTheWindowWritesTheSessionToTheChosenDriveOnTheFly) {
    if (!songtest::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    StoreBurnPreferences();
    RunProgram(BurnOptions(), [&](CProgram& program) {
        ASSERT_EQ(program.drives.Engine(), kEngineZent);
        const TSongs songs = MakeSongs();
        ASSERT_FALSE(songs.mp3.empty());
        AddTracks(program, {songs.first, songs.second, songs.third, songs.mp3});
        // The second image drive is the writer.
        ASSERT_EQ(program.burner.Device(), program.platter.GetDevice(1));

        TBurnDrive drive;
        drive.tickCdText = true;
        drive.png = "burn_dialog_from_window";
        BurnFromTheWindow(program, drive);
        EXPECT_EQ(program.burner.mode.load(), kBurnModeOnTheFly);

        // The disc holds the songs one after the other, the 3-second song
        // lengthened to the shortest track by a second of silence.
        const std::string expected = SectorPadded(Pcm(5, 1) + Pcm(4, 2) + Pcm(3, 3) + std::string(kSecondBytes, '\0') +
                                                  Decoded(songs.mp3));
        const std::string bin = testsupport::ReadWholeFile(TrayFile(1, "disc.bin"));
        EXPECT_EQ(bin.size(), expected.size());
        EXPECT_TRUE(bin == expected);
        EXPECT_FALSE(Exists(TrayFile(0, "disc.bin")));
        EXPECT_FALSE(Exists(TrayFile(0, "disc.cue")));
        const std::string cue = testsupport::ReadWholeFile(TrayFile(1, "disc.cue"));
        for (const char* title : {"First Song", "two", "Third Song", "Fourth Song"})
            EXPECT_NE(cue.find(std::string("TITLE \"") + title + "\""), std::string::npos) << title << "\n" << cue;

        // The window's next look at the drive shows the written disc (shown
        // anew: the Library page's import may have written over it since).
        program.burner.shownState = -1;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return program.mainWindow.StatusBar().Text() == KeyedText("BS_Burnt"); },
            testsupport::kHangLimitMs));
        const std::string cache = testsupport::ReadWholeFile(GetUserDataDir() + "cdplayer.ini");
        EXPECT_NE(cache.find("Third Song"), std::string::npos) << cache;
        EXPECT_NE(cache.find("Fourth Song"), std::string::npos) << cache;
        EXPECT_EQ(SavedSessions().size(), 1u);
        // A burn that went well is no first burn any more.
        EXPECT_EQ(program.prefs.bFirstBurnWarning, 0);
    });
}

TEST_F(ProgramBurnTest, ConvertingFirstWithGapsPutsTheGapsOnTheDiscAsSilence) {
    if (!songtest::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    StoreBurnPreferences();
    RunProgram(BurnOptions(), [&](CProgram& program) {
        const TSongs songs = MakeSongs();
        ASSERT_FALSE(songs.mp3.empty());
        AddTracks(program, {songs.first, songs.second, songs.third, songs.mp3});
        // Two seconds of silence between tracks, through the fader dialog.
        WhenDialogShown(CFaderSettingsDlg::kDialogId, [](QDialog* dialog) {
            ClickControl(dialog, CFaderSettingsDlg::kSeparate);
            QLineEdit* gap = FindControl<QComboBox>(dialog, CFaderSettingsDlg::kGapBox)->lineEdit();
            gap->selectAll();
            QTest::keyClicks(gap, QStringLiteral("2"));
            ClickControl(dialog, IDOK);
        });
        ClickToolbar(program, cmd::kToolbarFader);
        ASSERT_EQ(program.prefs.fadePreferences.transitionMode, 1);
        ASSERT_EQ(program.prefs.fadePreferences.gapMs, 2000);

        TBurnDrive drive;
        drive.convertFirst = true;
        BurnFromTheWindow(program, drive);
        EXPECT_EQ(program.burner.mode.load(), kBurnModeRenderSession);
        const std::string gap(2 * kSecondBytes, '\0');
        const std::string expected = SectorPadded(Pcm(5, 1) + gap + Pcm(4, 2) + gap + Pcm(3, 3) +
                                                  std::string(kSecondBytes, '\0') + gap + Decoded(songs.mp3));
        const std::string bin = testsupport::ReadWholeFile(TrayFile(1, "disc.bin"));
        EXPECT_EQ(bin.size(), expected.size());
        EXPECT_TRUE(bin == expected);
    });
}

// Abort in the window before the write: no question, no disc spent, no
// sound, and the plain "stopped" report.
TEST_F(ProgramBurnTest, AbortBeforeTheWriteAsksNothingAndLeavesNoImage) {
    StoreBurnPreferences([](CPreferences& prefs) {
        prefs.bFirstBurnWarning = 0;
        prefs.BurnerPrefs[kBurnerPlaySound] = 1;
    });
    TProgramOptions options = BurnOptions();
    options.burnTiming.preWriteWindowMs = 600000;
    RunProgram(options, [&](CProgram& program) {
        AddTracks(program, {Wav("one.wav", 5, 1), Wav("two.wav", 4, 2)});
        TBurnDrive drive;
        drive.firstBurn = false;
        drive.duringProgress = [&](QDialog* progress) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return program.burner.preWriteWindow.load(); },
                                        testsupport::kHangLimitMs));
            ui_.ExpectMessage("BE_UserAborted", IDOK);
            ClickControl(progress, CBurnProgressDlg::kAbort);
        };
        ClickBurnAndStart(program, drive);
        ASSERT_TRUE(WaitForMessage("BE_UserAborted"));
        EXPECT_FALSE(program.burner.threadRunning.load());
        EXPECT_FALSE(Exists(TrayFile(1, "disc.bin")));
        EXPECT_FALSE(Exists(TrayFile(1, "disc.spoilt")));
        EXPECT_FALSE(SignalSoundAsked());
    });
}

// The image drive's clock: time moves on as the write rests, until it has
// rested holdAfter times; then the write is held there until the burn is
// aborted, as a slow drive would still be writing.
class CHeldWriteClock final : public IPlatterClock {
public:
    explicit CHeldWriteClock(int holdAfter) : holdAfter_(holdAfter) {}
    std::int64_t NowMs() override { return now_.load(); }
    void SleepMs(std::int64_t ms) override {
        if (ms > 0) now_ += ms;
        if (++rests_ < holdAfter_ || abortFlag == nullptr) return;
        held.store(true);
        // The abort reaches the drive as a flag; looked at in short slices.
        std::unique_lock<std::mutex> hold(lock_);
        while (!abortFlag->load()) changed_.wait_for(hold, std::chrono::milliseconds(5));
    }
    std::atomic<bool>* abortFlag = nullptr;
    std::atomic<bool> held{false};

private:
    const int holdAfter_;
    std::atomic<std::int64_t> now_{1000};
    std::atomic<int> rests_{0};
    std::mutex lock_;
    std::condition_variable changed_;
};

// Abort while a paced write runs: the warning, then the report that the
// disc was spoilt, which the tray shows.
TEST_F(ProgramBurnTest, AbortWhileWritingWarnsFirstAndSpoilsTheDisc) {
    StoreBurnPreferences([](CPreferences& prefs) { prefs.bFirstBurnWarning = 0; });
    CHeldWriteClock clock(3);
    TProgramOptions options = BurnOptions([&clock](TImageDriveConfig& drive) {
        drive.paced = true;
        drive.clock = &clock;
    });
    RunProgram(options, [&](CProgram& program) {
        clock.abortFlag = &program.burner.abort;
        AddTracks(program, {Wav("one.wav", 5, 1), Wav("two.wav", 4, 2)});
        TBurnDrive drive;
        drive.firstBurn = false;
        drive.duringProgress = [&](QDialog* progress) {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return clock.held.load(); }, testsupport::kHangLimitMs));
            // A tick shows the write.
            const QString burning = QString::fromStdString(KeyedText("BS_Burning"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return FindControl<QLabel>(progress, CBurnProgressDlg::kStatusLine)->text().startsWith(burning);
                },
                testsupport::kHangLimitMs));
            testsupport::SaveWidgetPng(progress, "burn_progress_writing_from_window");
            ui_.ExpectMessage("BEM_AbortWarning", IDYES);
            ui_.ExpectMessage("BE_UserAbortedBadCD", IDOK);
            ClickControl(progress, CBurnProgressDlg::kAbort);
        };
        ClickBurnAndStart(program, drive);
        ASSERT_TRUE(WaitForMessage("BE_UserAbortedBadCD"));
        EXPECT_TRUE(Exists(TrayFile(1, "disc.spoilt")));
        EXPECT_FALSE(Exists(TrayFile(1, "disc.bin")));
    });
}

// The disc asked for: none in the writer (Abort ends the burn), a written
// one left in it (the prompt goes by itself once a blank one is in, and
// the burn completes), one too small (Cancel ends the burn).
TEST_F(ProgramBurnTest, TheDiscPromptsEndOrResumeTheBurn) {
    enum class ETray { kEmpty, kWrittenDiscLeft, kFull };
    for (const ETray tray : {ETray::kEmpty, ETray::kWrittenDiscLeft, ETray::kFull}) {
        SCOPED_TRACE(static_cast<int>(tray));
        EmptyTrays();
        StoreBurnPreferences([](CPreferences& prefs) { prefs.bFirstBurnWarning = 0; });
        TProgramOptions options = BurnOptions([tray](TImageDriveConfig& drive) {
            if (tray == ETray::kEmpty) drive.freshMedia = PLATTER_MEDIA_NONE;
            if (tray == ETray::kFull) drive.fault = TImageFault{TImageFaultKind::kDiscFull, 1};
        });
        RunProgram(options, [&](CProgram& program) {
            AddTracks(program, {Wav("one.wav", 5, 1), Wav("two.wav", 4, 2)});
            TBurnDrive drive;
            drive.firstBurn = false;
            if (tray == ETray::kWrittenDiscLeft) {
                // The first burn leaves its disc in the tray.
                BurnFromTheWindow(program, drive);
                ASSERT_TRUE(Exists(TrayFile(1, "disc.bin")));
                bool prompted = false;
                drive.duringProgress = [&](QDialog*) {
                    WhenDialogShown(CInsertDiscDlg::kDialogId, [&](QDialog*) {
                        prompted = true;
                        // The user takes the written disc out; a blank one goes in.
                        ASSERT_TRUE(program.burner.Device()->Eject());
                    });
                };
                BurnFromTheWindow(program, drive);
                EXPECT_TRUE(prompted);
                EXPECT_TRUE(Exists(TrayFile(1, "disc.bin")));
                return;
            }
            drive.duringProgress = [&](QDialog*) {
                const int prompt = tray == ETray::kEmpty ? CInsertDiscDlg::kDialogId : CWillNotFitDlg::kDialogId;
                WhenDialogShown(prompt, [](QDialog* dialog) { ClickControl(dialog, IDCANCEL); });
            };
            const long stoppedBefore = MessageCount("BE_UserAborted");
            ui_.ExpectMessage("BE_UserAborted", IDOK);
            ClickBurnAndStart(program, drive);
            ASSERT_TRUE(WaitForMessage("BE_UserAborted", stoppedBefore));
            EXPECT_FALSE(Exists(TrayFile(1, "disc.bin")));
        });
    }
}

// An underrun without burn-proof writing: the burn-failed dialog names
// it; trying again starts the command anew from the window (one progress
// dialog at a time); giving up brings the advice for where it happened.
TEST_F(ProgramBurnTest, AnUnderrunOffersARetryAndThenAdvice) {
    struct TCase {
        int track;
        bool retryFirst;
        const char* advice;
        bool help;
    } cases[] = {{2, true, "BEM_AutoInsertWarn2", true}, {3, false, "BEM_SuggestBurnSolution", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.track);
        EmptyTrays();
        StoreBurnPreferences([](CPreferences& prefs) { prefs.bFirstBurnWarning = 0; });
        TProgramOptions options = BurnOptions([&c](TImageDriveConfig& drive) {
            drive.fault = TImageFault{TImageFaultKind::kUnderrun, c.track};
        });
        RunProgram(options, [&](CProgram& program) {
            AddTracks(program, {Wav("one.wav", 5, 1), Wav("two.wav", 4, 2), Wav("three.wav", 4, 3)});
            std::vector<std::string> steps;
            auto progressDialogsOpen = [] {
                int open = 0;
                for (QWidget* widget : QApplication::topLevelWidgets())
                    open += widget->isVisible() && widget->objectName() == QString::number(CBurnProgressDlg::kDialogId);
                return open;
            };
            std::function<void(QDialog*)> onFailed = [&](QDialog* dialog) {
                EXPECT_EQ(FindControl<QLabel>(dialog, CBurnFailedDlg::kSecondText)->text().toStdString(),
                          KeyedText("BFD_BufUnderrun"));
                steps.push_back("failed");
                if (c.retryFirst && steps.size() == 1) {
                    WhenDialogShown(CBurnDialog::kDialogId, [&](QDialog* burn) {
                        steps.push_back("retry with progress dialogs open: " + std::to_string(progressDialogsOpen()));
                        // The spoilt disc is still in the writer: the user
                        // swaps it for a blank one when asked.
                        WhenDialogShown(CInsertDiscDlg::kDialogId, [&](QDialog*) {
                            steps.push_back("disc asked for");
                            ASSERT_TRUE(program.burner.Device()->Eject());
                        });
                        ClickControl(burn, IDOK);
                    });
                    WhenDialogShown(CBurnFailedDlg::kDialogId, onFailed);
                    ClickControl(dialog, CBurnFailedDlg::kRetrySame);
                    return;
                }
                ClickControl(dialog, CBurnFailedDlg::kCancel);
            };
            WhenDialogShown(CBurnFailedDlg::kDialogId, onFailed);
            ui_.ExpectMessage(c.advice, IDOK);
            TBurnDrive drive;
            drive.firstBurn = false;
            drive.untickBurnProof = true;
            const std::size_t callsBefore = ui_.Calls().size();
            ClickBurnAndStart(program, drive);
            ASSERT_TRUE(WaitForMessage(c.advice));
            std::vector<std::string> expected = {"failed"};
            if (c.retryFirst) expected = {"failed", "retry with progress dialogs open: 0", "disc asked for", "failed"};
            EXPECT_EQ(steps, expected);
            bool help = false;
            const std::vector<testsupport::TUiCall> calls = ui_.Calls();
            for (std::size_t i = callsBefore; i < calls.size(); ++i)
                help = help || (calls[i].kind == "help context" && calls[i].number == CBurnCommand::kAutoInsertHelpContext);
            EXPECT_EQ(help, c.help);
            EXPECT_FALSE(Exists(TrayFile(1, "disc.bin")));
        });
    }
}

}  // namespace
