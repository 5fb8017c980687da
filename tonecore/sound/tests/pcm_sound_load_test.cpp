#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/pcm/lowpass_filter.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/engine/sound_loaded.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"

using pcmtest::Pcm;
using soundtest::PcmBytes;
using soundtest::ReadAll;
using soundtest::WavFile;

namespace {

constexpr std::uint32_t kCdRate = 44100;

// Stereo 16-bit PCM: ms of silence, ms of a loud tone, ms of silence.
std::string SilenceToneSilence(std::int32_t before, std::int32_t tone, std::int32_t after) {
    const auto frames = [](std::int32_t ms) { return static_cast<std::uint32_t>(kCdRate * ms / 1000); };
    return std::string(frames(before) * 4, '\0') + songtest::SinePcm(kCdRate, 2, frames(tone), 16000) +
           std::string(frames(after) * 4, '\0');
}

// A ramp that tells every frame apart.
std::vector<int> Ramp(std::uint32_t frames) {
    std::vector<int> samples;
    for (std::uint32_t i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int>(i % 30000));
        samples.push_back(-static_cast<int>(i % 30000));
    }
    return samples;
}

class PcmSoundLoad : public songtest::SongLoadTest {
protected:
    // Writes the WAV file and loads a sound from it.
    int LoadSong(CPCMSound& sound, const std::string& name, const std::string& wav, std::int32_t bufferMs,
                 int peaks = 0) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, wav);
        TStream file = Open(path);
        file_ = std::move(file);
        return sound.InitialLoad(file_.get(), bufferMs, 0, peaks, 0, 0, 10, nullptr, nullptr);
    }
    std::vector<std::uint8_t> PlayFrom(CPCMSound& sound, std::int32_t ms) {
        EXPECT_EQ(sound.Load(ms), 1);
        std::mt19937 random(3);
        return ReadAll(sound, cd_, [&] { return 4u * (1 + random() % 3000); });
    }
    static std::vector<std::uint8_t> Slice(const std::string& pcm, std::int32_t fromMs, std::int32_t toMs) {
        return std::vector<std::uint8_t>(pcm.begin() + fromMs * 176400 / 1000, pcm.begin() + toMs * 176400 / 1000);
    }

    TStream file_;
    WAVEFORMATEX cd_ = Pcm(kCdRate, 2, 16);
};

TEST_F(PcmSoundLoad, ANewSoundHasItsDefaultsAndRefusesWhatItDoesNotDo) {
    CPCMSound sound;
    EXPECT_EQ(sound.Type(), ATOM_KIND_PCM_SOUND);
    EXPECT_EQ(sound.GetAutoTrimTimeStart(), 0);
    EXPECT_EQ(sound.GetAutoTrimTimeEnd(), 0x7FFFFFFF);
    EXPECT_EQ(sound.IsAutoTrim(), 0);
    EXPECT_EQ(sound.DataLength(), 0);
    EXPECT_EQ(sound.Format(), nullptr);
    EXPECT_EQ(sound.SetFormat(&cd_), 0);
    EXPECT_EQ(sound.SetEffect(kEffectLowPass, nullptr), 0);
    EXPECT_EQ(sound.AddSubAtom(nullptr, 0), 0);
    EXPECT_EQ(sound.RemoveSubAtom(nullptr), 0);
    EXPECT_EQ(sound.MoveSubAtom(nullptr, 0), 0);
    EXPECT_EQ(sound.FindMissingFile(nullptr), nullptr);
    // Nothing is loaded: nothing is read, and the lock is left free.
    std::vector<std::uint8_t> block(64);
    std::int32_t bytes = -1;
    EXPECT_EQ(soundtest::ReadInto(sound, cd_, block, bytes), RENDER_FAILED);
    EXPECT_EQ(sound.Load(0), 0);
    std::unique_lock<std::recursive_mutex> probe(sound.AtomLock(), std::try_to_lock);
    EXPECT_TRUE(probe.owns_lock());
}

TEST_F(PcmSoundLoad, ShortSourcesAreHeldWholeAndLongOnesStream) {
    const std::string pcm(PcmBytes(cd_, Ramp(kCdRate)));  // one second, 176400 bytes
    struct {
        std::int32_t bufferMs;
        int streaming;
        std::uint32_t bufferBytes;
        int extraReferences;  // the sound's hold on the caller's stream
    } const cases[] = {
        {2000, 0, 176400, 1},
        {1000, 0, 176400, 1},
        // Read right after Load, the ring is still empty: the first pass
        // finds nothing and must fill, not end the sound.
        {100, 1, 17640, 0},
    };
    for (const auto& c : cases) {
        CPCMSound sound;
        ASSERT_EQ(LoadSong(sound, "ramp.wav", WavFile(cd_, pcm), c.bufferMs), 1) << c.bufferMs;
        ASSERT_NE(sound.GetBuffer(), nullptr);
        EXPECT_EQ(sound.GetBuffer()->Streaming(), c.streaming) << c.bufferMs;
        EXPECT_EQ(sound.GetBuffer()->BufferSize(), c.bufferBytes) << c.bufferMs;
        EXPECT_EQ(file_->References(), 1 + c.extraReferences) << c.bufferMs;
        EXPECT_EQ(sound.Length(0), 1000);
        EXPECT_EQ(sound.DataLength(), 1000);
        EXPECT_EQ(sound.NumSamples(), 44100);
        WAVEFORMATEX format{};
        EXPECT_EQ(sound.GetFormat(&format), 1);
        EXPECT_EQ(format.nSamplesPerSec, kCdRate);
        EXPECT_EQ(format.nChannels, 2);
        char text[128] = {};
        EXPECT_EQ(sound.GetDestFormatString(text, sizeof text), 1);
        EXPECT_GT(std::strlen(text), 0u);

        EXPECT_EQ(PlayFrom(sound, 0), Slice(pcm, 0, 1000)) << c.bufferMs;
        EXPECT_EQ(PlayFrom(sound, 600), Slice(pcm, 600, 1000)) << c.bufferMs;
        // From its very end nothing is left: the first read finishes, or a
        // caller reading until the end would never get there.
        ASSERT_EQ(sound.Load(1000), 1) << c.bufferMs;
        std::vector<std::uint8_t> block(4000);
        std::int32_t bytes = -1;
        EXPECT_EQ(soundtest::ReadInto(sound, cd_, block, bytes), RENDER_FINISHED) << c.bufferMs;
        EXPECT_EQ(bytes, 0) << c.bufferMs;
        EXPECT_EQ(sound.Load(1001), 0);
    }
}

TEST_F(PcmSoundLoad, ASoundIsRegisteredUntilUnloaded) {
    CPCMSound sound;
    ASSERT_EQ(LoadSong(sound, "song.wav", WavFile(cd_, std::string(17640, '\0')), 2000), 1);
    const std::string path = dir_.File("song.wav");
    EXPECT_EQ(SoundExists(path.c_str()), static_cast<ILoadedSound*>(&sound));
    sound.Unload();
    EXPECT_EQ(SoundExists(path.c_str()), nullptr);
    EXPECT_EQ(sound.GetRefObj(), nullptr);
    EXPECT_EQ(file_->References(), 1);
}

TEST_F(PcmSoundLoad, CopiesAndRangesReadTheirPartOfTheSource) {
    const std::string pcm(PcmBytes(cd_, Ramp(kCdRate)));
    for (const std::int32_t bufferMs : {2000, 100}) {
        CPCMSound sound;
        ASSERT_EQ(LoadSong(sound, "ramp.wav", WavFile(cd_, pcm), bufferMs), 1);
        sound.Volume(0.5);
        std::unique_ptr<CAudioAtom> copy(sound.Copy());
        ASSERT_NE(copy, nullptr);
        auto& whole = static_cast<CPCMSound&>(*copy);
        EXPECT_EQ(whole.Volume(), 0.5);
        whole.Volume(1.0);
        EXPECT_EQ(PlayFrom(whole, 0), Slice(pcm, 0, 1000)) << bufferMs;

        std::unique_ptr<CAudioAtom> part(sound.Copy(250, 750));
        ASSERT_NE(part, nullptr);
        auto& range = static_cast<CPCMSound&>(*part);
        range.Volume(1.0);
        EXPECT_EQ(range.Length(0), 500);
        EXPECT_EQ(range.GetVirtualTimeStart(), 250);
        EXPECT_EQ(PlayFrom(range, 0), Slice(pcm, 250, 750)) << bufferMs;
    }
}

TEST_F(PcmSoundLoad, TrimsAndSongFactsComeFromThePeaks) {
    struct {
        const char* what;
        std::string pcm;
        std::int32_t trimStart;
        std::int32_t trimEnd;
        int silence;
        int partial;
    } const cases[] = {
        {"silence around a tone", SilenceToneSilence(500, 1000, 500), 500, 1500, 0, 0},
        {"a song cut while loud", SilenceToneSilence(300, 700, 0), 300, 1000, 0, 1},
        {"silence only", SilenceToneSilence(1000, 0, 0), -1, -1, 1, 0},
    };
    for (const auto& c : cases) {
        CPCMSound sound;
        ASSERT_EQ(LoadSong(sound, std::string(c.what) + ".wav", WavFile(cd_, c.pcm), 2000, 1), 1) << c.what;
        ASSERT_NE(sound.GetPeaks(), nullptr) << c.what;
        EXPECT_EQ(sound.IsTotalSilence(), c.silence) << c.what;
        EXPECT_EQ(sound.IsPartialSong(), c.partial) << c.what;
        if (c.trimStart >= 0) {
            EXPECT_EQ(sound.GetAutoTrimTimeStart(), c.trimStart) << c.what;
            EXPECT_EQ(sound.GetAutoTrimTimeEnd(), c.trimEnd) << c.what;
        }
        EXPECT_EQ(sound.DataLength(), sound.GetPeaks()->LengthOfSound());
    }
}

TEST_F(PcmSoundLoad, AmplitudesAreTheLoudestSampleOfEachStep) {
    const WAVEFORMATEX mono8 = Pcm(kCdRate, 1, 8);
    // 10 ms at half scale, then 10 ms of the lowest byte.
    std::vector<int> samples(441, 16384);
    samples.resize(882, -32768);
    CPCMSound sound;
    ASSERT_EQ(LoadSong(sound, "steps.wav", WavFile(mono8, PcmBytes(mono8, samples)), 2000), 1);
    ASSERT_EQ(sound.Load(0), 1);
    std::uint32_t frame = 0;
    unsigned char values[8] = {};
    EXPECT_EQ(sound.GetAmplitudes(frame, 441, 8, values), 2);
    EXPECT_EQ(values[0], 16384 * 255 / 32767);
    EXPECT_EQ(values[1], 255);
    EXPECT_EQ(frame, 882u);

    char lowest[2] = {0, 0};
    EXPECT_EQ(sound.GetMaxSample(lowest, lowest + 2), 32768);
    EXPECT_EQ(sound.GetMaxSample(lowest, lowest), 0);
}

}  // namespace
