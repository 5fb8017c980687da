// Song requests and the loading worker's passes, called by the test: ids,
// requests that replace each other, files that are missing or do not
// decode, and the missing sound card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/player/song_player.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/player/tests/song_player_fixture.h"

namespace {

using songfakes::Line;

class PlayerRequestTest : public playertest::SongPlayerTest {
protected:
    CSongPlayer& Ready() {
        CSongPlayer& player = MakePlayer();
        EXPECT_TRUE(player.InitPlayback(44100, 16, 2));
        return player;
    }
};

TEST_F(PlayerRequestTest, IdsRunFrom2To0xFFFEThenStartAgainAt1) {
    CSongPlayer& player = Ready();
    const std::string song = Song("a.wav", 100, 1000);
    std::uint16_t last = 0;
    for (int request = 1; request <= 65534; ++request) {
        ASSERT_TRUE(player.PlaySong(song.c_str(), 0, 0, -1, 0, 0));
        last = player.GetCurrentSoundId();
        if (request == 1) {
            EXPECT_EQ(last, 2);
        }
        ASSERT_NE(last, 0xFFFF);
        EXPECT_EQ(player.GetRequestedId(), last);
    }
    EXPECT_EQ(last, 1);
}

TEST_F(PlayerRequestTest, ARequestWhileAnotherLoadsInstallsOnlyTheNewer) {
    CSongPlayer& player = Ready();
    const std::string first = Song("first.wav", 1000, 1000);
    const std::string second = Song("second.wav", 1000, 3000);
    std::vector<std::string> loaded;
    player.SetSongLoader([&](CSongSound& sound, const std::string& path, int analyse, std::int32_t perPeak) {
        loaded.push_back(path);
        // The user asks for another song while the first decodes.
        if (path == first) {
            EXPECT_TRUE(player.PlaySong(second.c_str(), 12, 0, -1, 0, 0));
        }
        return LoadSoundFile(sound, path.c_str(), 2000, analyse, perPeak);
    });
    ASSERT_TRUE(player.PlaySong(first.c_str(), 11, 0, -1, 0, 0));
    const std::uint16_t firstId = player.GetCurrentSoundId();
    // The first load is dropped and the next pass follows at once.
    EXPECT_TRUE(player.SoundLoadingPass());
    const std::uint16_t secondId = player.GetCurrentSoundId();
    EXPECT_NE(player.GetPlayingId(), firstId);
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_EQ(loaded, (std::vector<std::string>{first, second}));
    EXPECT_EQ(player.GetPlayingId(), secondId);
    TPlayerSlot slot;
    ASSERT_TRUE(player.GetSlotInfo(secondId, slot));
    EXPECT_EQ(slot.path, second);
    EXPECT_EQ(slot.serial, 12);
    EXPECT_EQ(slot.end, 1000);
    EXPECT_EQ(slot.title, "second.wav");
    std::string path;
    EXPECT_TRUE(player.GetCurrentSongPath(path));
    EXPECT_EQ(path, second);
    Pass();
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{Line("1027 12 %d", secondId + 0x10000)}));
    EXPECT_EQ(playertest::SampleAtMs(DevicePcm(), 10), 3000);
}

TEST_F(PlayerRequestTest, SongsThatCannotBePlayed) {
    CSongPlayer& player = Ready();
    // A file that is not there is refused at once.
    EXPECT_FALSE(player.PlaySong(dir_.File("missing.mp3").c_str(), 0, 0, -1, 0, 0));
    EXPECT_EQ(player.GetRequestedId(), CSongPlayer::kNoSoundId);

    // A file that does not decode is tried three times, then given up.
    const std::string broken = dir_.File("broken.wav");
    testsupport::WriteWholeFile(broken, "RIFF and nothing a decoder can read");
    ASSERT_TRUE(player.PlaySong(broken.c_str(), 0, 0, -1, 0, 0));
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_TRUE(PanelPosts().empty());
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{"1030 0 0"}));
    EXPECT_EQ(player.GetRequestedId(), CSongPlayer::kNoSoundId);
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_EQ(PanelPosts().size(), 1u);
    EXPECT_FALSE(player.IsPlaying());
}

TEST_F(PlayerRequestTest, WithoutASoundCardARequestIsRefusedAtOnce) {
    fake_.Backend().acceptEveryFormat = false;
    CSongPlayer& player = Ready();
    ASSERT_EQ(player.FormatFound(), 0);
    EXPECT_TRUE(player.PlaySong(Song("a.wav", 500, 1000).c_str(), 0, 0, -1, 0, 0));
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{"1030 0 0"}));
    EXPECT_EQ(player.GetRequestedId(), CSongPlayer::kNoSoundId);
    EXPECT_FALSE(player.SoundLoadingPass());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(fake_.Backend().openCount, 0);
}

}  // namespace
