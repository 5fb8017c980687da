// The main window's own events in the running program: the close with its
// song-library loop and what it stores, the start-up questions (the
// agreement refused, no drive, no recorder), the silent-track question
// posted from another thread, dropped files, the drive poll, a window
// minimised during a burn and the title.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMainWindow>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/user_folders.h"
#include "program_fixture.h"
#include "songsmith/agreement_dialog.h"
#include "songsmith/cd_tab.h"
#include "songsmith/core/app_message.h"
#include "songsmith/core/app_messages.h"
#include "songsmith/core/burn_status.h"
#include "songsmith/core/cd_track.h"
#include "songsmith/core/program_title.h"
#include "songsmith/find_container_window.h"
#include "songsmith/save_database_dialog.h"
#include "main_window_fixture.h"
#include "testsupport/gui_input.h"
#include "testsupport/scoped_env.h"
#include "testsupport/widget_png.h"

namespace {

namespace fs = std::filesystem;

// A deadline for what the event loop delivers; not a pause.
constexpr int kDeadlineMs = 20000;

// A second of 44.1 kHz stereo PCM: silent, or a loud square wave.
void WriteWav(const std::string& path, bool silent) {
    std::string pcm(44100 * 4, '\0');
    if (!silent) {
        for (std::size_t i = 0; i + 3 < pcm.size(); i += 4) {
            const std::int16_t v = (i / 400) % 2 ? 12000 : -12000;
            pcm[i] = pcm[i + 2] = static_cast<char>(v & 0xFF);
            pcm[i + 1] = pcm[i + 3] = static_cast<char>((v >> 8) & 0xFF);
        }
    }
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string fmt = le(1, 2) + le(2, 2) + le(44100, 4) + le(44100 * 4, 4) + le(4, 2) + le(16, 2);
    const std::string body = "WAVE" + std::string("fmt ") + le(16, 4) + fmt + "data" + le(pcm.size(), 4) + pcm;
    std::ofstream(path, std::ios::binary) << "RIFF" << le(body.size(), 4) << body;
}

class MainWindowEventsTest : public ProgramFixture {
protected:
    // No machine drive, and the image drive as the environment says; the
    // window closes once it shows.
    static TProgramOptions OptionsWithoutDrives() {
        TProgramOptions options;
        options.configureDrives = [](PLATTER_CPlatter& platter) { platter.listRealDrives = false; };
        options.whenShown = [](CProgram& program) { program.mainWindow.Window()->close(); };
        return options;
    }
};

// Clicks button id of the library-space dialog once it shows, then arms
// the rest of answers.
void AnswerLibraryDialogs(std::vector<int> answers) {
    if (answers.empty()) return;
    testsupport::WhenModalShown([answers](QWidget* modal) mutable {
        const int id = answers.front();
        answers.erase(answers.begin());
        AnswerLibraryDialogs(answers);
        testsupport::ClickControl(modal, id);
    });
}

TEST_F(MainWindowEventsTest, CloseSavesTheLibraryWhereThereIsRoomAndStoresTheWindow) {
    // The library cannot be written under a file: each try fails.
    const std::string blocked = home_.File("not-a-folder");
    std::ofstream(blocked) << "x";
    const std::string elsewhere = home_.Path() + "/elsewhere";
    fs::create_directories(elsewhere);
    const std::string blockedLibrary = blocked + "/lib/";
    struct TCase {
        const char* name;
        std::vector<int> answers;
        std::string chosenFolder;  // the folder chooser's answer
        std::string storedPath;    // "LibraryPath" afterwards
    };
    const std::vector<TCase> cases = {
        {"retry, then a new folder", {CSaveDatabaseDlg::kRetry, CSaveDatabaseDlg::kNewDrive}, elsewhere,
         elsewhere + "/"},
        {"a new folder that fails too, then cancel", {CSaveDatabaseDlg::kNewDrive, CSaveDatabaseDlg::kCancel},
         blocked + "/other", blockedLibrary},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(elsewhere);
        fs::create_directories(elsewhere);
        CPreferences earlier;
        StorePreferences(earlier);
        ui_.ExpectFolder("LibTab_SaveDBMsg", c.chosenFolder);
        TProgramOptions options = Options();
        bool closed = false;
        options.whenShown = [&](CProgram& program) {
            std::snprintf(program.prefs.LibraryPath, sizeof program.prefs.LibraryPath, "%s", blockedLibrary.c_str());
            program.mainWindow.Window()->showMinimized();
            AnswerLibraryDialogs(c.answers);
            closed = program.mainWindow.Window()->close();
        };
        CProgram program(options);
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
        EXPECT_TRUE(closed);
        EXPECT_EQ(fs::exists(elsewhere + "/Marovelle.mdb"), c.storedPath == elsewhere + "/");
        const auto stored = StoredPreferences();
        EXPECT_EQ(stored->LibraryPath, c.storedPath);
        EXPECT_EQ(stored->bLogFailed, 0);
        EXPECT_EQ(stored->LastMainWinPlacementValid, 1);
        EXPECT_NE(stored->LastMainWinPlacement.showCmd, 2u) << "a minimised window is stored as normal";
    }
}

TEST_F(MainWindowEventsTest, RefusingTheAgreementQuitsWithTheLibraryClosed) {
    CPreferences earlier;
    StorePreferences(earlier, false);
    testsupport::WhenModalShown([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    CProgram program(Options());
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    const auto stored = StoredPreferences();
    EXPECT_EQ(stored->bAgreedToLicense, 0);
    EXPECT_EQ(stored->bLogFailed, 0);
    EXPECT_EQ(stored->LastMainWinPlacementValid, 1);
    // The store was closed into its folder: it opens again as it was left.
    SGSMarovelle description;
    SVTENG_CSongvault again;
    ASSERT_TRUE(again.Initialize(&description, ""));
    EXPECT_FALSE(again.FoundDamagedStore());
}

TEST_F(MainWindowEventsTest, WithoutADriveTheQuestionOpensTheHelpPageAndKeepsTheBoxInverted) {
    const testsupport::CScopedEnv noImage("PLATTER_IMAGE_DRIVE", "0");
    CProgram program(OptionsWithoutDrives());
    // Without a drive the drive layer is ready but lists nothing.
    ui_.ExpectMessage("BE_ASPIFoundButNoCDDevices", IDYES, true);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    ASSERT_EQ(ui_.OpenedUrls().size(), 1u);
    EXPECT_NE(ui_.OpenedUrls()[0].find("drivehelp.htm"), std::string::npos);
    EXPECT_EQ(StoredPreferences()->bWarnAboutNoASPI, 0) << "ticked: not asked again";
}

TEST_F(MainWindowEventsTest, WithoutARecorderYesSendsTheReport) {
    const testsupport::CScopedEnv noImage("PLATTER_IMAGE_DRIVE", "0");
    CPreferences earlier;
    earlier.bWarnAboutNoASPI = 0;
    StorePreferences(earlier);
    ui_.ExpectMessage("BE_RecorderNotFound_Help", IDYES, false);
    CProgram program(OptionsWithoutDrives());
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    ASSERT_EQ(ui_.OpenedUrls().size(), 1u);
    EXPECT_EQ(ui_.OpenedUrls()[0].rfind("https://www.trackpress.example/trackpress/program/norecorder.asp?", 0), 0u);
    EXPECT_EQ(StoredPreferences()->bWarnAboutNoRecorder, 1);
}

TEST_F(MainWindowEventsTest, ASilentTrackPostedFromAnotherThreadIsRemovedOnYesAndComesBackOnUndo) {
    const std::string loud = home_.File("loud.wav");
    const std::string silent = home_.File("quiet.wav");
    WriteWav(loud, false);
    WriteWav(silent, true);
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        CSessionList& session = *program.sessionList;
        ASSERT_TRUE(session.AddSongFile(loud.c_str(), true));
        ASSERT_TRUE(session.AddSongFile(silent.c_str(), true));
        ASSERT_EQ(program.trackList.GetCount(), 2);
        const int serial = program.trackList.GetAt(1)->GetSerial();
        // Nothing is asked while a burn runs or the Burn command's dialogs show.
        program.burner.SetState(kBurnStateBurning);
        program.mainWindow.OnTrackWarning(true, serial);
        program.burner.SetState(kBurnStateNoDisc);
        program.mainWindow.SetBurnCommandRunning(true);
        program.mainWindow.OnTrackWarning(true, serial);
        program.mainWindow.SetBurnCommandRunning(false);
        EXPECT_TRUE(ui_.MessageKeys().empty());

        ui_.ExpectMessage("SesErr_Empty", IDYES);
        const TReceiverId window = program.mainWindow.ReceiverId();
        std::thread poster([window, serial] {
            PostAppMessage(window, TAppMessage{WM_TRACK_SILENT, static_cast<std::uintptr_t>(serial), 0, nullptr});
        });
        poster.join();
        EXPECT_TRUE(QTest::qWaitFor([&] { return program.trackList.GetCount() == 1; }, kDeadlineMs));
        ASSERT_EQ(ui_.Calls().size(), 1u);
        EXPECT_NE(ui_.Calls()[0].text.find("Song 2, \"quiet"), std::string::npos) << ui_.Calls()[0].text;
        EXPECT_TRUE(program.trackList.IsDirty());
        program.undo.Undo();
        ASSERT_EQ(program.trackList.GetCount(), 2);
        EXPECT_EQ(program.trackList.GetAt(1)->GetPath(), silent) << "back in its place";
        program.trackList.SetDirty(false);
        program.mainWindow.Window()->close();
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
}

TEST_F(MainWindowEventsTest, ADropOpensListsAtOnceAndAddsTheSongsAsOneUndoStep) {
    const std::string wav = home_.File("a.wav");
    const std::string other = home_.File("b.wav");
    const std::string mp3 = home_.File("c.mp3");
    WriteWav(wav, false);
    WriteWav(other, false);
    ASSERT_EQ(std::system(("lame --quiet -b 128 '" + other + "' '" + mp3 + "'").c_str()), 0);
    const std::string m3u = home_.File("list.m3u");
    std::ofstream(m3u) << other << "\n";
    const std::string txt = home_.File("notes.txt");
    std::ofstream(txt) << "not a song";
    // The loader's question about a short song would come whenever it got there.
    CPreferences earlier;
    earlier.bWarnAboutIncompleteSongs = 0;
    StorePreferences(earlier);
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        ui_.ExpectMessage("SesErr_FailedToLoadSomeSongsInPlaylist", IDOK);
        program.mainWindow.OnDropFiles({m3u, wav, mp3, txt});
        ASSERT_EQ(program.trackList.GetCount(), 3);
        EXPECT_EQ(program.trackList.GetAt(0)->GetPath(), other) << "the playlist opened at once";
        EXPECT_EQ(program.trackList.GetAt(1)->GetPath(), wav);
        EXPECT_EQ(program.trackList.GetAt(2)->GetPath(), mp3);
        EXPECT_TRUE(program.trackList.IsDirty());
        EXPECT_TRUE(program.sessionList->ChangedSinceConversion());
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "main_window_after_drop");
        program.undo.Undo();
        EXPECT_EQ(program.trackList.GetCount(), 0) << "one undo step takes the whole drop back";
        program.trackList.SetDirty(false);
        program.mainWindow.Window()->close();
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
}

// A burn controller whose state and progress the test sets.
class CSetBurnStatus final : public IBurnStatus {
public:
    int state = 0;
    double progress = 0;
    int BurnState() const override { return state; }
    int DiscCapacityMs() override { return 0; }
    bool GetStateText(char* out, int size) const override {
        std::snprintf(out, static_cast<std::size_t>(size), "%s", state == 7 ? "Converting" : "");
        return state == 7;
    }
    double BurnProgress() override { return progress; }
};

using MainWindowStateTest = MainWindowFixture;

TEST_F(MainWindowStateTest, TheTitleShowsTheBurnAndTheMinimisedWindowComesBackDuringIt) {
    Open();
    CSetBurnStatus status;
    main_->SetBurnStatus(&status);
    char title[kProgramTitleMax + 1];
    GetProgramTitle(title, sizeof title, true);

    main_->Window()->showMinimized();
    main_->OnActivate(true);
    EXPECT_TRUE(main_->Window()->isMinimized()) << "no burn: nothing to show";
    status.state = 7;
    status.progress = 0.5;
    main_->OnActivate(true);
    EXPECT_FALSE(main_->Window()->isMinimized());

    main_->UpdateTitle();
    EXPECT_EQ(main_->Window()->windowTitle().toStdString(), std::string("50% Converting - ") + title + " - Untitled");
    // A ripping CD page takes the place of the burn.
    CCDTab* page = main_->TabPane()->CdPages().at(0);
    page->SetRipping(true);
    main_->UpdateTitle();
    EXPECT_EQ(main_->Window()->windowTitle().toStdString(), std::string("0% [Ripping] - ") + title + " - Untitled");
    page->SetRipping(false);
    main_->SetBurnStatus(nullptr);
}

}  // namespace
