// The main window's own events in the running program: the close with its
// song-library loop and what it stores, the start-up questions (the
// agreement refused, no drive, no recorder), the silent-track question
// posted from another thread, dropped files, the drive poll, a window
// minimised during a burn and the title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/dialogs/ui/agreement_dialog.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/app_message.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/app/program_title.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/import_options_dlg.h"
#include "songsmith/library/ui/save_database_dialog.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scoped_env.h"
#include "testsupport/widget_png.h"

namespace {

namespace fs = std::filesystem;

// Closes the window at the end of a test; a window that stays open (a
// question the test did not expect) fails the test instead of leaving the
// program running.
void CloseOrQuit(CProgram& program) {
    if (program.mainWindow.Window()->close()) return;
    ADD_FAILURE() << "the window stayed open";
    QCoreApplication::quit();
}

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

TEST_F(MainWindowEventsTest, CloseAsksToSaveAModifiedSessionAndStaysOpenUnlessItMayGoOn) {
    const std::string song = home_.File("song.wav");
    WriteWav(song, false);
    const std::string saved = home_.File("kept.tps");
    struct TCase {
        const char* name;
        std::int32_t answer;
        std::optional<std::vector<std::string>> saveAs;  // the Save As chooser's answer; none: not asked
        bool closes;
    };
    const std::vector<TCase> cases = {
        {"Yes, then Save As cancelled", IDYES, std::vector<std::string>{}, false},
        {"Yes, saved", IDYES, std::vector<std::string>{saved}, true},
        {"No", IDNO, std::nullopt, true},
        {"Cancel", IDCANCEL, std::nullopt, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(saved);
        const std::size_t askedBefore = ui_.MessageKeys().size();
        TProgramOptions options = Options();
        bool closed = false;
        bool dirtyAfter = false;
        options.whenShown = [&](CProgram& program) {
            // The loader marks the session modified once it has analysed the
            // song, whenever it gets there: held back, only the close's save
            // makes it clean.
            HoldLoader(program);
            ASSERT_TRUE(program.sessionList->AddSongFile(song.c_str(), true));
            program.trackList.SetDirty(true);
            ui_.ExpectMessage("Ses_Dirty", c.answer);
            if (c.saveAs) ui_.ExpectFile(false, KeyedText("SaveTPS"), *c.saveAs);
            closed = program.mainWindow.Window()->close();
            dirtyAfter = program.trackList.IsDirty();
            if (closed) return;
            EXPECT_TRUE(program.mainWindow.Window()->isVisible());
            program.trackList.SetDirty(false);
            CloseOrQuit(program);
        };
        CProgram program(options);
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
        EXPECT_EQ(closed, c.closes);
        const bool savedNow = c.saveAs && !c.saveAs->empty();
        EXPECT_EQ(dirtyAfter, !savedNow) << "only a save makes the session clean";
        EXPECT_EQ(fs::exists(saved), savedNow);
        const std::vector<std::string> keys = ui_.MessageKeys();
        EXPECT_EQ(std::vector<std::string>(keys.begin() + static_cast<std::ptrdiff_t>(askedBefore), keys.end()),
                  std::vector<std::string>{"Ses_Dirty"})
            << "asked once";
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

// At the first start a song that turns out incomplete while the agreement
// is open is asked about only once the agreement is answered.
TEST_F(MainWindowEventsTest, AtTheFirstStartTheSongQuestionsWaitForTheAgreement) {
    const std::string cut = home_.File("cut.wav");
    WriteWav(cut, false);  // loud to its last sample: cut off
    CPreferences earlier;
    earlier.bWarnAboutIncompleteSongs = 1;
    StorePreferences(earlier, false);
    CProgram program(Options());
    std::vector<std::string> askedDuringAgreement;
    bool analysed = false;
    // Once the agreement is accepted: the window closes when the question
    // was answered Yes (the song removed), or at the deadline.
    QDeadlineTimer deadline;
    std::function<void()> closeWhenAnswered = [&] {
        if (program.trackList.GetCount() > 0 && !deadline.hasExpired()) {
            QTimer::singleShot(20, program.mainWindow.Window(), closeWhenAnswered);
            return;
        }
        program.trackList.SetDirty(false);
        CloseOrQuit(program);
    };
    testsupport::WhenModalShown([&](QWidget* modal) {
        ASSERT_TRUE(program.sessionList->AddSongFile(cut.c_str(), true));
        CCDTrack* track = program.trackList.GetAt(0);
        // The loader finds the song cut off and posts the question; the
        // post is delivered while the agreement is open.
        analysed = QTest::qWaitFor([track] { return track->IsIncompleteWarned(); }, testsupport::kHangLimitMs);
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        askedDuringAgreement = ui_.MessageKeys();
        testsupport::SaveWidgetPng(modal, "first_start_agreement_before_song_question");
        testsupport::ClickControl(modal, CAgreementDlg::kCheckbox);
        testsupport::ClickControl(modal, CAgreementDlg::kContinue);
        deadline.setRemainingTime(testsupport::kHangLimitMs);
        QTimer::singleShot(0, program.mainWindow.Window(), closeWhenAnswered);
    });
    ui_.ExpectMessage("SesErr_Incomplete", IDYES, false);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    EXPECT_TRUE(analysed);
    EXPECT_EQ(askedDuringAgreement, std::vector<std::string>{});
    EXPECT_EQ(ui_.MessageKeys(), std::vector<std::string>{"SesErr_Incomplete"});
    EXPECT_EQ(StoredPreferences()->bAgreedToLicense, 1);
}

// A first run: the import question and the agreement are answered. The
// answers are on the disk while the program still runs, so a run that then
// crashes does not ask them again at the next start.
TEST_F(MainWindowEventsTest, FirstRunAnswersAreStoredAtOnce) {
    CPreferences firstRun;
    firstRun.bWarnAboutIncompleteSongs = 0;
    firstRun.Save(HKEY_CURRENT_USER);
    RegistryStoreSave();
    ASSERT_EQ(StoredPreferences()->ImportInitial, 0);
    ASSERT_EQ(StoredPreferences()->bAgreedToLicense, 0);
    // The agreement comes first, then the question about searching for songs.
    testsupport::WhenModalShown([](QWidget* agreement) {
        testsupport::WhenModalShown([](QWidget* importQuestion) { static_cast<QDialog*>(importQuestion)->reject(); },
                                    testsupport::kHangLimitMs);
        testsupport::ClickControl(agreement, CAgreementDlg::kCheckbox);
        testsupport::ClickControl(agreement, CAgreementDlg::kContinue);
    }, testsupport::kHangLimitMs);
    // The agreement and the question run in loops of their own inside the
    // first event after the show: the check looks again from the main loop
    // until the store holds both answers, or the deadline passes.
    std::unique_ptr<CPreferences> whileRunning;
    QElapsedTimer clock;
    std::function<void(CProgram&)> look = [&](CProgram& program) {
        CPreferences stored;
        stored.Load(HKEY_CURRENT_USER);
        if ((stored.bAgreedToLicense == 0 || stored.ImportInitial == 0) && clock.elapsed() < testsupport::kHangLimitMs) {
            QTimer::singleShot(20, program.mainWindow.Window(), [&] { look(program); });
            return;
        }
        whileRunning = StoredPreferences();
        program.mainWindow.Window()->close();
    };
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        clock.start();
        look(program);
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    ASSERT_NE(whileRunning, nullptr);
    EXPECT_EQ(whileRunning->ImportInitial, 1);
    EXPECT_EQ(whileRunning->bAgreedToLicense, 1);
}

// At the first start the agreement comes before the question about
// searching the computer for songs, so no search starts before it is
// accepted.
TEST_F(MainWindowEventsTest, AtTheFirstStartTheAgreementComesBeforeTheSearchForSongs) {
    CPreferences earlier;
    earlier.bWarnAboutIncompleteSongs = 0;
    StorePreferences(earlier, false);
    earlier.ImportInitial = 0;
    earlier.Save(HKEY_CURRENT_USER);
    RegistryStoreSave();
    CProgram program(Options());
    std::vector<std::string> shown;
    std::function<void(QWidget*)> answer = [&](QWidget* modal) {
        const std::string id = modal->objectName().toStdString();
        shown.push_back(id);
        if (shown.size() < 2) {
            testsupport::WhenModalShown(answer, testsupport::kHangLimitMs);
        } else {
            QTimer::singleShot(0, program.mainWindow.Window(), [&program] { program.mainWindow.Window()->close(); });
        }
        if (id == std::to_string(CAgreementDlg::kDialogId)) {
            testsupport::ClickControl(modal, CAgreementDlg::kCheckbox);
            testsupport::ClickControl(modal, CAgreementDlg::kContinue);
        } else {
            static_cast<QDialog*>(modal)->reject();
        }
    };
    testsupport::WhenModalShown(answer, testsupport::kHangLimitMs);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    EXPECT_EQ(shown, (std::vector<std::string>{std::to_string(CAgreementDlg::kDialogId),
                                               std::to_string(CImportOptionsDlg::kDialogId)}));
    const auto stored = StoredPreferences();
    EXPECT_EQ(stored->bAgreedToLicense, 1);
    EXPECT_EQ(stored->ImportInitial, 1);
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

TEST_F(MainWindowEventsTest, ASilentOrIncompleteTrackPostedFromAnotherThreadIsRemovedOnYesAndComesBackOnUndo) {
    const std::string loud = home_.File("loud.wav");
    const std::string silent = home_.File("quiet.wav");
    WriteWav(loud, false);
    WriteWav(silent, true);
    const std::string cut = home_.File("cut.wav");
    WriteWav(cut, false);
    struct TCase {
        bool silent;
        std::uint32_t message;
        const char* key;
        std::string second;  // the song the question is about, the second in the list
    };
    for (const TCase& c : {TCase{true, WM_TRACK_SILENT, "SesErr_Empty", silent},
                           TCase{false, WM_TRACK_INCOMPLETE, "SesErr_Incomplete", cut}}) {
        SCOPED_TRACE(c.key);
        CPreferences earlier;
        earlier.bWarnAboutIncompleteSongs = 1;
        StorePreferences(earlier);
        TProgramOptions options = Options();
        options.whenShown = [&](CProgram& program) {
            // The loader would ask its own questions about these songs (the
            // silent one, and songs that end at full level) whenever it got
            // to them: held back, only the posted message asks.
            HoldLoader(program);
            CSessionList& session = *program.sessionList;
            ASSERT_TRUE(session.AddSongFile(loud.c_str(), true));
            ASSERT_TRUE(session.AddSongFile(c.second.c_str(), true));
            ASSERT_EQ(program.trackList.GetCount(), 2);
            const int serial = program.trackList.GetAt(1)->GetSerial();
            const std::size_t askedBefore = ui_.Calls().size();
            // Nothing is asked while a burn runs or the Burn command's dialogs show.
            program.burner.SetState(kBurnStateBurning);
            program.mainWindow.OnTrackWarning(c.silent, serial);
            program.burner.SetState(kBurnStateNoDisc);
            program.mainWindow.SetBurnCommandRunning(true);
            program.mainWindow.OnTrackWarning(c.silent, serial);
            program.mainWindow.SetBurnCommandRunning(false);
            EXPECT_EQ(ui_.Calls().size(), askedBefore);

            ui_.ExpectMessage(c.key, IDYES, true);
            const TReceiverId window = program.mainWindow.ReceiverId();
            std::thread poster([window, serial, &c] {
                PostAppMessage(window, TAppMessage{c.message, static_cast<std::uintptr_t>(serial), 0, nullptr});
            });
            poster.join();
            EXPECT_TRUE(QTest::qWaitFor([&] { return program.trackList.GetCount() == 1; },
                                        testsupport::kHangLimitMs));
            ASSERT_EQ(ui_.Calls().size(), askedBefore + 1);
            const std::string text = ui_.Calls().back().text;
            const std::string stem = fs::path(c.second).stem().string();
            EXPECT_NE(text.find("Song 2, \"" + stem), std::string::npos) << text;
            EXPECT_TRUE(program.trackList.IsDirty());
            program.undo.Undo();
            ASSERT_EQ(program.trackList.GetCount(), 2);
            EXPECT_EQ(program.trackList.GetAt(1)->GetPath(), c.second) << "back in its place";
            program.trackList.SetDirty(false);
            CloseOrQuit(program);
        };
        CProgram program(options);
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
        // The box asks no more about incomplete songs; a silent one is always asked.
        EXPECT_EQ(StoredPreferences()->bWarnAboutIncompleteSongs, c.silent ? 1 : 0);
    }
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
    const std::string listed = home_.File("d.wav");
    WriteWav(listed, false);
    const std::string tps = home_.File("list.tps");
    const std::string txt = home_.File("notes.txt");
    std::ofstream(txt) << "not a song";
    // The loader's question about a short song would come whenever it got there.
    CPreferences earlier;
    earlier.bWarnAboutIncompleteSongs = 0;
    StorePreferences(earlier);
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        // A saved session of one song, and the list empty and clean again.
        ASSERT_TRUE(program.sessionList->AddSongFile(listed.c_str(), true));
        ASSERT_TRUE(program.trackList.SaveSession(tps.c_str()));
        program.sessionList->RemoveAll(false);
        program.undo.ClearUndoHistory();
        program.trackList.SetDirty(false);
        ui_.ExpectMessage("SesErr_FailedToLoadSomeSongsInPlaylist", IDOK);
        program.mainWindow.OnDropFiles({m3u, wav, tps, mp3, txt});
        ASSERT_EQ(program.trackList.GetCount(), 4);
        EXPECT_EQ(program.trackList.GetAt(0)->GetPath(), other) << "the playlist opened at once";
        EXPECT_EQ(program.trackList.GetAt(1)->GetPath(), listed) << "the session opened at once";
        EXPECT_EQ(program.trackList.GetAt(2)->GetPath(), wav);
        EXPECT_EQ(program.trackList.GetAt(3)->GetPath(), mp3);
        EXPECT_TRUE(program.trackList.IsDirty());
        EXPECT_TRUE(program.sessionList->ChangedSinceConversion());
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "main_window_after_drop");
        program.undo.Undo();
        EXPECT_EQ(program.trackList.GetCount(), 0) << "one undo step takes the whole drop back";
        program.trackList.SetDirty(false);
        CloseOrQuit(program);
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
}

TEST_F(MainWindowEventsTest, TheTimerFollowsTheWritersTrayExceptWhileACdPageRips) {
    const std::string tray = home_.Path() + "/tray/";
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        CMainWindow& window = program.mainWindow;
        const std::string blank = KeyedText("BS_BlankCDInDrive");
        // A written disc after a blank one: one that cannot be written.
        const std::string written = KeyedText("BS_UnwritableCDInDrive");
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.StatusBar().Text() == blank; },
                                    testsupport::kHangLimitMs));
        // A disc the drive reads as written now lies in the tray.
        std::ofstream(tray + "disc.spoilt") << "";
        CCDTab* page = window.TabPane()->CdPages().at(0);
        page->SetRipping(true);
        window.OnTimer();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.StatusBar().Text(), blank) << "a rip reads the drive: no poll";
        page->SetRipping(false);
        window.OnTimer();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.StatusBar().Text() == written; },
                                    testsupport::kHangLimitMs))
            << window.StatusBar().Text();
        CloseOrQuit(program);
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
}

TEST_F(MainWindowEventsTest, TheTitleNamesTheSessionFileAndMarksItModified) {
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        char title[kProgramTitleMax + 1];
        GetProgramTitle(title, sizeof title, true);
        const std::string program_title = title;
        CMainWindow& window = program.mainWindow;
        const auto shown = [&] { return window.Window()->windowTitle().toStdString(); };
        window.UpdateTitle();
        EXPECT_EQ(shown(), program_title + " - " + KeyedText("Untitled"));
        program.trackList.SetSessionName((home_.Path() + "/lists/Road Trip.tps").c_str());
        program.trackList.SetDirty(true);
        window.UpdateTitle();
        EXPECT_EQ(shown(), program_title + " - Road Trip.tps *");
        program.trackList.SetDirty(false);
        window.UpdateTitle();
        EXPECT_EQ(shown(), program_title + " - Road Trip.tps");
        CloseOrQuit(program);
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
