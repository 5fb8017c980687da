// The Find page's rows in the running program, over a library of generated
// songs: the play button and the check box of a row under the mouse (with
// the list scrolled sideways too), a song the session refuses, unusable
// rows, the list menu's states and commands that reach the Library page,
// the player's next song from the list, a song started elsewhere, tag edits
// made in the Library page, and adding every found song to the session.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QContextMenuEvent>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/wave_out_null.h"
#include "songsmith/session/ui/add_songs_dialog.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/player/play_source.h"
#include "songsmith/find/find_menu.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/track_list.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_list_view.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songvault/songvault.h"
#include "testsupport/temp_dir.h"
#include "testsupport/tiny_wav.h"
#include "testsupport/widget_png.h"

namespace {

namespace fs = std::filesystem;

// A generated song: its title, artist and album, and the frames of its
// one-channel WAV file (900 makes a file under 2048 bytes, 1002 one of
// exactly 2048 bytes, which the session refuses as too small).
struct TSongPlan {
    std::string title;
    std::string artist = "Various";
    std::string album = "Mix";
    std::uint32_t frames = 8000;
};

class FindRowsProgramTest : public ProgramFixture {
protected:
    FindRowsProgramTest() { fs::create_directories(library_); }

    // The library of songs, stored before the program starts.
    void SeedLibrary(const std::vector<TSongPlan>& songs) {
        SVTENG_CSongvault store;
        SGSMarovelle description;
        ASSERT_TRUE(store.Initialize(&description, library_.c_str()));
        for (std::size_t i = 0; i < songs.size(); ++i) {
            const TSongPlan& plan = songs[i];
            char name[32];
            std::snprintf(name, sizeof name, "song%03zu.wav", i);
            const std::string path = songsFolder_.File(name);
            testsupport::WriteWholeFile(path, testsupport::TinyWavBytes(plan.frames, 8000));
            TSVT_Song song{};
            song.id = -1;
            std::snprintf(song.title, sizeof song.title, "%s", plan.title.c_str());
            std::snprintf(song.artist, sizeof song.artist, "%s", plan.artist.c_str());
            std::snprintf(song.album, sizeof song.album, "%s", plan.album.c_str());
            std::snprintf(song.path, sizeof song.path, "%s", path.c_str());
            song.createDate = 1700000000;
            ASSERT_GT(store.AddSong(&song, false), 0);
            paths_.push_back(path);
        }
        ASSERT_TRUE(store.Shutdown(library_.c_str()));
        CPreferences prefs;
        prefs.bWarnAboutIncompleteSongs = 0;
        std::snprintf(prefs.LibraryPath, sizeof prefs.LibraryPath, "%s", library_.c_str());
        StorePreferences(prefs);
    }

    // Runs the program on a null sound device whose clock stands still (a
    // song plays until it is stopped); body runs once the window shows.
    void RunProgram(const std::function<void(CProgram&)>& body) {
        TProgramOptions options = Options();
        options.whenShown = [&body](CProgram& program) {
            program.mainWindow.Window()->resize(1000, 700);
            body(program);
            // The session the test built is left unsaved: the close does
            // not ask about it.
            program.trackList.SetDirty(false);
            program.mainWindow.Window()->close();
        };
        CNullWaveOutBackend nullDevice{[] { return std::int64_t{0}; }, false};
        IWaveOutBackend* previousDevice = SetWaveOutBackend(&nullDevice);
        {
            CProgram program(options);
            EXPECT_EQ(program.Run({}), CProgram::kResultRan);
        }
        SetWaveOutBackend(previousDevice);
    }

    static CFindTab* Page(CProgram& program) { return program.mainWindow.TabPane()->GetFindTab(); }
    static QTableView& List(CProgram& program) { return *Page(program)->List(); }

    // Shows the pane with the Find page in front (the command hides the
    // pane when the page is in front already).
    static void ShowFindPage(CProgram& program) {
        for (int turn = 0; turn < 2 && !Page(program)->Window()->isVisible(); ++turn)
            program.mainWindow.OnCommand(cmd::kFindPage);
        ASSERT_TRUE(Page(program)->Window()->isVisible());
    }
    // Brings the Find page forward and searches for text (no import).
    static void Search(CProgram& program, const std::string& text, int rows) {
        ShowFindPage(program);
        CFindTab* page = Page(program);
        page->Window()->findChild<QCheckBox*>(QString::number(kFindImportBoxId))->setChecked(false);
        auto* edit = page->Window()->findChild<QLineEdit*>(QString::number(kFindEditId));
        edit->setText(QString::fromStdString(text));
        QTest::keyClick(edit, Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return !page->IsSearching(); }));
        ASSERT_EQ(page->GetSongCount(), rows) << text;
    }
    static void ClickHeader(CProgram& program, int column) {
        QHeaderView* header = List(program).horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
    static void Mouse(CProgram& program, QEvent::Type type, Qt::MouseButton button, QPoint at) {
        QWidget* viewport = List(program).viewport();
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    // A point of row's first cell at content x (the list's sideways scroll
    // taken off).
    static QPoint PointInControl(CProgram& program, int row, int contentX) {
        QTableView& list = List(program);
        list.scrollTo(list.model()->index(row, 0));
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        return {contentX - list.horizontalScrollBar()->value(), cell.center().y()};
    }
    static void ClickPlay(CProgram& program, int row) {
        Mouse(program, QEvent::MouseButtonPress, Qt::LeftButton, PointInControl(program, row, kFindPlayLeft + 1));
    }
    static void ClickTitle(CProgram& program, int row) {
        QTableView& list = List(program);
        list.scrollTo(list.model()->index(row, 1));
        Mouse(program, QEvent::MouseButtonPress, Qt::LeftButton, list.visualRect(list.model()->index(row, 1)).center());
    }
    static const TFoundRow& Row(CProgram& program, int row) {
        return Page(program)->Model().Rows()[static_cast<std::size_t>(row)];
    }
    static std::string Path(CProgram& program, int row) { return Row(program, row).entry.path; }
    static bool InSession(CProgram& program, const char* path) { return program.trackList.FindByPath(path) >= 0; }
    static std::string PlayerPath(CProgram& program) {
        std::string path;
        return program.player.GetCurrentSongPath(path) ? path : std::string();
    }

    // The list menu's items as "text:enabled", for the row the right button
    // is pressed on (-1: below the rows).
    static std::vector<std::string> MenuFor(CProgram& program, QPoint at) {
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, at);
        std::unique_ptr<QMenu> menu = Page(program)->MakeContextMenu();
        std::vector<std::string> items;
        for (QAction* item : menu->actions())
            if (!item->isSeparator())
                items.push_back(item->text().toStdString() + (item->isEnabled() ? ":on" : ":grey"));
        return items;
    }
    static std::vector<std::string> Menu(std::vector<std::pair<const char*, bool>> items) {
        std::vector<std::string> texts;
        for (const auto& [key, on] : items) texts.push_back(ProgString(key).toStdString() + (on ? ":on" : ":grey"));
        return texts;
    }

    testsupport::TempDir songsFolder_;
    std::string library_ = home_.Path() + "/library";
    std::vector<std::string> paths_;
};

std::vector<TSongPlan> NumberedTunes(int count) {
    std::vector<TSongPlan> songs;
    for (int i = 0; i < count; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Tune %02d", i);
        songs.push_back({title});
    }
    return songs;
}

TEST_F(FindRowsProgramTest, ClicksPlayAndMarkRowsRefusedAndUnusableRowsAndTheMenu) {
    std::vector<TSongPlan> songs = NumberedTunes(40);
    songs[3].frames = 900;   // under 2048 bytes: unusable
    songs[5].frames = 1002;  // 2048 bytes: listed, refused by the session
    SeedLibrary(songs);
    bool ran = false;
    RunProgram([&](CProgram& program) {
        ASSERT_NO_FATAL_FAILURE(ShowFindPage(program));
        // No hot row: every item grey.
        EXPECT_EQ(MenuFor(program, {100, 30}),
                  Menu({{"MUFT_Find", false}, {"MUFT_AdvFind", false}, {"MUFT_Play", false}, {"MUFT_Select", false},
                        {"MUFT_EditTag", false}, {"MUFT_OpenFolder", false}, {"MUFT_Locate", false},
                        {"MUFT_LibDelete", false}}));
        ASSERT_NO_FATAL_FAILURE(Search(program, "tune", 40));
        CFindTab* page = Page(program);

        // The title (here the file's name) lists Z to A on the first click,
        // A to Z on the second.
        ClickHeader(program, 1);
        EXPECT_EQ(Path(program, 0), paths_[39]);
        ClickHeader(program, 1);
        ASSERT_EQ(Path(program, 0), paths_[0]);
        ASSERT_EQ(Path(program, 39), paths_[39]);

        // The play button plays the row on the null device; again stops it.
        ClickPlay(program, 1);
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == 1; }));
        EXPECT_EQ(PlayerPath(program), paths_[1]);
        EXPECT_TRUE(program.player.IsPlaying());
        ClickPlay(program, 1);
        ASSERT_TRUE(WaitFor([&] { return !program.player.IsPlaying() && page->Model().PlayingRow() == -1; }));

        // Scrolled sideways, the button is still where it is drawn.
        List(program).horizontalScrollBar()->setValue(10);
        ASSERT_EQ(List(program).horizontalScrollBar()->value(), 10);
        ClickPlay(program, 2);
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == 2; }));
        EXPECT_EQ(PlayerPath(program), paths_[2]);
        List(program).horizontalScrollBar()->setValue(0);

        // A click elsewhere marks the row and adds its song; again removes it.
        ClickTitle(program, 4);
        EXPECT_TRUE(Row(program, 4).inSession);
        EXPECT_TRUE(InSession(program, paths_[4].c_str()));
        ClickTitle(program, 4);
        EXPECT_FALSE(Row(program, 4).inSession);
        EXPECT_FALSE(InSession(program, paths_[4].c_str()));
        ClickTitle(program, 4);
        EXPECT_TRUE(InSession(program, paths_[4].c_str()));

        // The session refuses the song of 2048 bytes (too small to load): the
        // row is struck.
        ui_.ExpectMessage("SesErr_FailedToLoadSong", IDOK);
        ClickTitle(program, 5);
        EXPECT_FALSE(Row(program, 5).inSession);
        EXPECT_TRUE(Row(program, 5).unusable);
        EXPECT_FALSE(InSession(program, paths_[5].c_str()));

        // Unusable rows are neither played nor marked.
        for (const int row : {3, 5}) {
            ClickPlay(program, row);
            ClickTitle(program, row);
            EXPECT_FALSE(Row(program, row).inSession) << row;
            EXPECT_FALSE(InSession(program, paths_[static_cast<std::size_t>(row)].c_str())) << row;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(page->Model().PlayingRow(), 2);
        EXPECT_EQ(PlayerPath(program), paths_[2]);

        // The hand cursor over a play button, none elsewhere.
        QWidget* viewport = List(program).viewport();
        Mouse(program, QEvent::MouseMove, Qt::NoButton, PointInControl(program, 6, kFindPlayLeft + 1));
        EXPECT_TRUE(page->HotZonePlay());
        EXPECT_TRUE(viewport->testAttribute(Qt::WA_SetCursor));
        Mouse(program, QEvent::MouseMove, Qt::NoButton, PointInControl(program, 6, 40));
        EXPECT_FALSE(page->HotZonePlay());
        EXPECT_FALSE(viewport->testAttribute(Qt::WA_SetCursor));

        // The right button opens menu 181 over the row.
        QString shownMenu;
        QTimer closer;
        closer.setInterval(10);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* menu = qobject_cast<QMenu*>(widget);
                if (menu == nullptr || !menu->isVisible()) continue;
                shownMenu = menu->objectName();
                menu->close();
                closer.stop();
            }
        });
        closer.start();
        const QPoint at = PointInControl(program, 4, 40);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &request);
        EXPECT_EQ(shownMenu, QString::number(kFindContextMenuId));
        EXPECT_EQ(page->HotRow(), 4);

        // The menu of the playing row, of a row in the session, of another.
        EXPECT_EQ(MenuFor(program, PointInControl(program, 2, 40)),
                  Menu({{"MUFT_Find", true}, {"MUFT_AdvFind", false}, {"MUFT_Stop", true}, {"MUFT_Select", true},
                        {"MUFT_EditTag", true}, {"MUFT_OpenFolder", true}, {"MUFT_Locate", true},
                        {"MUFT_LibDelete", true}}));
        EXPECT_EQ(MenuFor(program, PointInControl(program, 4, 40)),
                  Menu({{"MUFT_Find", true}, {"MUFT_AdvFind", false}, {"MUFT_Play", true}, {"MUFT_Deselect", true},
                        {"MUFT_EditTag", true}, {"MUFT_OpenFolder", true}, {"MUFT_Locate", true},
                        {"MUFT_LibDelete", true}}));
        // The greyed Advanced Search item's command does nothing.
        EXPECT_EQ(page->OnCommand(cmd::kAdvancedSearch), 0);
        // The menu's play and select items work as the clicks.
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, PointInControl(program, 6, 40));
        page->OnCommand(cmd::kFindSelect);
        EXPECT_TRUE(InSession(program, paths_[6].c_str()));
        page->OnCommand(cmd::kFindSelect);
        EXPECT_FALSE(InSession(program, paths_[6].c_str()));
        page->OnCommand(cmd::kFindPlay);
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == 6; }));
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, PointInControl(program, 2, 40));
        page->OnCommand(cmd::kFindPlay);
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == 2; }));

        // A double click on a column's divider puts back its first width.
        QHeaderView* header = List(program).horizontalHeader();
        header->resizeSection(2, 140);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                           QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) - 1, header->height() / 2));
        EXPECT_EQ(header->sectionSize(2), FindColumn(2).width);

        List(program).scrollToTop();
        QCoreApplication::processEvents();
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "find_tab_rows");
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, PointInControl(program, 4, 40));
        std::unique_ptr<QMenu> menu = page->MakeContextMenu();
        menu->popup(List(program).viewport()->mapToGlobal(PointInControl(program, 4, 40)));
        ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
        testsupport::SaveWidgetPng(menu.get(), "find_tab_menu");
        menu->close();
        program.player.Stop();
        ran = true;
    });
    EXPECT_TRUE(ran);
}

TEST_F(FindRowsProgramTest, LibraryCommandsTagEditsAndThePlayersNextSong) {
    SeedLibrary(NumberedTunes(40));
    bool ran = false;
    RunProgram([&](CProgram& program) {
        ASSERT_NO_FATAL_FAILURE(Search(program, "tune", 40));
        CFindTab* page = Page(program);
        ClickHeader(program, 1);
        ClickHeader(program, 1);
        ASSERT_EQ(Path(program, 7), paths_[7]);
        CLibraryTab* library = program.mainWindow.TabPane()->GetLibraryTab();
        ASSERT_NE(library, nullptr);

        // Open the folder: the song's folder through the desktop.
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, PointInControl(program, 7, 40));
        page->OnCommand(cmd::kFindOpenFolder);
        ASSERT_FALSE(ui_.Calls().empty());
        EXPECT_EQ(ui_.Calls().back().kind, "open folder");
        EXPECT_EQ(ui_.Calls().back().text, songsFolder_.Path());

        // Locate: the Library page in front with the song current.
        page->OnCommand(cmd::kFindLocate);
        EXPECT_EQ(program.mainWindow.TabPane()->GetCurrentPage(), library);
        EXPECT_TRUE(library->Window()->isVisible());
        EXPECT_EQ(library->ClickedRow().node, library->Nodes().FindSongByPath(paths_[7].c_str()));

        // A tag edited in the Library page shows in the found row.
        CLibNode* song = library->Nodes().FindSongByPath(paths_[8].c_str());
        ASSERT_NE(song, nullptr);
        library->ChangeSongTag(song, "New Artist", "New Album", "Renamed Tune", nullptr, 1999, 17, true, true);
        EXPECT_STREQ(Row(program, 8).entry.musicInfo.title, "Renamed Tune");
        EXPECT_STREQ(Row(program, 8).entry.musicInfo.artist, "New Artist");
        EXPECT_STREQ(Row(program, 8).entry.musicInfo.album, "New Album");
        EXPECT_EQ(Row(program, 8).entry.musicInfo.genreIndex, 17);
        EXPECT_EQ(Row(program, 8).entry.musicInfo.year, 1999);

        // Delete from the library: the song goes to the library's trash and
        // its row from the list.
        ASSERT_NO_FATAL_FAILURE(ShowFindPage(program));
        Mouse(program, QEvent::MouseButtonPress, Qt::RightButton, PointInControl(program, 9, 40));
        page->OnCommand(cmd::kFindLibDelete);
        EXPECT_EQ(page->GetSongCount(), 39);
        EXPECT_EQ(page->Model().RowOfPath(paths_[9].c_str()), -1);
        const CLibNode* deleted = library->Nodes().FindSongByPath(paths_[9].c_str());
        EXPECT_TRUE(deleted == nullptr || deleted->inTrash);
        EXPECT_EQ(program.library.FindSongsByText("song009"), 0);

        // The player's next and previous rows, wrapping at both ends.
        SetPlaySource(0);
        EXPECT_TRUE(page->PlayNextSong(false, paths_[39].c_str(), true));
        ASSERT_TRUE(WaitFor([&] { return PlayerPath(program) == paths_[0]; }));
        EXPECT_TRUE(page->PlayNextSong(false, paths_[0].c_str(), false));
        ASSERT_TRUE(WaitFor([&] { return PlayerPath(program) == paths_[39]; }));
        // The panel's next button asks the Find page (the play source).
        program.mainWindow.OnCommand(cmd::kFastForward);
        ASSERT_TRUE(WaitFor([&] { return PlayerPath(program) == paths_[0]; }));

        // A song started elsewhere (the Library page's list) becomes the
        // playing row, scrolled up to the second-to-last row shown.
        List(program).scrollToTop();
        CSongEntry entry;
        entry.LoadFromFile(paths_[30].c_str());
        DoSongAction(kSongListLibrary, kSongActionPlay, 0, 0, &entry);
        const int row30 = page->Model().RowOfPath(paths_[30].c_str());
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == row30; }));
        QTableView& list = List(program);
        const int shown = list.viewport()->height() / list.verticalHeader()->defaultSectionSize();
        EXPECT_EQ(list.rowAt(0), row30 - shown + 2);
        // One above the first row shown, when it lies above.
        entry.LoadFromFile(paths_[4].c_str());
        DoSongAction(kSongListLibrary, kSongActionPlay, 0, 0, &entry);
        ASSERT_TRUE(WaitFor([&] { return page->Model().PlayingRow() == 4; }));
        EXPECT_EQ(list.rowAt(0), 3);

        // A random next song over rows that all have the playing song's path
        // ends with none; with another row there, that one plays.
        ASSERT_NO_FATAL_FAILURE(Search(program, "song012", 1));
        TSVT_Song record{};
        ASSERT_TRUE(program.library.FindSongByPath(&record, paths_[12].c_str()));
        ASSERT_TRUE(page->Search().StartImportFeed());
        page->Search().QueueImported(record);
        page->Search().QueueImported(record);
        page->Search().FinishImportFeed();
        ASSERT_TRUE(WaitFor([&] { return page->GetSongCount() == 3; }));
        EXPECT_FALSE(page->PlayNextSong(true, paths_[12].c_str(), true));
        EXPECT_TRUE(page->PlayNextSong(true, paths_[13].c_str(), true));
        ASSERT_TRUE(WaitFor([&] { return PlayerPath(program) == paths_[12]; }));
        program.player.Stop();
        ran = true;
    });
    EXPECT_TRUE(ran);
}

// Counts the showings of the session's add-songs dialog.
class CAddDialogCounter final : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget != nullptr && widget->isWindow() &&
            widget->objectName() == QString::number(CAddSongsDlg::kLibraryDialogId))
            ++shown;
        return false;
    }
};

TEST_F(FindRowsProgramTest, AddAllFoundSongsOneByOneBelowAHundredAndInOneBatchFromThere) {
    // 99 songs by one artist, 100 on one album, 150 in all.
    std::vector<TSongPlan> songs;
    for (int i = 0; i < 150; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Tune %03d", i);
        songs.push_back({title, i < 99 ? "Ninety" : "Other", i < 100 ? "Hundred" : "Rest"});
    }
    SeedLibrary(songs);
    bool ran = false;
    RunProgram([&](CProgram& program) {
        CAddDialogCounter dialogs;
        qApp->installEventFilter(&dialogs);
        CFindTab* page = Page(program);
        const auto marked = [page] {
            const std::vector<TFoundRow>& rows = page->Model().Rows();
            return std::count_if(rows.begin(), rows.end(), [](const TFoundRow& row) { return row.inSession; });
        };
        struct TCase {
            const char* text;
            int rows;
            int dialogs;  // add-songs dialogs shown
        };
        for (const TCase& c : {TCase{"ninety", 99, 0}, TCase{"hundred", 100, 1}, TCase{"tune", 150, 1}}) {
            SCOPED_TRACE(c.text);
            ASSERT_NO_FATAL_FAILURE(Search(program, c.text, c.rows));
            dialogs.shown = 0;
            // Add All Found Songs, through the main window's menu.
            ASSERT_TRUE(ChooseMenuItem(program, cmd::kAddAllFound));
            ASSERT_TRUE(WaitFor([&] { return program.trackList.GetCount() == c.rows; }));
            EXPECT_EQ(dialogs.shown, c.dialogs);
            ASSERT_TRUE(WaitFor([&] { return marked() == c.rows; }));
            // One undo step takes them all out again; redo brings them back.
            program.mainWindow.OnCommand(cmd::kUndo);
            ASSERT_TRUE(WaitFor([&] { return program.trackList.GetCount() == 0 && marked() == 0; }))
                << program.trackList.GetCount() << " tracks, " << marked() << " marked";
            program.mainWindow.OnCommand(cmd::kRedo);
            ASSERT_TRUE(WaitFor([&] { return program.trackList.GetCount() == c.rows && marked() == c.rows; }));
            // Unmarking every row takes every song out again.
            page->SelectAll(false);
            EXPECT_EQ(marked(), 0);
            EXPECT_EQ(program.trackList.GetCount(), 0);
        }
        qApp->removeEventFilter(&dialogs);
        ran = true;
    });
    EXPECT_TRUE(ran);
}

}  // namespace
