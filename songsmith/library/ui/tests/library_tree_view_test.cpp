// The Library page's tree under the mouse in the real main window, over a
// song store in a temporary folder: rows dragged onto rows edit the store,
// clicks land on the part of the row drawn under them even with the tree
// scrolled sideways, double clicks, checking folders into the session, and
// the scroll at the tree's edges while dragging.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/library/tests/library_song_record.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/library/ui/library_tree_view.h"
#include "platform/message_box.h"
#include "songvault/songvault.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/undo_manager.h"
#include "songsmith/library/ui/tests/library_store_fixture.h"

namespace {

constexpr int kRock = 17;
constexpr int kJazz = 8;
constexpr int kNoGenre = 255;

class LibraryTreeViewTest : public LibraryPageFixture {
public:
    void AddPartners(TLibraryPartners& partners) override {
        LibraryPageFixture::AddPartners(partners);
        partners.addSongsWithProgress = [this](const std::vector<std::string>& files) {
            progressAdds_.push_back(files);
            return 1;
        };
    }
    std::int32_t Add(const char* title, const char* artist, const char* album, int genre) {
        const std::string path = folder_.File(std::string(title) + ".mp3");
        testsupport::WriteWholeFile(path, "not really a song");
        TSVT_Song song = libtest::Song(title, artist, album, genre, path);
        return store_.AddSong(&song, false);
    }
    // Ann/Hits: One, Two (Rock); Bob/Live: Three (Jazz); untagged Loose
    // (Rock).
    void OpenStandardLibrary() {
        one_ = Add("One", "Ann", "Hits", kRock);
        two_ = Add("Two", "Ann", "Hits", kRock);
        three_ = Add("Three", "Bob", "Live", kJazz);
        loose_ = Add("Loose", "", "", kRock);
        OpenLibrary();
    }
    void OpenLibrary() {
        Open(0);
        main_->OnCommand(cmd::kLibraryPage);
        Page()->songLoader = [](const char* path, CSongEntry& entry) {
            std::snprintf(entry.path, sizeof entry.path, "%s", path);
            return true;
        };
        Tree()->expandAll();
        Settle();
    }
    CLibraryNodes& Nodes() { return Page()->Nodes(); }
    CLibNode* Song(const char* title) { return Nodes().FindSongByPath(folder_.File(std::string(title) + ".mp3")); }

    // A point of a row's part (zone) in the tree's viewport.
    QPoint PointOf(TLibRow row, ELibZone zone) {
        auto* item = CLibraryTab::ItemOfRow(row);
        EXPECT_NE(item, nullptr);
        if (item == nullptr) return {};
        Tree()->scrollToItem(item);
        Settle();
        const QRect rect = Tree()->visualItemRect(item);
        const TLibRowEdges edges = LibRowEdges(*Page(), row);
        const int scroll = Tree()->horizontalScrollBar()->value();
        int x = 0;
        switch (zone) {
            case kLibZoneGlyph: x = edges.glyphLeft + 8; break;
            case kLibZonePlay: x = edges.buttonLeft + 8; break;
            case kLibZoneBox: x = edges.boxLeft + 10; break;
            default: x = edges.textLeft + 4; break;
        }
        return {x - scroll, rect.center().y()};
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QWidget* viewport = Tree()->viewport();
        QMouseEvent event(type, QPointF(at), QPointF(viewport->mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    void Click(QPoint at) {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    void DoubleClick(QPoint at) {
        Click(at);
        Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    // Presses on from's label, moves to the point and, unless hold, lets go
    // there.
    void Drag(TLibRow from, QPoint to, bool hold = false) {
        const QPoint start = PointOf(from, kLibZoneLabel);
        Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, start + QPoint(0, 3), Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        if (!hold) Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void DragOnto(TLibRow from, TLibRow to) {
        const QPoint start = PointOf(from, kLibZoneLabel);
        Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, start + QPoint(0, 3), Qt::NoButton, Qt::LeftButton);
        // The target may lie out of view: the tree scrolls to it meanwhile.
        const QPoint target = PointOf(to, kLibZoneLabel);
        Mouse(QEvent::MouseMove, target, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    }
    songfakes::Lines SessionCalls(const char* prefix) {
        songfakes::Lines lines;
        for (const std::string& call : session_.calls)
            if (call.rfind(prefix, 0) == 0) lines.push_back(call);
        session_.calls.clear();
        return lines;
    }

    std::vector<std::vector<std::string>> progressAdds_;
    std::int32_t one_ = 0, two_ = 0, three_ = 0, loose_ = 0;
};

// ---- the drop table ----

struct TDropCase {
    const char* name;
    std::function<TLibRow(LibraryTreeViewTest&)> source;
    std::function<TLibRow(LibraryTreeViewTest&)> target;
    std::function<void(LibraryTreeViewTest&)> check;
};

class LibraryDropTest : public LibraryTreeViewTest, public ::testing::WithParamInterface<TDropCase> {
};

TEST_P(LibraryDropTest, DropEditsStoreAndRows) {
    OpenStandardLibrary();
    const TDropCase& c = GetParam();
    DragOnto(c.source(*this), c.target(*this));
    Settle();
    c.check(*this);
    EXPECT_FALSE(Page()->TreeView()->Dragging());
}

TLibRow MainRow(CLibNode* node) { return {node, false}; }

const TDropCase kDropCases[] = {
    {"ArtistOnTrash", [](auto& t) { return MainRow(t.Artist("Bob")); },
     [](auto& t) { return MainRow(t.Nodes().Trash()); },
     [](auto& t) {
         EXPECT_TRUE(t.Song("Three")->inTrash);
         EXPECT_LT(t.Stored(t.three_).trash, 0);
     }},
    {"ArtistOnArtist", [](auto& t) { return MainRow(t.Artist("Bob")); },
     [](auto& t) { return MainRow(t.Artist("Ann")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "Ann");
         EXPECT_EQ(t.Song("Three")->parent->parent, t.Artist("Ann"));
     }},
    {"AlbumOnTrash", [](auto& t) { return MainRow(t.Album("Hits", "Ann")); },
     [](auto& t) { return MainRow(t.Nodes().Trash()); },
     [](auto& t) {
         EXPECT_TRUE(t.Song("One")->inTrash);
         EXPECT_LT(t.Stored(t.one_).trash, 0);
     }},
    {"AlbumOnArtist", [](auto& t) { return MainRow(t.Album("Live", "Bob")); },
     [](auto& t) { return MainRow(t.Artist("Ann")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "Ann");
         EXPECT_STREQ(t.Stored(t.three_).album, "Live");
         EXPECT_EQ(t.Song("Three")->parent->parent, t.Artist("Ann"));
     }},
    {"AlbumOnAlbum", [](auto& t) { return MainRow(t.Album("Live", "Bob")); },
     [](auto& t) { return MainRow(t.Album("Hits", "Ann")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "Ann");
         EXPECT_STREQ(t.Stored(t.three_).album, "Hits");
         EXPECT_EQ(t.Song("Three")->parent, t.Album("Hits", "Ann"));
     }},
    {"GenreOnTrash", [](auto& t) { return MainRow(t.Genre(kJazz)); },
     [](auto& t) { return MainRow(t.Nodes().Trash()); },
     [](auto& t) {
         EXPECT_EQ(t.Stored(t.three_).genre, kNoGenre);
         EXPECT_EQ(t.Song("Three")->genre, t.Nodes().NoGenre());
     }},
    {"GenreOnGenre", [](auto& t) { return MainRow(t.Genre(kJazz)); },
     [](auto& t) { return MainRow(t.Genre(kRock)); },
     [](auto& t) {
         EXPECT_EQ(t.Stored(t.three_).genre, kRock);
         EXPECT_EQ(t.Song("Three")->genre, t.Genre(kRock));
     }},
    {"SongOnTrash", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Nodes().Trash()); },
     [](auto& t) {
         EXPECT_TRUE(t.Song("Three")->inTrash);
         EXPECT_LT(t.Stored(t.three_).trash, 0);
     }},
    {"SongOnUntagged", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Nodes().Untagged()); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "");
         EXPECT_STREQ(t.Stored(t.three_).album, "");
         EXPECT_EQ(t.Song("Three")->parent, t.Nodes().Untagged());
     }},
    {"SongOnArtist", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Artist("Ann")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "Ann");
         EXPECT_STREQ(t.Stored(t.three_).album, "");
         EXPECT_EQ(t.Song("Three")->parent, t.Artist("Ann")) << t.Song("Three")->parent->name;
     }},
    {"SongOnAlbum", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Album("Hits", "Ann")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "Ann");
         EXPECT_STREQ(t.Stored(t.three_).album, "Hits");
         EXPECT_EQ(t.Song("Three")->parent, t.Album("Hits", "Ann"));
     }},
    {"SongOnGenre", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Genre(kRock)); },
     [](auto& t) {
         EXPECT_EQ(t.Stored(t.three_).genre, kRock);
         EXPECT_EQ(t.Song("Three")->genre, t.Genre(kRock));
     }},
    // A song row stands for its folder: the main row for its album, the
    // genre row for its genre.
    {"SongOnAnotherSongsMainRow", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Song("One")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).album, "Hits");
         EXPECT_EQ(t.Song("Three")->parent, t.Album("Hits", "Ann"));
         EXPECT_EQ(t.Stored(t.three_).genre, kJazz);
     }},
    {"SongOnAnotherSongsGenreRow", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return TLibRow{t.Song("One"), true}; },
     [](auto& t) {
         EXPECT_EQ(t.Stored(t.three_).genre, kRock);
         EXPECT_STREQ(t.Stored(t.three_).album, "Live");
     }},
    {"LooseSongOnAnotherLooseSongLandsUnderItsArtist", [](auto& t) { return MainRow(t.Song("Three")); },
     [](auto& t) { return MainRow(t.Song("Loose")); },
     [](auto& t) {
         EXPECT_STREQ(t.Stored(t.three_).artist, "");
         EXPECT_EQ(t.Song("Three")->parent, t.Nodes().Untagged());
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, LibraryDropTest, ::testing::ValuesIn(kDropCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryTreeViewTest, DropOnItselfOrNowhereChangesNothing) {
    OpenStandardLibrary();
    std::vector<std::string> before = Rows();
    DragOnto(MainRow(Song("Three")), MainRow(Song("Three")));
    EXPECT_EQ(Rows(), before);
    // Below the last row: the genre branch closed leaves room.
    Tree()->collapseItem(static_cast<QTreeWidgetItem*>(Nodes().GenreRoot()->treeItem));
    Settle();
    before = Rows();
    Drag(MainRow(Song("Three")), QPoint(5, Tree()->viewport()->height() - 2));
    Drag(MainRow(Album("Live", "Bob")), PointOf(MainRow(Album("Live", "Bob")), kLibZoneBox));
    Settle();
    EXPECT_EQ(Rows(), before);
    EXPECT_STREQ(Stored(three_).album, "Live");
    EXPECT_FALSE(Page()->TreeView()->Dragging());
}

TEST_F(LibraryTreeViewTest, ADropWhoseRecordWentBehindThePagesBackChangesNothing) {
    OpenStandardLibrary();
    // The record goes from the store alone; the page still shows it.
    ASSERT_TRUE(store_.DeleteSong(three_, false));
    ASSERT_TRUE(store_.DeleteSong(three_, false));
    Settle();
    const std::vector<std::string> before = Rows();
    DragOnto(MainRow(Song("Three")), MainRow(Album("Hits", "Ann")));
    Settle();
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(Song("Three")->parent, Album("Live", "Bob"));
}

TEST_F(LibraryTreeViewTest, RightClickOrMoveWithoutTheButtonOnlyCancelsADrag) {
    OpenStandardLibrary();
    const QPoint target = PointOf(MainRow(Album("Hits", "Ann")), kLibZoneLabel);
    Drag(MainRow(Song("Three")), target, true);
    ASSERT_TRUE(Page()->TreeView()->Dragging());
    EXPECT_TRUE(Page()->TreeView()->ScrollTimerRunning());
    EXPECT_EQ(Page()->TreeView()->DropRow().node, Album("Hits", "Ann"));
    testsupport::SaveWidgetPng(main_->Window(), "library_tree_dragged_over");
    Mouse(QEvent::MouseButtonPress, target, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, target, Tree()->viewport()->mapToGlobal(target));
    EXPECT_TRUE(QApplication::sendEvent(Tree()->viewport(), &menu) || menu.isAccepted());
    EXPECT_FALSE(Page()->TreeView()->Dragging());
    EXPECT_FALSE(Page()->TreeView()->ScrollTimerRunning());
    Mouse(QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Song("Three")->parent, Album("Live", "Bob"));

    Drag(MainRow(Song("Three")), target, true);
    ASSERT_TRUE(Page()->TreeView()->Dragging());
    Mouse(QEvent::MouseMove, target, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(Page()->TreeView()->Dragging());
    EXPECT_EQ(Song("Three")->parent, Album("Live", "Bob"));
}

// ---- zones and clicks ----

TEST_F(LibraryTreeViewTest, ClicksHitTheZonesWhereTheyAreDrawnWhenScrolledSideways) {
    // A long title makes the tree wider than its window.
    Add("A title long enough to make the tree scroll sideways by a good bit", "Ann", "Hits", kRock);
    OpenStandardLibrary();
    QScrollBar* bar = Tree()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    for (int scroll : {0, 20}) {
        SCOPED_TRACE(scroll);
        bar->setValue(scroll);
        Settle();
        struct {
            TLibRow row;
            ELibZone zone;
        } const cases[] = {
            {MainRow(Album("Hits", "Ann")), kLibZoneGlyph},
            {MainRow(Song("One")), kLibZonePlay},
            {MainRow(Song("One")), kLibZoneBox},
            {MainRow(Song("One")), kLibZoneLabel},
            {TLibRow{Song("One"), true}, kLibZonePlay},
            {TLibRow{Song("One"), true}, kLibZoneBox},
            {MainRow(Genre(kRock)), kLibZoneBox},
        };
        for (const auto& c : cases) {
            const QPoint at = PointOf(c.row, c.zone);
            bar->setValue(scroll);
            Settle();
            const QPoint shifted = PointOf(c.row, c.zone);
            Page()->TreeView()->FindMouseLocation(shifted);
            EXPECT_EQ(Page()->TreeView()->Zone(), c.zone) << c.row.node->name << " " << at.x();
            EXPECT_EQ(Page()->TreeView()->RowUnderMouse(), c.row);
        }
    }
    // The glyph closes the album; the play button plays; the box checks.
    bar->setValue(20);
    Settle();
    Click(PointOf(MainRow(Album("Hits", "Ann")), kLibZoneGlyph));
    EXPECT_FALSE(static_cast<QTreeWidgetItem*>(Album("Hits", "Ann")->treeItem)->isExpanded());
    EXPECT_FALSE(Album("Hits", "Ann")->expanded);
    Click(PointOf(TLibRow{Song("One"), true}, kLibZonePlay));
    EXPECT_EQ(SessionCalls("play").size(), 1u);
    Click(PointOf(TLibRow{Song("Loose"), true}, kLibZoneBox));
    EXPECT_TRUE(Song("Loose")->checked);
    EXPECT_EQ(SessionCalls("add"), (songfakes::Lines{"add " + folder_.File("Loose.mp3") + " 3"}));
}

TEST_F(LibraryTreeViewTest, DoubleClickPlaysASongAndOpensAFolder) {
    OpenStandardLibrary();
    DoubleClick(PointOf(MainRow(Song("Three")), kLibZoneLabel));
    const songfakes::Lines played = SessionCalls("play");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].rfind("play " + folder_.File("Three.mp3") + " ", 0), 0u);
    // The player reports the song playing: its row gets the frame and the
    // stop mark, and a second double click stops it.
    ASSERT_TRUE(PostToAppWindow(EAppWindow::kLibraryTab,
                                TAppMessage{WM_PLAYSTATE_CHANGED, 0, kPlayStatePlaying + 1, nullptr}));
    Settle();
    EXPECT_EQ(Page()->PlayingNode(), Song("Three"));
    testsupport::SaveWidgetPng(main_->Window(), "library_tree_playing");
    DoubleClick(PointOf(MainRow(Song("Three")), kLibZoneLabel));
    EXPECT_EQ(SessionCalls("stop").size(), 1u);
    EXPECT_EQ(Page()->PlayingNode(), nullptr);

    auto* live = static_cast<QTreeWidgetItem*>(Album("Live", "Bob")->treeItem);
    ASSERT_TRUE(live->isExpanded());
    DoubleClick(PointOf(MainRow(Album("Live", "Bob")), kLibZoneLabel));
    EXPECT_FALSE(live->isExpanded());
    DoubleClick(PointOf(MainRow(Album("Live", "Bob")), kLibZoneLabel));
    EXPECT_TRUE(live->isExpanded());
    EXPECT_TRUE(Album("Live", "Bob")->expanded);
}

TEST_F(LibraryTreeViewTest, CheckingAFolderAddsOneByOneUpToFourElseWithProgress) {
    for (const char* title : {"S1", "S2", "S3", "S4", "S5", "S6"}) Add(title, "Six", "Big", kRock);
    for (const char* title : {"T1", "T2", "T3"}) Add(title, "Three", "Small", kJazz);
    OpenLibrary();
    Click(PointOf(MainRow(Artist("Three")), kLibZoneBox));
    EXPECT_TRUE(Artist("Three")->checked);
    EXPECT_EQ(SessionCalls("add").size(), 3u);
    EXPECT_TRUE(progressAdds_.empty());

    Click(PointOf(MainRow(Artist("Six")), kLibZoneBox));
    EXPECT_TRUE(Artist("Six")->checked);
    EXPECT_TRUE(SessionCalls("add").empty());
    ASSERT_EQ(progressAdds_.size(), 1u);
    std::vector<std::string> expected;
    for (const char* title : {"S1", "S2", "S3", "S4", "S5", "S6"}) expected.push_back(folder_.File(std::string(title) + ".mp3"));
    EXPECT_EQ(progressAdds_[0], expected);
    Settle();
    testsupport::SaveWidgetPng(main_->Window(), "library_tree_checked");

    // The check is one undo step: undo unchecks the artist and its songs.
    undo_.Undo();
    EXPECT_FALSE(Artist("Six")->checked);
    EXPECT_FALSE(Nodes().FindSongByPath(expected[0])->checked);
    EXPECT_TRUE(Artist("Three")->checked);
}

TEST_F(LibraryTreeViewTest, AutoScrollMovesOneLineOnlyAtTheEdges) {
    for (int i = 0; i < 30; ++i) Add(("Song " + std::to_string(i)).c_str(), "Many", "Long", kRock);
    OpenLibrary();
    QScrollBar* bar = Tree()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 4);
    bar->setValue(bar->maximum() / 2);
    const int middle = bar->value();
    const int height = Tree()->viewport()->height();
    CLibTreeView* view = Page()->TreeView();
    view->AutoScrollStep(QPoint(20, height / 2));
    EXPECT_EQ(bar->value(), middle);
    view->AutoScrollStep(QPoint(20, 5));
    EXPECT_EQ(bar->value(), middle - bar->singleStep());
    view->AutoScrollStep(QPoint(20, height - 5));
    view->AutoScrollStep(QPoint(20, height - 5));
    EXPECT_EQ(bar->value(), middle + bar->singleStep());
    // Outside the tree nothing moves.
    view->AutoScrollStep(QPoint(20, height + 40));
    EXPECT_EQ(bar->value(), middle + bar->singleStep());
}

// A song whose file went, checked through the Select command or the check
// box of its album or artist: Yes to the question runs the real clean of the
// library once the check is over, since the check still walks the nodes the
// clean frees.
TEST_F(LibraryTreeViewTest, YesToAMissingSongCleansTheLibraryOnceTheCheckIsOver) {
    Add("Solo", "Bob", "Single", kRock);
    Add("Gone", "Cat", "Pair", kRock);
    Add("Stays", "Cat", "Pair", kRock);
    Add("Lost", "Dan", "Only", kJazz);
    Add("Kept", "Dan", "Other", kJazz);
    OpenLibrary();
    struct TCase {
        const char* gone;
        std::function<void(LibraryTreeViewTest&)> check;
    };
    const std::vector<TCase> cases = {
        {"Solo",
         [](LibraryTreeViewTest& t) {
             t.Page()->SetClickedRow(MainRow(t.Song("Solo")));
             t.Page()->OnCommand(cmd::kLibSelect);
         }},
        {"Gone", [](LibraryTreeViewTest& t) { t.Click(t.PointOf(MainRow(t.Album("Pair", "Cat")), kLibZoneBox)); }},
        {"Lost", [](LibraryTreeViewTest& t) { t.Click(t.PointOf(MainRow(t.Artist("Dan")), kLibZoneBox)); }},
    };
    std::size_t songs = Nodes().Songs().size();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.gone);
        const std::string path = folder_.File(std::string(c.gone) + ".mp3");
        const std::int32_t id = Song(c.gone)->databaseId;
        ASSERT_EQ(std::remove(path.c_str()), 0);
        ui_.ExpectMessage(FormatKeyedText("LibTab_MissingSong", {path.c_str()}), IDYES);
        ui_.ExpectMessage(FormatKeyedText("LibTab_CleanResult", {1, 0}), IDOK);
        c.check(*this);
        Settle();
        EXPECT_EQ(Nodes().FindSongByPath(path), nullptr);
        EXPECT_EQ(Nodes().Songs().size(), --songs);
        TSVT_Song record{};
        EXPECT_FALSE(store_.GetSong(id, &record));
        EXPECT_TRUE(SessionCalls(("add " + path).c_str()).empty());
    }
    // Folders the clean emptied went with their song; the others stay.
    EXPECT_EQ(Artist("Bob"), nullptr);
    EXPECT_EQ(Album("Only", "Dan"), nullptr);
    ASSERT_NE(Song("Stays"), nullptr);
    ASSERT_NE(Song("Kept"), nullptr);
    Settle();
    testsupport::SaveWidgetPng(main_->Window(), "library_missing_song_cleaned");
}

}  // namespace
