// The Library page in the real main window, over a song store in a
// temporary folder: the rows it shows, checking songs into the session and
// the undo of the marks, the questions it asks, and the records that reach
// it by message.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <set>
#include <QTreeWidget>
#include <cstring>
#include <string>
#include <vector>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_maintenance_dlgs.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/library/tests/library_song_record.h"
#include "songvault/songvault.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/undo_manager.h"
#include "songsmith/library/ui/tests/library_store_fixture.h"
#include "platform/message_box.h"

namespace {

int g_freed = 0;
void CountingFree(void* record) {
    ++g_freed;
    delete static_cast<TSVT_Song*>(record);
}

using libtest::Song;

class LibraryTabTest : public LibraryPageFixture {
protected:
    // A song whose file exists.
    void AddSong(const char* title, const char* artist, const char* album, int genre, const char* file) {
        const std::string path = folder_.File(file);
        testsupport::WriteWholeFile(path, "not really a song");
        TSVT_Song song = Song(title, artist, album, genre, path);
        ASSERT_GT(store_.AddSong(&song, false), 0);
    }
    template <class T>
    T* FindChild(int id) const {
        return Page()->Window()->findChild<T*>(QString::number(id));
    }
    // The session's adds and removals, without the steps around them.
    songfakes::Lines SessionChanges() {
        songfakes::Lines changes;
        for (const std::string& call : session_.calls)
            if (call.rfind("add ", 0) == 0 || call.rfind("remove ", 0) == 0) changes.push_back(call);
        session_.calls.clear();
        return changes;
    }
};

TEST_F(LibraryTabTest, EmptyLibraryShowsTheSpecialFolders) {
    Open(0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"0 <Trash>", "0 Browse by Artist", "1 <Untagged>",
                                                "0 Browse by Genre", "1 <No Genre>"}));
    EXPECT_EQ(FindChild<QLabel>(kLibCountId)->text().toStdString(), "Library contains 0 songs.");
    EXPECT_TRUE(Tree()->topLevelItem(1)->isExpanded());
    EXPECT_EQ(prefs_->LibLoadFailed, 0);
    auto* button = FindChild<QWidget>(kLibImportId);
    EXPECT_EQ(button->size(), QSize(CLibraryTab::kImportButtonWidth, CLibraryTab::kImportButtonHeight));
}

TEST_F(LibraryTabTest, TreeShowsSongsUnderFoldersAndGenres) {
    AddSong("Loose", "", "", 17, "loose.mp3");
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    AddSong("Two", "Bob", "Hits", 255, "two.mp3");
    Open(0);
    main_->OnCommand(cmd::kLibraryPage);
    Settle();
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "0 <Trash>", "0 Browse by Artist", "1 <Untagged>", "2 Loose", "1 Ann", "2 Hits",
                          "3 One", "1 Bob", "2 Hits", "3 Two", "0 Browse by Genre", "1 <No Genre>",
                          "2 Two (Bob)", "1 Rock", "2 Loose", "2 One (Ann)"}));
    EXPECT_EQ(FindChild<QLabel>(kLibCountId)->text().toStdString(), "Library contains 3 songs.");
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) Tree()->expandItem(Tree()->topLevelItem(i));
    Tree()->expandAll();
    Settle();
    testsupport::SaveWidgetPng(main_->Window(), "library_tab_tree");
}

TEST_F(LibraryTabTest, SelectingAnArtistAddsItsSongsAndUndoRestoresTheMarks) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    AddSong("Two", "Ann", "Hits", 17, "two.mp3");
    Open(0);
    CLibNode* ann = Artist("Ann");
    ASSERT_NE(ann, nullptr);
    Page()->SetClickedRow({ann, false});
    Page()->OnCommand(cmd::kLibSelect);
    const std::string one = folder_.File("one.mp3");
    const std::string two = folder_.File("two.mp3");
    EXPECT_TRUE(ann->checked);
    EXPECT_EQ(SessionChanges(), (songfakes::Lines{"add " + one + " 3", "add " + two + " 3"}));
    Page()->OnCommand(cmd::kLibSelect);
    EXPECT_FALSE(ann->checked);
    EXPECT_EQ(SessionChanges(), (songfakes::Lines{"remove " + one + " 3", "remove " + two + " 3"}));
    // Undo of the second selection checks the artist and its songs again,
    // marks only.
    undo_.Undo();
    EXPECT_TRUE(ann->checked);
    for (const CLibNode* node : {ann->children[0], ann->children[0]->children[0], ann->children[0]->children[1]})
        EXPECT_TRUE(node->checked) << node->name;
    EXPECT_TRUE(SessionChanges().empty());
    EXPECT_EQ(RowsReading("One").at(0)->checkState(0), Qt::Checked);
    undo_.Redo();
    EXPECT_FALSE(ann->checked);
}

TEST_F(LibraryTabTest, QuestionsAndTheContainingFolder) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    Open(0);
    CLibNode* song = Page()->Nodes().FindSongByPath(folder_.File("one.mp3"));
    ASSERT_NE(song, nullptr);
    Page()->SetClickedRow({song, false});

    Page()->OnCommand(cmd::kLibOpenFolder);
    const auto calls = ui_.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().kind, "open folder");
    EXPECT_EQ(calls.back().text, folder_.Path());

    // A song whose file went asks before it is checked; Yes cleans.
    int cleaned = 0;
    Page()->hooks.cleanLibrary = [&cleaned] { ++cleaned; };
    std::remove(folder_.File("one.mp3").c_str());
    ui_.ExpectMessage(FormatKeyedText("LibTab_MissingSong", {song->text.c_str()}), IDYES);
    Page()->OnCommand(cmd::kLibSelect);
    EXPECT_FALSE(song->checked);
    // The clean comes once the command is over.
    Settle();
    EXPECT_EQ(cleaned, 1);
    EXPECT_TRUE(SessionChanges().empty());

    // Clean Library asks first; No leaves the library alone.
    ui_.ExpectMessage("LibTab_CleanQuestion", IDNO);
    Page()->OnCommand(cmd::kLibClean);
    ui_.ExpectMessage("LibTab_CleanQuestion", IDYES);
    Page()->OnCommand(cmd::kLibClean);
    EXPECT_EQ(cleaned, 2);
}

TEST_F(LibraryTabTest, MainMenuItemsFollowTheClickedNode) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    Open(0);
    QAction* play = MenuItem(cmd::kLibPlay);
    ASSERT_NE(play, nullptr);
    QMenu* menu = nullptr;
    for (QObject* owner : play->associatedObjects())
        if (auto* found = qobject_cast<QMenu*>(owner)) menu = found;
    ASSERT_NE(menu, nullptr);
    const CLibNode* song = Page()->Nodes().FindSongByPath(folder_.File("one.mp3"));
    Page()->SetClickedRow({const_cast<CLibNode*>(song), false});
    // Grey unless the Library page is in front; then the page decides.
    main_->OnCommand(cmd::kFindPage);
    Settle();
    emit menu->aboutToShow();
    EXPECT_FALSE(play->isEnabled());
    main_->OnCommand(cmd::kLibraryPage);
    Settle();
    emit menu->aboutToShow();
    EXPECT_TRUE(play->isEnabled());
    EXPECT_EQ(play->text(), ProgString("MULT_Play"));
    // The window hands the page's commands to it while it is in front.
    main_->OnCommand(cmd::kLibOpenFolder);
    ASSERT_FALSE(ui_.Calls().empty());
    EXPECT_EQ(ui_.Calls().back().kind, "open folder");
    const std::size_t calls = ui_.Calls().size();
    main_->OnCommand(cmd::kFindPage);
    Settle();
    main_->OnCommand(cmd::kLibOpenFolder);
    EXPECT_EQ(ui_.Calls().size(), calls);
    main_->OnCommand(cmd::kLibraryPage);
    Settle();
    Page()->SetClickedRow({Artist("Ann"), false});
    emit menu->aboutToShow();
    EXPECT_FALSE(play->isEnabled());
}

TEST_F(LibraryTabTest, RippedTrackTwiceIsOneSongAndEveryRecordIsFreedOnce) {
    Open(0);
    g_freed = 0;
    const std::string path = folder_.File("ripped.mp3");
    for (int year : {1999, 2001}) {
        auto* song = new TSVT_Song(Song("Take", "Ann", "Live", 17, path));
        song->year = static_cast<std::int16_t>(year);
        ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                    MakeLibraryRecordMessage(WM_RIP_TRACKDONE, song, CountingFree)));
    }
    Settle();
    EXPECT_EQ(g_freed, 2);
    EXPECT_EQ(store_.GetSongCount(), 1);
    TSVT_Song stored{};
    ASSERT_TRUE(store_.FindSongByPath(&stored, path.c_str(), 0));
    EXPECT_EQ(stored.year, 2001);
    EXPECT_EQ(Page()->Nodes().SongCount(), 1u);
    EXPECT_EQ(FindChild<QLabel>(kLibCountId)->text().toStdString(), "Library contains 1 songs.");
    EXPECT_EQ(RowsReading("Take").size(), 1u);

    // Still queued when the page goes: freed with it.
    ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                MakeLibraryRecordMessage(WM_RIP_TRACKDONE, new TSVT_Song(Song("X", "", "", 0, path)),
                                                         CountingFree)));
    main_.reset();
    Settle();
    EXPECT_EQ(g_freed, 3);
    // No page: refused and freed at once.
    EXPECT_FALSE(PostToAppWindow(EAppWindow::kLibraryTab,
                                 MakeLibraryRecordMessage(WM_RIP_TRACKDONE, new TSVT_Song{}, CountingFree)));
    EXPECT_EQ(g_freed, 4);
}

TEST_F(LibraryTabTest, ImportMessagesAddSongsAndRecordFolders) {
    Open(0);
    g_freed = 0;
    // A song the import stored, its title blank: named after its file.
    TSVT_Song stored = Song("", "Cy", "Debut", 17, folder_.File("first take.mp3"));
    ASSERT_GT(store_.AddSong(&stored, false), 0);
    stored.title[0] = '\0';
    ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                MakeLibraryRecordMessage(WM_IMPORT_FOUNDSONG, new TSVT_Song(stored), CountingFree)));
    auto* near = new TKnownDirInfo{};
    std::strcpy(near->path, "/music/near/");
    near->value = 3;
    near->number = 200;
    auto* recent = new TKnownDirInfo{};
    std::strcpy(recent->path, "/music/recent/");
    recent->value = 5;
    recent->number = 300;
    for (TKnownDirInfo* info : {near, recent})
        ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                    MakeLibraryRecordMessage(WM_IMPORT_KNOWNDIR, info, [](void* record) {
                                        ++g_freed;
                                        delete static_cast<TKnownDirInfo*>(record);
                                    })));
    const std::string longFolder = "/music/" + std::string(300, 'x').substr(0, 200) + "/end/";
    auto postFolder = [](const std::string& folder) {
        char* text = new char[folder.size() + 1];
        std::strcpy(text, folder.c_str());
        ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                    MakeLibraryRecordMessage(WM_IMPORT_CURRENTDIR, text, [](void* record) {
                                        ++g_freed;
                                        delete[] static_cast<char*>(record);
                                    })));
    };
    postFolder(longFolder);
    Settle();

    CLibNode* song = Page()->Nodes().FindSongByPath(stored.path);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->name, "first take.mp3");
    EXPECT_EQ(song->parent->name, "Debut");
    EXPECT_EQ(song->genre->name, "Rock");
    EXPECT_EQ(RowsReading("first take.mp3").size(), 1u);
    EXPECT_EQ(RowsReading("first take.mp3 (Cy)").size(), 1u);
    EXPECT_EQ(FindChild<QLabel>(kLibCountId)->text().toStdString(), "Library contains 1 songs.");

    // Known folders, highest number first.
    ASSERT_EQ(prefs_->MusicDirectories.Count(), 2);
    EXPECT_STREQ(prefs_->MusicDirectories.Index(0)->path, "/music/recent/");
    EXPECT_EQ(prefs_->MusicDirectories.Index(0)->value, 5);

    // The folder being searched: its end kept, "..." in front, no slash.
    auto* folderText = FindChild<QLabel>(kLibFolderTextId);
    const QString shown = folderText->text();
    EXPECT_TRUE(shown.startsWith("...")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("/end")) << shown.toStdString();
    EXPECT_LE(QFontMetrics(folderText->font()).horizontalAdvance(shown), folderText->width());
    postFolder("/music/short/");
    Settle();
    EXPECT_EQ(folderText->text().toStdString(), "/music/short");
    EXPECT_EQ(g_freed, 5);
}

TEST_F(LibraryTabTest, UnfinishedLoadStartsOverWhenTheUserSaysSo) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    prefs_->LibLoadFailed = 1;
    int asked = 0;
    TLibraryPartners partners = LibraryPartners();
    partners.askStartOver = [&asked] {
        ++asked;
        return 1;
    };
    SetLibraryPartners(partners);
    ui_.ExpectMessage("LibTab_CorruptWarning", IDOK);
    Open(0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Page()->Nodes().SongCount(), 0u);
    EXPECT_EQ(store_.GetSongCount(), 0);
    EXPECT_EQ(prefs_->LibLoadFailed, 0);
    EXPECT_EQ(FindChild<QLabel>(kLibCountId)->text().toStdString(), "Library contains 0 songs.");
}

TEST_F(LibraryTabTest, PlayNextSongPlaysTheNextLoadableSongAndShowsIt) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    AddSong("Two", "Ann", "Hits", 17, "two.mp3");
    AddSong("Three", "Bob", "Live", 17, "three.mp3");
    Open(0);
    std::set<std::string> loadable = {folder_.File("three.mp3")};
    Page()->songLoader = [&loadable](const char* path, CSongEntry& entry) {
        std::snprintf(entry.path, sizeof entry.path, "%s", path);
        return loadable.count(path) != 0;
    };
    EXPECT_TRUE(Page()->PlayNextSong(false, folder_.File("one.mp3").c_str(), false));
    const TLibRow row = Page()->ClickedRow();
    ASSERT_NE(row.node, nullptr);
    EXPECT_EQ(row.node->name, "Three");
    // Its album and artist opened to show it.
    EXPECT_TRUE(static_cast<QTreeWidgetItem*>(row.node->parent->treeItem)->isExpanded());
    EXPECT_TRUE(static_cast<QTreeWidgetItem*>(row.node->parent->parent->treeItem)->isExpanded());
    EXPECT_EQ(Tree()->currentItem(), row.node->treeItem);
    ASSERT_FALSE(session_.calls.empty());
    EXPECT_EQ(session_.calls.back().rfind("play " + folder_.File("three.mp3"), 0), 0u);

    loadable.clear();
    EXPECT_FALSE(Page()->PlayNextSong(true, folder_.File("one.mp3").c_str(), false));
    EXPECT_FALSE(Page()->PlayNextSong(false, folder_.File("one.mp3").c_str(), true));
}

TEST_F(LibraryTabTest, SessionMarksAndLocatingASong) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    Open(0);
    const std::string path = folder_.File("one.mp3");
    CLibNode* song = Page()->Nodes().FindSongByPath(path);
    Page()->SetSongPlayState(path.c_str(), true);
    EXPECT_TRUE(song->checked);
    ASSERT_EQ(RowsReading("One (Ann)").size(), 1u);
    EXPECT_EQ(static_cast<QTreeWidgetItem*>(song->genreTreeItem)->checkState(0), Qt::Checked);
    EXPECT_TRUE(session_.calls.empty());
    Page()->SetSongPlayState(path.c_str(), false);
    EXPECT_FALSE(song->checked);
    Page()->SetSongPlayState("/nowhere.mp3", true);

    LocateSongInLibrary(path.c_str());
    EXPECT_EQ(Page()->ClickedRow().node, song);
    EXPECT_EQ(Tree()->currentItem(), song->treeItem);

    // A song the session's adding imported is marked once its node comes.
    MarkLibrarySongImported(folder_.File("later.mp3").c_str());
    TSVT_Song later = Song("Later", "Ann", "Hits", 17, folder_.File("later.mp3"));
    ASSERT_GT(store_.AddSong(&later, false), 0);
    ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                MakeLibraryRecordMessage(WM_IMPORT_FOUNDSONG, new TSVT_Song(later), CountingFree)));
    Settle();
    CLibNode* marked = Page()->Nodes().FindSongByPath(folder_.File("later.mp3"));
    ASSERT_NE(marked, nullptr);
    EXPECT_TRUE(marked->checked);
}

TEST_F(LibraryTabTest, PlayStateMarksTheSongThePlayerNames) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    AddSong("Two", "Ann", "Hits", 17, "two.mp3");
    const std::string two = folder_.File("two.mp3");
    TLibraryPartners partners = LibraryPartners();
    partners.songPathOfSound = [&two](std::uint32_t soundId, std::string& path) {
        if (soundId != 5) return false;
        path = two;
        return true;
    };
    SetLibraryPartners(partners);
    Open(0);
    CLibNode* song = Page()->Nodes().FindSongByPath(two);
    auto post = [](std::intptr_t lParam) {
        ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab, TAppMessage{WM_PLAYSTATE_CHANGED, 0, lParam, nullptr}));
        Settle();
    };
    post(kPlayStatePlaying + 5);
    EXPECT_EQ(Page()->PlayingNode(), song);
    Page()->SetClickedRow({song, false});
    QAction item(nullptr);
    item.setData(cmd::kLibPlay);
    Page()->UpdateMenuItem(&item);
    EXPECT_EQ(item.text(), ProgString("MULT_Stop"));
    post(kPlayStatePlaying + 6);
    EXPECT_EQ(Page()->PlayingNode(), nullptr);
    post(kPlayStatePlaying + 5);
    post(5);
    EXPECT_EQ(Page()->PlayingNode(), nullptr);
}

TEST_F(LibraryTabTest, CorruptedLibraryDialogAnsweredBothWays) {
    const struct {
        const char* way;
        int option;
        std::size_t songs;
    } ways[] = {{"load it again", CCorruptLibraryDlg::kTryAgain, 1}, {"start over", CCorruptLibraryDlg::kStartOver, 0}};
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        main_.reset();
        prefs_->LibLoadFailed = 1;
        int shown = 0;
        testsupport::WhenModalShown([&shown, option = way.option](QWidget* dialog) {
            ++shown;
            EXPECT_EQ(dialog->objectName(), QString::number(CCorruptLibraryDlg::kDialogId));
            testsupport::ClickControl(dialog, option);
            testsupport::ClickControl(dialog, 1);
        });
        if (way.songs == 0) ui_.ExpectMessage("LibTab_CorruptWarning", IDOK);
        Open(0);
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(Page()->Nodes().SongCount(), way.songs);
        EXPECT_EQ(store_.GetSongCount(), static_cast<std::int32_t>(way.songs));
        EXPECT_EQ(prefs_->LibLoadFailed, 0);
    }
}

}  // namespace
