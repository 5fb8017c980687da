// The Library page's row order and next-song choice, its menu states and
// the undo of its check marks, over a small node tree.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "songsmith/app/command_ids.h"
#include "songsmith/library/library_links.h"
#include "songsmith/library/library_menu_states.h"
#include "songsmith/library/library_nodes.h"
#include "songsmith/library/library_rows.h"
#include "songsmith/library/node_flag_atom.h"

namespace {

// Ann / Hits / {a1, a2}; Bob / {b1}; <Untagged> / {u1}; genre Rock holds
// a1, b1; <No Genre> holds a2, u1; t1 in the trash.
class LibraryRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ann = nodes.CreateNode(kLibNodeArtist, "Ann", nullptr, 1, 0, {});
        hits = nodes.CreateNode(kLibNodeAlbum, "Hits", ann, 1, 0, {});
        bob = nodes.CreateNode(kLibNodeArtist, "Bob", nullptr, 2, 0, {});
        rock = nodes.CreateNode(kLibNodeGenre, "Rock", nullptr, 1, 0, "17");
        a1 = Song("a1", hits, rock, 1);
        a2 = Song("a2", hits, nodes.NoGenre(), 2);
        b1 = Song("b1", bob, rock, 3);
        u1 = Song("u1", nodes.Untagged(), nodes.NoGenre(), 4);
        t1 = nodes.CreateNode(kLibNodeSong, "t1", nodes.Trash(), 5, -1, "/t1");
    }
    CLibNode* Song(const char* name, CLibNode* parent, CLibNode* genre, int id) {
        CLibNode* song = nodes.CreateNode(kLibNodeSong, name, parent, id, 0, std::string("/") + name);
        CLibraryNodes::LinkGenre(song, genre);
        return song;
    }
    // The songs offered, in order, until loads takes one.
    std::vector<std::string> Offered(TLibRow start, bool previous, bool random, std::set<std::string> loadable,
                                     std::string* chosen = nullptr) {
        std::vector<std::string> offered;
        const TLibRow row = PickNextSongRow(
            nodes, start, previous, random,
            [&](CLibNode* song) {
                offered.push_back(song->name);
                return loadable.count(song->name) != 0;
            },
            rng);
        if (chosen != nullptr) *chosen = row ? row.node->name + (row.genreRow ? "/g" : "") : "";
        return offered;
    }

    CLibraryNodes nodes;
    std::mt19937 rng{7};
    CLibNode *ann, *hits, *bob, *rock, *a1, *a2, *b1, *u1, *t1;
};

TEST_F(LibraryRowsTest, RowsStepThroughBothBranchesAndBack) {
    std::vector<std::string> forward;
    for (TLibRow row = FirstLibRow(nodes); row; row = NextLibRow(nodes, row))
        forward.push_back(row.node->name + (row.genreRow ? "/g" : ""));
    const std::vector<std::string> expected = {
        "<Trash>", "t1",   "Browse by Artist", "<Untagged>", "u1",   "Ann",  "Hits", "a1", "a2",
        "Bob",     "b1",   "Browse by Genre",  "<No Genre>", "a2/g", "u1/g", "Rock", "a1/g", "b1/g"};
    EXPECT_EQ(forward, expected);
    std::vector<std::string> backward;
    for (TLibRow row = LastLibRow(nodes); row; row = PreviousLibRow(nodes, row))
        backward.insert(backward.begin(), row.node->name + (row.genreRow ? "/g" : ""));
    EXPECT_EQ(backward, expected);
}

TEST_F(LibraryRowsTest, NextSongChoice) {
    struct {
        const char* what;
        TLibRow start;
        bool previous;
        std::set<std::string> loadable;
        std::vector<std::string> offered;
        std::string chosen;
    } cases[] = {
        {"forward", {a1, false}, false, {"a2"}, {"a2"}, "a2"},
        {"back", {b1, false}, true, {"a2"}, {"a2"}, "a2"},
        {"from a genre row", {a1, true}, false, {"b1"}, {"b1"}, "b1/g"},
        {"wrap past the end", {b1, true}, false, {"u1"}, {"u1"}, "u1"},
        {"wrap before the start", {u1, false}, true, {"b1"}, {"b1"}, "b1/g"},
        {"nothing loads: every song once, trash never", {a1, false}, false, {}, {"a2", "b1", "u1"}, ""},
        {"unknown start begins at the artists", {}, false, {"u1"}, {"u1"}, "u1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string chosen;
        EXPECT_EQ(Offered(c.start, c.previous, false, c.loadable, &chosen), c.offered);
        EXPECT_EQ(chosen, c.chosen);
    }
}

TEST_F(LibraryRowsTest, RandomChoiceOffersEachLiveSongOnceAndEnds) {
    const std::vector<std::string> offered = Offered({a1, false}, false, true, {});
    EXPECT_EQ(std::multiset<std::string>(offered.begin(), offered.end()),
              (std::multiset<std::string>{"a1", "a2", "b1", "u1"}));
    // Every song is picked first about as often as the others.
    std::map<std::string, int> firsts;
    for (int i = 0; i < 4000; ++i) ++firsts[Offered({a1, false}, false, true, {"a1", "a2", "b1", "u1"})[0]];
    for (const auto& [name, count] : firsts) EXPECT_NEAR(count, 1000, 150) << name;

    CLibraryNodes empty;
    EXPECT_FALSE(PickNextSongRow(empty, {}, false, true, [](CLibNode*) { return true; }, rng));
    EXPECT_FALSE(PickNextSongRow(empty, {}, false, false, [](CLibNode*) { return true; }, rng));
}

TEST_F(LibraryRowsTest, MenuStates) {
    CLibNode* playing = a1;
    struct {
        const char* what;
        int command;
        const CLibNode* node;
        bool trashHasSongs;
        const char* key;
        bool grey;
    } cases[] = {
        {"play a song", cmd::kLibPlay, a2, true, "MULT_Play", false},
        {"stop the playing song", cmd::kLibPlay, playing, true, "MULT_Stop", false},
        {"play a folder", cmd::kLibPlay, hits, true, "MULT_Play", true},
        {"empty a full trash", cmd::kLibEmptyTrash, nodes.Trash(), true, "MULT_EmptyTrash", false},
        {"empty an empty trash", cmd::kLibEmptyTrash, nodes.Trash(), false, "MULT_EmptyTrash", true},
        {"empty trash on a song", cmd::kLibEmptyTrash, a2, true, "MULT_EmptyTrash", true},
        {"edit an artist", cmd::kLibEditTag, ann, true, "MULT_EditTag", false},
        {"edit a root", cmd::kLibEditTag, nodes.ArtistRoot(), true, "MULT_EditTag", true},
        {"edit nothing", cmd::kLibEditTag, nullptr, true, "MULT_EditTag", true},
        {"delete a song", cmd::kLibDelete, a2, true, "MULT_Delete", false},
        {"restore a trashed song", cmd::kLibDelete, t1, true, "MULT_Undelete", false},
        {"delete untagged", cmd::kLibDelete, nodes.Untagged(), true, "MULT_Delete", true},
        {"select a genre", cmd::kLibSelect, rock, true, "MULT_Select", false},
        {"select no genre", cmd::kLibSelect, nodes.NoGenre(), true, "MULT_Select", true},
        {"undelete all in the trash", cmd::kLibUndeleteAll, nodes.Trash(), true, "MULT_UndeleteAll", false},
        {"open a song's folder", cmd::kLibOpenFolder, a2, true, "MULT_OpenFolder", false},
        {"open a folder's folder", cmd::kLibOpenFolder, ann, true, "MULT_OpenFolder", true},
        {"clean on nothing", cmd::kLibClean, nullptr, false, "MULT_Clean", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TLibMenuItemState state =
            LibraryMenuItemState(c.command, TLibMenuFacts{c.node, c.node == playing, c.trashHasSongs});
        EXPECT_TRUE(state.known);
        EXPECT_STREQ(state.key, c.key);
        EXPECT_EQ(state.grey, c.grey);
    }
    b1->checked = true;
    EXPECT_STREQ(LibraryMenuItemState(cmd::kLibSelect, {b1, false, false}).key, "MULT_Deselect");
    EXPECT_FALSE(LibraryMenuItemState(cmd::kCdPlay, {a1, false, false}).known);
}

TEST_F(LibraryRowsTest, CheckMarkUndoPassesTheOldMarkAndRedoItsOpposite) {
    std::vector<std::string> calls;
    SetLibraryCheckMarkHandler([&](std::uint32_t kind, std::int32_t id, int value) {
        calls.push_back(std::to_string(kind) + " " + std::to_string(id) + " " + std::to_string(value));
    });
    CUndoMgr undo;
    undo.NextUndoSet();
    CNodeFlagAtom atom(kLibNodeArtist, 7, 0);
    undo.AddUndoNode(atom);
    undo.Undo();
    undo.Redo();
    SetLibraryCheckMarkHandler(nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"5 7 0", "5 7 1"}));
    // Without a page nothing happens.
    undo.Undo();
}

TEST_F(LibraryRowsTest, LookUpsFollowRenamesMovesAndRemovals) {
    EXPECT_EQ(nodes.FindNode(kLibNodeSong, 3), b1);
    EXPECT_EQ(nodes.FindNode(kLibNodeAnyKind, 2), bob);
    EXPECT_EQ(nodes.FindSongByTitle("a2", hits, nullptr), a2);
    EXPECT_EQ(nodes.FindSongByTitle("a1", nullptr, ann), a1);
    nodes.Reparent(a2, bob);
    EXPECT_EQ(nodes.FindSongByTitle("a2", nullptr, bob), a2);
    EXPECT_EQ(CLibraryNodes::ArtistOfSong(a2), bob);
    EXPECT_EQ(CLibraryNodes::AlbumOfSong(a2), nullptr);
    nodes.DestroyNode(ann);
    EXPECT_EQ(nodes.FindSongByPath("/a1"), nullptr);
    EXPECT_EQ(nodes.FindOrAddArtist(nullptr, "Ann", false), nullptr);
    EXPECT_EQ(nodes.FindOrAddAlbum(nullptr, "Hits", nullptr, false), nullptr);
    EXPECT_EQ(rock->children, std::vector<CLibNode*>{b1});
    EXPECT_EQ(nodes.SongCount(), 4u);
    // Two folders of one name: the first answers until it goes, then the
    // other; the look-ups hold no text of a node that went.
    CLibNode* first = nodes.CreateNode(kLibNodeArtist, "Dup", nullptr, 20, 0, {});
    CLibNode* second = nodes.CreateNode(kLibNodeArtist, "Dup", nullptr, 21, 0, {});
    CLibNode* firstAlbum = nodes.CreateNode(kLibNodeAlbum, "Same", bob, 22, 0, {});
    CLibNode* secondAlbum = nodes.CreateNode(kLibNodeAlbum, "Same", bob, 23, 0, {});
    EXPECT_EQ(nodes.FindOrAddArtist(nullptr, "Dup", false), first);
    EXPECT_EQ(nodes.FindOrAddAlbum(nullptr, "Same", bob, false), firstAlbum);
    nodes.DestroyNode(first);
    nodes.DestroyNode(firstAlbum);
    EXPECT_EQ(nodes.FindOrAddArtist(nullptr, std::string("Dup"), false), second);
    EXPECT_EQ(nodes.FindOrAddAlbum(nullptr, std::string("Same"), bob, false), secondAlbum);
    EXPECT_EQ(nodes.FindOrAddAlbum(nullptr, "Same", nullptr, false), secondAlbum);
    nodes.DestroyLeaves({second, secondAlbum});
    EXPECT_EQ(nodes.FindOrAddArtist(nullptr, "Dup", false), nullptr);
    EXPECT_EQ(nodes.FindOrAddAlbum(nullptr, "Same", bob, false), nullptr);
    EXPECT_EQ(nodes.FindNode(kLibNodeAnyKind, 21), nullptr);
    // Names are trimmed, and a blank one makes no node.
    EXPECT_EQ(nodes.CreateNode(kLibNodeArtist, "  Cy \t", nullptr, 9, 0, {})->name, "Cy");
    EXPECT_EQ(nodes.CreateNode(kLibNodeArtist, " \r\n", nullptr, 10, 0, {}), nullptr);
}

}  // namespace
