// The session list's rows and its talk with the rest of the program: the
// clipboard lines, continuous play, the play-state messages, the toolbar's
// Shuffle button, the totals and removals.
#include <gtest/gtest.h>

#include "songsmith/session/tests/session_list_fixture.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/player/play_source.h"
#include "songsmith/session/session_columns.h"
#include "utilities/launch_browser.h"

namespace sessiontest {
namespace {

class SessionPlayTest : public SessionListTest {
protected:
    // The serial each song action played, in order.
    std::vector<int> Played() {
        std::vector<int> serials;
        for (const std::string& action : songActions_) {
            int type = 0, verb = 0, serial = 0;
            if (std::sscanf(action.c_str(), "%d %d %d", &type, &verb, &serial) == 3 && verb == kSongActionPlay)
                serials.push_back(serial);
        }
        return serials;
    }
};

TEST_F(SessionPlayTest, TheClipboardLineOfEachMask) {
    AddTrack("One", 61000);
    AddTrack("Two", 125000);
    TONECORE_CMusicInfo info = tracks_.GetAt(1)->GetMusicInfo();
    std::snprintf(info.artist, sizeof info.artist, "Band");
    tracks_.GetAt(1)->TakeSongInformation(info);
    tracks_.GetAt(1)->SetUserTrims(5000, 125000);
    tracks_.GetAt(1)->SetAutoTrims(0, 100000);
    ShowRows();
    prefs_.bTrimSoundsAutomatically = 0;
    const struct {
        int flags;
        const char* text;
    } kCases[] = {
        {kCopyName, "One\t\nTwo\t"},
        {kCopyNumber, "1. \n2. "},
        {kCopyLength, "01:01\t\n02:00\t"},
        {kCopyArtist, "\t\nBand\t"},
        {15, "1. One\t\t01:01\t\n2. Two\tBand\t02:00\t"},
    };
    for (const auto& c : kCases) {
        prefs_.copyFlags = c.flags;
        list_->CopyTrackInfoToClipboard();
        EXPECT_EQ(view_.clipboard, c.text) << c.flags;
    }
    // The automatic trims when the preferences pick them.
    prefs_.bTrimSoundsAutomatically = 1;
    prefs_.copyFlags = kCopyLength;
    list_->CopyTrackInfoToClipboard();
    EXPECT_EQ(view_.clipboard, "01:01\t\n01:40\t");
}

TEST_F(SessionPlayTest, PlayNextWrapsBothWaysPastMissingSongs) {
    const int a = AddTrack("a");
    const int b = AddTrack("b", 60000, kTrackFileNotFound);
    const int c = AddTrack("c");
    const int d = AddTrack("d", 60000, kTrackFileNotFound);
    ShowRows();
    const struct {
        int current;
        bool forward;
        int expected;
    } kCases[] = {
        {a, true, c}, {c, true, a}, {a, false, c}, {c, false, a}, {b, true, c}, {d, false, c}, {-1, true, a},
        {-1, false, c},
    };
    for (const auto& k : kCases) {
        songActions_.clear();
        EXPECT_TRUE(list_->PlayNext(false, k.current, k.forward));
        EXPECT_EQ(Played(), std::vector<int>{k.expected}) << k.current << " " << k.forward;
    }
    EXPECT_EQ(songActions_, Lines{Line("4 3 %d 0 /music/c.mp3", c)});
    // A session of one playable song plays it again.
    tracks_.GetAt(2)->SetState(kTrackFileNotFound);
    songActions_.clear();
    EXPECT_TRUE(list_->PlayNext(false, a, true));
    EXPECT_EQ(Played(), std::vector<int>{a});
    tracks_.GetAt(0)->SetState(kTrackFileNotFound);
    EXPECT_FALSE(list_->PlayNext(false, a, true));
}

TEST_F(SessionPlayTest, RandomPlayDrawsAtMostOncePerTrack) {
    std::vector<int> serials;
    for (const char* name : {"a", "b", "c", "d"}) serials.push_back(AddTrack(name, 60000, kTrackFileNotFound));
    tracks_.GetAt(2)->SetState(kTrackReady);
    ShowRows();
    // Draws land on 1, 3, 2: the third draw finds the one song there is.
    randomValues_ = {1, 3, 2, 0};
    EXPECT_TRUE(list_->PlayNext(true, serials[0], true));
    EXPECT_EQ(Played(), std::vector<int>{serials[2]});
    EXPECT_EQ(randomNext_, 3u);
    // The current song is not drawn again; four draws that miss give up.
    randomValues_ = {2, 2, 0, 1, 3};
    randomNext_ = 0;
    songActions_.clear();
    EXPECT_FALSE(list_->PlayNext(true, serials[2], true));
    EXPECT_TRUE(Played().empty());
    EXPECT_EQ(randomNext_, 4u);
}

TEST_F(SessionPlayTest, AClickPlaysOrStopsAndPostsTheSerialAndSoundId) {
    const int a = AddTrack("a");
    ShowRows();
    list_->OnPlayClick(0);
    EXPECT_EQ(songActions_, Lines{Line("4 3 %d 0 /music/a.mp3", a)});
    EXPECT_EQ(poster_.Posts().back(), Line("session 1027 %d %d", a, 0x10007));

    // The message marks the row and tells the player whose sound it is.
    list_->WindowProc(TAppMessage{WM_PLAYSTATE_CHANGED, static_cast<std::uintptr_t>(a), 0x10007, nullptr});
    EXPECT_EQ(list_->PlayingSerial(), a);
    EXPECT_EQ(player_.calls, Lines{Line("sound serial 7 %d", a)});

    songActions_.clear();
    list_->OnPlayClick(0);
    EXPECT_EQ(songActions_, Lines{Line("4 4 %d 0 /music/a.mp3", a)});
    EXPECT_EQ(poster_.Posts().back(), Line("session 1027 %d 7", a));
    list_->WindowProc(TAppMessage{WM_PLAYSTATE_CHANGED, static_cast<std::uintptr_t>(a), 7, nullptr});
    EXPECT_EQ(list_->PlayingSerial(), -1);
}

// A song the player cannot take (its file is gone) is not shown playing;
// one it takes makes the session the source of the songs that follow, from
// a click as from the row menu's Play.
TEST_F(SessionPlayTest, OnlyASongThePlayerTookIsShownPlaying) {
    const int gone = AddTrack("gone", 60000, kTrackFileNotFound);
    const int here = AddTrack("here");
    ShowRows();
    SetPlaySource(kPlaySourceFind);
    songActionsSucceed_ = false;
    const std::size_t postsBefore = poster_.Posts().size();
    list_->OnPlayClick(0);
    EXPECT_EQ(songActions_, Lines{Line("4 3 %d 0 /music/gone.mp3", gone)});
    EXPECT_EQ(poster_.Posts().size(), postsBefore) << "no play state for a song that does not play";

    songActionsSucceed_ = true;
    SetPlaySource(kPlaySourceLibrary);
    list_->PlayOrStopTrack(here);
    EXPECT_EQ(GetPlaySource(), kPlaySourceSession);
    EXPECT_EQ(poster_.Posts().back(), Line("session 1027 %d %d", here, 0x10007));
}

TEST_F(SessionPlayTest, ACrossFadeKeepsTheMarkOnTheSongThatGoesOn) {
    const int a = AddTrack("a");
    const int b = AddTrack("b");
    ShowRows();
    list_->OnPlayStateChanged(true, a, 7);
    // b starts while a fades out; a's end comes after.
    list_->OnPlayStateChanged(true, b, 8);
    list_->OnPlayStateChanged(false, a, 7);
    EXPECT_EQ(list_->PlayingSerial(), b);
    EXPECT_EQ(player_.calls, (Lines{Line("sound serial 7 %d", a), "sound serial 7 -1", Line("sound serial 8 %d", b)}));
    list_->OnPlayStateChanged(false, b, 8);
    EXPECT_EQ(list_->PlayingSerial(), -1);
}

TEST_F(SessionPlayTest, AStartWithoutASerialIsFoundByThePlayersPath) {
    AddTrack("a");
    const int b = AddTrack("b");
    ShowRows();
    player_.playingPath = "/music/b.mp3";
    player_.soundId = 12;
    list_->OnPlayStateChanged(true, 0, 12);
    EXPECT_EQ(list_->PlayingSerial(), b);
    EXPECT_EQ(view_.Only("visible"), Lines{"visible 1"});
    // A song the session does not hold marks nothing.
    player_.playingPath = "/elsewhere.mp3";
    list_->OnPlayStateChanged(true, 0, 12);
    EXPECT_EQ(list_->PlayingSerial(), -1);
    // Rows made while the player plays a track's file show it playing.
    player_.playingPath = "/music/a.mp3";
    list_->RebuildRows();
    EXPECT_EQ(list_->PlayingSerial(), list_->RowSerial(0));
}

TEST_F(SessionPlayTest, TheShuffleButtonFollowsTheTrackCount) {
    AddTrack("a");
    const int b = AddTrack("b");
    list_->RebuildRows();
    EXPECT_EQ(ToolbarPosts(), Lines{"toolbar 1025 40069 1"});
    list_->RemoveTrack(list_->RowSerial(0), true);
    list_->RemoveTrack(b, true);
    EXPECT_EQ(ToolbarPosts(), (Lines{"toolbar 1025 40069 1", "toolbar 1025 40069 1", "toolbar 1025 40069 0"}));
    EXPECT_EQ(view_.Only("buttons").back(), "buttons 0");
    undo_.Undo();
    EXPECT_EQ(ToolbarPosts().back(), "toolbar 1025 40069 1");
    list_->RemoveAll(true);
    EXPECT_EQ(ToolbarPosts().back(), "toolbar 1025 40069 0");
    EXPECT_EQ(list_->RowCount(), 0);
    undo_.NextUndoSet();
}

TEST_F(SessionPlayTest, RemovingASongOrAllTracksCanBeUndone) {
    AddTrack("a");
    AddTrack("b");
    AddTrack("c");
    ShowRows();
    CSongEntry song;
    std::snprintf(song.path, sizeof song.path, "/music/b.mp3");
    undo_.NextUndoSet();
    list_->RemoveSong(song, kSongListFind);
    EXPECT_EQ(Names(), "a c");
    ExpectRowsMatchTracks();
    EXPECT_TRUE(songActions_.empty()) << "the page that asked marks its own rows";

    undo_.NextUndoSet();
    list_->RemoveAll(false);
    EXPECT_EQ(tracks_.GetCount(), 0);
    EXPECT_FALSE(tracks_.IsDirty());
    EXPECT_EQ(songActions_.size(), 2u);
    undo_.Undo();
    EXPECT_EQ(Names(), "a c");
    undo_.Undo();
    EXPECT_EQ(Names(), "a b c");
    ExpectRowsMatchTracks();
}

TEST_F(SessionPlayTest, TheTotalsFollowTheTracksAndTheDisc) {
    burn_.capacityMs = 74 * 60000;
    list_->UpdateTotals(false);
    EXPECT_EQ(view_.totals, "No songs yet; the disc holds 74 minutes");
    AddTrack("a", 90000);
    AddTrack("b", 30000);
    list_->WindowProc(TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr});
    EXPECT_EQ(view_.totals, "Total 2:00, 72:00 left on the disc");
    burn_.capacityMs = 0;
    list_->WindowProc(TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr});
    EXPECT_EQ(view_.totals, "Total 2:00 (no CD recorder found)");
}

TEST_F(SessionPlayTest, ATrackChangeRedrawsItsRowOrFollowsTheBurn) {
    AddTrack("a");
    const int b = AddTrack("b");
    ShowRows();
    list_->WindowProc(TAppMessage{WM_SESSION_TRACKCHANGED, 0, b, nullptr});
    EXPECT_EQ(view_.calls, Lines{"redraw 1 1"});
    view_.calls.clear();
    burn_.state = 9;
    list_->RefreshTrack(b);
    EXPECT_EQ(view_.calls, Lines{"visible 1"});
}

TEST_F(SessionPlayTest, ARowTheViewRefusesTakesItsTrackOut) {
    const std::string song = temp_.File("a.wav");
    testsupport::WriteWholeFile(song, songfiles::WavBytes(44100, 2, 100));
    view_.refuseRows = true;
    ui_.ExpectMessage("SesErr_FailedToLoadSong", IDOK);
    EXPECT_FALSE(list_->AddSong(CSongEntry(song.c_str()), true, kSongListFind));
    EXPECT_EQ(tracks_.GetCount(), 0);
    EXPECT_EQ(undo_.CanUndo(), 0);
    // A paste too.
    view_.refuseRows = false;
    AddTrack("a");
    ShowRows();
    list_->SelectAll(true);
    ASSERT_TRUE(list_->CopySelected());
    view_.refuseRows = true;
    list_->Paste();
    EXPECT_EQ(tracks_.GetCount(), 1);
    ExpectRowsMatchTracks();
}

TEST_F(SessionPlayTest, TheLinkColumnOpensTheTracksSongPage) {
    std::snprintf(prefs_.Marovelle_Temp_Dir, sizeof prefs_.Marovelle_Temp_Dir, "%s", temp_.Path().c_str());
    const int a = AddTrack("Blue Moon");
    std::vector<std::string> opened;
    SetLaunchBrowserHook([&opened](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    list_->OpenTrackLink(a + 1000);
    EXPECT_TRUE(opened.empty()) << "a track that has gone opens nothing";
    list_->OpenTrackLink(a);
    SetLaunchBrowserHook(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(testsupport::ReadWholeFile(opened[0]).find("Blue Moon"), std::string::npos);
}

}  // namespace
}  // namespace sessiontest
