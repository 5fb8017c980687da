// Songs made by outside encoders (sox, lame, twolame) and decoded for
// reference by mpg123, loaded through the initial load.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tonecore/engine/engine_errors.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/load/xam_object.h"

using songtest::Chunk;
using songtest::FormatBody;
using songtest::Riff;
using songtest::TEncodedSong;
using songtest::TProgressLog;

namespace {

class MpegSongLoadTest : public songtest::SongLoadTest {
protected:
    void SetUp() override {
        if (!songtest::HaveTools({"sox", "lame", "twolame", "mpg123"}))
            GTEST_SKIP() << "sox, lame, twolame and mpg123 are needed";
        SongLoadTest::SetUp();
        songs_ = dir_.File("songs");
        std::filesystem::create_directory(songs_);
    }

    TEncodedSong Make(const std::string& name, std::uint32_t rate, int channels,
                      const std::string& encoder, double seconds = 1.0) {
        TEncodedSong song;
        EXPECT_TRUE(songtest::MakeSong(songs_, name, rate, channels, seconds, encoder, song))
            << name;
        return song;
    }

    std::string songs_;
};

}  // namespace

TEST_F(MpegSongLoadTest, EverySongLoadsWithItsLengthFormatPeaksAndSeekMap) {
    struct {
        const char* name;
        std::uint32_t rate;
        int channels;
        const char* encoder;
        float version;
        std::uint32_t rateClass;  // the destination's rate
    } const cases[] = {
        {"a.mp3", 44100, 2, "lame --quiet -b 128", 1.0f, 44100},
        {"b.mp3", 48000, 2, "lame --quiet -b 128", 1.0f, 44100},
        {"c.mp3", 32000, 1, "lame --quiet -b 64 -m m", 1.0f, 44100},
        {"d.mp3", 22050, 2, "lame --quiet -b 64", 2.0f, 22050},
        {"e.mp3", 24000, 1, "lame --quiet -V 5 -m m", 2.0f, 44100},
        {"f.mp3", 16000, 2, "lame --quiet -b 32", 2.0f, 22050},
        {"g.mp3", 11025, 1, "lame --quiet -b 24 -m m", 2.5f, 11025},
        {"h.mp3", 12000, 2, "lame --quiet -b 32", 2.5f, 22050},
        {"i.mp3", 8000, 1, "lame --quiet -b 16 -m m", 2.5f, 11025},
        {"j.mp3", 44100, 2, "lame --quiet -V 2", 1.0f, 44100},
        {"k.mp2", 44100, 2, "twolame --quiet -b 192", 1.0f, 44100},
        {"l.mp2", 48000, 1, "twolame --quiet -b 96 -m m", 1.0f, 44100},
        {"m.mp2", 32000, 2, "twolame --quiet -b 128", 1.0f, 44100},
        {"n.mp2", 22050, 2, "twolame --quiet -b 64", 2.0f, 22050},
    };
    for (const auto& c : cases) {
        const TEncodedSong song = Make(c.name, c.rate, c.channels, c.encoder);
        ASSERT_FALSE(song.reference.empty()) << c.name;
        songtest::SetAge(song.path, -100);
        TProgressLog scanProgress;
        CInitialLoad scan;
        const auto loaded = Load(scan, song.path, 1, 1, 10, &scanProgress);
        ASSERT_EQ(loaded.result, 1) << c.name << " " << std::hex << loaded.error;
        const WAVEFORMATEX* format = scan.GetWAVEFORMTEX();
        ASSERT_NE(format, nullptr) << c.name;
        EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_MPEGLAYER3) << c.name;
        EXPECT_EQ(format->cbSize, 14) << c.name;
        EXPECT_EQ(format->nSamplesPerSec, c.rateClass) << c.name;
        EXPECT_EQ(format->nChannels, c.channels) << c.name;
        auto* xam = dynamic_cast<XAMObject*>(scan.GetACMObject());
        ASSERT_NE(xam, nullptr) << c.name;
        EXPECT_EQ(xam->Layer(), song.layer) << c.name;
        EXPECT_FLOAT_EQ(xam->Version(), c.version) << c.name;
        EXPECT_EQ(xam->GetFrequency(), static_cast<std::int32_t>(c.rate)) << c.name;
        EXPECT_EQ(xam->GetDestFormat()->nSamplesPerSec, c.rateClass) << c.name;
        EXPECT_EQ(xam->FirstFrameDecodesToCDQuality(), c.rate == 44100 && c.channels == 2 ? 1 : 0)
            << c.name;

        // The length is the decoded audio's, to within one frame.
        EXPECT_NEAR(scan.Length(), song.ReferenceMs(), song.FrameMs() + 1) << c.name;
        ASSERT_NE(scan.GetPeaks(), nullptr) << c.name;
        EXPECT_NEAR(scan.GetPeaks()->GetNumPeaks(), scan.Length() / 10.0, 2) << c.name;
        EXPECT_EQ(scan.GetPeaks()->HasBadFrames(), 0) << c.name;
        EXPECT_EQ(scan.GetPeaks()->HasNonCDQualityFrames(), c.rate == c.rateClass ? 0 : 1)
            << c.name;
        ASSERT_NE(scan.GetSeekMap(), nullptr) << c.name;
        const std::size_t frames = song.reference.size() / c.channels / song.SamplesPerFrame();
        EXPECT_NEAR(scan.GetSeekMap()->Count(), frames, 1) << c.name;  // one entry a frame
        EXPECT_GT(scanProgress.calls.size(), frames / 2) << c.name;

        // The second load takes the peaks and the seek map from their caches.
        TProgressLog cachedProgress;
        CInitialLoad cached;
        ASSERT_EQ(Load(cached, song.path, 1, 1, 10, &cachedProgress).result, 1) << c.name;
        EXPECT_EQ(cached.Length(), scan.Length()) << c.name;
        ASSERT_NE(cached.GetSeekMap(), nullptr) << c.name;
        EXPECT_EQ(cached.GetSeekMap()->Count(), scan.GetSeekMap()->Count()) << c.name;
        EXPECT_EQ(cachedProgress.calls.size(), 2u) << c.name;  // the start and the end, no scan

        // A load that also asks for the scan (a session track reopened for a
        // burn) finds the length in the cached peaks and decodes nothing.
        TProgressLog reopenProgress;
        CInitialLoad reopened;
        ASSERT_EQ(Load(reopened, song.path, 1, 1, 10, &reopenProgress, 1).result, 1) << c.name;
        EXPECT_EQ(reopened.Length(), scan.Length()) << c.name;
        ASSERT_NE(reopened.GetPeaks(), nullptr) << c.name;
        EXPECT_EQ(reopened.GetPeaks()->GetNumPeaks(), scan.GetPeaks()->GetNumPeaks()) << c.name;
        ASSERT_NE(reopened.GetSeekMap(), nullptr) << c.name;
        EXPECT_EQ(reopened.GetSeekMap()->Count(), scan.GetSeekMap()->Count()) << c.name;
        EXPECT_EQ(reopenProgress.calls.size(), 2u) << c.name;
    }
}

TEST_F(MpegSongLoadTest, TagsBecomeTheSongInformation) {
    const std::string tags = " --tt Title --ta Artist --tl Album --ty 1999 --tn 3 --tg Rock";
    struct {
        const char* name;
        const char* options;
        std::int32_t tagType;
        std::int32_t track;
    } const cases[] = {
        {"v2.mp3", " --id3v2-only", TAG_TYPE_ID3V2, 3},
        {"v1.mp3", " --id3v1-only", TAG_TYPE_ID3V1, 3},
    };
    for (const auto& c : cases) {
        const TEncodedSong song =
            Make(c.name, 44100, 2, std::string("lame --quiet -b 128") + tags + c.options, 0.3);
        CInitialLoad load;
        ASSERT_EQ(Load(load, song.path, 1, 1).result, 1) << c.name;
        // A tag is no damaged audio.
        ASSERT_NE(load.GetPeaks(), nullptr) << c.name;
        EXPECT_EQ(load.GetPeaks()->HasBadFrames(), 0) << c.name;
        const TMusicInfo* info = load.GetMusicInfo();
        ASSERT_NE(info, nullptr) << c.name;
        EXPECT_STREQ(info->title, "Title") << c.name;
        EXPECT_STREQ(info->artist, "Artist") << c.name;
        EXPECT_STREQ(info->album, "Album") << c.name;
        EXPECT_EQ(info->year, 1999) << c.name;
        EXPECT_EQ(info->trackNumber, c.track) << c.name;
        EXPECT_EQ(info->genreIndex, 17) << c.name;
        EXPECT_EQ(info->tagType, c.tagType) << c.name;
        EXPECT_NEAR(load.Length(), song.ReferenceMs(), song.FrameMs() + 1) << c.name;
    }
}

TEST_F(MpegSongLoadTest, MpegInsideRiffLoadsWithinItsDataChunk) {
    const TEncodedSong song = Make("s.mp3", 44100, 2, "lame --quiet -b 128", 0.5);
    const std::string mp3 = testsupport::ReadWholeFile(song.path);
    const std::string junk(3000, '\x5a');
    struct {
        const char* name;
        std::string file;
    } const cases[] = {
        {"x.wav", Riff("WAVE", Chunk("fmt ", FormatBody(0x55, 2, 44100, 0)) + Chunk("data", mp3))},
        // Bytes after the "data" chunk are no part of the audio.
        {"y.rmp", Riff("RMP3", Chunk("data", mp3) + Chunk("junk", junk))},
    };
    for (const auto& c : cases) {
        const std::string path = songs_ + "/" + c.name;
        testsupport::WriteWholeFile(path, c.file);
        CInitialLoad load;
        const auto loaded = Load(load, path, 1, 1);
        ASSERT_EQ(loaded.result, 1) << c.name << " " << std::hex << loaded.error;
        EXPECT_NE(dynamic_cast<XAMObject*>(load.GetACMObject()), nullptr) << c.name;
        ASSERT_NE(load.GetPeaks(), nullptr) << c.name;
        EXPECT_EQ(load.GetPeaks()->HasBadFrames(), 0)
            << c.name;  // nothing after the data is decoded
        EXPECT_LE(load.DataEnd(), static_cast<std::int64_t>(c.file.find("junk") == std::string::npos
                                                                ? c.file.size()
                                                                : c.file.find("junk")))
            << c.name;
        EXPECT_NEAR(load.Length(), song.ReferenceMs(), song.FrameMs() + 1) << c.name;
    }
}

TEST_F(MpegSongLoadTest, DamagedStretchIsSkippedAndMarkedOnThePeaks) {
    const TEncodedSong song = Make("damaged.mp3", 44100, 2, "lame --quiet -b 128", 2.0);
    std::string bytes = testsupport::ReadWholeFile(song.path);
    // Frame-like garbage: false syncs every few bytes.
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 2000; ++i)
        bytes[i] = static_cast<char>(i % 7 == 0 ? 0xff : i % 7 == 1 ? 0xfb : (i * 31) & 0xff);
    testsupport::WriteWholeFile(song.path, bytes);
    CInitialLoad load;
    ASSERT_EQ(Load(load, song.path, 1, 1).result, 1);
    ASSERT_NE(load.GetPeaks(), nullptr);
    EXPECT_EQ(load.GetPeaks()->HasBadFrames(), 1);
    // Roughly the 2000 bytes' worth of frames are gone, not the rest.
    EXPECT_GT(load.Length(), song.ReferenceMs() - 300);
    EXPECT_LT(load.Length(), song.ReferenceMs() + song.FrameMs());
}

TEST_F(MpegSongLoadTest, CancelledScanLeavesNothingBehind) {
    const TEncodedSong song = Make("c.mp3", 44100, 2, "lame --quiet -b 128", 1.0);
    for (const std::vector<int>& answers : {std::vector<int>{0}, std::vector<int>{1, 1, 1, 0}}) {
        TProgressLog progress;
        progress.answers = answers;
        CInitialLoad load;
        EXPECT_EQ(Load(load, song.path, 1, 1, 10, &progress).result, 0);
        EXPECT_EQ(load.Length(), 0);
        EXPECT_EQ(load.GetPeaks(), nullptr);
        EXPECT_EQ(load.GetSeekMap(), nullptr);
        EXPECT_TRUE(CacheFiles().empty());
    }
}

TEST_F(MpegSongLoadTest, CompressedWaveDecodesThroughTheCodecLayer) {
    if (!songtest::HaveTools({"ffmpeg"})) GTEST_SKIP() << "ffmpeg is needed";
    struct {
        const char* codec;
        std::uint32_t rate;
        int channels;
    } const cases[] = {
        {"adpcm_ima_wav", 22050, 2}, {"adpcm_ms", 44100, 2}, {"pcm_alaw", 8000, 1},
        {"pcm_mulaw", 8000, 1},      {"libgsm_ms", 8000, 1},
    };
    for (const auto& c : cases) {
        const std::string pcm = songs_ + "/pcm-" + c.codec + ".wav";
        const std::string path = songs_ + "/" + c.codec + ".wav";
        ASSERT_TRUE(songtest::Run("sox -R -D -n -r " + std::to_string(c.rate) + " -c " +
                                  std::to_string(c.channels) + " -b 16 " + pcm +
                                  " synth 1.0 sine 440 vol -6dB"));
        ASSERT_TRUE(songtest::Run("ffmpeg -nostdin -v error -y -i " + pcm + " -c:a " + c.codec +
                                  " " + path))
            << c.codec;
        CInitialLoad load;
        const auto loaded = Load(load, path, 1, 1);
        ASSERT_EQ(loaded.result, 1) << c.codec << " " << std::hex << loaded.error;
        ASSERT_NE(load.GetACMObject(), nullptr) << c.codec;
        EXPECT_EQ(load.GetACMObject()->IsACM(), 1) << c.codec;
        // Whole codec blocks: the last one may carry up to a block of padding.
        EXPECT_NEAR(load.Length(), 1000, 50) << c.codec;
        ASSERT_NE(load.GetPeaks(), nullptr) << c.codec;
        EXPECT_NEAR(load.GetPeaks()->GetNumPeaks(), load.Length() / 10.0, 2) << c.codec;
        EXPECT_EQ(load.GetSeekMap(), nullptr) << c.codec;  // compressed WAV is entered by blocks
        _formatSupportedInfo info;
        EXPECT_EQ(FileFormatSupported(path.c_str(), &info), 1) << c.codec;
        EXPECT_EQ(info.supported, 1) << c.codec;
        EXPECT_EQ(info.compressed, 1) << c.codec;
        EXPECT_EQ(info.convertible, 1) << c.codec;
    }
}
