// A burn from the running program's window to an image drive, as a user
// makes it: songs added with the toolbar, the Burn button, the Burn dialog
// driven by its controls, the progress dialog running to its end and the
// success dialog. The written disc is read back from the tray and compared
// with the songs; the title cache, the automatic save and the status bar
// show the burn too.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "program_burn_fixture.h"
#include "songsmith/burn/burn_dialog.h"
#include "songsmith/burn/burn_progress_dialog.h"
#include "songsmith/burn/burn_success_dialog.h"
#include "songsmith/burn/fader_settings_dialog.h"
#include "songsmith/core/session_list.h"
#include "platform/user_folders.h"
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

    // Clicks Burn and drives the Burn dialog: the mode 1053, CD-Text
    // ticked when asked, Start; the first burn's question answered Yes.
    // Returns once the success dialog's OK was clicked.
    void BurnFromTheWindow(CProgram& program, bool tickCdText, const char* png = nullptr, bool convertFirst = false) {
        bool burnDialog = false, progress = false, success = false;
        ui_.ExpectMessage("BEM_FirstBurn", IDYES);
        WhenDialogShown(CBurnDialog::kDialogId, [&](QDialog* dialog) {
            burnDialog = true;
            char writer[256] = {};
            program.burner.GetWriterDescription(writer, sizeof writer, -1, true);
            EXPECT_EQ(FindControl<QLabel>(dialog, CBurnDialog::kWriterText)->text().toStdString(), writer);
            ClickControl(dialog, CBurnDialog::kBurn);
            if (tickCdText) ClickControl(dialog, CBurnDialog::kCdText);
            if (convertFirst) ClickControl(dialog, CBurnDialog::kConvertFirst);
            if (png != nullptr) testsupport::SaveWidgetPng(dialog, png);
            ClickControl(dialog, IDOK);
            WhenDialogShown(CBurnProgressDlg::kDialogId, [&](QDialog*) { progress = true; });
        });
        WhenDialogShown(CBurnSuccessDlg::kDialogId, [&](QDialog* dialog) {
            success = true;
            if (png != nullptr) testsupport::SaveWidgetPng(dialog, "burn_success_from_window");
            ClickControl(dialog, IDOK);
        });
        ClickToolbar(program, cmd::kBurn);
        EXPECT_TRUE(QTest::qWaitFor([&] { return success; }, 120000));
        EXPECT_TRUE(burnDialog);
        EXPECT_TRUE(progress);
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

        BurnFromTheWindow(program, true, "burn_dialog_from_window");
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

        // The next look at the drive shows the written disc.
        program.burner.PollDriveState();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return program.mainWindow.StatusBar().Text() == KeyedText("BS_Burnt"); },
            5000));
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

        BurnFromTheWindow(program, false, nullptr, true);
        EXPECT_EQ(program.burner.mode.load(), kBurnModeRenderSession);
        const std::string gap(2 * kSecondBytes, '\0');
        const std::string expected = SectorPadded(Pcm(5, 1) + gap + Pcm(4, 2) + gap + Pcm(3, 3) +
                                                  std::string(kSecondBytes, '\0') + gap + Decoded(songs.mp3));
        const std::string bin = testsupport::ReadWholeFile(TrayFile(1, "disc.bin"));
        EXPECT_EQ(bin.size(), expected.size());
        EXPECT_TRUE(bin == expected);
    });
}

}  // namespace
