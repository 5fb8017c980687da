// MP3 songs made by lame (constant, average and variable bitrates; several
// rates and channel modes; some behind a large ID3 v2 tag, one inside a WAV
// file) read through a PCM sound in its normal looped mode at several buffer
// sizes and rendered through a group, against mpg123's decode of the same
// song over its whole length, its last second included. Skipped when the
// tools are missing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/command_output.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/sound/sound_group.h"
#include "tonecore/tags/mp3_info.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using grouptest::TAtomRef;

std::vector<std::int16_t> AsSamples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Signal to difference ratio (dB) of a against the reference over the
// frames [from, to) of the reference, a shifted by lag frames.
double SnrDb(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& reference,
             int channels, long lag, std::size_t from, std::size_t to) {
    double signal = 0;
    double noise = 0;
    for (std::size_t frame = from; frame < to; ++frame) {
        const long at = static_cast<long>(frame) + lag;
        for (int c = 0; c < channels; ++c) {
            const double r = reference[frame * channels + c];
            const bool inside = at >= 0 && static_cast<std::size_t>(at) * channels + c < a.size();
            const double d = (inside ? a[static_cast<std::size_t>(at) * channels + c] : 0.0) - r;
            signal += r * r;
            noise += d * d;
        }
    }
    if (noise == 0) return 200.0;
    return 10.0 * std::log10(std::max(signal, 1.0) / noise);
}

// The lag (frames, within maxLag) at which a best matches the reference
// over a stretch of the loud opening.
long BestLag(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& reference,
             int channels, long maxLag, std::size_t from, std::size_t count) {
    long best = 0;
    double bestSnr = -1e9;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        const double snr = SnrDb(a, reference, channels, lag, from, from + count);
        if (snr > bestSnr) {
            bestSnr = snr;
            best = lag;
        }
    }
    return best;
}

struct TSong {
    std::string path;
    std::string raw;         // the reference's file
    std::uint32_t rate = 0;  // the stream's own rate
    int channels = 0;
    std::vector<std::int16_t> reference;  // mpg123, at the stream's rate
    double FrameMs() const { return (rate < 32000 ? 576 : 1152) * 1000.0 / rate; }
};

class Mp3SongReadTest : public songtest::SongLoadTest {
protected:
    void SetUp() override {
        if (!songtest::HaveTools({"sox", "lame", "mpg123", "eyeD3", "ffmpeg"}))
            GTEST_SKIP() << "sox, lame, mpg123, eyeD3 and ffmpeg are needed";
        SongLoadTest::SetUp();
    }

    // Loud pink noise (large frames from a VBR encoder) then a quiet tone
    // (small frames), encoded by lame with the arguments; with a cover, a
    // 1 MB picture is put in front by eyeD3. False when a tool failed.
    bool Make(const std::string& name, std::uint32_t rate, int channels, const std::string& lame,
              bool cover, double loudSeconds, double quietSeconds, TSong& song) {
        const std::string base = dir_.File(name);
        const std::string sox = "sox -R -D -n -r " + std::to_string(rate) + " -c " +
                                std::to_string(channels) + " -b 16 ";
        song.path = base + ".mp3";
        song.rate = rate;
        song.channels = channels;
        if (!songtest::Run(sox + base + ".loud.wav synth " + std::to_string(loudSeconds) +
                           " pinknoise vol -8dB") ||
            !songtest::Run(sox + base + ".quiet.wav synth " + std::to_string(quietSeconds) +
                           " sine 440 vol -30dB") ||
            !songtest::Run("sox " + base + ".loud.wav " + base + ".quiet.wav " + base + ".wav") ||
            !songtest::Run("lame --quiet " + lame + " " + base + ".wav " + song.path))
            return false;
        if (cover) {
            std::mt19937 random(7);
            std::string picture(1000000, '\0');
            for (char& byte : picture) byte = static_cast<char>(random());
            picture.replace(0, 4, "\xFF\xD8\xFF\xE0");  // a JPEG's opening, for the tagger
            testsupport::WriteWholeFile(base + ".jpg", picture);
            if (!songtest::Run("eyeD3 --add-image " + base + ".jpg:FRONT_COVER " + song.path))
                return false;
        }
        song.raw = base + ".raw";
        if (!songtest::Run("mpg123 -q --no-gapless -O " + song.raw + " " + song.path)) return false;
        song.reference = songtest::ReadSamples(song.raw);
        return !song.reference.empty();
    }

    // The reference at the rate the sound decodes to (sox resamples).
    std::vector<std::int16_t> ReferenceAt(const TSong& song, std::uint32_t rate) {
        if (rate == song.rate) return song.reference;
        const std::string& raw = song.raw;
        const std::string out = raw + "." + std::to_string(rate) + ".raw";
        const std::string sampleFormat = " -e signed -b 16 -c " + std::to_string(song.channels) + " ";
        EXPECT_TRUE(songtest::Run("sox -t raw -r " + std::to_string(song.rate) + sampleFormat + raw +
                                  " -t raw -r " + std::to_string(rate) + sampleFormat + out));
        return songtest::ReadSamples(out);
    }

    // The sound loaded and scanned as the program loads a song.
    bool LoadSound(CPCMSound& sound, const std::string& path, std::int32_t bufferMs) {
        TStream file = Open(path);
        return sound.InitialLoad(file.get(), bufferMs, 1, 1, 1, 1, 10, nullptr, nullptr) == 1 &&
               sound.Load(0) == 1;
    }

    // Everything the sound gives in its own format, read until it finishes.
    std::vector<std::int16_t> ReadWhole(const std::string& path, std::int32_t bufferMs,
                                        WAVEFORMATEX& format) {
        CPCMSound sound;
        if (!LoadSound(sound, path, bufferMs)) {
            ADD_FAILURE() << "load " << path;
            return {};
        }
        format = *sound.Format();
        TRenderResult last = RENDER_FAILED;
        const std::uint32_t piece =
            format.nAvgBytesPerSec / 20 / format.nBlockAlign * format.nBlockAlign;
        const auto bytes = soundtest::ReadAll(
            sound, format, [piece] { return piece; }, &last);
        EXPECT_EQ(last, RENDER_FINISHED);
        return AsSamples(bytes);
    }

    // The song alone in a group, rendered in the sound's format.
    std::vector<std::int16_t> Render(const std::string& path) {
        TAtomRef<CPCMSound> sound(new CPCMSound);
        if (!LoadSound(*sound, path, 2000)) {
            ADD_FAILURE() << "load " << path;
            return {};
        }
        const WAVEFORMATEX format = *sound->Format();
        TAtomRef<CSoundGroup> group(new CSoundGroup);
        sound->Add(group.get(), 0);
        std::vector<std::uint8_t> out;
        const auto sink = [](char* data, std::int32_t& bytes, void* user) -> TDataWriteCode {
            auto* into = static_cast<std::vector<std::uint8_t>*>(user);
            into->insert(into->end(), data, data + bytes);
            return 0;
        };
        CPCMMixer renderer(nullptr);
        EXPECT_EQ(renderer.MixToDataSink(group.get(), sink, &out, &format, group->Length(0), -1),
                  1);
        return AsSamples(out);
    }

    // Engine output against the reference (already at the output's rate):
    // the same length within a frame, and the same audio over the whole
    // length and over its last second.
    void Compare(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& reference,
                 int channels, std::uint32_t rate, double frameMs, double minSnr,
                 const std::string& what) {
        SCOPED_TRACE(what);
        const std::size_t frames = reference.size() / channels;
        const double msGot = got.size() / channels * 1000.0 / rate;
        const double msReference = frames * 1000.0 / rate;
        EXPECT_NEAR(msGot, msReference, frameMs + 1.0);
        ASSERT_GT(frames, rate * 2u);
        // Aligned on a loud stretch near the start.
        const long lag = BestLag(got, reference, channels,
                                 static_cast<long>(frameMs * rate / 1000) + 8, rate / 4, rate / 10);
        const std::size_t tail = std::min<std::size_t>(frames, got.size() / channels) - rate;
        EXPECT_GT(SnrDb(got, reference, channels, lag, 0, frames - rate), minSnr) << "lag " << lag;
        EXPECT_GT(SnrDb(got, reference, channels, lag, tail, tail + rate - rate / 10), minSnr)
            << "last second, lag " << lag;
    }
};

}  // namespace

// Reading in the looped mode that playback and rendering use must give every
// frame of the song in order: nothing the decoder still held at the end of
// the data may be replaced by the song's opening.
TEST_F(Mp3SongReadTest, LoopedReadsAndRenderingGiveTheWholeSong) {
    struct TCase {
        const char* name;
        std::uint32_t rate;
        int channels;
        const char* lame;
        bool cover;
    } const cases[] = {
        {"cbr", 44100, 2, "-b 128", false},
        {"abr", 44100, 2, "--abr 160", false},
        {"vbr", 44100, 2, "-V 2", false},
        {"vbr_cover", 44100, 2, "-V 2", true},
        {"abr_cover", 44100, 2, "-m s --abr 128", true},
        {"vbr48", 48000, 2, "-V 2", false},
        {"dual32", 32000, 2, "-m d -b 96", false},
        {"mono22", 22050, 1, "-m m -V 4", false},
        {"mono11", 11025, 1, "-m m -b 32", false},
        {"mono8", 8000, 1, "-m m -V 6", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TSong song;
        ASSERT_TRUE(Make(c.name, c.rate, c.channels, c.lame, c.cover, 6.0, 10.0, song));
        // Resampled by the engine and by sox: the bound allows for their
        // different filters; at the song's own rate only rounding differs.
        for (const std::int32_t bufferMs : {100, 300, 2000}) {
            WAVEFORMATEX format{};
            const std::vector<std::int16_t> read = ReadWhole(song.path, bufferMs, format);
            ASSERT_EQ(format.nChannels, c.channels);
            const double minSnr = format.nSamplesPerSec == c.rate ? 40.0 : 12.0;
            Compare(read, ReferenceAt(song, format.nSamplesPerSec), c.channels,
                    format.nSamplesPerSec, song.FrameMs(), minSnr,
                    "read with a buffer of " + std::to_string(bufferMs) + " ms");
            if (bufferMs == 2000) {
                Compare(Render(song.path), ReferenceAt(song, format.nSamplesPerSec), c.channels,
                        format.nSamplesPerSec, song.FrameMs(), minSnr, "rendered");
            }
        }
    }
}

// MP3 frames inside a WAV file (format 0x55) read to their end as well.
TEST_F(Mp3SongReadTest, Mp3InsideAWavFileReadsToItsEnd) {
    TSong song;
    ASSERT_TRUE(Make("wrapped", 44100, 2, "-V 2", false, 6.0, 10.0, song));
    const std::string wav = dir_.File("wrapped_in.wav");
    ASSERT_TRUE(songtest::Run("ffmpeg -v quiet -y -i " + song.path + " -c:a copy -f wav " + wav));
    for (const std::int32_t bufferMs : {300, 2000}) {
        WAVEFORMATEX format{};
        const std::vector<std::int16_t> read = ReadWhole(wav, bufferMs, format);
        ASSERT_EQ(format.nSamplesPerSec, 44100u);
        Compare(read, song.reference, 2, 44100, song.FrameMs(), 40.0,
                "read with a buffer of " + std::to_string(bufferMs) + " ms");
    }
}

// Only a running engine makes the decoding object of an MPEG song; without
// one the sound refuses the song instead of reading its frames as samples
// (which gave no peaks, no level and noise for audio). Started again, the
// engine loads it with its peaks.
TEST_F(Mp3SongReadTest, AnMpegSongLoadsOnlyWhileTheEngineRuns) {
    TSong song;
    ASSERT_TRUE(Make("song", 44100, 2, "-b 128", false, 1.0, 1.0, song));
    SoundEngineShutdown();
    {
        CPCMSound sound;
        TStream file = Open(song.path);
        EXPECT_EQ(sound.InitialLoad(file.get(), 2000, 1, 1, 1, 1, 10, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), TONECORE_ERR_BAD_PCM_FORMAT);
    }
    ASSERT_EQ(SoundEngineStartup(&instance_), 1);
    CPCMSound sound;
    TStream file = Open(song.path);
    ASSERT_EQ(sound.InitialLoad(file.get(), 2000, 1, 1, 1, 1, 10, nullptr, nullptr), 1);
    ASSERT_NE(sound.GetPeaks(), nullptr);
    EXPECT_GT(sound.GetPeaks()->GetMaxLeft(), 10000);
    EXPECT_EQ(sound.Format()->wFormatTag, WAVE_FORMAT_PCM);
}

// Streams with headers that look like MPEG audio but no frame the decoder
// can decode: a scanned load fails with "no usable frame" instead of making
// a sound of no length; loaded without a scan, reading such a sound still
// comes to its end.
TEST_F(Mp3SongReadTest, ASongWithoutADecodableFrameFailsToLoad) {
    ASSERT_TRUE(songtest::Run("sox -R -D -n -r 44100 -c 2 -b 16 " + dir_.File("tone.wav") +
                              " synth 1 sine 440"));
    ASSERT_TRUE(songtest::Run("lame --quiet --freeformat -b 400 " + dir_.File("tone.wav") + " " +
                              dir_.File("free.mp3")));
    ASSERT_TRUE(songtest::Run("lame --quiet -t -b 128 " + dir_.File("tone.wav") + " " +
                              dir_.File("plain.mp3")));
    std::mt19937 random(11);
    std::string noise(100000, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    // One plausible header in front, so the summary finds a "frame".
    testsupport::WriteWholeFile(dir_.File("random.mp3"),
                                std::string("\xFF\xFB\x90\x64", 4) + noise);
    // Cut inside the first frame (417 bytes at 128 kbit/s).
    testsupport::WriteWholeFile(dir_.File("cut.mp3"),
                                testsupport::ReadWholeFile(dir_.File("plain.mp3")).substr(0, 300));

    for (const char* name : {"free.mp3", "random.mp3", "cut.mp3"}) {
        SCOPED_TRACE(name);
        const std::string path = dir_.File(name);
        CInitialLoad scanned;
        const auto loaded = Load(scanned, path, 1, 1);
        EXPECT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.error, TONECORE_ERR_NO_MP3_FRAME);

        CPCMSound sound;
        TStream file = Open(path);
        if (sound.InitialLoad(file.get(), 300, 0, 0, 0, 0, 10, nullptr, nullptr) != 1) continue;
        ASSERT_EQ(sound.Load(0), 1);
        const WAVEFORMATEX format = *sound.Format();
        TRenderResult last = RENDER_MORE;
        soundtest::ReadAll(
            sound, format,
            [&format] {
                return format.nAvgBytesPerSec / 10 / format.nBlockAlign * format.nBlockAlign;
            },
            &last);
        EXPECT_EQ(last, RENDER_FINISHED);
    }
}

// A free-format stream (lame --freeformat) states no bitrate in its
// headers: without a scan its length comes from the size of its frames, at
// every MPEG version.
TEST_F(Mp3SongReadTest, FreeFormatSongsHaveTheirLengthWithoutAScan) {
    struct TCase {
        std::uint32_t rate;
        const char* lame;
        int kbps;
    } const cases[] = {{44100, "-b 200", 200}, {22050, "-b 64", 64}, {11025, "-b 24 --resample 11.025", 24}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::string wav = dir_.File("free.wav");
        const std::string mp3 = dir_.File("free.mp3");
        ASSERT_TRUE(songtest::Run("sox -R -D -n -r " + std::to_string(c.rate) + " -c 2 -b 16 " + wav +
                                  " synth 6 sine 440"));
        ASSERT_TRUE(songtest::Run(std::string("lame --quiet --freeformat ") + c.lame + " " + wav + " " + mp3));
        TStream file = Open(mp3);
        CMP3Info info;
        ASSERT_EQ(info.loadInfo(file.get()), CMP3Info::kLoaded);
        EXPECT_EQ(info.getBitrate(), c.kbps);
        EXPECT_EQ(info.getFrequency(), static_cast<int>(c.rate));
        EXPECT_EQ(info.getLengthInSeconds(), 6);
        CInitialLoad plain;
        ASSERT_EQ(Load(plain, mp3, 0, 0).result, 1);
        // Six seconds and the encoder's delay and padding, within a frame.
        EXPECT_NEAR(plain.Length(), 6000.0 + (c.rate < 32000 ? 576 : 1152) * 2000.0 / c.rate, 1152 * 1000.0 / c.rate);
    }
}

// Without a scan the length comes from the data and the Xing frame count;
// a large tag in front (a cover picture) is no part of the audio.
TEST_F(Mp3SongReadTest, LengthWithoutAScanMatchesTheSongsDuration) {
    struct TCase {
        const char* name;
        const char* lame;
        bool cover;
    } const cases[] = {
        {"vbr", "-V 2", false},
        {"vbr_cover", "-V 2", true},
        {"abr_cover", "--abr 128", true},
        {"cbr_cover", "-b 192", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TSong song;
        ASSERT_TRUE(Make(c.name, 44100, 2, c.lame, c.cover, 4.0, 6.0, song));
        const double seconds = std::stod(testsupport::CommandOutput(
            "ffprobe -v error -show_entries format=duration -of csv=p=0 " + song.path));
        CInitialLoad plain;
        ASSERT_EQ(Load(plain, song.path, 0, 0).result, 1);
        EXPECT_NEAR(plain.Length(), seconds * 1000.0, 30.0);
    }
}
