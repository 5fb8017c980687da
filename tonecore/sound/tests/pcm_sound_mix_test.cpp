#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

using pcmtest::Pcm;
using soundtest::LoadFromMemory;
using soundtest::PcmBytes;
using soundtest::ReadAll;
using soundtest::Samples16;

namespace {

// A signal that no resampling bug can hide in: a ramp with a little noise,
// different on each channel.
std::vector<int> TestSignal(std::uint32_t frames, int channels) {
    std::mt19937 random(7);
    std::vector<int> samples;
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int ramp = static_cast<int>((i * 97 + c * 5000) % 40000) - 20000;
            samples.push_back(ramp + static_cast<int>(random() % 200) - 100);
        }
    }
    return samples;
}

std::uint32_t Fixed(std::uint32_t bytes) { return bytes; }

// The frame repeated over 10 ms at 44100 Hz: a sound is as long as its
// whole milliseconds.
constexpr std::size_t kTenMsFrames = 441;
std::vector<int> Repeated(const std::vector<int>& frame) {
    std::vector<int> samples;
    for (std::size_t i = 0; i < kTenMsFrames; ++i) samples.insert(samples.end(), frame.begin(), frame.end());
    return samples;
}

// A sound playing without envelopes, so that its own levels and rate count.
struct TPlainSound {
    TPlainSound(const WAVEFORMATEX& format, const std::vector<int>& samples, std::int32_t bufferMs = 2000) {
        sound.UseMap(0);
        loaded = LoadFromMemory(sound, format, PcmBytes(format, samples), bufferMs);
    }
    CPCMSound sound;
    int loaded = 0;
};

TEST(PcmSoundMix, ANewSoundPlaysAtUnityWithTheDefaultLevels) {
    CPCMSound sound;
    EXPECT_EQ(sound.Volume(), 1.0);
    EXPECT_EQ(sound.Pan(), 0.0);
    EXPECT_EQ(sound.Rate(), 1.0);
    EXPECT_EQ(sound.LeftGain(), 8192);
    EXPECT_EQ(sound.RightGain(), 8192);
    // A first pan without a volume keeps the level.
    sound.Pan(0.0);
    EXPECT_EQ(sound.LeftGain(), 8192);
    EXPECT_EQ(sound.RightGain(), 8192);
}

TEST(PcmSoundMix, PanAndVolumeGiveTheirGains) {
    struct {
        double volume;
        double pan;
        std::int32_t left;
        std::int32_t right;
    } const cases[] = {
        {1.0, 0.5, 4096, 8192},
        {1.0, -1.0, 8192, 0},
        {1.0, 1.0, 0, 8192},
        {0.5, 0.0, 4096, 4096},
        {2.0, -0.25, 16384, 12288},
        {0.3, 0.1, 2211, 2457},
        // Held within the gain range however loud the level asked for.
        {1000.0, 0.0, kPcmMaxGain, kPcmMaxGain},
        // A pan beyond either side is that side, never a negative gain.
        {1.0, 3.0, 0, 8192},
        {1.0, -2.5, 8192, 0},
        {0.5, std::nan(""), 4096, 4096},
    };
    for (const auto& c : cases) {
        CPCMSound sound;
        sound.Volume(c.volume);
        sound.Pan(c.pan);
        EXPECT_EQ(sound.LeftGain(), c.left) << c.volume << " " << c.pan;
        EXPECT_EQ(sound.RightGain(), c.right) << c.volume << " " << c.pan;
        EXPECT_EQ(sound.Volume(), c.volume);
        EXPECT_EQ(sound.Pan(), std::isnan(c.pan) ? 0.0 : std::clamp(c.pan, -1.0, 1.0));
    }
}

TEST(PcmSoundMix, EqualFormatsAtUnityPassThroughUnchanged) {
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    const std::vector<int> samples = TestSignal(8820, 2);
    TPlainSound plain(cd, samples, 50);
    ASSERT_EQ(plain.loaded, 1);
    ASSERT_EQ(plain.sound.Load(0), 1);
    TRenderResult last = RENDER_FAILED;
    const auto out = ReadAll(plain.sound, cd, [] { return Fixed(4000); }, &last);
    EXPECT_EQ(last, RENDER_FINISHED);
    EXPECT_EQ(Samples16(out), samples);
}

TEST(PcmSoundMix, OneLongReadEqualsReadsInRandomPieces) {
    struct {
        std::uint32_t sourceRate;
        int sourceChannels;
        int sourceBits;
        double rate;
        std::uint32_t outRate;
        int outChannels;
    } const cases[] = {
        {44100, 2, 16, 1.0, 44100, 2}, {22050, 2, 16, 1.0, 44100, 2}, {32000, 1, 16, 1.0, 44100, 2},
        {48000, 2, 16, 1.0, 44100, 2}, {11025, 1, 8, 1.0, 44100, 2},  {44100, 2, 16, 1.0, 22050, 1},
        {8000, 2, 16, 1.0, 48000, 2},  {44100, 2, 16, 1.37, 44100, 2}, {44100, 1, 16, 0.61, 32000, 1},
    };
    for (const auto& c : cases) {
        const WAVEFORMATEX source =
            Pcm(c.sourceRate, static_cast<std::uint16_t>(c.sourceChannels), static_cast<std::uint16_t>(c.sourceBits));
        const WAVEFORMATEX out = Pcm(c.outRate, static_cast<std::uint16_t>(c.outChannels), 16);
        const std::vector<int> samples = TestSignal(c.sourceRate / 5, c.sourceChannels);
        const std::string what = std::to_string(c.sourceRate) + "x" + std::to_string(c.sourceChannels) + " rate " +
                                 std::to_string(c.rate) + " -> " + std::to_string(c.outRate);

        // A short buffer, so that the ring wraps many times under the reads.
        TPlainSound whole(source, samples, 40);
        TPlainSound pieces(source, samples, 40);
        ASSERT_EQ(whole.loaded, 1);
        ASSERT_EQ(pieces.loaded, 1);
        whole.sound.Rate(c.rate);
        pieces.sound.Rate(c.rate);
        ASSERT_EQ(whole.sound.Load(0), 1);
        ASSERT_EQ(pieces.sound.Load(0), 1);

        const auto once = ReadAll(whole.sound, out, [&] { return out.nAvgBytesPerSec; });
        std::mt19937 random(11);
        const auto split = ReadAll(pieces.sound, out, [&] { return out.nBlockAlign * (1 + random() % 700); });
        EXPECT_EQ(once, split) << what;
        // Every source frame is played: the output spans the source at the
        // ratio of the rates, give or take a frame.
        const double expected = double(samples.size() / c.sourceChannels) * c.outRate / (c.sourceRate * c.rate);
        EXPECT_NEAR(double(once.size() / out.nBlockAlign), expected, 2.0) << what;
    }
}

TEST(PcmSoundMix, HalfRateSourceGivesMidpointsBetweenItsFrames) {
    const WAVEFORMATEX source = Pcm(22050, 1, 16);
    const WAVEFORMATEX out = Pcm(44100, 1, 16);
    std::vector<int> samples = {1000, 2000, 4000, -4000};
    samples.resize(2205);  // 100 ms
    TPlainSound plain(source, samples);
    ASSERT_EQ(plain.loaded, 1);
    ASSERT_EQ(plain.sound.Load(0), 1);
    auto mixed = ReadAll(plain.sound, out, [] { return Fixed(64); });
    EXPECT_EQ(mixed.size(), 2u * 4410);
    mixed.resize(16);
    plain.sound.SetStepFor(&out);
    EXPECT_EQ(plain.sound.Step(), kPcmUnityStep / 2);
    // Every source frame covers two output frames; the first one rises from
    // silence.
    EXPECT_EQ(Samples16(mixed), (std::vector<int>{500, 1000, 1500, 2000, 3000, 4000, 0, -4000}));
}

TEST(PcmSoundMix, AnUpsampledRampStaysARamp) {
    // Output frames that fall between the same two source frames keep
    // interpolating from the earlier one: no sample is held.
    const WAVEFORMATEX source = Pcm(32000, 1, 16);
    const WAVEFORMATEX out = Pcm(44100, 1, 16);
    std::vector<int> ramp;
    for (int i = 0; i < 3200; ++i) ramp.push_back(10 * i);
    TPlainSound plain(source, ramp);
    ASSERT_EQ(plain.sound.Load(0), 1);
    const std::vector<int> mixed = Samples16(ReadAll(plain.sound, out, [] { return Fixed(1000); }));
    ASSERT_GT(mixed.size(), 4000u);
    for (std::size_t k = 2; k < mixed.size(); ++k) {
        const int rise = mixed[k] - mixed[k - 1];
        ASSERT_GE(rise, 6) << k;
        ASSERT_LE(rise, 8) << k;
    }
}

TEST(PcmSoundMix, ChannelsWidthsAndGainsMeetInTheOutput) {
    struct {
        const char* what;
        WAVEFORMATEX source;
        std::vector<int> samples;
        double volume;
        double pan;
        WAVEFORMATEX out;
        std::vector<int> expected;  // 16-bit scale, one output frame
    } const cases[] = {
        {"mono to stereo with pan", Pcm(44100, 1, 16), {16000}, 1.0, 0.5, Pcm(44100, 2, 16), {8000, 16000}},
        {"stereo to mono halves each side", Pcm(44100, 2, 16), {-3, -3}, 1.0, 0.0, Pcm(44100, 1, 16), {-2}},
        {"8-bit byte 0 widens to full scale", Pcm(44100, 1, 8), {-32768}, 1.0, 0.0, Pcm(44100, 1, 16), {-32768}},
        // The product of a large gain and a loud sample needs more than 32
        // bits; the sum is clipped, never wrapped.
        {"loud gain clips", Pcm(44100, 1, 16), {20000}, 100.0, 0.0, Pcm(44100, 1, 16), {32767}},
        {"loud gain clips below", Pcm(44100, 1, 16), {-20000}, 100.0, 0.0, Pcm(44100, 1, 16), {-32768}},
        {"8-bit output saturates high", Pcm(44100, 1, 16), {30000}, 4.0, 0.0, Pcm(44100, 1, 8), {255 * 256 - 32768}},
        {"8-bit output saturates low", Pcm(44100, 1, 16), {-30000}, 4.0, 0.0, Pcm(44100, 1, 8), {-32768}},
    };
    for (const auto& c : cases) {
        TPlainSound plain(c.source, Repeated(c.samples));
        ASSERT_EQ(plain.loaded, 1) << c.what;
        plain.sound.Volume(c.volume);
        plain.sound.Pan(c.pan);
        ASSERT_EQ(plain.sound.Load(0), 1);
        const auto mixed = ReadAll(plain.sound, c.out, [&] { return Fixed(c.out.nBlockAlign); });
        std::vector<int> values;
        if (c.out.wBitsPerSample == 8) {
            for (const std::uint8_t b : mixed) values.push_back(WidenSample8(b));
        } else {
            values = Samples16(mixed);
        }
        EXPECT_EQ(values, Repeated(c.expected)) << c.what;
    }
}

TEST(PcmSoundMix, AtUnityRateEachCdFrameIsAddedWithItsGainAndClipped) {
    // CD audio into CD audio goes through in runs; each output sample is
    // still the old one plus the source's, times its side's gain, clipped.
    // The output already holds a loud pattern so that sums clip both ways.
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    const std::vector<int> samples = TestSignal(4410, 2);
    std::vector<int> before(samples.size());
    for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<int>((i * 7919) % 60000) - 30000;
    struct {
        double volume;
        double pan;
    } const cases[] = {{1.0, 0.0}, {0.3, 0.1}, {2.0, -0.25}, {0.0, 0.0}, {12.0, 0.5}, {100.0, -1.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "volume " << c.volume << " pan " << c.pan);
        TPlainSound plain(cd, samples, 40);
        ASSERT_EQ(plain.loaded, 1);
        plain.sound.Volume(c.volume);
        plain.sound.Pan(c.pan);
        ASSERT_EQ(plain.sound.Load(0), 1);
        const std::int64_t gains[2] = {plain.sound.LeftGain(), plain.sound.RightGain()};
        std::vector<int> mixed;
        std::mt19937 random(3);
        while (mixed.size() < samples.size()) {
            // Pieces of 1 to 700 frames, each over its part of the loud output.
            const std::size_t count =
                std::min<std::size_t>(2 * (1 + random() % 700), samples.size() - mixed.size());
            const std::vector<int> under(before.begin() + static_cast<std::ptrdiff_t>(mixed.size()),
                                         before.begin() + static_cast<std::ptrdiff_t>(mixed.size() + count));
            const std::string underBytes = PcmBytes(cd, under);
            std::vector<std::uint8_t> block(underBytes.begin(), underBytes.end());
            std::int32_t bytes = 0;
            soundtest::ReadInto(plain.sound, cd, block, bytes);
            ASSERT_EQ(bytes, static_cast<std::int32_t>(block.size()));
            const std::vector<int> got = Samples16(block);
            mixed.insert(mixed.end(), got.begin(), got.end());
        }
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::int64_t expected = ClipSample(before[i] + ((gains[i % 2] * samples[i]) >> kPcmGainShift));
            ASSERT_EQ(mixed[i], expected) << i;
        }
    }
}

TEST(PcmSoundMix, TwoFullScaleSoundsMixToFullScale) {
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    TPlainSound a(cd, Repeated({32767, -32768, 30000, -30000}));
    TPlainSound b(cd, Repeated({32767, -32768, 30000, -30000}));
    ASSERT_EQ(a.sound.Load(0), 1);
    ASSERT_EQ(b.sound.Load(0), 1);
    std::vector<std::uint8_t> block(8, 0);
    std::int32_t bytes = 0;
    soundtest::ReadInto(a.sound, cd, block, bytes);
    EXPECT_EQ(bytes, 8);
    soundtest::ReadInto(b.sound, cd, block, bytes);
    EXPECT_EQ(Samples16(block), (std::vector<int>{32767, -32768, 32767, -32768}));
}

TEST(PcmSoundMix, AMutedSoundAdvancesWithoutSound) {
    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    const std::vector<int> samples = TestSignal(4410, 2);
    TPlainSound plain(cd, samples);
    plain.sound.Mute(1);
    ASSERT_EQ(plain.sound.Load(0), 1);
    TRenderResult last = RENDER_FAILED;
    const auto mixed = ReadAll(plain.sound, cd, [] { return Fixed(3000); }, &last);
    EXPECT_EQ(last, RENDER_FINISHED);
    EXPECT_EQ(mixed, std::vector<std::uint8_t>(samples.size() * 2, 0));
    EXPECT_EQ(plain.sound.CurrentPlayOffset(), 100);
}

}  // namespace
