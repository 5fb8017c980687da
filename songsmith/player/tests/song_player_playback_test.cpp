// Songs played one after another on the fake device, worker passes and
// service passes driven by the test: the cross-fade and its PCM, songs that
// restart the device at their rate, what the windows are told, signals
// mixed into a song, and seeking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_states.h"
#include "songsmith/player/tests/song_player_fixture.h"

namespace {

using playertest::kLatencyMs;
using playertest::SampleAtMs;
using songfakes::Line;

// A volume envelope as the test expects it: (ms, level) points.
using TEnvelope = std::vector<std::pair<std::int32_t, double>>;

double LevelAt(const TEnvelope& envelope, double ms) {
    if (ms < envelope.front().first || ms > envelope.back().first) return 0.0;
    for (std::size_t i = 1; i < envelope.size(); ++i) {
        const auto& [t0, v0] = envelope[i - 1];
        const auto& [t1, v1] = envelope[i];
        if (ms <= t1) return v0 + (v1 - v0) * (ms - t0) / (t1 - t0);
    }
    return envelope.back().second;
}

class PlayerPlaybackTest : public playertest::SongPlayerTest {
protected:
    CSongPlayer& Ready(int mode) {
        prefs_.fadePreferences = {mode, 1000, 1000, 500};
        CSongPlayer& player = MakePlayer();
        EXPECT_TRUE(player.InitPlayback(44100, 16, 2));
        return player;
    }

    // Service passes of 100 ms, each followed by a worker pass, until the
    // player's clock reads untilMs since the song started; the clock
    // reading at each load-next post.
    std::vector<std::int64_t> PlayUntil(CSongPlayer& player, std::int64_t startedAt, std::int64_t untilMs) {
        std::vector<std::int64_t> loadNext;
        while (playertest::FakeNow() - startedAt < untilMs) {
            Pass(100);
            const std::size_t before = PanelPosts().size();
            player.SoundLoadingPass();
            for (std::size_t i = before; i < PanelPosts().size(); ++i) {
                if (PanelPosts()[i].rfind("1029 ", 0) == 0) loadNext.push_back(playertest::FakeNow() - startedAt);
            }
        }
        return loadNext;
    }
};

// Two 6 s songs and a short one in cross-fade mode (overlap 1000 ms, fades
// of 500 ms). The first song is cut one overlap before its end and fades
// out there; the next is asked for two overlaps before the queue point;
// each next song's start (its trim) lands on the queue point while the song
// before fades out.
TEST_F(PlayerPlaybackTest, CrossFadedSongsMixAsTheirEnvelopesSay) {
    CSongPlayer& player = Ready(2);
    const std::string a = Song("a.wav", 6000, 1000);
    const std::string b = Song("b.wav", 6000, 3000);
    const std::string c = Song("c.wav", 800, 2000);
    ASSERT_TRUE(player.PlaySong(a.c_str(), 0, 0, -1, 0, 0));
    const std::uint16_t idA = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    const std::int64_t started = playertest::FakeNow();
    Pass();
    // 5000 ms played, less one overlap.
    EXPECT_EQ(player.GetQueuePoint(), 4000);
    EXPECT_EQ(PlayUntil(player, started, 2000), (std::vector<std::int64_t>{2000}));
    EXPECT_EQ(PanelPosts().back(), Line("1029 0 %d", idA));

    ASSERT_TRUE(player.PlaySong(b.c_str(), 0, 1000, -1, 0, 1000));
    const std::uint16_t idB = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    EXPECT_EQ(player.GetPlayingId(), idB);
    // B ends at 3000 + 6000; the next one comes an overlap earlier.
    EXPECT_EQ(player.GetQueuePoint(), 8000);
    EXPECT_EQ(PlayUntil(player, started, 6000), (std::vector<std::int64_t>{6000}));

    ASSERT_TRUE(player.PlaySong(c.c_str(), 0, 0, -1, 0, 0));
    const std::uint16_t idC = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    PlayUntil(player, started, 9000);

    // A cut at the queue point plus one fade; B at 4000 - 1000, silent
    // before its start trim, cut in turn when C comes at 8000; C shorter
    // than the overlap: its gain alone.
    const TEnvelope envA = {{0, 0}, {500, 1}, {4000, 1}, {4500, 0}};
    const TEnvelope envB = {{0, 0}, {1000, 0}, {1500, 1}, {5000, 1}, {5500, 0}};
    const TEnvelope envC = {{0, 1}, {800, 1}};
    const auto mix = [&](double ms) {
        return 1000 * LevelAt(envA, ms) + 3000 * LevelAt(envB, ms - 3000) + 2000 * LevelAt(envC, ms - 8000);
    };
    const std::vector<std::uint8_t> pcm = DevicePcm();
    for (const std::int32_t ms : {1000, 3500, 3950, 3990, 4100, 4250, 4400, 4490, 4600, 6000, 7990, 8050, 8300, 8600}) {
        // A sound's gains follow its envelope in steps of 30 ms, so a
        // sample on a ramp has the level of a moment up to 30 ms away.
        const double low = std::min(mix(ms - 30), mix(ms + 30)) - 2;
        const double high = std::max(mix(ms - 30), mix(ms + 30)) + 2;
        const int sample = SampleAtMs(pcm, ms);
        EXPECT_TRUE(sample >= low && sample <= high) << sample << " at " << ms << " ms, not in " << low << ".." << high;
    }
    // Only the last song's end is told; the others were replaced. C is due
    // for its follower as soon as it is in (its queue point lies within two
    // overlaps), before its first buffer is heard.
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{
                                Line("1027 0 %d", idA + 0x10000), Line("1029 0 %d", idA),
                                Line("1027 0 %d", idB + 0x10000), Line("1029 0 %d", idB),
                                Line("1029 0 %d", idC), Line("1027 0 %d", idC + 0x10000),
                                Line("1027 0 %d", idC)}));
}

// Outside cross-fade mode each song stops the one before and reopens the
// device at its own rate; a signal is mixed into a song without stopping
// it.
TEST_F(PlayerPlaybackTest, EachSongRestartsTheDeviceAtItsRateAndSignalsMixIn) {
    CSongPlayer& player = Ready(0);
    ASSERT_TRUE(player.PlaySong(Song("a.wav", 3000, 1000).c_str(), 5, 0, -1, 0, 0));
    const std::uint16_t idA = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    EXPECT_EQ(fake_.Backend().lastFormat.nSamplesPerSec, 44100u);
    Pass();
    Pass(100);
    Pass(100);
    EXPECT_FALSE(player.PlaySoundFile(Song("signal.wav", 300, 500).c_str()));
    Pass(100);
    Pass(100);
    EXPECT_TRUE(player.IsPlaying());
    const std::vector<std::uint8_t> pcm = DevicePcm();
    const std::int32_t signalAt = kLatencyMs + 200;
    EXPECT_EQ(SampleAtMs(pcm, signalAt - 1), 1000);
    EXPECT_EQ(SampleAtMs(pcm, signalAt), 1500);
    EXPECT_EQ(SampleAtMs(pcm, signalAt + 150), 1500);

    ASSERT_TRUE(player.PlaySong(Song("low.wav", 600, 2000, 22050).c_str(), 6, 0, -1, 0, 0));
    const std::uint16_t idB = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    EXPECT_EQ(fake_.Backend().lastFormat.nSamplesPerSec, 22050u);
    EXPECT_EQ(player.GetPlayingId(), idB);
    for (int pass = 0; pass < 30 && player.IsPlaying(); ++pass) Pass(50);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(PanelPosts(), (std::vector<std::string>{Line("1027 5 %d", idA + 0x10000),
                                                      Line("1027 6 %d", idB + 0x10000),
                                                      Line("1027 6 %d", idB)}));
    // The same to every window that follows play states.
    EXPECT_EQ(windows_.poster.Posts().size(), 4 * PanelPosts().size());
}

// Asked for long before its turn in cross-fade mode, the next song comes in
// as soon as the mixer can take it, and the song before fades out there.
TEST_F(PlayerPlaybackTest, AnEarlyRequestCrossFadesFromTheNextUnmixedBuffer) {
    CSongPlayer& player = Ready(2);
    ASSERT_TRUE(player.PlaySong(Song("a.wav", 6000, 1000).c_str(), 0, 0, -1, 0, 0));
    player.SoundLoadingPass();
    Pass();
    for (int pass = 0; pass < 5; ++pass) Pass(100);
    ASSERT_TRUE(player.PlaySong(Song("b.wav", 6000, 3000).c_str(), 0, 0, -1, 0, 0));
    EXPECT_EQ(player.GetQueuePoint(), kLatencyMs + 500);
    player.SoundLoadingPass();
    for (int pass = 0; pass < 15; ++pass) Pass(100);
    const std::vector<std::uint8_t> pcm = DevicePcm();
    EXPECT_EQ(SampleAtMs(pcm, 850), 1000);
    EXPECT_EQ(SampleAtMs(pcm, 1600), 3000);
}

// A new serial for the song that plays gives it that session track's gain
// from the next buffer on.
TEST_F(PlayerPlaybackTest, ANewSerialBringsTheTracksGain) {
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "%s", "/music/a.wav");
    CCDTrack& track = *tracks_.GetAt(tracks_.InsertMusicInfo(info, 0));
    track.SetState(kTrackReady);
    track.SetPeakLevel(1.0);
    track.SetVolume(0.5);
    CSongPlayer& player = Ready(0);
    ASSERT_TRUE(player.PlaySong(Song("a.wav", 3000, 1000).c_str(), 0, 0, -1, 0, 0));
    const std::uint16_t id = player.GetCurrentSoundId();
    player.SoundLoadingPass();
    Pass();
    Pass(100);
    player.SetSoundSerial(id, track.GetSerial());
    for (int pass = 0; pass < 6; ++pass) Pass(100);
    const std::vector<std::uint8_t> pcm = DevicePcm();
    EXPECT_EQ(SampleAtMs(pcm, 50), 1000);
    EXPECT_EQ(SampleAtMs(pcm, 900), 500);
}

// A song requested while a signal plays alone starts at once, from its
// position, and the signal is not heard again under it.
TEST_F(PlayerPlaybackTest, ASongAfterALoneSignalStartsAfresh) {
    CSongPlayer& player = Ready(0);
    ASSERT_TRUE(player.PlaySong(Song("a.wav", 2000, 1000).c_str(), 0, 0, -1, 0, 0));
    ASSERT_TRUE(player.PlaySoundFile(Song("signal.wav", 1000, 500).c_str()));
    Pass();
    Pass(100);
    player.SoundLoadingPass();
    EXPECT_EQ(player.GetPlayingId(), player.GetCurrentSoundId());
    Pass();
    Pass(100);
    const std::vector<std::uint8_t> pcm = DevicePcm();
    EXPECT_EQ(SampleAtMs(pcm, 0), 1000);
    EXPECT_EQ(SampleAtMs(pcm, 450), 1000);
}

// A seek is an absolute position in the song: into its last second it
// lands 1000 ms before the end trim (two overlaps in cross-fade mode),
// before the start trim on the start; the song keeps its id.
TEST_F(PlayerPlaybackTest, ASeekStaysInsideTheTrimsAndKeepsTheId) {
    // 1000 below 4500 ms, 2000 after: where playback resumes is heard.
    std::string pcm;
    for (std::uint32_t frame = 0; frame < 44100u * 6; ++frame) {
        const int level = frame < 44100u * 9 / 2 ? 1000 : 2000;
        songtest::PutLe(pcm, static_cast<std::uint16_t>(level), 2);
        songtest::PutLe(pcm, static_cast<std::uint16_t>(level), 2);
    }
    const std::string song = dir_.File("steps.wav");
    testsupport::WriteWholeFile(song, songtest::Riff("WAVE", songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16)) +
                                                                 songtest::Chunk("data", pcm)));
    const struct {
        int mode;
        std::int32_t seekTo, landsAt;
        int sampleAfter600;
    } kCases[] = {
        {0, 4800, 4000, 2000},
        // The song fades out from 3500 to 4000 here (one overlap before its
        // end trim).
        {2, 4800, 3000, 800},
        {0, 200, 1000, 1000},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", seek to " << c.seekTo);
        CSongPlayer& player = Ready(c.mode);
        ASSERT_TRUE(player.PlaySong(song.c_str(), 0, 1000, 5000, 0, 1000));
        const std::uint16_t id = player.GetCurrentSoundId();
        player.SoundLoadingPass();
        Pass();
        Pass(100);
        ASSERT_TRUE(player.Seek(c.seekTo));
        EXPECT_EQ(player.GetPlayingId(), CSongPlayer::kStoppedId);
        EXPECT_EQ(player.GetRequestedId(), id);
        EXPECT_EQ(player.GetCurrentSoundId(), id);
        player.SoundLoadingPass();
        EXPECT_EQ(player.GetPlayingId(), id);
        TPlayerSlot slot;
        ASSERT_TRUE(player.GetSlotInfo(id, slot));
        EXPECT_EQ(slot.position, c.landsAt);
        Pass();
        for (int pass = 0; pass < 6; ++pass) Pass(100);
        const std::vector<std::uint8_t> played = DevicePcm();
        EXPECT_EQ(SampleAtMs(played, 0), 1000);
        // On the fade-out ramp (2 per ms) gains step every 30 ms.
        EXPECT_NEAR(SampleAtMs(played, 600), c.sampleAfter600, 60);
        // Started twice under one id, never ended in between.
        EXPECT_EQ(PanelPosts(), (std::vector<std::string>{Line("1027 0 %d", id + 0x10000),
                                                          Line("1027 0 %d", id + 0x10000)}));
        player_.reset();
        windows_.poster.posts.clear();
    }
}

}  // namespace
