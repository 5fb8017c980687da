// Converting first, burn after burn of a session the user keeps editing in
// the running program's window: each edit (a song added through Find, a
// paste, a delete, a move, an undo, a track's volume, the trim preference,
// a session opened from its file) is followed by a burn from the window to
// the image drive. The disc read back holds the session as it stands:
// every track of it, each equal to the session's own rendering of that
// track (the burn controller's rendering on the fly, laid out as a write on
// the fly lays it), and the success box comes with it.
#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <QTableView>

#include "songsmith/burn/ui/tests/program_burn_fixture.h"
#include "songsmith/session/ui/adjust_volume_dialog.h"
#include "songsmith/prefs/ui/burning_prefs_page.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/session_list.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "testsupport/hang_limit.h"

namespace {

using burnprogram::kSecondBytes;
using burnprogram::WhenDialogShown;
using testsupport::ClickControl;
using testsupport::FindControl;

class ProgramBurnEditsTest : public burnprogram::ProgramBurnFixture {
protected:
    // A WAV song: seconds of a tone, then silence seconds of silence.
    std::string WavWithSilence(const std::string& name, int seconds, int silence, int seed) const {
        std::string chunks = songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16));
        chunks += songtest::Chunk("data", Pcm(seconds, seed) + std::string(silence * kSecondBytes, '\0'));
        const std::string path = songs_ + "/" + name;
        testsupport::WriteWholeFile(path, songtest::Riff("WAVE", chunks));
        return path;
    }

    // The session as the burn controller renders it on the fly, and where
    // a write on the fly starts each track (in sectors).
    struct TRendering {
        std::string stream;
        std::vector<std::int64_t> starts;
    };
    static std::int32_t Collect(void* buffer, std::int32_t& length, void* into) {
        static_cast<std::string*>(into)->append(static_cast<const char*>(buffer), static_cast<std::size_t>(length));
        return 0;
    }
    static TRendering SessionRendering(CProgram& program) {
        TBurnTiming timing = burnprogram::ShortTiming();
        CBurner reference(program.drives, program.prefs, program.burnerHost, nullptr, timing);
        EXPECT_EQ(reference.Initialize(), 1);
        reference.SetTrackList(&program.trackList);
        TRendering rendering;
        const int placed = reference.MixSessionToWav(Collect, &rendering.stream, false, true);
        std::int64_t bytes = 0;
        for (int t = 0; t < placed; ++t) {
            rendering.starts.push_back((bytes + PLATTER_SECTOR_BYTES / 2) / PLATTER_SECTOR_BYTES);
            bytes += std::int64_t{reference.trackLengths[static_cast<std::size_t>(t)]} * 1764 / 10;
        }
        reference.SetTrackList(nullptr);
        return rendering;
    }

    // The disc in the writer's tray: its audio and where each track starts.
    struct TDisc {
        std::string bin;
        std::vector<std::int64_t> starts;
    };
    TDisc ReadDisc() const {
        TDisc disc;
        disc.bin = testsupport::ReadWholeFile(TrayFile(1, "disc.bin"));
        const std::string cue = testsupport::ReadWholeFile(TrayFile(1, "disc.cue"));
        const std::string index = "INDEX 01 ";
        for (std::size_t at = cue.find(index); at != std::string::npos; at = cue.find(index, at + 1)) {
            int minutes = 0, seconds = 0, frames = 0;
            if (std::sscanf(cue.c_str() + at + index.size(), "%d:%d:%d", &minutes, &seconds, &frames) == 3)
                disc.starts.push_back((std::int64_t{minutes} * 60 + seconds) * 75 + frames);
        }
        return disc;
    }

    // Burns converting first (the Burn dialog's box is ticked by the stored
    // preferences), reads the disc back, compares it with the session's
    // rendering and takes it out of the tray.
    void BurnAndCheck(CProgram& program) {
        TBurnDrive drive;
        drive.firstBurn = false;
        BurnFromTheWindow(program, drive);
        EXPECT_EQ(program.burner.mode.load(), kBurnModeRenderSession);
        const TDisc disc = ReadDisc();
        const TRendering expected = SessionRendering(program);
        EXPECT_EQ(disc.starts.size(), static_cast<std::size_t>(program.trackList.GetCount()));
        EXPECT_EQ(disc.starts, expected.starts);
        const std::string audio = SectorPadded(expected.stream);
        EXPECT_EQ(disc.bin.size(), audio.size());
        for (std::size_t t = 0; t < disc.starts.size() && t < expected.starts.size(); ++t) {
            const std::size_t from = static_cast<std::size_t>(expected.starts[t]) * PLATTER_SECTOR_BYTES;
            const std::size_t to = t + 1 < expected.starts.size()
                                       ? static_cast<std::size_t>(expected.starts[t + 1]) * PLATTER_SECTOR_BYTES
                                       : audio.size();
            EXPECT_TRUE(disc.bin.substr(from, to - from) == audio.substr(from, to - from)) << "track " << t + 1;
        }
        // The user takes the disc out; a blank one goes in.
        ASSERT_TRUE(program.burner.Device()->Eject());
    }

    static QTableView* SessionTable(CProgram& program) {
        CSessionListPane& pane = *program.mainWindow.MiddleBand()->SessionList();
        return FindControl<QTableView>(pane.Window(), CSessionListPane::kList);
    }
    static void ClickRow(CProgram& program, int row) {
        QTableView* table = SessionTable(program);
        const QRect cell = table->visualRect(table->model()->index(row, kColumnTitle));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Every track analysed and its sound closed (ready, or ready but not
    // loaded after the session's rendering opened it).
    bool WaitUntilReady(CProgram& program) {
        return QTest::qWaitFor(
            [&program] {
                CTrackList& tracks = program.trackList;
                tracks.Lock();
                bool ready = !tracks.HasPendingTracks();
                for (int i = 0; i < tracks.GetCount() && ready; ++i) {
                    const int state = tracks.GetAt(i)->GetState();
                    ready = state == kTrackReady || state == kTrackReadyButNotLoaded;
                }
                tracks.Unlock();
                return ready;
            },
            testsupport::kHangLimitMs);
    }

    // Searches the Find page for text (the library only) and adds what it
    // found through the main window's menu.
    static void AddAllFound(CProgram& program, const std::string& text) {
        CFindTab* page = program.mainWindow.TabPane()->GetFindTab();
        for (int turn = 0; turn < 2 && !page->Window()->isVisible(); ++turn)
            program.mainWindow.OnCommand(cmd::kFindPage);
        ASSERT_TRUE(page->Window()->isVisible());
        page->Window()->findChild<QCheckBox*>(QString::number(kFindImportBoxId))->setChecked(false);
        auto* edit = page->Window()->findChild<QLineEdit*>(QString::number(kFindEditId));
        edit->setText(QString::fromStdString(text));
        QTest::keyClick(edit, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page->IsSearching() && page->GetSongCount() == 1; }, testsupport::kHangLimitMs))
            << page->GetSongCount();
        ASSERT_TRUE(ChooseMenuItem(program, cmd::kAddAllFound));
    }
};

TEST_F(ProgramBurnEditsTest, EveryBurnAfterAnEditWritesTheSessionAsItStands) {
    if (!songtest::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    StoreBurnPreferences([](CPreferences& prefs) {
        prefs.bFirstBurnWarning = 0;
        prefs.BurnerPrefs[kBurnerConvertFirst] = 1;
    });
    RunProgram(BurnOptions(), [&](CProgram& program) {
        const std::string mp3 = Mp3("four.mp3", 5, "Fourth Song");
        ASSERT_FALSE(mp3.empty());
        AddTracks(program, {Wav("one.wav", 5, 1, "First Song"), Wav("two.wav", 4, 2, "Second Song"),
                            WavWithSilence("three.wav", 5, 2, 3), mp3});
        CSessionList& session = *program.sessionList;
        const std::string saved = home_.File("kept.tps");

        const struct TEdit {
            const char* name;
            std::function<void()> apply;
            int tracks;
        } edits[] = {
            {"the first burn", [] {}, 4},
            {"nothing changed", [] {}, 4},
            {"delete",
             [&] {
                 ClickRow(program, 3);
                 QTest::keyClick(SessionTable(program), Qt::Key_Delete);
             },
             3},
            {"add through Find", [&] { AddAllFound(program, "Fourth Song"); }, 4},
            {"paste",
             [&] {
                 ClickRow(program, 0);
                 program.mainWindow.OnCommand(cmd::kCopy);
                 program.mainWindow.OnCommand(cmd::kPaste);
                 ASSERT_TRUE(program.trackList.SaveSession(saved.c_str()));
             },
             5},
            {"move",
             [&] {
                 ClickRow(program, 4);
                 ClickControl(program.mainWindow.MiddleBand()->SessionList()->Window(), CSessionListPane::kMoveUp);
             },
             5},
            {"undo", [&] { program.mainWindow.OnCommand(cmd::kUndo); }, 5},
            {"volume",
             [&] {
                 ClickRow(program, 1);
                 WhenDialogShown(CAdjustVolumeDlg::kDialogId, [](QDialog* dialog) {
                     // Half the song's own volume.
                     FindControl<QSlider>(dialog, CAdjustVolumeDlg::kSlider)->setValue(CAdjustVolumeDlg::kSliderMax - 50);
                     ClickControl(dialog, IDOK);
                 });
                 program.mainWindow.OnCommand(cmd::kTrackVolume);
             },
             5},
            {"trim",
             [&] {
                 program.prefs.CurrentPrefPage = 2;
                 WhenDialogShown(kPrefsDialogId, [](QDialog* dialog) {
                     ClickControl(dialog, CBurningPrefsPage::kTrim);
                     ClickControl(dialog, IDOK);
                 });
                 program.mainWindow.OnCommand(cmd::kPreferences);
                 ASSERT_NE(program.prefs.bTrimSoundsAutomatically, 0);
             },
             5},
            {"File > Open",
             [&] {
                 ClickRow(program, 2);
                 QTest::keyClick(SessionTable(program), Qt::Key_Delete);
                 ui_.ExpectMessage("Ses_Dirty", IDNO);
                 ui_.ExpectFile(true, KeyedText("FindTPS"), {saved});
                 program.mainWindow.OnCommand(cmd::kOpenSession);
             },
             5},
        };
        for (const TEdit& edit : edits) {
            SCOPED_TRACE(edit.name);
            edit.apply();
            ASSERT_TRUE(QTest::qWaitFor([&] { return program.trackList.GetCount() == edit.tracks; }, testsupport::kHangLimitMs))
                << program.trackList.GetCount();
            ASSERT_TRUE(WaitUntilReady(program));
            BurnAndCheck(program);
        }
        EXPECT_EQ(session.RowCount(), 5);
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "burn_after_edits_main_window");
    });
}

}  // namespace
