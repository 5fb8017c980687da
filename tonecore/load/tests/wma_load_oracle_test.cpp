// WMA songs through the initial load: a song the ffmpeg program made loads
// with its decoding object, format, information, length and peaks; track
// numbers as ffmpeg and mutagen store them; a damaged header and a missing
// media module fail with their codes while other songs still load.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mediacore/tests/wma_fixture.h"
#include "platform/last_error.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/load/tests/wma_song_test.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/load/wma_errors.h"
#include "tonecore/load/wma_object.h"
#include "tonecore/tags/music_info.h"

namespace {

using WmaSongLoadTest = wmatest::WmaSongTest;

// A song with a title, an artist and a copyright text.
std::string MakeTaggedSong(const testsupport::TempDir& dir, const char* name) {
    const std::string path = dir.File(name);
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i \"sine=frequency=440:sample_rate=44100:duration=1.2\" -ac 2 -c:a wmav2 "
        "-b:a 128k -metadata title='A Title' -metadata artist='An Artist' -metadata copyright='(c) Us' '" +
        path + "'";
    return songtest::Run(command) ? path : std::string();
}

TEST_F(WmaSongLoadTest, WmaSongLoadsWithItsDecoderInformationLengthAndPeaks) {
    const std::string path = MakeTaggedSong(dir_, "tagged.wma");
    ASSERT_FALSE(path.empty());
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);

    CInitialLoad load;
    const TLoaded loaded = Load(load, path, 1, 1, 10);
    ASSERT_EQ(loaded.result, 1) << loaded.error;
    auto* decoder = dynamic_cast<WMAObject*>(load.GetACMObject());
    ASSERT_NE(decoder, nullptr);
    EXPECT_FALSE(decoder->IsOpen());  // the copy reopens the file when it decodes
    const WAVEFORMATEX* format = load.GetWAVEFORMTEX();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->wFormatTag, 0x161);
    EXPECT_EQ(format->nChannels, 2);
    EXPECT_EQ(format->nSamplesPerSec, 44100u);
    EXPECT_EQ(format->nAvgBytesPerSec, static_cast<std::uint32_t>(decoder->GetBitRate() / 8));
    EXPECT_EQ(load.DataStart(), 0);
    EXPECT_EQ(load.DataEnd(), decoder->GetDataSize());
    // WMA songs get peaks and no seek map; the length is the decoded one.
    EXPECT_EQ(load.GetSeekMap(), nullptr);
    ASSERT_NE(load.GetPeaks(), nullptr);
    EXPECT_EQ(load.Length(), static_cast<std::int32_t>(static_cast<double>(reference.size()) * 2 * 1000.0 / 176400));

    std::unique_ptr<TMusicInfo> info = load.StealMusicInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->title, "A Title");
    EXPECT_STREQ(info->artist, "An Artist");
    EXPECT_STREQ(info->copyright, "(c) Us");
    EXPECT_EQ(info->copyrighted, 1);
    EXPECT_EQ(info->tagType, TAG_TYPE_WMA_ATTRIBUTES);

    // A second load takes its peaks from the cache.
    CInitialLoad again;
    ASSERT_EQ(Load(again, path, 1, 1, 10).result, 1);
    ASSERT_NE(again.GetPeaks(), nullptr);
    EXPECT_EQ(again.GetPeaks()->GetNumPeaks(), load.GetPeaks()->GetNumPeaks());
}

// A scan measures the decoded length even without peaks: the duration the
// encoder states runs about a codec frame past the last decoded sample, and a
// rendered or ripped track would carry that as silence.
TEST_F(WmaSongLoadTest, AScanWithoutPeaksMeasuresTheDecodedLength) {
    const std::string path = MakeTaggedSong(dir_, "measured.wma");
    ASSERT_FALSE(path.empty());
    const std::vector<std::int16_t> reference = mediatest::FfmpegDecode(path);
    const auto decodedMs =
        static_cast<std::int32_t>(static_cast<double>(reference.size()) * 2 * 1000.0 / 176400);
    TStream file = Open(path);
    CInitialLoad load;
    ASSERT_EQ(load.DoInitialLoad(file.get(), 0, 1, 0, 0, 10, nullptr, nullptr), 1);
    EXPECT_EQ(load.GetPeaks(), nullptr);
    EXPECT_EQ(load.Length(), decodedMs);
}

// The song information LoadInfo reads from a file, with its result and code.
struct TInfoRead {
    bool loaded = false;
    std::uint32_t error = 0;
    TMusicInfo info;
};

TInfoRead ReadInfo(CFileObj* file) {
    TInfoRead read;
    const WAVEFORMATEX start = WMAObject::LoadStartFormat();
    WMAObject reader(&start, kAcmUseDecode);
    SetLastError(0);
    read.loaded = reader.LoadInfo(file, &read.info);
    read.error = GetLastError();
    return read;
}

// Track numbers as other programs store them: "WM/TrackNumber" counts from
// 1, as text (ffmpeg, most taggers) or as a number; the older "WM/Track"
// counts from 0 as a number, and is the engine's own text field counting
// from 1. "WM/TrackNumber" wins over "WM/Track" wherever it stands.
TEST_F(WmaSongLoadTest, TrackNumbersOfEveryFormReadAsOtherProgramsWriteThem) {
    const std::string ffmpegSong = dir_.File("ffmpeg.wma");
    ASSERT_TRUE(songtest::Run("ffmpeg -v error -y -f lavfi -i sine=duration=0.5 -c:a wmav2 -metadata track=3/12 '" +
                              ffmpegSong + "'"));
    TStream ffmpegFile = Open(ffmpegSong);
    const TInfoRead fromFfmpeg = ReadInfo(ffmpegFile.get());
    ASSERT_TRUE(fromFfmpeg.loaded);
    EXPECT_EQ(fromFfmpeg.info.trackNumber, 3);
    EXPECT_EQ(fromFfmpeg.info.trackCount, 12);

    if (!songtest::Run("/usr/bin/python3 -c 'import mutagen.asf'")) GTEST_SKIP() << "python3-mutagen is needed";
    const struct {
        const char* name;
        const char* tags;  // Python: the attributes mutagen sets
        std::int32_t track;
        std::int32_t count;
    } cases[] = {
        {"number as a dword", "{'WM/TrackNumber': [ASFDWordAttribute(7)]}", 7, -1},
        {"number as text", "{'WM/TrackNumber': ['5/9']}", 5, 9},
        {"older dword from 0", "{'WM/Track': [ASFDWordAttribute(4)]}", 5, -1},
        {"older text from 1", "{'WM/Track': ['6/10']}", 6, 10},
        {"newer after older", "{'WM/Track': [ASFDWordAttribute(0)], 'WM/TrackNumber': ['8']}", 8, -1},
        {"newer before older", "{'WM/TrackNumber': ['8'], 'WM/Track': [ASFDWordAttribute(0)]}", 8, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File("tagged.wma");
        testsupport::WriteWholeFile(path, testsupport::ReadWholeFile(ffmpegSong));
        const std::string script = "from mutagen.asf import ASF, ASFDWordAttribute\nf = ASF('" + path + "')\nf.tags.clear()\n" +
                                   "for k, v in " + c.tags + ".items(): f[k] = v\nf.save()\n";
        testsupport::WriteWholeFile(dir_.File("tag.py"), script);
        ASSERT_TRUE(songtest::Run("/usr/bin/python3 '" + dir_.File("tag.py") + "'"));
        TStream file = Open(path);
        const TInfoRead read = ReadInfo(file.get());
        ASSERT_TRUE(read.loaded);
        EXPECT_EQ(read.info.trackNumber, c.track);
        EXPECT_EQ(read.info.trackCount, c.count);
    }
}

// A header that claims more bytes than the file holds (or than any header is
// allowed) is refused with a code, not quietly.
TEST_F(WmaSongLoadTest, AnOversizedHeaderFailsWithACode) {
    const std::string path = MakeTaggedSong(dir_, "song.wma");
    ASSERT_FALSE(path.empty());
    const std::string song = testsupport::ReadWholeFile(path);
    for (const std::uint64_t size : {std::uint64_t{song.size()} + 1, std::uint64_t{1} << 40}) {
        SCOPED_TRACE(size);
        std::string bytes = song;
        // The header object's size: eight bytes after its 16-byte GUID.
        for (int i = 0; i < 8; ++i) bytes[16 + static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
        const std::string broken = dir_.File("broken.wma");
        testsupport::WriteWholeFile(broken, bytes);
        TStream file = Open(broken);
        const TInfoRead read = ReadInfo(file.get());
        EXPECT_FALSE(read.loaded);
        EXPECT_EQ(read.error, TONECORE_ERR_WMA_READER);
    }
}

TEST_F(WmaSongLoadTest, WithoutTheMediaModuleWmaFailsAndOtherSongsLoad) {
    const std::string song = MakeTaggedSong(dir_, "song.wma");
    ASSERT_FALSE(song.empty());
    const std::string wave = dir_.File("song.wav");
    testsupport::WriteWholeFile(
        wave, songtest::Riff("WAVE", songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16)) +
                                         songtest::Chunk("data", songtest::SinePcm(44100, 2, 4410, 8000))));
    wmatest::TWithoutMediaModule absent;
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    int available[3] = {};
    GetConvertersAvailable(available);
    EXPECT_EQ(available[FILE_CONVERSION_WMA], 0);
    EXPECT_EQ(available[FILE_CONVERSION_WAV], 1);

    CInitialLoad wma;
    const TLoaded failed = Load(wma, song, 0, 1, 10);
    EXPECT_EQ(failed.result, 0);
    EXPECT_EQ(failed.error, TONECORE_ERR_WMA_EXPORT_MISSING);
    CInitialLoad pcm;
    const TLoaded loaded = Load(pcm, wave, 0, 1, 10);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.error, 0u);
}

}  // namespace
