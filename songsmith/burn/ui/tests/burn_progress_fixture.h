#pragma once
// The burn progress dialog over a real burn controller whose writer is a
// scripted drive, a session of hand-made tracks, a clock the test moves and
// a scripted burn pass. The dialog's own timers are set so long that they
// never fire: the tests call its ticks themselves.
//
// The scripted pass waits, as the worker does, until the dialog lowered its
// checking gate; past the gate it counts as writing and then idles until
// the test lets it end (or the burn is aborted). The test scripts the
// controller's state, requests and counters directly meanwhile.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "filekit/log.h"
#include "platform/user_folders.h"
#include "platform/wave_format.h"
#include "platter/types.h"
#include "songsmith/burn/ui/burn_progress_dialog.h"
#include "songsmith/burn/ui/insert_disc_dialog.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "tonecore/tags/music_info.h"
#include "utilities/keyed_text.h"

namespace burn_progress_test {

// What DoModal returns when a test left the dialog open.
inline constexpr int kLeftOpen = -1;

// Intervals no test ever waits through.
inline TBurnTiming TestTiming() {
    TBurnTiming timing;
    timing.dialogTickMs = 50'000'000;
    timing.dialogShortTickMs = 40'000'000;
    timing.insertDiscPollMs = 30'000'000;
    timing.successAnimationMs = 30'000'000;
    return timing;
}

class BurnProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        logPath_ = dir_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
        prefs_.iDefaultMediaSize = 74;
        prefs_.bAutoDetectMediaSize = 0;
        writer_ = &drives_.Add(true);
        writer_->SetIdentityText("Fake", "Writer");
        writer_->ScriptStatuses({PLATTER_MEDIA_WRITTEN});
        burner_ = std::make_unique<CBurner>(drives_, prefs_, host_, &clock_, TestTiming());
        burner_->SetTrackList(&tracks_);
        ASSERT_EQ(burner_->Initialize(), 1);
        burner_->SetBurnPass([this](CBurner& burner) { ScriptedPass(burner); });
    }
    void TearDown() override {
        finish_.store(true);
        burner_.reset();
        LogDeinit();
    }

    // A track of the session, analysed and ready unless state says else.
    void AddTrack(const char* title, std::int32_t lengthMs, int state = kTrackReady) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "/music/%s.wav", title);
        std::snprintf(info.title, sizeof info.title, "%s", title);
        info.lengthMs = lengthMs;
        info.flags[2] = true;  // analysed when stored
        info.waveFormat.wFormatTag = WAVE_FORMAT_PCM;
        CCDTrack track(prefs_, info);
        track.SetUserTrims(0, lengthMs);
        track.SetAutoTrims(0, lengthMs);
        tracks_.GetAt(tracks_.AppendCopy(track))->SetState(state);
    }

    // Starts the scripted pass as the burn command does, with the gate
    // already up so that the pass cannot slip past it before the dialog
    // opens, and returns once the pass has set its first state: a state the
    // test sets afterwards is not overwritten by a late start.
    void StartPass() {
        burner_->checkingGate.store(true);
        passStarted_.store(false);
        ASSERT_TRUE(burner_->StartBurnThread());
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return passStarted_.load(); }, testsupport::kHangLimitMs));
    }

    // Opens the dialog over a running pass; drive acts on it. The dialog
    // is closed (kLeftOpen) when drive leaves it open. Its result.
    int Run(const std::function<void(CBurnProgressDlg& dialog, QDialog* window)>& drive,
            TBurnProgressContext* context = nullptr) {
        StartPass();
        TBurnProgressContext own{prefs_, *burner_, tracks_, host_};
        own.refreshTitle = [this] { ++titleRefreshes_; };
        CBurnProgressDlg dialog(context != nullptr ? *context : own);
        testsupport::WhenModalShown([&](QWidget* modal) {
            auto* window = qobject_cast<QDialog*>(modal);
            drive(dialog, window);
            if (window->isVisible()) {
                burner_->writing.store(false);
                window->done(kLeftOpen);
            }
        });
        return dialog.DoModal(nullptr);
    }

    // Lets the scripted pass end and waits until the worker is gone.
    void EndPass() {
        finish_.store(true);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !burner_->threadRunning.load(); },
                                    testsupport::kHangLimitMs));
    }

    // Ticks, and fails (closing it at once) when the tick opens an
    // insert-disc prompt.
    static void TickExpectingNoPrompt(CBurnProgressDlg& dialog) {
        auto armed = std::make_shared<bool>(true);
        QTimer::singleShot(0, [armed] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!*armed || CInsertDiscDlg::FromWindow(modal) == nullptr) return;
            ADD_FAILURE() << "an insert-disc prompt opened";
            qobject_cast<QDialog*>(modal)->done(0);
        });
        dialog.OnTimer();
        *armed = false;
    }

    std::string LogText() const { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir dir_;
    std::string logPath_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    burner_test::CTestDrives drives_;
    burner_test::CTestHost host_;
    burner_test::CTestClock clock_;
    PLATTER_CFakeDevice* writer_ = nullptr;
    std::unique_ptr<CBurner> burner_;
    testsupport::CFakeUiServices ui_;
    int titleRefreshes_ = 0;
    // The pass got past the gate: the write would have begun.
    std::atomic<bool> passedGate_{false};
    std::atomic<bool> passStarted_{false};
    std::atomic<bool> finish_{false};

private:
    void ScriptedPass(CBurner& burner) {
        burner.SetState(kBurnStateWaiting);
        passStarted_.store(true);
        while (burner.checkingGate.load() && !finish_.load() && burner.WaitFor(5)) {
        }
        if (burner.abort.load() || burner.checkingGate.load()) return;
        passedGate_.store(true);
        while (!finish_.load() && burner.WaitFor(5)) {
        }
    }
};

}  // namespace burn_progress_test
