// The song-action dispatcher: each list type and action against recording
// partners and a recording window layer.
#include "songsmith/session/song_actions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "songsmith/app/app_messages.h"
#include "songsmith/session/tests/song_action_fakes.h"

namespace {

using songfakes::CSongActionScope;
using songfakes::Lines;
using songfakes::PlayStatePosts;

CSongEntry Song(const char* path) {
    CSongEntry song;
    std::strcpy(song.path, path);
    return song;
}

TEST(SongActions, EachListTypeAndAction) {
    enum : int { kAdd = 1, kRemove, kPlay, kStop, kChanged };
    const struct {
        const char* what;
        int listType;
        int action;
        int wParam;
        unsigned lParam;
        bool addAccepted;
        bool trackFound;
        bool trimAutomatically;
        bool playAccepted;
        bool result;
        Lines calls;
        Lines posts;
    } cases[] = {
        {"Find adds", 0, kAdd, 0, 0, true, true, true, true, true, {"add /m/a.mp3 0", "mark /m/a.mp3 1"}, {}},
        {"refused add marks nothing", 3, kAdd, 0, 0, false, true, true, true, false, {"add /m/a.mp3 3"}, {}},
        {"session add only marks", 4, kAdd, 0, 0, true, true, true, true, true, {"mark /m/a.mp3 1"}, {}},
        {"CD removes as one step", 2, kRemove, 0, 0, true, true, true, true, true,
         {"undo step", "show focused", "remove /m/a.mp3 2", "clear selection", "mark /m/a.mp3 0"}, {}},
        {"session remove only unmarks", 4, kRemove, 0, 0, true, true, true, true, true, {"mark /m/a.mp3 0"}, {}},
        {"Library plays whole", 3, kPlay, 9, 0x4321, true, true, true, true, true,
         {"play /m/a.mp3 9 0 -1 65535 0"}, {}},
        {"player refuses", 0, kPlay, 9, 0, true, true, true, false, false, {"play /m/a.mp3 9 0 -1 65535 0"}, {}},
        {"session plays automatic trims", 4, kPlay, 12, 0, true, true, true, true, true,
         {"find track 12", "play /m/a.mp3 12 100 900 65535 100"}, {}},
        {"session plays user trims", 4, kPlay, 12, 0, true, true, false, true, true,
         {"find track 12", "play /m/a.mp3 12 200 800 65535 200"}, {}},
        {"gone track plays nothing", 4, kPlay, 12, 0, true, false, true, true, true, {"find track 12"}, {}},
        {"player started", 5, kPlay, 7, 0x12345, true, true, true, false, true, {}, PlayStatePosts(7, 0x12345)},
        {"player started, other type", 7, kPlay, 7, 0xFFFF, true, true, true, false, true, {},
         PlayStatePosts(7, 0x1FFFF)},
        {"player stopped", 5, kStop, 7, 0x3ABCD, true, true, true, true, true, {}, PlayStatePosts(7, 0xABCD)},
        {"player stopped, negative serial", 7, kStop, -1, 2, true, true, true, true, true, {},
         PlayStatePosts(-1, 2)},
        {"Find stops the player", 0, kStop, 7, 3, true, true, true, true, true, {"stop"}, {}},
        {"track changed", 4, kChanged, 33, 0, true, true, true, true, true, {}, {"session 1026 0 33"}},
        {"unknown action", 0, 9, 1, 1, true, true, true, true, true, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSongActionScope scope;
        scope.partners.addAccepted = c.addAccepted;
        scope.partners.trackFound = c.trackFound;
        scope.partners.trimAutomatically = c.trimAutomatically;
        scope.partners.playAccepted = c.playAccepted;
        CSongEntry song = Song("/m/a.mp3");
        EXPECT_EQ(DoSongAction(c.listType, c.action, c.wParam, c.lParam, &song), c.result);
        EXPECT_EQ(scope.partners.calls, c.calls);
        EXPECT_EQ(scope.poster.Posts(), c.posts);
    }
}

// Posts go only to windows that are made; a payload refused on the way is
// freed (the sanitizers' leak check sees it otherwise).
TEST(SongActions, WindowsNotMadeTakeNoPosts) {
    CSongActionScope scope;
    SetAppWindowReceiver(EAppWindow::kFindTab, kNoReceiver);
    SetAppWindowReceiver(EAppWindow::kSessionList, kNoReceiver);
    EXPECT_TRUE(DoSongAction(5, 4, 3, 4, nullptr));
    EXPECT_TRUE(DoSongAction(4, 5, 3, 0, nullptr));
    EXPECT_EQ(scope.poster.Posts(), (Lines{"library 1027 3 4", "player 1027 3 4"}));

    static int alive = 0;
    struct TCounted {
        TCounted() { ++alive; }
        TCounted(const TCounted&) { ++alive; }
        ~TCounted() { --alive; }
    };
    EXPECT_FALSE(PostToAppWindow(EAppWindow::kFindTab, MakeAppMessage(WM_FIND_FOUNDSONG, 0, 0, TCounted())));
    EXPECT_EQ(alive, 0);
    EXPECT_TRUE(PostToAppWindow(EAppWindow::kPlayerPanel, MakeAppMessage(WM_PLAYSTATE_CHANGED, 0, 0, TCounted())));
    EXPECT_EQ(alive, 0);
}

TEST(SongActions, WithoutPartnersNothingIsAddedOrPlayed) {
    CSongActionScope scope;
    SetSongActionPartners(nullptr);
    CSongEntry song = Song("/m/a.mp3");
    EXPECT_FALSE(DoSongAction(0, 1, 0, 0, &song));
    EXPECT_FALSE(DoSongAction(0, 3, 0, 0, &song));
    // The posting actions need no partner.
    EXPECT_TRUE(DoSongAction(5, 3, 1, 1, &song));
    EXPECT_EQ(scope.poster.Posts().size(), 4u);
}

}  // namespace
