// The song actions answered by the session list: a page's add and remove go
// through the session as one undo step, a session track plays with its
// trims.
#include "songsmith/session/session_song_actions.h"

#include <gtest/gtest.h>

#include "songsmith/session/tests/session_list_fixture.h"

namespace sessiontest {
namespace {

class SessionSongActionsTest : public SessionListTest {
protected:
    SessionSongActionsTest() {
        actions_.SetPageMarker([this](const char* path, int inSession) {
            marks_.push_back(Line("%s %d", path, inSession));
        });
        SetSongActionPartners(&actions_);
    }
    ~SessionSongActionsTest() override { SetSongActionPartners(nullptr); }

    CSessionSongActions actions_{*list_, tracks_, undo_, prefs_, nullptr};
    Lines marks_;
};

TEST_F(SessionSongActionsTest, APagesRemovalIsOneStepThatBringsTheFocusBack) {
    const int a = AddTrack("a");
    AddTrack("b");
    ShowRows();
    list_->SelectTrack(a);
    CSongEntry song;
    std::snprintf(song.path, sizeof song.path, "/music/b.mp3");
    EXPECT_TRUE(DoSongAction(kSongListLibrary, kSongActionRemove, 0, 0, &song));
    EXPECT_EQ(Names(), "a");
    EXPECT_EQ(marks_, Lines{"/music/b.mp3 0"});
    list_->SelectAll(false);
    undo_.Undo();
    EXPECT_EQ(Names(), "a b");
    ExpectRowsMatchTracks();
    EXPECT_EQ(list_->FocusedSerial(), a);
}

TEST_F(SessionSongActionsTest, APagesAddJoinsTheSessionAndMarksTheSong) {
    const std::string path = temp_.File("a.wav");
    testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 100));
    CSongEntry song(path.c_str());
    EXPECT_TRUE(DoSongAction(kSongListFind, kSongActionAdd, 0, 0, &song));
    EXPECT_EQ(tracks_.GetCount(), 1);
    EXPECT_EQ(marks_, Lines{path + " 1"});
    EXPECT_EQ(undo_.CanUndo(), 1);
}

TEST_F(SessionSongActionsTest, ATracksTrimsAreFoundBySerial) {
    const int a = AddTrack("a", 60000);
    tracks_.GetAt(0)->SetUserTrims(100, 50000);
    tracks_.GetAt(0)->SetAutoTrims(300, 59000);
    TTrackTrimPairs trims;
    ASSERT_TRUE(actions_.FindTrackTrims(a, trims));
    EXPECT_EQ((std::vector<int>{trims.autoStartMs, trims.autoEndMs, trims.userStartMs, trims.userEndMs}),
              (std::vector<int>{300, 59000, 100, 50000}));
    EXPECT_FALSE(actions_.FindTrackTrims(a + 1000, trims));
}

}  // namespace
}  // namespace sessiontest
