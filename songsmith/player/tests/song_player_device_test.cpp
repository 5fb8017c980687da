// The player's sound device: the format probe down the ladder, the missing
// card, and signal sounds on the null and the fake device and through ALSA.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/wave_out_alsa.h"
#include "platform/wave_out_device.h"
#include "platform/wave_out_null.h"
#include "songsmith/player/tests/song_player_fixture.h"

namespace {

using playertest::FakeNow;
using playertest::kLatencyMs;
using playertest::SampleAtMs;

WAVEFORMATEX Pcm(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

std::string Unsupported(int rate, int bits, int channels) {
    return "Playback INIT: ** Unsupported format : " + std::to_string(rate) + " Hz, " +
           std::to_string(bits) + " bits, " + std::to_string(channels) + " channels.";
}

class PlayerDeviceTest : public playertest::SongPlayerTest {};

TEST_F(PlayerDeviceTest, TheProbeTakesTheFirstFormatOfTheLadderTheDeviceAccepts) {
    CFakeWaveOutBackend& device = fake_.Backend();
    device.acceptEveryFormat = false;
    // 16-bit stereo at all rates and 8-bit stereo at 44.1 kHz refused.
    device.acceptedFormats = {Pcm(22050, 8, 2), Pcm(11025, 16, 1)};
    prefs_.MixerDeviceID = 3;
    CSongPlayer& player = MakePlayer();
    ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
    EXPECT_EQ(player.FormatFound(), 1);
    const WAVEFORMATEX found = player.OutputFormat();
    EXPECT_EQ(found.nSamplesPerSec, 22050u);
    EXPECT_EQ(found.wBitsPerSample, 8);
    EXPECT_EQ(found.nChannels, 2);
    EXPECT_EQ(found.nBlockAlign, 2);
    ASSERT_EQ(device.queried.size(), 5u);
    EXPECT_TRUE(LoggedInOrder({Unsupported(44100, 16, 2), Unsupported(22050, 16, 2),
                               Unsupported(11025, 16, 2), Unsupported(44100, 8, 2),
                               "Playback INIT: Found supported format : 22050 Hz, 8 bits, 2 channels."}));
    // The mixer plays that format on the device chosen.
    ASSERT_NE(player.GetMixer(), nullptr);
    EXPECT_EQ(player.GetMixer()->PlaybackInit().device, 3u);
    EXPECT_EQ(player.GetMixer()->PlaybackInit().format.nSamplesPerSec, 22050u);
    EXPECT_EQ(player.GetMixer()->PlaybackInit().format.wBitsPerSample, 8);

    // Another rate asks nothing: the caller wants exactly that.
    device.queried.clear();
    ASSERT_TRUE(player.InitPlayback(22050, 16, 1));
    EXPECT_TRUE(device.queried.empty());
    EXPECT_EQ(player.GetMixer()->PlaybackInit().format.nChannels, 1);
}

TEST_F(PlayerDeviceTest, NoFormatAcceptedStillBuildsAMixerAndOtherErrorsStopTheProbe) {
    CFakeWaveOutBackend& device = fake_.Backend();
    device.acceptEveryFormat = false;
    CSongPlayer& player = MakePlayer();
    SetLastError(0);
    ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
    EXPECT_EQ(GetLastError(), WAVERR_BADFORMAT);
    EXPECT_EQ(player.FormatFound(), 0);
    EXPECT_EQ(device.queried.size(), 12u);
    EXPECT_TRUE(LoggedInOrder({Unsupported(11025, 16, 1), Unsupported(44100, 8, 1),
                               Unsupported(22050, 8, 1), Unsupported(11025, 8, 1)}));
    // Built with the last format tried.
    ASSERT_NE(player.GetMixer(), nullptr);
    EXPECT_EQ(player.GetMixer()->PlaybackInit().format.nSamplesPerSec, 11025u);
    EXPECT_EQ(player.GetMixer()->PlaybackInit().format.wBitsPerSample, 8);

    device.queried.clear();
    device.queryResult = MMSYSERR_NODRIVER;
    ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
    EXPECT_EQ(GetLastError(), MMSYSERR_NODRIVER);
    EXPECT_EQ(device.queried.size(), 1u);
    EXPECT_TRUE(LoggedInOrder({"Playback INIT: Other error!"}));
}

// Without a card the engine plays through the null device that stands in
// for it: nothing crashes, but the player knows no format is heard and
// starts no signal sound.
TEST_F(PlayerDeviceTest, TheMissingCardStandInFindsNoFormatAndPlaysNoSignal) {
    IWaveOutBackend* previous = SetWaveOutBackend(&MissingCardWaveOutBackend());
    {
        CSongPlayer player(prefs_, tracks_);
        ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
        EXPECT_EQ(player.FormatFound(), 0);
        ASSERT_NE(player.GetMixer(), nullptr);
        const std::string signal = Song("done.wav", 500, 1000);
        EXPECT_FALSE(player.PlaySoundFile(signal.c_str()));
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.GetMixer()->IsOpen());
        EXPECT_NE(Logged().find("the signal sound '" + signal + "' is not played"), std::string::npos);
    }
    SetWaveOutBackend(previous);
}

// A null device on the test's clock: the signal plays as the clock moves.
TEST_F(PlayerDeviceTest, OnTheNullDeviceASignalPlaysAsTheClockMoves) {
    CNullWaveOutBackend null(FakeNow, false);
    IWaveOutBackend* previous = SetWaveOutBackend(&null);
    {
        CSongPlayer player(prefs_, tracks_);
        ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
        EXPECT_EQ(player.FormatFound(), 1);
        ASSERT_TRUE(player.PlaySoundFile(Song("done.wav", 1500, 1000).c_str()));
        CPCMMixer& mixer = *player.GetMixer();
        const std::int64_t started = FakeNow();
        Pass();
        // Steps within what the mixer keeps queued (its latency): a longer
        // one would starve the device, which then stands still.
        for (const std::int32_t step : {100, 200, 300}) {
            const std::int32_t before = mixer.GetMillisecondsPlayedSoFar();
            Pass(step);
            EXPECT_EQ(mixer.GetMillisecondsPlayedSoFar() - before, step);
            EXPECT_TRUE(player.IsPlaying());
        }
        // It ends once the clock has moved on by its length.
        while (player.IsPlaying() && FakeNow() - started < 3000) Pass(100);
        EXPECT_EQ(FakeNow() - started, 1500);
    }
    SetWaveOutBackend(previous);
}

TEST_F(PlayerDeviceTest, ASecondSignalReplacesTheFirstFromTheNextUnmixedBuffer) {
    CSongPlayer& player = MakePlayer();
    ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
    ASSERT_TRUE(player.PlaySoundFile(Song("first.wav", 2000, 1000).c_str()));
    Pass();
    Pass(200);
    // Mixed in, not restarted: the answer is false.
    EXPECT_FALSE(player.PlaySoundFile(Song("second.wav", 1000, 3000).c_str()));
    Pass(200);
    Pass(200);
    const std::vector<std::uint8_t> pcm = DevicePcm();
    const std::int32_t joinMs = kLatencyMs + 200;
    EXPECT_EQ(SampleAtMs(pcm, 0), 1000);
    EXPECT_EQ(SampleAtMs(pcm, joinMs - 1), 1000);
    EXPECT_EQ(SampleAtMs(pcm, joinMs), 3000);
    EXPECT_EQ(SampleAtMs(pcm, joinMs + 150), 3000);

    const int writes = fake_.Device()->WriteCount();
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    Pass(100);
    // Nothing more reaches the device, which is closed.
    EXPECT_EQ(fake_.Device(), nullptr);
    EXPECT_GT(writes, 0);
}

TEST_F(PlayerDeviceTest, AlsaNullPcmTakesTheProbeAndASignal) {
    if (!AlsaPlaybackAvailable("null")) GTEST_SKIP() << "ALSA has no \"null\" PCM here";
    // ALSA's own "null" PCM in place of a card.
    class CAlsaNullBackend : public IWaveOutBackend {
    public:
        MMRESULT Open(std::uint32_t, const WAVEFORMATEX& format,
                      std::unique_ptr<CWaveOutDevice>* device) override {
            return OpenAlsaWaveOut("null", format, device);
        }
        MMRESULT Query(std::uint32_t, const WAVEFORMATEX& format) override {
            return QueryAlsaWaveOut("null", format);
        }
        const char* Name() const override { return "alsa null"; }
    } alsa;
    IWaveOutBackend* previous = SetWaveOutBackend(&alsa);
    {
        CSongPlayer player(prefs_, tracks_);
        ASSERT_TRUE(player.InitPlayback(44100, 16, 2));
        EXPECT_EQ(player.FormatFound(), 1);
        EXPECT_TRUE(LoggedInOrder({"Playback INIT: Found supported format : 44100 Hz, 16 bits, 2 channels."}));
        ASSERT_TRUE(player.PlaySoundFile(Song("done.wav", 500, 1000).c_str()));
        EXPECT_TRUE(player.GetMixer()->IsOpen());
        player.Stop();
        EXPECT_FALSE(player.IsPlaying());
    }
    SetWaveOutBackend(previous);
}

}  // namespace
