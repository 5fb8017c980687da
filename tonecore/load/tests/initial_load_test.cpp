#include "tonecore/load/initial_load.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/mpeg/tests/layer12_frame_writer.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/tags/tests/id3_test_bytes.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/tags/wave_info_list.h"
#include "tonecore/load/xam_object.h"

using songtest::Chunk;
using songtest::FormatBody;
using songtest::ListChunk;
using songtest::Riff;
using songtest::SinePcm;
using songtest::SongLoadTest;

namespace {

constexpr std::uint16_t kImaAdpcm = 0x11;
constexpr std::uint16_t kUnknownTag = 0x1234;

}  // namespace

TEST_F(SongLoadTest, WaveFilesLoadOrFailWithTheirReason) {
    const std::string pcm8Mono48k(48000, '\x80');                    // one second of silence
    const std::string pcm16Stereo = SinePcm(44100, 2, 22050, 8000);  // half a second
    struct {
        const char* name;
        std::string file;
        int result;
        std::uint32_t error;
        std::int32_t lengthMs;
    } const cases[] = {
        {"8-bit mono 48000 Hz",
         Riff("WAVE", Chunk("fmt ", FormatBody(1, 1, 48000, 8)) + Chunk("data", pcm8Mono48k)), 1, 0,
         1000},
        {"16-byte fmt",
         Riff("WAVE",
              Chunk("fmt ", FormatBody(1, 2, 44100, 16, false)) + Chunk("data", pcm16Stereo)),
         1, 0, 500},
        {"48001 Hz",
         Riff("WAVE", Chunk("fmt ", FormatBody(1, 1, 48001, 8)) + Chunk("data", pcm8Mono48k)), 0,
         TONECORE_ERR_BAD_PCM_FORMAT, 0},
        {"24-bit",
         Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 24)) + Chunk("data", pcm16Stereo)), 0,
         TONECORE_ERR_BAD_PCM_FORMAT, 0},
        {"3 channels",
         Riff("WAVE", Chunk("fmt ", FormatBody(1, 3, 44100, 16)) + Chunk("data", pcm16Stereo)), 0,
         TONECORE_ERR_BAD_PCM_FORMAT, 0},
        // Nothing decodes these: refused rather than played as noise.
        {"unknown tag",
         Riff("WAVE",
              Chunk("fmt ", FormatBody(kUnknownTag, 2, 44100, 4)) + Chunk("data", pcm16Stereo)),
         0, TONECORE_ERR_BAD_PCM_FORMAT, 0},
        {"IMA ADPCM without its block layout",
         Riff("WAVE",
              Chunk("fmt ", FormatBody(kImaAdpcm, 2, 44100, 4)) + Chunk("data", pcm16Stereo)),
         0, TONECORE_ERR_BAD_PCM_FORMAT, 0},
        {"no fmt", Riff("WAVE", Chunk("data", pcm16Stereo)), 0, TONECORE_ERR_NO_FORMAT, 0},
        {"no data", Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16))), 0,
         TONECORE_ERR_NO_DATA, 0},
        {"empty data", Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16)) + Chunk("data", "")),
         0, TONECORE_ERR_EMPTY_DATA, 0},
        {"other RIFF form", Riff("AVI ", Chunk("data", pcm16Stereo)), 0, TONECORE_ERR_NOT_LOADABLE,
         0},
    };
    for (const auto& c : cases) {
        const std::string path = dir_.File("song.wav");
        testsupport::WriteWholeFile(path, c.file);
        CInitialLoad load;
        const auto loaded = Load(load, path);
        EXPECT_EQ(loaded.result, c.result) << c.name;
        EXPECT_EQ(loaded.error, c.error) << c.name;
        EXPECT_EQ(load.Length(), c.lengthMs) << c.name;
        if (c.result == 1) {
            ASSERT_NE(load.GetWAVEFORMTEX(), nullptr) << c.name;
            EXPECT_EQ(load.GetWAVEFORMTEX()->cbSize, 0) << c.name;
            EXPECT_EQ(load.GetACMObject(), nullptr) << c.name;  // plain PCM needs no decoder
            EXPECT_EQ(load.DataEnd(), static_cast<std::int64_t>(c.file.size())) << c.name;
        }
    }
}

TEST_F(SongLoadTest, FormatChunkSizesComeFromTheBytesPresent) {
    // A "fmt " that claims more than the file holds, and one whose cbSize
    // claims more than the chunk.
    std::string claimsMore = Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16)));
    claimsMore.replace(16, 4, std::string("\xff\xff\xff\x0f", 4));
    std::string body = FormatBody(kImaAdpcm, 1, 8000, 4);
    body[16] = '\x00';
    body[17] = '\x40';  // cbSize 16384 in an 18-byte chunk
    const std::string path = dir_.File("song.wav");
    for (const std::string& file :
         {claimsMore, Riff("WAVE", Chunk("fmt ", body) + Chunk("data", "abcd"))}) {
        testsupport::WriteWholeFile(path, file);
        CInitialLoad load;
        EXPECT_EQ(Load(load, path).result, 0);
        _formatSupportedInfo info;
        EXPECT_EQ(FileFormatSupported(path.c_str(), &info), 1);
        EXPECT_LE(info.cbSize, 0);
    }
}

TEST(WaveInfoRead, FieldsAreReadWithinTheirBytes) {
    const std::string cdid =
        std::string("\x10\x27\x00\x00", 4) + "ABCDEF";  // says 10000 bytes, holds 6
    struct {
        const char* id;
        std::string bytes;
        const char* title;
        const char* genre;
        std::int32_t genreIndex, year, track, count;
        std::uint32_t cdLength;
    } const cases[] = {
        {"INAM", std::string("Song\0junk", 9), "Song", "", 255, 0, -1, -1, 0},
        {"INAM", "Unterminated", "Unterminated", "", 255, 0, -1, -1, 0},
        {"INAM", "Caf\xe9", "Caf\xc3\xa9", "", 255, 0, -1, -1,
         0},  // Windows-1252 from an old program
        {"ICRD", "1999", "", "", 255, 1999, -1, -1, 0},
        {"ICRD", "999", "", "", 255, 0, -1, -1, 0},
        {"ICRD", "2004-05-03", "", "", 255, 2004, -1, -1, 0},
        {"ICRD", "20040503", "", "", 255, 2004, -1, -1, 0},
        {"ICRD", "3001-01-01", "", "", 255, 0, -1, -1, 0},
        {"ICRD", "May 2004", "", "", 255, 0, -1, -1, 0},
        {"IGNR", "(17)", "", "(17)", 17, 0, -1, -1, 0},
        {"IGNR", "rock", "", "(17)", 17, 0, -1, -1, 0},
        {"IGNR", "Chiptune Polka", "", "Chiptune Polka", 255, 0, -1, -1, 0},
        {"IGNR", "(300)", "", "(300)", 255, 0, -1, -1, 0},
        {"ITRK", "7/12", "", "", 255, 0, 7, 12, 0},
        {"ITRK", "7", "", "", 255, 0, 7, -1, 0},
        {"ITRK", "100/5", "", "", 255, 0, -1, 5, 0},
        {"ITRK", "0", "", "", 255, 0, -1, -1, 0},
        {"IMCD", cdid, "", "", 255, 0, -1, -1, 6},
        {"IMCD", "ab", "", "", 255, 0, -1, -1, 0},
    };
    for (const auto& c : cases) {
        TMusicInfo info;
        ASSERT_TRUE(
            TakeWaveInfoField(MakeFourCC(c.id[0], c.id[1], c.id[2], c.id[3]), c.bytes, info))
            << c.id;
        EXPECT_STREQ(info.title, c.title) << c.id << " " << c.bytes;
        EXPECT_STREQ(info.genre, c.genre) << c.id << " " << c.bytes;
        EXPECT_EQ(info.genreIndex, c.genreIndex) << c.id << " " << c.bytes;
        EXPECT_EQ(info.year, c.year) << c.id << " " << c.bytes;
        EXPECT_EQ(info.trackNumber, c.track) << c.id << " " << c.bytes;
        EXPECT_EQ(info.trackCount, c.count) << c.id << " " << c.bytes;
        EXPECT_EQ(info.cdIdentifierLength, c.cdLength) << c.id << " " << c.bytes;
        EXPECT_EQ(info.tagType, TAG_TYPE_WAV_INFO) << c.id;
    }
    TMusicInfo untouched;
    EXPECT_FALSE(TakeWaveInfoField(FourCC("ISFT"), "tool", untouched));
    EXPECT_EQ(untouched.tagType, TAG_TYPE_NONE);
}

TEST_F(SongLoadTest, WaveSongInformationComesFromTheInfoList) {
    const std::string info = ListChunk("INFO", Chunk("INAM", std::string("Title\0", 6)) +
                                                   Chunk("IART", std::string("Artist\0", 7)) +
                                                   Chunk("IALB", "Album") + Chunk("ITRK", "3/9"));
    const std::string path = dir_.File("song.wav");
    // An unrelated list comes first; the INFO list after the audio.
    testsupport::WriteWholeFile(path,
                                Riff("WAVE", ListChunk("adtl", Chunk("labl", "xxxx")) +
                                                 Chunk("fmt ", FormatBody(1, 1, 8000, 16)) +
                                                 Chunk("data", SinePcm(8000, 1, 80, 100)) + info));
    CInitialLoad load;
    ASSERT_EQ(Load(load, path).result, 1);
    ASSERT_NE(load.GetMusicInfo(), nullptr);
    EXPECT_STREQ(load.GetMusicInfo()->title, "Title");
    EXPECT_STREQ(load.GetMusicInfo()->artist, "Artist");
    EXPECT_STREQ(load.GetMusicInfo()->album, "Album");
    EXPECT_EQ(load.GetMusicInfo()->trackNumber, 3);
    EXPECT_EQ(load.GetMusicInfo()->trackCount, 9);
    EXPECT_EQ(load.Length(), 10);
    auto song = load.StealMusicInfo();
    EXPECT_EQ(load.GetMusicInfo(), nullptr);
}

TEST_F(SongLoadTest, AnId3TagBrokenPartWayStillGivesTheFieldsInFrontOfTheBreak) {
    using namespace id3test;
    // A frame that claims 5000 bytes where the tag holds a few.
    const std::string body = Frame23("TIT2", Latin1("Hello")) + Frame23("TPE1", Latin1("World")) +
                             FrameClaiming("TXXX", 5000, Latin1("mood"));
    // Silent MPEG-1 layer III frames: 128 kbit/s, 44100 Hz, stereo, 417
    // bytes each with zero side information.
    std::string frame("\xFF\xFB\x90\x00", 4);
    frame.resize(417, '\0');
    std::string song = Tag(3, body, 200);
    for (int i = 0; i < 40; ++i) song += frame;
    const std::string path = dir_.File("song.mp3");
    testsupport::WriteWholeFile(path, song);
    CInitialLoad load;
    ASSERT_EQ(Load(load, path).result, 1);
    const TMusicInfo* info = load.GetMusicInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->title, "Hello");
    EXPECT_STREQ(info->artist, "World");
    EXPECT_EQ(info->tagType, TAG_TYPE_ID3V2);
    EXPECT_EQ(info->tagSize, 200);
}

TEST_F(SongLoadTest, WavePeaksAreBuiltOnceAndThenTakenFromTheCache) {
    const std::string path = dir_.File("song.wav");
    // 5 s at 22050 Hz stereo: 10 ms is 882 bytes exactly, 880 a piece, so
    // after 441 pieces one gives no peak; the last piece is cut short.
    testsupport::WriteWholeFile(path,
                                Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 22050, 16)) +
                                                 Chunk("data", SinePcm(22050, 2, 110250, 20000))));
    songtest::SetAge(path, -100);
    songtest::TProgressLog first;
    CInitialLoad scan;
    ASSERT_EQ(Load(scan, path, 0, 1, 10, &first).result, 1);
    ASSERT_NE(scan.GetPeaks(), nullptr);
    EXPECT_EQ(scan.Length(), 5000);
    EXPECT_EQ(scan.GetPeaks()->GetNumPeaks(), 501u);  // 500, and the short last piece
    EXPECT_EQ(scan.GetPeaks()->LengthOfSound(), 5000);
    EXPECT_GE(first.calls.size(), 3u);  // the start and one call per second of audio
    EXPECT_EQ(CacheFiles().size(), 1u);

    songtest::TProgressLog second;
    CInitialLoad cached;
    ASSERT_EQ(Load(cached, path, 0, 1, 10, &second).result, 1);
    ASSERT_NE(cached.GetPeaks(), nullptr);
    EXPECT_EQ(cached.Length(), 5000);
    EXPECT_EQ(second.calls, std::vector<std::uint32_t>{0});  // nothing read

    songtest::SetAge(path, 0);  // the song changed since: scanned again
    songtest::TProgressLog third;
    CInitialLoad rescanned;
    ASSERT_EQ(Load(rescanned, path, 0, 1, 10, &third).result, 1);
    EXPECT_GE(third.calls.size(), 3u);
}

TEST_F(SongLoadTest, ProgressAnswersCancelOrHoldTheLoad) {
    const std::string path = dir_.File("song.wav");
    testsupport::WriteWholeFile(path,
                                Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 8000, 16)) +
                                                 Chunk("data", SinePcm(8000, 2, 24000, 20000))));
    songtest::TProgressLog cancelAtOnce;
    cancelAtOnce.answers = {0};
    CInitialLoad cancelled;
    EXPECT_EQ(Load(cancelled, path, 0, 1, 10, &cancelAtOnce).result, 0);
    EXPECT_EQ(cancelled.Length(), 0);
    EXPECT_TRUE(CacheFiles().empty());

    songtest::TProgressLog cancelInside;
    cancelInside.answers = {1, 1, 0};
    CInitialLoad halfway;
    EXPECT_EQ(Load(halfway, path, 0, 1, 10, &cancelInside).result, 0);
    EXPECT_EQ(halfway.GetPeaks(), nullptr);
    EXPECT_TRUE(CacheFiles().empty());  // the half-written peak file went with it

    songtest::TProgressLog held;
    held.answers = {1, -1, -1, 1};
    CInitialLoad waited;
    EXPECT_EQ(Load(waited, path, 0, 1, 10, &held).result, 1);
    ASSERT_GE(held.calls.size(), 4u);
    EXPECT_EQ(held.calls[2], 0u);  // held: asked again with nothing read
    EXPECT_EQ(held.calls[3], 0u);
    EXPECT_EQ(waited.Length(), 3000);

    // Without peaks, plain PCM answers with the callback's own answer.
    songtest::TProgressLog lengthOnly;
    lengthOnly.answers = {7};
    CInitialLoad quick;
    EXPECT_EQ(Load(quick, path, 0, 0, 10, &lengthOnly).result, 7);
    EXPECT_EQ(quick.Length(), 3000);
}

TEST_F(SongLoadTest, FileFormatSupportedProbesWaveAndGroupFiles) {
    const std::string wav = dir_.File("a.wav");
    const std::string sgp = dir_.File("a.sgp");
    struct {
        const char* name;
        std::string path;
        std::string bytes;  // empty: no file
        int result;
        std::int32_t supported, compressed, convertible, soundGroup, formatTag;
    } const cases[] = {
        {"mp3 by name", dir_.File("none.mp3"), "", 1, -1, 0, 0, 0, 0},
        {"wma by name", dir_.File("none.WMA"), "", 1, -1, 0, 0, 0, 0},
        {"missing wav", dir_.File("none.wav"), "", 0, -1, 0, 0, 0, 0},
        {"pcm wav", wav, Riff("WAVE", Chunk("fmt ", FormatBody(1, 2, 44100, 16))), 1, 1, 0, 0, 0,
         1},
        {"mpeg wav", wav, Riff("WAVE", Chunk("fmt ", FormatBody(0x55, 2, 44100, 0))), 1, 1, 1, 1, 0,
         0x55},
        {"unknown wav", wav, Riff("WAVE", Chunk("fmt ", FormatBody(kUnknownTag, 2, 44100, 4))), 1,
         0, 1, 0, 0, kUnknownTag},
        {"wav without fmt", wav, Riff("WAVE", Chunk("data", "ab")), 1, 0, 0, 0, 0, 0},
        {"group file", sgp, Riff("sgrp", Chunk("atom", "ab")), 1, 1, 0, 0, 1, 0},
        {"group that is no RIFF", sgp, "plain text", 0, -1, 0, 0, 0, 0},
        {"other extension", dir_.File("a.txt"), "text", 0, -1, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        if (!c.bytes.empty()) testsupport::WriteWholeFile(c.path, c.bytes);
        _formatSupportedInfo info;
        info.supported = -1;
        EXPECT_EQ(FileFormatSupported(c.path.c_str(), &info), c.result) << c.name;
        EXPECT_EQ(info.supported, c.supported) << c.name;
        EXPECT_EQ(info.compressed, c.compressed) << c.name;
        EXPECT_EQ(info.convertible, c.convertible) << c.name;
        EXPECT_EQ(info.soundGroupFile, c.soundGroup) << c.name;
        EXPECT_EQ(info.formatTag, c.formatTag) << c.name;
    }
}

TEST_F(SongLoadTest, LayerOneSongsLoadAtEveryRate) {
    // No encoder at hand writes layer I: frames are built from random
    // allocations and codes.
    struct {
        int rateIndex;
        std::uint32_t rate;
        std::uint32_t mode;
        int channels;
    } const cases[] = {{0, 44100, 0, 2}, {1, 48000, 3, 1}, {2, 32000, 1, 2}};
    std::mt19937 rng(7);
    constexpr int kFrames = 120;
    for (const auto& c : cases) {
        std::string stream;
        int frames = 0;
        while (frames < kFrames) {
            const MpegFrameHeader header =
                layer3test::Layer12Header(1, false, c.rateIndex, 8, c.mode, 0);
            // A draw whose bits do not fit the frame gives no frame.
            const std::string frame =
                layer3test::WriteLayer12Frame(layer3test::RandomLayer12Frame(rng, header, 6));
            if (frame.empty()) continue;
            stream += frame;
            ++frames;
        }
        const std::string path = dir_.File("song" + std::to_string(c.rate) + ".mp1");
        testsupport::WriteWholeFile(path, stream);
        CInitialLoad load;
        const auto loaded = Load(load, path, 1, 1);
        ASSERT_EQ(loaded.result, 1) << c.rate << " " << std::hex << loaded.error;
        auto* xam = dynamic_cast<XAMObject*>(load.GetACMObject());
        ASSERT_NE(xam, nullptr) << c.rate;
        EXPECT_EQ(xam->Layer(), 1) << c.rate;
        EXPECT_EQ(load.GetWAVEFORMTEX()->nBlockAlign, 4) << c.rate;  // layer I slots
        EXPECT_EQ(load.GetWAVEFORMTEX()->nChannels, c.channels) << c.rate;
        const double frameMs = 384 * 1000.0 / c.rate;
        EXPECT_NEAR(xam->MilsPerFrame(), frameMs, 1e-5) << c.rate;
        EXPECT_NEAR(load.Length(), kFrames * frameMs, frameMs + 1) << c.rate;
        ASSERT_NE(load.GetSeekMap(), nullptr) << c.rate;
        EXPECT_NEAR(load.GetSeekMap()->Count(), kFrames, 1) << c.rate;
    }
}

// A song held in memory has no peak file to stream from: every peak of a
// song longer than the peak buffer's ten seconds stays in memory, in order.
TEST_F(SongLoadTest, PeaksOfASongInMemoryAreAllKept) {
    constexpr std::uint32_t kRate = 8000;  // 10 ms are 80 whole frames
    constexpr int kSeconds = 25;
    std::string pcm;
    for (int second = 0; second < kSeconds; ++second) {
        const auto level = static_cast<std::uint16_t>(1000 * (second + 1));
        for (std::uint32_t i = 0; i < kRate; ++i) songtest::PutLe(pcm, level, 2);
    }
    soundtest::TMemStream stream = soundtest::MemoryStream(
        Riff("WAVE", Chunk("fmt ", FormatBody(1, 1, kRate, 16)) + Chunk("data", pcm)));
    CInitialLoad load;
    ASSERT_EQ(load.DoInitialLoad(stream.get(), 0, 0, 1, 0, 10, nullptr, nullptr), 1);
    const CPeaks* peaks = load.GetPeaks();
    ASSERT_NE(peaks, nullptr);
    ASSERT_EQ(peaks->GetNumPeaks(), 100u * kSeconds);
    ASSERT_EQ(peaks->GetBufferedPeaks(), peaks->GetNumPeaks());
    const std::uint8_t* data = peaks->GetDataPtr();
    ASSERT_NE(data, nullptr);
    for (std::uint32_t i = 0; i < peaks->GetNumPeaks(); ++i) {
        ASSERT_EQ(data[i], 1000 * (i / 100 + 1) * 255 / 32767) << "peak " << i;
    }
}
