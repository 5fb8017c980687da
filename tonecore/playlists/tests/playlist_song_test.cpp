// What a playlist entry learns from its song when the song loads, and which
// entries checking keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playlist_test_support.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

using playlist_test::PlaylistFolder;
using Strings = std::vector<std::string>;

class PlaylistSong : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SoundEngineStartup(nullptr), 1); }
    void TearDown() override { SoundEngineShutdown(); }

    // A WAV song of ms milliseconds of silence in the format.
    std::string WriteSong(const std::string& name, const WAVEFORMATEX& format, int ms) {
        const std::string pcm(static_cast<std::size_t>(format.nAvgBytesPerSec) * ms / 1000, '\0');
        return dir_.Write(name, soundtest::WavFile(format, pcm));
    }

    PlaylistFolder dir_;
};

TEST_F(PlaylistSong, LoadedSongsFillTheirEntries) {
    const std::string cd = WriteSong("Cd song.wav", pcmtest::Pcm(44100, 2, 16), 1000);
    const std::string mono = WriteSong("mono.wav", pcmtest::Pcm(22050, 1, 8), 500);
    dir_.Write("noise.mp3", "not a song at all");
    const std::string list = dir_.Write("list.m3u", "Cd song.wav\nmono.wav\nnoise.mp3\nmissing.mp3\n");

    CPlaylist checked;
    ASSERT_TRUE(checked.LoadFromFile(list.c_str(), true));
    ASSERT_EQ(playlist_test::Paths(checked), (Strings{cd, mono}));
    const TONECORE_CMusicInfo& first = *checked.GetTrackInfo(0);
    EXPECT_STREQ(first.title, "Cd song");
    EXPECT_EQ(first.lengthMs, 1000);
    EXPECT_EQ(first.pathWords[0], static_cast<std::int32_t>(testsupport::ReadWholeFile(cd).size()));
    EXPECT_TRUE(first.flags[0]);
    EXPECT_EQ(first.waveFormat.nSamplesPerSec, 44100u);
    EXPECT_NE(first.formatText[0], '\0');
    const TONECORE_CMusicInfo& second = *checked.GetTrackInfo(1);
    EXPECT_STREQ(second.title, "mono");
    EXPECT_EQ(second.lengthMs, 500);
    EXPECT_FALSE(second.flags[0]);
    EXPECT_EQ(second.waveFormat.nChannels, 1u);

    // Unchecked, what does not load stays as a bare entry.
    CPlaylist unchecked;
    ASSERT_TRUE(unchecked.LoadFromFile(list.c_str(), false));
    ASSERT_EQ(unchecked.Count(), 4);
    EXPECT_EQ(unchecked.GetTrackInfo(0)->lengthMs, 1000);
    EXPECT_STREQ(unchecked.GetTrackTitle(2), "");
    EXPECT_EQ(unchecked.GetTrackInfo(2)->lengthMs, 0);
    EXPECT_STREQ(unchecked.GetTrackFilePath(3), "missing.mp3");

    // A playlist's own title does not replace the song's.
    const std::string asx = dir_.Write("list.asx", "<asx><entry><ref href=\"mono.wav\"/><title>Other</title>"
                                                   "<duration value=\"00:09\"/></entry></asx>");
    CPlaylist fromAsx;
    ASSERT_TRUE(fromAsx.LoadFromFile(asx.c_str(), true));
    EXPECT_STREQ(fromAsx.GetTrackTitle(0), "mono");
    EXPECT_EQ(fromAsx.GetTrackInfo(0)->lengthMs, 500);
}

TEST_F(PlaylistSong, SessionEntriesWithKeepFlagsAreNotLoaded) {
    const std::string song = WriteSong("song.wav", pcmtest::Pcm(44100, 2, 16), 200);
    CPlaylist list;
    ASSERT_TRUE(list.LoadFromFile(song.c_str(), true));
    list.LoadFromFile(song.c_str(), true);
    ASSERT_EQ(list.Count(), 2);
    // The program's own length stands for an entry it keeps.
    list.GetTrackInfo(1)->flags[1] = true;
    list.GetTrackInfo(1)->lengthMs = 12345;
    const std::string session = dir_.File("session.tps");
    ASSERT_TRUE(list.SaveToFile(session.c_str()));
    CPlaylist reread;
    ASSERT_TRUE(reread.LoadFromFile(session.c_str(), true));
    ASSERT_EQ(reread.Count(), 2);
    EXPECT_EQ(reread.GetTrackInfo(0)->lengthMs, 200);
    EXPECT_EQ(reread.GetTrackInfo(1)->lengthMs, 12345);
}

}  // namespace
