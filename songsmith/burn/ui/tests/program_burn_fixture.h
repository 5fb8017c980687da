#pragma once
// The whole program run as main runs it, burning to image drives: a
// per-user home of the test's own with the agreement accepted, two image
// drives in trays of their own (unpaced, a written disc kept until it is
// ejected), short burn intervals, and the second drive chosen as the
// writer. Songs are made here: CD-quality WAVs of a known pattern, with
// INFO titles, and tagged MP3s through lame.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "songsmith/dialogs/ui/tests/dialog_waits.h"
#include "songsmith/prefs/ui/tests/earlier_run_preferences.h"
#include "platter/types.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/burn/ui/burn_dialog.h"
#include "songsmith/burn/ui/burn_progress_dialog.h"
#include "songsmith/burn/ui/burn_success_dialog.h"
#include "songsmith/burner/burn_audio_decoder.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/track_states.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/load/tests/song_load_support.h"

namespace burnprogram {

using testsupport::ClickControl;
using testsupport::FindControl;

namespace fs = std::filesystem;

// One second of CD audio, in bytes.
inline constexpr std::size_t kSecondBytes = 44100 * 4;

// The burn's intervals, short enough that no test waits long for a step.
inline TBurnTiming ShortTiming() {
    TBurnTiming timing;
    timing.stopWaitMs = 16000;
    timing.workerWaitLongMs = 20;
    timing.workerWaitMidMs = 200;
    timing.workerWaitShortMs = 20;
    timing.preWriteWindowMs = 0;
    timing.pacingSliceMs = 0;
    timing.dialogTickMs = 30;
    timing.dialogShortTickMs = 30;
    timing.insertDiscPollMs = 20;
    timing.successAnimationMs = 30;
    timing.afterTrackFileMs = 0;
    timing.firstDiscPromptMs = 0;
    timing.nextDiscPromptMs = 200;
    return timing;
}

class ProgramBurnFixture : public ProgramFixture {
protected:
    ProgramBurnFixture() {
        fs::create_directories(songs_);
        fs::create_directories(temp_);
        for (const std::string& tray : trays_) fs::create_directories(tray);
    }

    // Stores what an earlier run left: the agreement accepted, songs taken
    // as they are (no normalising or trimming), the second image drive as
    // the writer, the written disc left in the tray; edit changes more.
    void StoreBurnPreferences(const std::function<void(CPreferences&)>& edit = nullptr) {
        CPreferences prefs;
        AsAnEarlierRunLeftThem(prefs);
        prefs.bNormalizeSounds = 0;
        prefs.bTrimSoundsAutomatically = 0;
        prefs.bWarnAboutIncompleteSongs = 0;
        prefs.BurnerPrefs[kBurnerWriterFirst] = 1000;
        prefs.BurnerPrefs[kBurnerWriterSecond] = 1;
        prefs.BurnerPrefs[kBurnerWriterThird] = 0;
        prefs.BurnerPrefs[kBurnerEject] = 0;
        prefs.BurnerPrefs[kBurnerCdText] = 0;
        prefs.BurnerPrefs[kBurnerMode] = 2;
        prefs.BurnerPrefs[kBurnerCopies] = 1;
        prefs.BurnerPrefs[kBurnerWriteSpeed] = 255;
        std::snprintf(prefs.Marovelle_Temp_Dir, sizeof prefs.Marovelle_Temp_Dir, "%s", temp_.c_str());
        if (edit) edit(prefs);
        StorePreferences(prefs);
    }

    // Two image drives in trays of their own; configure changes the image
    // drives' settings further.
    TProgramOptions BurnOptions(const std::function<void(TImageDriveConfig&)>& configure = nullptr) {
        TProgramOptions options = Options();
        const std::vector<std::string> trays = trays_;
        options.configureDrives = [trays, configure](PLATTER_CPlatter& platter) {
            platter.listRealDrives = false;
            platter.imageDrive.enabled = true;
            platter.imageDrive.trays = trays;
            platter.imageDrive.paced = false;
            platter.imageDrive.swapDelayMs = 0;
            platter.imageDrive.capacityMinutes = 80;
            if (configure) configure(platter.imageDrive);
        };
        options.burnTiming = ShortTiming();
        return options;
    }

    // Runs the program; body runs once its window shows, then the window
    // closes.
    void RunProgram(TProgramOptions options, const std::function<void(CProgram&)>& body) {
        options.whenShown = [this, &body](CProgram& program) {
            body(program);
            // The session is left unsaved.
            if (program.trackList.IsDirty()) ui_.ExpectMessage("Ses_Dirty", IDNO);
            program.mainWindow.Window()->close();
        };
        CProgram program(options);
        ASSERT_EQ(program.Run({}), CProgram::kResultRan);
    }

    // The PCM of a CD-quality song of whole seconds: a tone per channel
    // whose pitch depends on seed, never silent.
    static std::string Pcm(int seconds, int seed) {
        std::string pcm;
        const int frames = 44100 * seconds;
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / 44100.0;
            const auto left = static_cast<std::int16_t>(9000.0 * std::sin(2 * M_PI * (220.0 + 55.0 * seed) * t));
            const auto right = static_cast<std::int16_t>(7000.0 * std::sin(2 * M_PI * (330.0 + 40.0 * seed) * t));
            songtest::PutLe(pcm, static_cast<std::uint16_t>(left), 2);
            songtest::PutLe(pcm, static_cast<std::uint16_t>(right), 2);
        }
        return pcm;
    }

    // A WAV song of Pcm(seconds, seed), with an INFO title when one is given.
    std::string Wav(const std::string& name, int seconds, int seed, const std::string& title = "") const {
        std::string chunks = songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16));
        if (!title.empty()) chunks += songtest::ListChunk("INFO", songtest::Chunk("INAM", title + std::string(1, '\0')));
        chunks += songtest::Chunk("data", Pcm(seconds, seed));
        const std::string path = songs_ + "/" + name;
        testsupport::WriteWholeFile(path, songtest::Riff("WAVE", chunks));
        return path;
    }

    // A 44.1 kHz MP3 of a tone, tagged with title; empty without lame.
    std::string Mp3(const std::string& name, int seconds, const std::string& title) const {
        const std::string wav = Wav(name + ".wav", seconds, 9);
        const std::string mp3 = songs_ + "/" + name;
        if (!songtest::Run("lame --quiet -b 192 --tt '" + title + "' --ta 'Test Artist' '" + wav + "' '" + mp3 + "'"))
            return {};
        fs::remove(wav);
        return mp3;
    }

    // The audio the sound engine decodes from a song file, as CD audio.
    static std::string Decoded(const std::string& path) {
        return songfiles::DecodedAudio(ProgramBurnAudioDecoder(), path);
    }

    static std::string SectorPadded(std::string bytes) {
        bytes.resize((bytes.size() + PLATTER_SECTOR_BYTES - 1) / PLATTER_SECTOR_BYTES * PLATTER_SECTOR_BYTES, '\0');
        return bytes;
    }

    // Adds songs through the toolbar's Add button and the chooser, and
    // waits until the session has loaded them.
    void AddTracks(CProgram& program, const std::vector<std::string>& songs) {
        ui_.ExpectFile(true, KeyedText("AddSound"), songs);
        ClickToolbar(program, cmd::kAddTracks);
        EXPECT_TRUE(QTest::qWaitFor([&program] { return AllTracksReady(program); },
                                    testsupport::kHangLimitMs));
    }
    static bool AllTracksReady(CProgram& program) {
        CTrackList& tracks = program.trackList;
        tracks.Lock();
        bool ready = tracks.GetCount() > 0;
        for (int i = 0; i < tracks.GetCount() && ready; ++i) ready = tracks.GetAt(i)->GetState() == kTrackReady;
        tracks.Unlock();
        return ready;
    }
    static QToolButton* ToolbarButton(CProgram& program, int command) {
        QToolBar* toolbar = program.mainWindow.Toolbar().Window();
        if (toolbar == nullptr) return nullptr;
        for (QToolButton* button : toolbar->findChildren<QToolButton*>(QString::number(command)))
            if (button->defaultAction() != nullptr) return button;
        return nullptr;
    }
    static void ClickToolbar(CProgram& program, int command) {
        QToolButton* button = ToolbarButton(program, command);
        ASSERT_NE(button, nullptr) << command;
        button->click();
    }

    // How the Burn dialog is driven, and what runs once the progress dialog
    // shows (inside its loop).
    struct TBurnDrive {
        bool tickCdText = false;
        bool convertFirst = false;
        bool untickBurnProof = false;
        // "BEM_FirstBurn" is asked and answered Yes.
        bool firstBurn = true;
        const char* png = nullptr;
        std::function<void(QDialog* progress)> duringProgress = nullptr;
    };

    // Clicks Burn and drives the Burn dialog: the mode 1053, the boxes
    // asked for, Start. Returns when the command has returned.
    void ClickBurnAndStart(CProgram& program, const TBurnDrive& drive) {
        bool burnDialog = false, progress = false;
        if (drive.firstBurn) ui_.ExpectMessage("BEM_FirstBurn", IDYES);
        WhenDialogShown(CBurnDialog::kDialogId, [&](QDialog* dialog) {
            burnDialog = true;
            char writer[256] = {};
            program.burner.GetWriterDescription(writer, sizeof writer, -1, true);
            EXPECT_EQ(FindControl<QLabel>(dialog, CBurnDialog::kWriterText)->text().toStdString(), writer);
            ClickControl(dialog, CBurnDialog::kBurn);
            if (drive.tickCdText) ClickControl(dialog, CBurnDialog::kCdText);
            if (drive.convertFirst) ClickControl(dialog, CBurnDialog::kConvertFirst);
            if (drive.untickBurnProof) ClickControl(dialog, CBurnDialog::kBurnProof);
            if (drive.png != nullptr) testsupport::SaveWidgetPng(dialog, drive.png);
            ClickControl(dialog, IDOK);
            WhenDialogShown(CBurnProgressDlg::kDialogId, [&](QDialog* dialog) {
                progress = true;
                if (drive.duringProgress) drive.duringProgress(dialog);
            });
        });
        ClickToolbar(program, cmd::kBurn);
        EXPECT_TRUE(burnDialog);
        EXPECT_TRUE(progress);
    }

    // A burn that goes well: returns once the success dialog's OK was
    // clicked.
    void BurnFromTheWindow(CProgram& program, const TBurnDrive& drive) {
        bool success = false;
        WhenDialogShown(CBurnSuccessDlg::kDialogId, [&](QDialog* dialog) {
            success = true;
            if (drive.png != nullptr) testsupport::SaveWidgetPng(dialog, "burn_success_from_window");
            ClickControl(dialog, IDOK);
        });
        ClickBurnAndStart(program, drive);
        EXPECT_TRUE(QTest::qWaitFor([&] { return success; }, 120000));
    }

    // Fresh blank discs in both trays.
    void EmptyTrays() const {
        for (const std::string& tray : trays_) {
            fs::remove_all(tray);
            fs::create_directories(tray);
        }
    }
    std::string TrayFile(int tray, const char* name) const { return trays_[static_cast<std::size_t>(tray)] + "/" + name; }
    static bool Exists(const std::string& path) { return fs::exists(path); }
    // The session files in the temporary sound folder (the automatic saves).
    std::vector<std::string> SavedSessions() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(temp_))
            if (entry.path().extension() == ".tps") found.push_back(entry.path().string());
        return found;
    }

    std::string songs_ = home_.Path() + "/songs";
    std::string temp_ = home_.Path() + "/sound temp";
    std::vector<std::string> trays_ = {home_.Path() + "/tray-one", home_.Path() + "/tray-two"};
};

}  // namespace burnprogram
