#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tonecore/maps/event_map.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

using pcmtest::Pcm;
using soundtest::LoadFromMemory;
using soundtest::PcmBytes;
using soundtest::ReadAll;
using soundtest::Samples16;

namespace {

constexpr int kLevel = 16000;
constexpr std::uint32_t kFramesPerSecond = 44100;

// A mono sound of ms milliseconds at a constant level, played through its
// envelopes into 44100 Hz stereo.
class PcmSoundMaps : public ::testing::Test {
protected:
    void Make(std::int32_t ms) {
        const WAVEFORMATEX mono = Pcm(kFramesPerSecond, 1, 16);
        const std::vector<int> samples(kFramesPerSecond * ms / 1000, kLevel);
        ASSERT_EQ(LoadFromMemory(sound_, mono, PcmBytes(mono, samples), 2000), 1);
        ASSERT_EQ(sound_.Length(0), ms);
    }
    // Left and right output sample of every frame.
    std::vector<int> Play(std::uint32_t pieceBytes = 7000) {
        EXPECT_EQ(sound_.Load(0), 1);
        return Samples16(ReadAll(sound_, out_, [&] { return pieceBytes; }));
    }
    static int Scaled(double level) { return (static_cast<std::int32_t>(level * 8192) * kLevel) >> 13; }

    CPCMSound sound_;
    WAVEFORMATEX out_ = Pcm(kFramesPerSecond, 2, 16);
};

TEST_F(PcmSoundMaps, AVolumeRampStepsDownEveryThirtyMilliseconds) {
    // A mono source goes frame by frame; a CD-format one is mixed in runs
    // between the refreshes, which must land on the same frames.
    for (const std::uint16_t channels : {1, 2}) {
        for (const std::uint32_t pieceBytes : {7000u, 4u * 997u}) {
            SCOPED_TRACE(::testing::Message() << channels << " channels, pieces of " << pieceBytes);
            CPCMSound sound;
            const WAVEFORMATEX format = Pcm(kFramesPerSecond, channels, 16);
            const std::vector<int> samples(kFramesPerSecond * channels, kLevel);
            ASSERT_EQ(LoadFromMemory(sound, format, PcmBytes(format, samples), 2000), 1);
            sound.AddSimpleEvent(MAP_VOLUME, 0, 1.0);
            sound.AddSimpleEvent(MAP_VOLUME, 1000, 0.0);
            ASSERT_EQ(sound.Load(0), 1);
            const std::vector<int> out = Samples16(ReadAll(sound, out_, [&] { return pieceBytes; }));
            ASSERT_EQ(out.size(), 2u * kFramesPerSecond);
            const int interval = 1323;  // 30 ms at 44100 Hz
            EXPECT_EQ(sound.RefreshInterval(), interval);
            for (std::uint32_t frame = 0; frame < kFramesPerSecond; ++frame) {
                // Each stair holds the envelope's value at its first frame.
                const int stairStart = static_cast<int>(frame) / interval * interval;
                const double slope = -1.0 / kFramesPerSecond;
                const int expected = Scaled(1.0 + slope * stairStart);
                ASSERT_EQ(out[2 * frame], expected) << frame;
                ASSERT_EQ(out[2 * frame + 1], expected) << frame;
            }
        }
    }
}

TEST_F(PcmSoundMaps, ReadingInPiecesFollowsTheSameEnvelope) {
    Make(600);
    sound_.AddSimpleEvent(MAP_VOLUME, 0, 0.2);
    sound_.AddSimpleEvent(MAP_VOLUME, 250, 1.0);
    sound_.AddSimpleEvent(MAP_PAN, 100, 0.0);
    sound_.AddSimpleEvent(MAP_PAN, 400, -1.0);
    const std::vector<int> once = Play(out_.nAvgBytesPerSec);
    const std::vector<int> pieces = Play(4 * 333);
    EXPECT_EQ(once, pieces);
    // Past the pan's end only the left side sounds.
    EXPECT_EQ(once[2 * 25000], kLevel);
    EXPECT_EQ(once[2 * 25000 + 1], 0);
}

TEST_F(PcmSoundMaps, PointsOfTwoTypesAtOneTimeAreBothTaken) {
    Make(1000);
    sound_.AddSimpleEvent(MAP_VOLUME, 0, 1.0);
    sound_.AddSimpleEvent(MAP_VOLUME, 500, 1.0);
    sound_.AddSimpleEvent(MAP_VOLUME, 1000, 0.5);
    sound_.AddSimpleEvent(MAP_PAN, 0, 0.0);
    sound_.AddSimpleEvent(MAP_PAN, 500, 0.0);
    sound_.AddSimpleEvent(MAP_PAN, 1000, 1.0);
    const std::vector<int> out = Play();
    // Both curves are flat up to 500 ms and both ramp after it.
    EXPECT_EQ(out[2 * 22049], kLevel);
    EXPECT_EQ(out[2 * 22049 + 1], kLevel);
    EXPECT_LT(out[2 * 30000], kLevel);
    EXPECT_LT(out[2 * 30000 + 1], kLevel);
    EXPECT_LT(out[2 * 30000], out[2 * 30000 + 1]);
}

TEST_F(PcmSoundMaps, AfterTheLastPointTheLevelHoldsTheLastValue) {
    Make(500);
    sound_.AddSimpleEvent(MAP_VOLUME, 0, 1.0);
    sound_.AddSimpleEvent(MAP_VOLUME, 200, 0.5);
    const std::vector<int> out = Play();
    ASSERT_EQ(out.size(), 2u * kFramesPerSecond / 2);
    const int held = Scaled(0.5);
    for (std::size_t frame = 8820; frame < out.size() / 2; ++frame) ASSERT_EQ(out[2 * frame], held) << frame;
    EXPECT_EQ(sound_.MixFlags() & PCM_MIX_MAPS, 0u);
    EXPECT_EQ(sound_.Volume(), 0.5);
}

TEST_F(PcmSoundMaps, ARateEnvelopeSetsTheStep) {
    Make(1000);
    sound_.AddSimpleEvent(MAP_RATE, 0, 2.0);
    sound_.AddSimpleEvent(MAP_RATE, 1000, 2.0);
    const std::vector<int> out = Play();
    EXPECT_EQ(sound_.Step(), 2 * kPcmUnityStep);
    // A second of play covers two seconds of source: the data is played
    // twice over, at twice the speed.
    EXPECT_NEAR(double(out.size() / 2), kFramesPerSecond, 2.0);
    EXPECT_EQ(sound_.Length(1), 2000);
}

TEST_F(PcmSoundMaps, WithoutRatePointsTheSoundStillMoves) {
    Make(100);
    sound_.AddSimpleEvent(MAP_VOLUME, 0, 1.0);
    sound_.AddSimpleEvent(MAP_VOLUME, 100, 1.0);
    EXPECT_EQ(Play().size(), 2u * 4410);
}

TEST_F(PcmSoundMaps, TheCursorStartsBetweenThePointsAroundTheTime) {
    Make(1000);
    sound_.AddSimpleEvent(MAP_VOLUME, 0, 1.0);
    sound_.AddSimpleEvent(MAP_VOLUME, 400, 0.5);
    sound_.AddSimpleEvent(MAP_VOLUME, 800, 0.0);
    sound_.AddSimpleEvent(MAP_PAN, 300, 0.5);
    struct {
        std::int32_t time;
        std::int32_t previous;
        std::int32_t next;
        std::int32_t framesSince;
        std::int64_t skip;
    } const cases[] = {
        {0, 0, 400, 1323, 13230},  // skip to the pan point at 300 ms
        {400, 400, 800, 1323, 17640},  // a point at the time is the previous one
        {500, 400, 800, 4410 + 1323, 13230},
        {900, 800, 0x7FFFFFFF, 4410, 0},
    };
    for (const auto& c : cases) {
        sound_.ReadyMapForPlayback(c.time, &out_);
        const auto& volume = sound_.Envelope(MAP_VOLUME);
        EXPECT_EQ(volume.previousTime, c.previous) << c.time;
        EXPECT_EQ(volume.nextTime, c.next) << c.time;
        if (c.next != 0x7FFFFFFF) {
            // The refresh at the start already counted its interval.
            EXPECT_EQ(volume.framesSince, c.framesSince) << c.time;
            EXPECT_EQ(sound_.SkipCountdown(), c.skip) << c.time;
        }
    }
}

TEST(PcmSoundNormalizedVolume, BringsTheLoudestPeakToFullScale) {
    CPCMSound sound;
    EXPECT_EQ(sound.GetNormalizedVolume(0.8), 1.0);
    struct {
        std::int32_t left;
        std::int32_t right;
        double expected;
    } const cases[] = {
        {16383, 8000, 0.8 * 32767 / 16383},
        {100, 32767, 0.8},
        // A silent song has no loudest peak: the volume stays.
        {0, 0, 0.8},
    };
    for (const auto& c : cases) {
        CPeaks peaks(10, 10);
        peaks.SetMaxPeaks(c.left, c.right);
        sound.SetPeaks(&peaks);
        ASSERT_NE(sound.GetPeaks(), nullptr);
        EXPECT_DOUBLE_EQ(sound.GetNormalizedVolume(0.8), c.expected);
    }
}

}  // namespace
