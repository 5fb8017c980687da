// The main window's session commands in the running program, driven by
// their menu items and keys: the questions asked (by key) and the session,
// the preferences and the files they leave; the recent sessions in the File
// menu; the menus' states; the accelerator keys; the automatic save.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "platform/wave_out_null.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/track_states.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/drawing/ui/logo_panel.h"
#include "songsmith/dialogs/ui/message_box_dialog.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/app/ui/qt_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/widget_png.h"

namespace {

namespace fs = std::filesystem;

// The process's umask as the kernel reports it (changing it to read it
// would touch the program's other threads).
unsigned ProcessUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0) return static_cast<unsigned>(std::stoul(line.substr(6), nullptr, 8));
    ADD_FAILURE() << "no Umask line";
    return 077;
}

class SessionCommandsTest : public ProgramFixture {
protected:
    SessionCommandsTest() {
        fs::create_directories(songs_);
        fs::create_directories(temp_);
    }

    // Runs the program; body runs once its window shows, then the window
    // closes.
    void RunProgram(const std::function<void(CProgram&)>& body) {
        TProgramOptions options = Options();
        options.whenShown = [this, &body](CProgram& program) {
            std::snprintf(program.prefs.Marovelle_Temp_Dir, sizeof program.prefs.Marovelle_Temp_Dir,
                          "%s", temp_.c_str());
            body(program);
            // The session is not kept: the close asks nothing.
            program.trackList.SetDirty(false);
            EXPECT_TRUE(program.mainWindow.Window()->close());
        };
        CProgram program(options);
        ASSERT_EQ(program.Run({}), CProgram::kResultRan);
    }

    // A short PCM WAV song in the songs folder.
    std::string Song(const std::string& name, std::uint32_t ms = 200) const {
        const std::string path = songs_ + "/" + name;
        constexpr std::uint32_t kRate = 44100;
        const std::uint32_t dataBytes = kRate * ms / 1000 * 4;
        std::string bytes = "RIFF";
        const auto put = [&bytes](std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        };
        put(36 + dataBytes, 4);
        bytes += "WAVEfmt ";
        put(16, 4);
        put(1, 2);
        put(2, 2);
        put(kRate, 4);
        put(kRate * 4, 4);
        put(4, 2);
        put(16, 2);
        bytes += "data";
        put(dataBytes, 4);
        bytes.append(dataBytes, '\x10');
        testsupport::WriteWholeFile(path, bytes);
        return path;
    }
    std::string Playlist(const std::string& name, const std::vector<std::string>& songs) const {
        std::string text;
        for (const std::string& song : songs) text += song + "\n";
        const std::string path = songs_ + "/" + name;
        testsupport::WriteWholeFile(path, text);
        return path;
    }
    // A saved session of those songs, made through the program's own Save As.
    std::string SavedSession(CProgram& program, const std::string& name,
                             const std::vector<std::string>& songs) {
        AddSongs(program, songs);
        const std::string path = songs_ + "/" + name;
        ui_.ExpectFile(false, KeyedText("SaveTPS"), {path});
        program.mainWindow.OnCommand(cmd::kSaveAs);
        return path;
    }

    // New, answering No when the session asks to be saved.
    void NewSession(CProgram& program) {
        if (program.trackList.IsDirty()) ui_.ExpectMessage("Ses_Dirty", IDNO);
        program.mainWindow.OnCommand(cmd::kNewSession);
    }
    static int SelectedCount(CProgram& program) {
        CTrackList& tracks = program.trackList;
        tracks.Lock();
        int count = 0;
        for (int i = 0; i < tracks.GetCount(); ++i) count += tracks.GetAt(i)->IsSelected() ? 1 : 0;
        tracks.Unlock();
        return count;
    }

    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    static QAction* Item(CProgram& program, int command) {
        return program.mainWindow.MenuItem(command);
    }
    // Opens every menu (its states set as a user would see them).
    static void OpenMenus(CProgram& program) {
        for (QAction* top : program.mainWindow.Window()->menuBar()->actions())
            if (QMenu* menu = top->menu()) emit menu->aboutToShow();
    }
    // Chooses the menu item of command; false when it has none or it is
    // disabled.
    static bool Choose(CProgram& program, int command) {
        OpenMenus(program);
        QAction* item = Item(program, command);
        if (item == nullptr || !item->isEnabled()) return false;
        item->trigger();
        Settle();
        return true;
    }
    static QToolButton* Button(CProgram& program, int command) {
        QToolBar* toolbar = program.mainWindow.Toolbar().Window();
        if (toolbar == nullptr) return nullptr;
        // A refreshed toolbar may still hold its old buttons, without their
        // actions, until they are deleted.
        for (QToolButton* button : toolbar->findChildren<QToolButton*>(QString::number(command)))
            if (button->defaultAction() != nullptr) return button;
        return nullptr;
    }
    // The file names of the session's tracks, in order, blank-separated.
    static std::string Names(CProgram& program) {
        std::string names;
        CTrackList& tracks = program.trackList;
        tracks.Lock();
        for (int i = 0; i < tracks.GetCount(); ++i)
            names += (names.empty() ? "" : " ") +
                     fs::path(tracks.GetAt(i)->GetPath()).filename().string();
        tracks.Unlock();
        return names;
    }
    static std::vector<std::string> Recent(CProgram& program) {
        std::vector<std::string> entries;
        for (int i = 0; i < program.prefs.RecentFiles.Count(); ++i)
            entries.emplace_back(program.prefs.RecentFiles.Index(i));
        return entries;
    }
    void AddSongs(CProgram& program, const std::vector<std::string>& songs) {
        ui_.ExpectFile(true, KeyedText("AddSound"), songs);
        program.mainWindow.OnCommand(cmd::kAddTracks);
        // The loader marks the session modified as each track becomes
        // ready; the tests look at the session once all are.
        EXPECT_TRUE(QTest::qWaitFor([&program] { return AllTracksReady(program); },
                                    testsupport::kHangLimitMs));
        Settle();
    }
    static bool AllTracksReady(CProgram& program) {
        CTrackList& tracks = program.trackList;
        tracks.Lock();
        bool ready = true;
        for (int i = 0; i < tracks.GetCount() && ready; ++i)
            ready = tracks.GetAt(i)->GetState() == kTrackReady;
        tracks.Unlock();
        return ready;
    }

    std::string songs_ = home_.Path() + "/songs";
    std::string temp_ = home_.Path() + "/sound temp";
};

// What a command asks before it replaces the session, and what each answer
// leaves.
TEST_F(SessionCommandsTest, ReplacingCommandsAskToSaveAndACancelledSaveStopsThem) {
    enum class EAnswer { kCancel, kYesThenCancelSaveAs, kYesSaved, kNo };
    struct Case {
        int command;
        EAnswer answer;
        const char* sessionAfter;
    };
    const Case cases[] = {
        {cmd::kNewSession, EAnswer::kCancel, "a.wav b.wav"},
        {cmd::kNewSession, EAnswer::kYesThenCancelSaveAs, "a.wav b.wav"},
        {cmd::kNewSession, EAnswer::kYesSaved, ""},
        {cmd::kNewSession, EAnswer::kNo, ""},
        {cmd::kOpenSession, EAnswer::kCancel, "a.wav b.wav"},
        {cmd::kOpenSession, EAnswer::kYesThenCancelSaveAs, "a.wav b.wav"},
        {cmd::kOpenSession, EAnswer::kYesSaved, "c.wav"},
        {cmd::kOpenSession, EAnswer::kNo, "c.wav"},
        {cmd::kFirstRecent, EAnswer::kCancel, "a.wav b.wav"},
        {cmd::kFirstRecent, EAnswer::kYesThenCancelSaveAs, "a.wav b.wav"},
        {cmd::kFirstRecent, EAnswer::kNo, "c.wav"},
    };
    RunProgram([&](CProgram& program) {
        const std::string a = Song("a.wav"), b = Song("b.wav");
        const std::string other = SavedSession(program, "other.tps", {Song("c.wav")});
        const std::string kept = songs_ + "/kept.tps";
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.command << " answer " << static_cast<int>(c.answer));
            NewSession(program);
            AddSongs(program, {a, b});
            ASSERT_TRUE(program.trackList.IsDirty());
            switch (c.answer) {
                case EAnswer::kCancel:
                    ui_.ExpectMessage("Ses_Dirty", IDCANCEL);
                    break;
                case EAnswer::kYesThenCancelSaveAs:
                    ui_.ExpectMessage("Ses_Dirty", IDYES);
                    ui_.ExpectFile(false, KeyedText("SaveTPS"), {});
                    break;
                case EAnswer::kYesSaved:
                    // Saved to its own file, then the command goes on.
                    program.trackList.SetSessionName(kept.c_str());
                    ui_.ExpectMessage("Ses_Dirty", IDYES);
                    if (c.command == cmd::kOpenSession)
                        ui_.ExpectFile(true, KeyedText("FindTPS"), {other});
                    break;
                case EAnswer::kNo:
                    ui_.ExpectMessage("Ses_Dirty", IDNO);
                    if (c.command == cmd::kOpenSession)
                        ui_.ExpectFile(true, KeyedText("FindTPS"), {other});
                    break;
            }
            ASSERT_TRUE(Choose(program, c.command));
            ASSERT_TRUE(QTest::qWaitFor([&program] { return AllTracksReady(program); },
                                        testsupport::kHangLimitMs));
            Settle();
            EXPECT_EQ(Names(program), c.sessionAfter);
            if (c.answer == EAnswer::kYesSaved) {
                CTrackList reread(program.prefs);
                ASSERT_TRUE(reread.LoadSession(kept.c_str()));
                EXPECT_EQ(reread.GetCount(), 2);
                fs::remove(kept);
            }
            if (c.answer == EAnswer::kCancel || c.answer == EAnswer::kYesThenCancelSaveAs) {
                EXPECT_TRUE(program.trackList.IsDirty());
                EXPECT_NE(program.undo.CanUndo(), 0) << "the undo history stays";
            } else {
                EXPECT_EQ(program.undo.CanUndo(), 0);
                EXPECT_FALSE(program.trackList.IsDirty());
                EXPECT_EQ(program.trackList.GetSessionName(),
                          c.command == cmd::kNewSession ? "" : other);
            }
        }
        EXPECT_STREQ(program.prefs.lastSessionDir, songs_.c_str());
    });
}

// A session file that does not load, opened from the File menu or from the
// recent sessions after No to saving: the box names the file, and the
// session, its name and its undo history stay as they were.
TEST_F(SessionCommandsTest, AFailedOpenKeepsTheSessionAndNamesTheFile) {
    RunProgram([&](CProgram& program) {
        const std::string full = SavedSession(program, "full.tps", {Song("c.wav"), Song("d.wav")});
        std::string bytes = testsupport::ReadWholeFile(full);
        ASSERT_GT(bytes.size(), 100u);
        bytes.resize(bytes.size() - 100);
        const std::string cut = songs_ + "/cut.tps";
        testsupport::WriteWholeFile(cut, bytes);
        program.mainWindow.AddRecentSession(cut.c_str());
        NewSession(program);
        AddSongs(program, {Song("a.wav"), Song("b.wav")});
        for (const int command : {cmd::kOpenSession, cmd::kFirstRecent}) {
            SCOPED_TRACE(command);
            ASSERT_EQ(Recent(program).front(), cut);
            ui_.ExpectMessage("Ses_Dirty", IDNO);
            if (command == cmd::kOpenSession) ui_.ExpectFile(true, KeyedText("FindTPS"), {cut});
            ui_.ExpectMessage("Ses_FailedToLoad", IDOK);
            ASSERT_TRUE(Choose(program, command));
            EXPECT_NE(ui_.Calls().back().text.find(cut), std::string::npos) << ui_.Calls().back().text;
            EXPECT_EQ(Names(program), "a.wav b.wav");
            EXPECT_TRUE(program.trackList.IsDirty());
            EXPECT_EQ(program.trackList.GetSessionName(), "");
            EXPECT_EQ(program.sessionList->RowCount(), 2);
            // Undo still takes back the songs added.
            ASSERT_NE(program.undo.CanUndo(), 0);
        }
        ASSERT_TRUE(Choose(program, cmd::kUndo));
        EXPECT_EQ(Names(program), "");
        // The whole file still opens in place of the session.
        if (program.trackList.IsDirty()) ui_.ExpectMessage("Ses_Dirty", IDNO);
        ui_.ExpectFile(true, KeyedText("FindTPS"), {full});
        ASSERT_TRUE(Choose(program, cmd::kOpenSession));
        EXPECT_EQ(Names(program), "c.wav d.wav");
        EXPECT_EQ(program.sessionList->RowCount(), 2);
        EXPECT_EQ(program.undo.CanUndo(), 0);
    });
}

// Save writes the session's own file, unless it has none or lies in the
// temporary folder; Save As names it, and a failed save says so.
TEST_F(SessionCommandsTest, SaveAndSaveAs) {
    RunProgram([&](CProgram& program) {
        const std::string mine = SavedSession(program, "mine.tps", {Song("a.wav")});
        EXPECT_EQ(program.trackList.GetSessionName(), mine);
        EXPECT_EQ(Recent(program), std::vector<std::string>{mine});
        AddSongs(program, {Song("b.wav")});
        Settle();
        EXPECT_TRUE(Button(program, cmd::kToolbarSave)->isEnabled());

        // Its own name: no chooser.
        ASSERT_TRUE(Choose(program, cmd::kSave));
        EXPECT_FALSE(program.trackList.IsDirty());
        Settle();
        EXPECT_FALSE(Button(program, cmd::kToolbarSave)->isEnabled());
        {
            CTrackList reread(program.prefs);
            ASSERT_TRUE(reread.LoadSession(mine.c_str()));
            EXPECT_EQ(reread.GetCount(), 2);
        }
        // Unmodified: nothing at all.
        ASSERT_TRUE(Choose(program, cmd::kSave));

        // A name in the temporary folder (an automatic save) asks for one.
        const std::string inTemp = temp_ + "/auto.tps";
        program.trackList.SetSessionName(inTemp.c_str());
        program.trackList.SetDirty(true);
        const std::string chosen = songs_ + "/chosen";
        ui_.ExpectFile(false, KeyedText("SaveTPS"), {chosen});
        ASSERT_TRUE(Choose(program, cmd::kSave));
        EXPECT_EQ(program.trackList.GetSessionName(), chosen + ".tps")
            << "the default extension is added";
        EXPECT_TRUE(fs::exists(chosen + ".tps"));
        // A document of the user's: as readable as the umask lets others.
        EXPECT_EQ(fs::status(chosen + ".tps").permissions(), static_cast<fs::perms>(0666 & ~ProcessUmask()));
        EXPECT_FALSE(fs::exists(inTemp));
        EXPECT_EQ(Recent(program).front(), chosen + ".tps");

        // A folder that is not there: the failure is told, nothing changes.
        ui_.ExpectFile(false, KeyedText("SaveTPS"), {songs_ + "/missing/x.tps"});
        ui_.ExpectMessage("Ses_FailedToSave", IDOK);
        ASSERT_TRUE(Choose(program, cmd::kSaveAs));
        EXPECT_NE(ui_.Calls().back().text.find(songs_ + "/missing/x.tps"), std::string::npos)
            << "the box names the file";
        EXPECT_EQ(program.trackList.GetSessionName(), chosen + ".tps");
        EXPECT_EQ(Recent(program).size(), 2u);
    });
    for (const testsupport::TUiCall& call : ui_.Calls()) {
        if (call.kind != "save file") continue;
        EXPECT_EQ(call.key, KeyedText("SaveTPS"));
    }
}

// Add Songs takes songs and playlists, skips other files, remembers the
// folder; Undo and Redo keep the Shuffle button enabled exactly with tracks.
TEST_F(SessionCommandsTest, AddSongsThenUndoAndRedo) {
    RunProgram([&](CProgram& program) {
        const std::string a = Song("a.wav");
        const std::string list = Playlist("list.m3u", {Song("b.wav"), Song("c.wav")});
        program.sessionList->SetChangedSinceConversion(false);
        AddSongs(program, {a, list, Playlist("notes.txt", {a})});
        // The playlist opens at once; the songs follow together.
        EXPECT_EQ(Names(program), "b.wav c.wav a.wav");
        EXPECT_TRUE(program.trackList.IsDirty());
        EXPECT_TRUE(program.sessionList->ChangedSinceConversion());
        EXPECT_STREQ(program.prefs.lastAddSoundDir, songs_.c_str());
        EXPECT_TRUE(Button(program, cmd::kToolbarShuffle)->isEnabled());

        ASSERT_TRUE(Choose(program, cmd::kUndo));
        EXPECT_EQ(Names(program), "");
        EXPECT_FALSE(Button(program, cmd::kToolbarShuffle)->isEnabled());
        ASSERT_TRUE(Choose(program, cmd::kRedo));
        EXPECT_EQ(Names(program), "b.wav c.wav a.wav");
        EXPECT_TRUE(Button(program, cmd::kToolbarShuffle)->isEnabled());

        // Nothing chosen: nothing changes.
        AddSongs(program, {});
        EXPECT_EQ(Names(program), "b.wav c.wav a.wav");
    });
    for (const testsupport::TUiCall& call : ui_.Calls())
        if (call.kind == "open file") {
            EXPECT_EQ(call.key, KeyedText("AddSound"));
        }
}

// The edit commands by their menu items, each with what it leaves.
TEST_F(SessionCommandsTest, EditCommands) {
    struct Case {
        const char* name;
        std::function<void(CProgram&)> act;
        const char* sessionAfter;
        int focusedRowAfter;  // -1: none
    };
    const Case cases[] = {
        {"delete keeps the current row's place",
         [](CProgram& p) {
             p.sessionList->SelectTrack(p.sessionList->RowSerial(1));
             p.sessionList->MarkTrackSelected(p.sessionList->RowSerial(2));
             ASSERT_TRUE(Choose(p, cmd::kDelete));
         },
         "a.wav d.wav", 1},
        {"delete of the last rows selects the last",
         [](CProgram& p) {
             p.sessionList->SelectTrack(p.sessionList->RowSerial(3));
             ASSERT_TRUE(Choose(p, cmd::kDelete));
         },
         "a.wav b.wav c.wav", 2},
        {"delete without a current row selects the first",
         [](CProgram& p) {
             p.sessionList->MarkTrackSelected(p.sessionList->RowSerial(1));
             ASSERT_TRUE(Choose(p, cmd::kDelete));
         },
         "a.wav c.wav d.wav", 0},
        {"cut then paste moves to the end",
         [](CProgram& p) {
             p.sessionList->SelectTrack(p.sessionList->RowSerial(0));
             ASSERT_TRUE(Choose(p, cmd::kCut));
             ASSERT_TRUE(Choose(p, cmd::kPaste));
         },
         "b.wav c.wav d.wav a.wav", -1},
        {"select all then copy and paste doubles",
         [](CProgram& p) {
             ASSERT_TRUE(Choose(p, cmd::kSelectAll));
             ASSERT_TRUE(Choose(p, cmd::kCopy));
             ASSERT_TRUE(Choose(p, cmd::kPaste));
         },
         "a.wav b.wav c.wav d.wav a.wav b.wav c.wav d.wav", -1},
        {"remove all, then undo brings all back",
         [](CProgram& p) {
             ASSERT_TRUE(Choose(p, cmd::kRemoveAll));
             EXPECT_EQ(Names(p), "");
             ASSERT_TRUE(Choose(p, cmd::kUndo));
         },
         "a.wav b.wav c.wav d.wav", -1},
    };
    RunProgram([&](CProgram& program) {
        const std::vector<std::string> songs = {Song("a.wav"), Song("b.wav"), Song("c.wav"),
                                                Song("d.wav")};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            NewSession(program);
            AddSongs(program, songs);
            program.sessionList->SelectAll(false);
            c.act(program);
            EXPECT_EQ(Names(program), c.sessionAfter);
            const int focused = program.sessionList->FocusedSerial();
            if (c.focusedRowAfter >= 0) {
                EXPECT_EQ(focused, program.sessionList->RowSerial(c.focusedRowAfter));
            }
        }
    });
}

// The menus' states as a table: each state of the session against the
// items that depend on it.
TEST_F(SessionCommandsTest, MenuStatesFollowTheSession) {
    const int items[] = {cmd::kDelete,
                         cmd::kCut,
                         cmd::kCopy,
                         cmd::kPaste,
                         cmd::kRemoveAll,
                         cmd::kSelectAll,
                         cmd::kCopyTrackInfo,
                         cmd::kShuffle,
                         cmd::kUndo,
                         cmd::kRedo,
                         cmd::kOpenTrackFolder,
                         cmd::kPlay,
                         cmd::kFastForward,
                         cmd::kAddAllFound};
    struct Case {
        const char* name;
        std::function<void(CProgram&)> setUp;
        std::vector<bool> enabled;  // in the order of items
    };
    const Case cases[] = {
        {"empty", [](CProgram&) {}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"two tracks, none selected, undo possible",
         [this](CProgram& p) {
             AddSongs(p, {Song("a.wav"), Song("b.wav")});
         },
         {0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0}},
        {"one track selected",
         [this](CProgram& p) {
             AddSongs(p, {Song("a.wav")});
             p.sessionList->SelectTrack(p.sessionList->RowSerial(0));
         },
         {1, 1, 1, 0, 1, 1, 1, 0, 1, 0, 1, 1, 0, 0}},
        {"clipboard filled, redo possible",
         [this](CProgram& p) {
             AddSongs(p, {Song("a.wav"), Song("b.wav")});
             p.sessionList->SelectAll(true);
             p.sessionList->CopySelected();
             p.sessionList->SelectAll(false);
             p.mainWindow.OnCommand(cmd::kUndo);
         },
         {0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}},
    };
    // A sound device that plays without a sound card.
    CNullWaveOutBackend device;
    IWaveOutBackend* previous = SetWaveOutBackend(&device);
    RunProgram([&](CProgram& program) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            NewSession(program);
            c.setUp(program);
            OpenMenus(program);
            std::vector<bool> enabled;
            for (const int id : items) {
                QAction* item = Item(program, id);
                ASSERT_NE(item, nullptr) << id;
                enabled.push_back(item->isEnabled());
            }
            EXPECT_EQ(enabled, c.enabled);
            EXPECT_EQ(Item(program, cmd::kPlay)->text(), ProgString("MUP_Play"));
        }
        // While a song plays (on the stand-in sound device): Stop, and the
        // player's other commands, even with an empty session.
        NewSession(program);
        ASSERT_TRUE(program.player.PlaySong(Song("long.wav", 20000).c_str(), 1, 0, 0, 0, 0));
        ASSERT_TRUE(QTest::qWaitFor([&program] { return program.player.IsPlaying(); },
                                    testsupport::kHangLimitMs));
        OpenMenus(program);
        EXPECT_EQ(Item(program, cmd::kPlay)->text(), ProgString("MUP_Stop"));
        for (const int id : {cmd::kPlay, cmd::kFastForward, cmd::kRewind})
            EXPECT_TRUE(Item(program, id)->isEnabled()) << id;
        program.player.Stop();
        // The switches show their state and turn it over.
        for (const int id : {cmd::kRandomPlayback, cmd::kContinuousPlayback}) {
            int& value = id == cmd::kRandomPlayback ? program.prefs.bRandomPlayback
                                                    : program.prefs.bContinuousPlayback;
            const int before = value;
            OpenMenus(program);
            EXPECT_EQ(Item(program, id)->isChecked(), before != 0);
            ASSERT_TRUE(Choose(program, id));
            EXPECT_EQ(value, before == 0 ? 1 : 0);
            OpenMenus(program);
            EXPECT_EQ(Item(program, id)->isChecked(), value != 0);
        }
    });
    SetWaveOutBackend(previous);
}

// The commands that hand on to the desktop, and an advertisement for a
// product that is not installed.
TEST_F(SessionCommandsTest, DesktopCommandsGoThroughTheServices) {
    RunProgram([&](CProgram& program) {
        AddSongs(program, {Song("a.wav")});
        // No current row: no folder.
        program.sessionList->SelectAll(false);
        program.mainWindow.OnCommand(cmd::kOpenTrackFolder);
        program.sessionList->SelectTrack(program.sessionList->RowSerial(0));
        for (const int id :
             {cmd::kOpenTrackFolder, cmd::kHelp, cmd::kProductPage, cmd::kMasterVolume})
            ASSERT_TRUE(Choose(program, id)) << id;
        bool advertised = false;
        testsupport::WhenModalShown([&advertised](QWidget* modal) {
            advertised = true;
            modal->close();
        });
        ASSERT_TRUE(Choose(program, cmd::kFirstOtherProduct));
        EXPECT_TRUE(advertised);
        // The current track's volume, in its own dialog.
        bool volumeShown = false;
        testsupport::WhenModalShown([&volumeShown](QWidget* modal) {
            volumeShown = true;
            modal->close();
        });
        ASSERT_TRUE(Choose(program, cmd::kTrackVolume));
        EXPECT_TRUE(volumeShown);
    });
    std::vector<std::string> kinds;
    std::string folder;
    for (const testsupport::TUiCall& call : ui_.Calls()) {
        if (call.kind == "open file") continue;
        kinds.push_back(call.kind);
        if (call.kind == "open folder") folder = call.text;
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"open folder", "help contents", "url", "mixer"}));
    EXPECT_EQ(folder, songs_);
}

// Without the desktop's opener (xdg-open), Help, the web page item and the
// logo panel's picture each say so in a box that names the address, and in
// the log.
TEST_F(SessionCommandsTest, WithoutADesktopOpenerHelpTheWebPageAndTheLogoSaySo) {
    const testsupport::CScopedEnv noOpener("PATH", songs_);
    std::vector<std::string> texts;
    RunProgram([&](CProgram& program) {
        CQtUiServices desktop;
        IUiServices* fake = SetUiServices(&desktop);
        const auto readBox = [&texts](QWidget* box) {
            if (texts.empty()) testsupport::SaveWidgetPng(box, "no_desktop_opener");
            texts.push_back(testsupport::FindControl<QLabel>(box, kMessageBoxText)->text().toStdString());
            testsupport::ClickControl(box, IDOK);
        };
        for (const int id : {cmd::kHelp, cmd::kProductPage}) {
            testsupport::WhenModalShown(readBox);
            EXPECT_TRUE(Choose(program, id)) << id;
        }
        CLogoPanel* logo = program.mainWindow.BottomBand()->Logo();
        testsupport::WhenModalShown(readBox);
        QTest::mouseMove(logo->Window(), logo->LogoRect().center());
        QTest::mouseClick(logo->Window(), Qt::LeftButton, Qt::NoModifier, logo->LogoRect().center());
        SetUiServices(fake);
    });
    ASSERT_EQ(texts.size(), 3u);
    const char* addresses[] = {"index.htm", "http", "src=logo"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_NE(texts[i].find(addresses[i]), std::string::npos) << texts[i];
        EXPECT_NE(texts[i].find("xdg-open"), std::string::npos) << texts[i];
    }
    int logged = 0;
    for (const std::string& line : LoggedTexts()) logged += line.starts_with("Could not open ") ? 1 : 0;
    EXPECT_EQ(logged, 3);
}

// The recent sessions: eight kept, a reopened one moves up, a deleted file
// is told and leaves the session, and a missing entry shifts no item.
TEST_F(SessionCommandsTest, RecentSessions) {
    std::vector<std::string> sessions;
    RunProgram([&](CProgram& program) {
        for (int i = 1; i <= 9; ++i) {
            NewSession(program);
            sessions.push_back(
                SavedSession(program, "s" + std::to_string(i) + ".tps", {Song("a.wav")}));
        }
        const std::vector<std::string> recent = Recent(program);
        ASSERT_EQ(recent.size(), 8u);
        EXPECT_EQ(recent.front(), sessions[8]);
        EXPECT_EQ(recent.back(), sessions[1]);

        // Reopening the fourth entry moves it to the top.
        ASSERT_TRUE(Choose(program, cmd::kFirstRecent + 3));
        EXPECT_EQ(program.trackList.GetSessionName(), sessions[5]);
        EXPECT_EQ(Recent(program).front(), sessions[5]);
        EXPECT_EQ(Recent(program).size(), 8u);

        // The File menu's items: before Exit, numbered, then a separator.
        QMenu* file = program.mainWindow.Window()->menuBar()->actions().front()->menu();
        const QList<QAction*> actions = file->actions();
        EXPECT_EQ(actions.back()->data().toInt(), cmd::kExit);
        EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
        EXPECT_EQ(actions[actions.size() - 3]->text().toStdString(), "&8 s2.tps");
        file->popup(program.mainWindow.Window()->mapToGlobal(QPoint(0, 0)));
        Settle();
        testsupport::SaveWidgetPng(file, "file_menu_recent");
        file->hide();

        // A deleted file: the box, and the session as it was.
        AddSongs(program, {Song("b.wav")});
        const std::string before = Names(program);
        fs::remove(Recent(program)[1]);
        ui_.ExpectMessage("Ses_Dirty", IDNO);
        ui_.ExpectMessage("Ses_FileNotFound", IDOK);
        ASSERT_TRUE(Choose(program, cmd::kFirstRecent + 1));
        EXPECT_EQ(Names(program), before);
        EXPECT_TRUE(program.trackList.IsDirty());
        EXPECT_EQ(Recent(program).size(), 8u) << "a missing file stays listed";
        program.trackList.SetDirty(false);
    });
    const auto caption = [this] {
        for (const testsupport::TUiCall& call : ui_.Calls())
            if (call.key == "Ses_FileNotFound") return call.caption;
        return std::string();
    }();
    EXPECT_EQ(caption, KeyedText("Ses_FileNotFound_Title"));

    // Next run: the middle entry's file is gone; every other item opens
    // its own file.
    RunProgram([&](CProgram& program) {
        std::vector<std::pair<int, std::string>> items;
        QMenu* file = program.mainWindow.Window()->menuBar()->actions().front()->menu();
        for (QAction* action : file->actions()) {
            const int id = action->data().toInt();
            if (id >= cmd::kFirstRecent && id <= cmd::kLastRecent)
                items.emplace_back(id, action->text().toStdString());
        }
        ASSERT_EQ(items.size(), 7u);
        const std::vector<std::string> recent = Recent(program);
        for (const auto& [id, text] : items) {
            SCOPED_TRACE(text);
            const std::string expected = recent[static_cast<std::size_t>(id - cmd::kFirstRecent)];
            EXPECT_NE(text.find(fs::path(expected).filename().string()), std::string::npos);
            program.trackList.SetDirty(false);
            // The menu as it was at the start: the ids name entries of the
            // list it was built from.
            program.prefs.RecentFiles.DeleteStringList();
            for (const std::string& entry : recent)
                program.prefs.RecentFiles.PushBackList(entry.c_str());
            program.mainWindow.OnCommand(id);
            EXPECT_EQ(program.trackList.GetSessionName(), expected);
        }
    });
}

// While the Find box has the focus, the standard editing keys edit its text
// and leave the session alone; the other keys of the main window run their
// commands there as anywhere, and with the focus on the session list the
// editing keys edit the session. In a modal dialog the keys are the
// dialog's own.
TEST_F(SessionCommandsTest, EditingKeysInTheFindBoxEditItsText) {
    RunProgram([&](CProgram& program) {
        AddSongs(program, {Song("a.wav"), Song("b.wav"), Song("c.wav")});
        // A session edit to undo and one to redo.
        AddSongs(program, {Song("d.wav")});
        program.undo.Undo();
        ASSERT_EQ(program.sessionList->RowCount(), 3);
        ASSERT_NE(program.undo.CanRedo(), 0);
        program.sessionList->SelectAll(false);
        CFindTab* find = program.mainWindow.TabPane()->GetFindTab();
        ASSERT_NE(find, nullptr);
        for (int turn = 0; turn < 2 && !find->Window()->isVisible(); ++turn)
            program.mainWindow.OnCommand(cmd::kFindPage);
        auto* box = testsupport::FindControl<QLineEdit>(find->Window(), kFindEditId);
        ASSERT_NE(box, nullptr);
        program.mainWindow.Window()->activateWindow();
        box->setFocus();
        box->setText(QStringLiteral("hello"));
        box->deselect();
        Settle();
        ASSERT_EQ(QApplication::focusWidget(), box);
        const int undoStep = program.undo.CurrentUndoID();
        const std::string names = Names(program);

        // Ctrl+A selects the text and the focus stays: typing goes on.
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(box->selectedText(), "hello");
        EXPECT_EQ(SelectedCount(program), 0);
        EXPECT_EQ(QApplication::focusWidget(), box);
        // Ctrl+X cuts the text, Ctrl+V pastes it back twice.
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "");
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "hellohello");
        // Ctrl+C copies the text, not tracks.
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->ClipboardCount(), 0);
        // Ctrl+Z undoes the typing, not a session edit; Ctrl+Y redoes no
        // session edit either.
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "hello");
        QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_NE(program.undo.CanRedo(), 0);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, "!");
        EXPECT_EQ(box->text(), "!");
        EXPECT_EQ(Names(program), names);
        EXPECT_EQ(program.undo.CurrentUndoID(), undoStep);

        // Another key of the window works from the box as before: Ctrl+N
        // starts a new session (its question answered No).
        program.trackList.SetDirty(true);
        ui_.ExpectMessage("Ses_Dirty", IDNO);
        QTest::keyClick(box, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->RowCount(), 0);
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "find_box_editing_keys");

        // With the focus on the session list the keys edit the session.
        AddSongs(program, {Song("e.wav"), Song("f.wav")});
        QWidget* rows = testsupport::FindControl<QTableView>(
            program.mainWindow.MiddleBand()->SessionList()->Window(), CSessionListPane::kList);
        ASSERT_NE(rows, nullptr);
        rows->setFocus();
        Settle();
        QTest::keyClick(rows, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(SelectedCount(program), 2);
        QTest::keyClick(rows, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->ClipboardCount(), 2);
        QTest::keyClick(rows, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->RowCount(), 4);
        QTest::keyClick(rows, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->RowCount(), 2);
        QTest::keyClick(rows, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(program.sessionList->RowCount(), 4);

        // In a modal dialog Ctrl+A selects the dialog's text.
        program.sessionList->SelectAll(false);
        QString selected;
        testsupport::WhenModalShown([&selected](QWidget* modal) {
            auto* edit = modal->findChild<QLineEdit*>();
            edit->setFocus();
            edit->deselect();
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            selected = edit->selectedText();
            modal->close();
        });
        QDialog dialog(program.mainWindow.Window());
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLineEdit(QStringLiteral("dialog text"), &dialog));
        dialog.exec();
        EXPECT_EQ(selected, "dialog text");
        EXPECT_EQ(SelectedCount(program), 0);
    });
}

// The automatic save: named by the time and the first track, in the
// temporary folder, the session's name and modified flag as they were.
TEST_F(SessionCommandsTest, AutoSave) {
    RunProgram([&](CProgram& program) {
        program.sessionCommands->SetClock([] { return std::time_t{1700000000}; });
        AddSongs(program, {Song("x:y.wav"), Song("b.wav")});
        program.trackList.SetSessionName("/some/name.tps");
        const std::vector<std::string> recentBefore = Recent(program);

        // Unmodified: saved, but no recent entry, still unmodified.
        program.trackList.SetDirty(false);
        program.sessionCommands->AutoSaveSession();
        EXPECT_FALSE(program.trackList.IsDirty());
        EXPECT_EQ(Recent(program), recentBefore);

        // Modified, twice in one second: one file, listed, still modified.
        program.trackList.SetDirty(true);
        program.sessionCommands->AutoSaveSession();
        program.sessionCommands->AutoSaveSession();
        EXPECT_TRUE(program.trackList.IsDirty());
        EXPECT_EQ(program.trackList.GetSessionName(), "/some/name.tps");
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(temp_))
            if (entry.path().extension() == ".tps") files.push_back(entry.path().string());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(fs::path(files[0]).filename().string(),
                  "x_y  - 11-14 22 hrs 13 mins 20 secs (" + KeyedText("AutoSave") + ").tps");
        EXPECT_EQ(Recent(program).front(), files[0]);
        CTrackList reread(program.prefs);
        ASSERT_TRUE(reread.LoadSession(files[0].c_str()));
        EXPECT_EQ(reread.GetCount(), 2);
        program.trackList.SetDirty(false);
    });
}

}  // namespace
