// The Library page in the real main window, over a song store in a
// temporary folder: the rows it shows, checking songs into the session and
// the undo of the marks, the questions it asks, and the records that reach
// it by message.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTreeWidget>
#include <cstring>
#include <string>
#include <vector>

#include "songsmith/core/app_messages.h"
#include "songsmith/core/app_windows.h"
#include "songsmith/core/command_ids.h"
#include "songsmith/core/keyed_format.h"
#include "songsmith/core/library_links.h"
#include "songsmith/core/tests/song_action_fakes.h"
#include "songsmith/find_container_window.h"
#include "songsmith/library_tab.h"
#include "songsmith/core/tests/library_song_record.h"
#include "songvault/songvault.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/undo_manager.h"
#include "main_window_fixture.h"
#include "platform/message_box.h"

namespace {

int g_freed = 0;
void CountingFree(void* record) {
    ++g_freed;
    delete static_cast<TSVT_Song*>(record);
}

using libtest::Song;

class LibraryTabTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        std::strncpy(prefs_->LibraryPath, store_folder_.Path().c_str(), sizeof prefs_->LibraryPath - 1);
        ASSERT_TRUE(store_.Initialize(&description_, store_folder_.Path().c_str()));
        TLibraryPartners partners;
        partners.store = &store_;
        partners.undo = &undo_;
        SetLibraryPartners(partners);
        SetSongActionPartners(&session_);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetSongActionPartners(nullptr);
        SetLibraryPartners({});
    }
    // A song whose file exists.
    void AddSong(const char* title, const char* artist, const char* album, int genre, const char* file) {
        const std::string path = store_folder_.File(file);
        testsupport::WriteWholeFile(path, "not really a song");
        TSVT_Song song = Song(title, artist, album, genre, path);
        ASSERT_GT(store_.AddSong(&song, false), 0);
    }
    CLibraryTab* Page() const { return main_->TabPane()->GetLibraryTab(); }
    QTreeWidget* Tree() const { return FindChild<QTreeWidget>(kLibTreeId); }
    template <class T>
    T* FindChild(int id) const {
        return Page()->Window()->findChild<T*>(QString::number(id));
    }
    // Every row as "indent text", depth first.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            rows.push_back(std::to_string(depth) + " " + item->text(0).toStdString());
            for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i) walk(Tree()->topLevelItem(i), 0);
        return rows;
    }
    // The session's adds and removals, without the steps around them.
    songfakes::Lines SessionChanges() {
        songfakes::Lines changes;
        for (const std::string& call : session_.calls)
            if (call.rfind("add ", 0) == 0 || call.rfind("remove ", 0) == 0) changes.push_back(call);
        session_.calls.clear();
        return changes;
    }
    CLibNode* Artist(const char* name) { return Page()->Nodes().FindOrAddArtist(nullptr, name, false); }

    testsupport::TempDir store_folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
    CUndoMgr undo_;
    songfakes::CRecordingPartners session_;
    testsupport::CFakeUiServices ui_;
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
    const std::string one = store_folder_.File("one.mp3");
    const std::string two = store_folder_.File("two.mp3");
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
    EXPECT_EQ(Tree()->findItems("One", Qt::MatchRecursive)[0]->checkState(0), Qt::Checked);
    undo_.Redo();
    EXPECT_FALSE(ann->checked);
}

TEST_F(LibraryTabTest, QuestionsAndTheContainingFolder) {
    AddSong("One", "Ann", "Hits", 17, "one.mp3");
    Open(0);
    CLibNode* song = Page()->Nodes().FindSongByPath(store_folder_.File("one.mp3"));
    ASSERT_NE(song, nullptr);
    Page()->SetClickedRow({song, false});

    Page()->OnCommand(cmd::kLibOpenFolder);
    const auto calls = ui_.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().kind, "open folder");
    EXPECT_EQ(calls.back().text, store_folder_.Path());

    // A song whose file went asks before it is checked; Yes cleans.
    int cleaned = 0;
    Page()->hooks.cleanLibrary = [&cleaned] { ++cleaned; };
    std::remove(store_folder_.File("one.mp3").c_str());
    ui_.ExpectMessage(FormatKeyedText("LibTab_MissingSong", {song->text.c_str()}), IDYES);
    Page()->OnCommand(cmd::kLibSelect);
    EXPECT_FALSE(song->checked);
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
    // Grey unless the Library page is in front.
    play->menu();
    main_->OnCommand(cmd::kLibraryPage);
    Settle();
    Page()->SetClickedRow({Page()->Nodes().FindSongByPath(store_folder_.File("one.mp3")), false});
    Page()->UpdateMenuItem(play);
    EXPECT_TRUE(play->isEnabled());
    Page()->SetClickedRow({Artist("Ann"), false});
    Page()->UpdateMenuItem(play);
    EXPECT_FALSE(play->isEnabled());
}

TEST_F(LibraryTabTest, RippedTrackTwiceIsOneSongAndEveryRecordIsFreedOnce) {
    Open(0);
    g_freed = 0;
    const std::string path = store_folder_.File("ripped.mp3");
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
    EXPECT_EQ(Tree()->findItems("Take", Qt::MatchRecursive).size(), 1);

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

}  // namespace
