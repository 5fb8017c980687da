// CD tracks through a fake CD page: the slot the player keeps, what the
// panel is told, and the track's end noticed by the worker's pass.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/cd/cd_track_page.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_states.h"
#include "songsmith/cd/tests/fake_cd_page.h"
#include "songsmith/player/tests/song_player_fixture.h"

namespace {

using songfakes::CFakeCdPage;
using songfakes::Line;

class PlayerCdTest : public playertest::SongPlayerTest {
protected:
    CSongPlayer& Ready() {
        CSongPlayer& player = MakePlayer();
        EXPECT_TRUE(player.InitPlayback(44100, 16, 2));
        player.AddCDPage(&page_);
        return player;
    }
    ~PlayerCdTest() override { player_.reset(); }

    CFakeCdPage page_;
};

TEST_F(PlayerCdTest, ATrackPlaysThroughItsPageAndItsEndAsksForTheNext) {
    // The track is in the session too: its serial goes with it.
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "%s", "sr0:Track 3");
    const int index = tracks_.InsertMusicInfo(info, 0);
    const int serial = tracks_.GetAt(index)->GetSerial();
    CSongPlayer& player = Ready();

    EXPECT_EQ(player.PlayCDTrack(2, "/dev/sr0", 5000), 1);
    const std::uint16_t id = player.GetCurrentSoundId();
    TPlayerSlot slot;
    ASSERT_TRUE(player.GetSlotInfo(id, slot));
    EXPECT_EQ(slot.path, "sr0:Track 3");
    EXPECT_EQ(slot.title, "Third by The Band");
    EXPECT_EQ(slot.end, 215000);
    EXPECT_EQ(slot.start, 0);
    EXPECT_EQ(slot.position, 5000);
    EXPECT_EQ(slot.serial, serial);
    EXPECT_EQ(page_.calls, (std::vector<std::string>{"play 2 5000"}));
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.GetCDTab(), &page_);
    EXPECT_EQ(player.GetPlayingId(), id);
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{Line("1027 0 %d", id + 0x10000)}));

    // Nothing while it plays; once its page stops, the next is asked for
    // once.
    EXPECT_FALSE(player.SoundLoadingPass());
    page_.playing = false;
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_EQ(PanelPosts().back(), Line("1029 0 %d", id));
    EXPECT_EQ(PanelPosts().size(), 2u);
    EXPECT_NE(Logged().find("Sound loading worker - CD Tab isn't playing, time for next song"), std::string::npos);
    // Continuous play on: the track is left to the page.
    EXPECT_EQ(page_.calls.size(), 1u);

    // A seek plays the same track from the new place, under the same id,
    // with no end announced (the panel would move on to the next track).
    page_.playing = true;
    const std::size_t posted = PanelPosts().size();
    ASSERT_TRUE(player.Seek(60000));
    EXPECT_EQ(page_.calls.back(), "play 2 60000");
    EXPECT_EQ(player.GetCurrentSoundId(), id);
    EXPECT_EQ(player.GetPlayingId(), id);
    ASSERT_TRUE(player.GetSlotInfo(id, slot));
    EXPECT_EQ(slot.position, 60000);
    EXPECT_EQ(PanelPosts().size(), posted + 1);
    EXPECT_EQ(PanelPosts().back(), Line("1027 0 %d", id + 0x10000));

    // The next track's end asks again.
    EXPECT_EQ(player.PlayCDTrack(2, "/dev/sr0", 0), 1);
    page_.playing = false;
    player.SoundLoadingPass();
    EXPECT_EQ(PanelPosts().back(), Line("1029 0 %d", player.GetCurrentSoundId()));
}

TEST_F(PlayerCdTest, WithoutContinuousPlayTheEndedTrackIsStopped) {
    prefs_.bContinuousPlayback = 0;
    CSongPlayer& player = Ready();
    player.PlayCDTrack(2, "/dev/sr0", 0);
    const std::uint16_t id = player.GetCurrentSoundId();
    page_.playing = false;
    player.SoundLoadingPass();
    EXPECT_EQ(page_.calls, (std::vector<std::string>{"play 2 0", "stop"}));
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{Line("1027 0 %d", id + 0x10000), Line("1027 0 %d", id),
                                                      Line("1029 0 %d", id)}));
    EXPECT_FALSE(player.IsPlaying());
}

TEST_F(PlayerCdTest, APageThatCannotPlayOrASongAfterwardsLeavesCdMode) {
    CSongPlayer& player = Ready();
    page_.playable = false;
    player.PlayCDTrack(2, "/dev/sr0", 0);
    EXPECT_EQ(player.GetPlayingId(), CSongPlayer::kStoppedId);
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{"1030 0 0"}));

    page_.playable = true;
    player.PlayCDTrack(2, "/dev/sr0", 0);
    // A song stops the track and plays instead.
    ASSERT_TRUE(player.PlaySong(Song("a.wav", 500, 1000).c_str(), 0, 0, -1, 0, 0));
    EXPECT_EQ(page_.calls.back(), "stop");
    player.SoundLoadingPass();
    EXPECT_EQ(player.GetPlayingId(), player.GetCurrentSoundId());
    // A page that goes is not asked again.
    player.RemoveCDPage(&page_);
    EXPECT_EQ(player.GetCDTab(), nullptr);
    EXPECT_EQ(player.PlayCDTrack(2, "/dev/sr0", 0), 1);
    EXPECT_EQ(PanelPosts().back(), "1030 0 0");
}

}  // namespace
