// The WAV converter: the file it writes, PCM converted on the way whatever
// the blocks it comes in, the padding for CD sectors and the INFO list.
#include "tonecore/convert/conv2wave_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conversion_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/convert/tests/wave_file_reader.h"

namespace {

using pcmtest::Pcm;

// A WAV target of the given layout (user's settings, no preset).
CConv2FileFormat Target(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    CConv2FileFormat target(1);
    target.soundQuality = SOUND_QUALITY_USER;
    target.usePreset = 0;
    target.nSamplesPerSec = rate;
    target.nChannels = channels;
    target.wBitsPerSample = bits;
    target.CalcBlockAlignNAvgBytesPerSec();
    return target;
}

// PCM that changes from frame to frame: no two neighbours alike, so a frame
// dropped, doubled or mixed up shows.
std::vector<std::uint8_t> Signal(const WAVEFORMATEX& format, std::size_t frames) {
    std::vector<std::uint8_t> pcm(frames * format.nBlockAlign);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::uint8_t>(random());
    return pcm;
}

struct TWritten {
    bool ok = true;
    std::int64_t reported = 0;  // what WriteStreamData and EndWriteStream returned
};

// Writes pcm through a converter in blocks of the given sizes (the last one
// takes the rest), ends the stream and closes the file.
TWritten Convert(const std::string& path, CConv2FileFormat target, const WAVEFORMATEX& source,
                 const std::vector<std::uint8_t>& pcm, const std::vector<std::size_t>& blocks) {
    TWritten result;
    auto* converter = new CConv2WaveFile();
    if (converter->Create(path.c_str(), &target, &source) != 1) {
        DeleteRefObject(&converter);
        return {false, 0};
    }
    std::size_t at = 0;
    for (std::size_t i = 0; at < pcm.size(); ++i) {
        const std::size_t size = i < blocks.size() ? std::min(blocks[i], pcm.size() - at) : pcm.size() - at;
        std::int64_t accepted = -1;
        const std::int64_t written = converter->WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(size), &accepted);
        if (written < 0 || accepted != static_cast<std::int64_t>(size)) result.ok = false;
        result.reported += written;
        at += size;
    }
    const std::int64_t ended = converter->EndWriteStream();
    if (ended < 0) result.ok = false;
    result.reported += ended;
    int done = 0;
    if (converter->FinalData(path.c_str(), "Trackpress", &done, nullptr) < 0 || done != 1) result.ok = false;
    converter->Close();
    DeleteRefObject(&converter);
    return result;
}

std::vector<std::size_t> RandomBlocks(std::size_t total, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::size_t> blocks;
    for (std::size_t sum = 0; sum < total;) {
        const std::size_t size = 1 + random() % 5000;
        blocks.push_back(size);
        sum += size;
    }
    return blocks;
}

TEST(Conv2WaveFile, TheSourceFormatIsWrittenUnchanged) {
    testsupport::TempDir dir;
    const std::string path = dir.File("same.wav");
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    const std::vector<std::uint8_t> pcm = Signal(source, 3000);
    const TWritten written = Convert(path, Target(44100, 2, 16), source, pcm, {1000, 4000, 2});
    ASSERT_TRUE(written.ok);
    EXPECT_EQ(written.reported, static_cast<std::int64_t>(pcm.size()));

    const wavetest::TWaveFile file = wavetest::ReadWaveFile(path);
    ASSERT_TRUE(file.valid);
    ASSERT_EQ(file.chunks.size(), 3u);
    EXPECT_EQ(file.chunks[0].id, "fmt ");
    const WAVEFORMATEX expected = Pcm(44100, 2, 16);
    ASSERT_EQ(file.chunks[0].data.size(), 18u);
    EXPECT_EQ(std::memcmp(file.chunks[0].data.data(), &expected, 18), 0);
    EXPECT_EQ(file.chunks[1].id, "data");
    EXPECT_EQ(file.chunks[1].data, std::string(pcm.begin(), pcm.end()));
    EXPECT_EQ(file.chunks[2].id, "LIST");
    EXPECT_EQ(file.InfoIds(), std::vector<std::string>{"ISFT"});
}

// Any split of a stream gives the same file as one block, and n source
// frames give n x target rate / source rate target frames.
TEST(Conv2WaveFile, ConversionDoesNotDependOnTheBlocks) {
    struct Case {
        WAVEFORMATEX source;
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint16_t bits;
    };
    const Case cases[] = {
        {Pcm(44100, 2, 16), 22050, 2, 16}, {Pcm(44100, 2, 16), 11025, 2, 16}, {Pcm(44100, 2, 16), 44100, 1, 16},
        {Pcm(44100, 2, 16), 44100, 2, 8},  {Pcm(44100, 2, 16), 11025, 1, 8},  {Pcm(22050, 1, 16), 44100, 2, 16},
        {Pcm(11025, 1, 8), 22050, 2, 16},  {Pcm(48000, 2, 16), 44100, 2, 16},
    };
    testsupport::TempDir dir;
    constexpr std::size_t kFrames = 10001;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source.nSamplesPerSec << "/" << c.source.nChannels << "/"
                                        << c.source.wBitsPerSample << " to " << c.rate << "/" << c.channels << "/"
                                        << c.bits);
        const std::vector<std::uint8_t> pcm = Signal(c.source, kFrames);
        const CConv2FileFormat target = Target(c.rate, c.channels, c.bits);
        const TWritten whole = Convert(dir.File("whole.wav"), target, c.source, pcm, {pcm.size()});
        const TWritten pieces = Convert(dir.File("pieces.wav"), target, c.source, pcm, RandomBlocks(pcm.size(), c.rate));
        ASSERT_TRUE(whole.ok);
        ASSERT_TRUE(pieces.ok);
        const wavetest::TWaveFile a = wavetest::ReadWaveFile(dir.File("whole.wav"));
        const wavetest::TWaveFile b = wavetest::ReadWaveFile(dir.File("pieces.wav"));
        ASSERT_TRUE(a.valid && b.valid);
        const std::size_t frames = kFrames * c.rate / c.source.nSamplesPerSec;
        EXPECT_EQ(a.Find("data")->data.size(), frames * c.channels * c.bits / 8);
        EXPECT_EQ(static_cast<std::size_t>(pieces.reported), b.Find("data")->data.size());
        EXPECT_TRUE(a.Find("data")->data == b.Find("data")->data);
    }
}

TEST(Conv2WaveFile, HalfRateMonoBecomesFourTimesTheBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.File("up.wav");
    const WAVEFORMATEX source = Pcm(22050, 1, 16);
    const std::vector<std::uint8_t> pcm = pcmtest::Bytes16({0, 1000, 2000, 3000});
    ASSERT_TRUE(Convert(path, Target(44100, 2, 16), source, pcm, {}).ok);
    const wavetest::TWaveFile file = wavetest::ReadWaveFile(path);
    ASSERT_TRUE(file.valid);
    const std::string& data = file.Find("data")->data;
    ASSERT_EQ(data.size(), 4 * pcm.size());
    // Both channels carry the midpoints and the source frames in turn; the
    // last frame is held to the end.
    const std::vector<int> samples = pcmtest::Samples16(std::vector<std::uint8_t>(data.begin(), data.end()), 16);
    EXPECT_EQ(samples, (std::vector<int>{500, 500, 1000, 1000, 1500, 1500, 2000, 2000, 2500, 2500, 3000, 3000, 3000,
                                         3000, 3000, 3000}));
}

TEST(Conv2WaveFile, EightBitSilenceStaysSilent) {
    testsupport::TempDir dir;
    const std::string path = dir.File("quiet.wav");
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    const std::vector<std::uint8_t> pcm(4 * 4001, 0);
    ASSERT_TRUE(Convert(path, Target(22050, 1, 8), source, pcm, {333, 1000}).ok);
    const wavetest::TWaveFile file = wavetest::ReadWaveFile(path);
    ASSERT_TRUE(file.valid);
    const std::string& data = file.Find("data")->data;
    EXPECT_EQ(data.size(), 2000u);
    EXPECT_EQ(data, std::string(data.size(), '\x80'));
}

TEST(Conv2WaveFile, CdBoundDataEndsOnAWholeSector) {
    testsupport::TempDir dir;
    const std::string path = dir.File("cd.wav");
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    const std::vector<std::uint8_t> pcm = Signal(source, 250);
    SetWaveCDBlockAlign(1);
    const TWritten written = Convert(path, Target(44100, 2, 16), source, pcm, {});
    SetWaveCDBlockAlign(0);
    ASSERT_TRUE(written.ok);
    const wavetest::TWaveFile file = wavetest::ReadWaveFile(path);
    ASSERT_TRUE(file.valid);
    const std::string& data = file.Find("data")->data;
    ASSERT_EQ(data.size(), 2352u);
    EXPECT_EQ(written.reported, 2352);
    EXPECT_EQ(data.substr(0, pcm.size()), std::string(pcm.begin(), pcm.end()));
    EXPECT_EQ(data.substr(pcm.size()), std::string(2352 - pcm.size(), '\0'));

    // A stream that already fills whole sectors gets nothing more.
    SetWaveCDBlockAlign(1);
    const std::vector<std::uint8_t> sector = Signal(source, 588);
    const TWritten exact = Convert(path, Target(44100, 2, 16), source, sector, {});
    SetWaveCDBlockAlign(0);
    EXPECT_EQ(exact.reported, 2352);
    EXPECT_EQ(wavetest::ReadWaveFile(path).Find("data")->data.size(), 2352u);
}

TEST(Conv2WaveFile, SourcesTheConverterCannotReadAreRefused) {
    testsupport::TempDir dir;
    auto* converter = new CConv2WaveFile();
    CConv2FileFormat target = Target(44100, 2, 16);
    WAVEFORMATEX mp3 = Pcm(44100, 2, 16);
    mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    EXPECT_EQ(converter->Create(dir.File("x.wav").c_str(), &target, &mp3), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_UNSUPPORTED_FORMAT);
    // Writing without a created file fails, and says so.
    std::int64_t accepted = -1;
    const std::uint8_t pcm[4] = {};
    EXPECT_EQ(converter->WriteStreamData(pcm, 4, &accepted), -1);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(converter->EndWriteStream(), -1);
    DeleteRefObject(&converter);
}

// The INFO list of a finished file, for a song record.
class WaveInfoList : public ::testing::Test {
protected:
    // Converts a short stream and finishes the file with info; the list's
    // chunks as read back.
    wavetest::TWaveFile Finish(TMusicInfo* info, std::int64_t* listBytes = nullptr) {
        const std::string path = dir_.File("info.wav");
        auto* converter = new CConv2WaveFile();
        CConv2FileFormat target = Target(44100, 2, 16);
        const WAVEFORMATEX source = Pcm(44100, 2, 16);
        const std::uint8_t pcm[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(converter->Create(path.c_str(), &target, &source), 1);
        EXPECT_EQ(converter->WriteStreamData(pcm, 8, nullptr), 8);
        EXPECT_EQ(converter->EndWriteStream(), 0);
        int done = 0;
        const std::int64_t added = converter->FinalData(path.c_str(), "Trackpress 1", &done, info);
        EXPECT_EQ(done, 1);
        if (listBytes != nullptr) *listBytes = added;
        // Released without Close: the converter closes its file itself.
        DeleteRefObject(&converter);
        return wavetest::ReadWaveFile(path);
    }

    static std::string Text(const wavetest::TWaveFile& file, const std::string& id) {
        for (const wavetest::TChunk& c : file.info) {
            if (c.id == id) return c.data;
        }
        return "(none)";
    }

    testsupport::TempDir dir_;
};

TEST_F(WaveInfoList, TextsInTheirOrderWithEvenSizes) {
    TMusicInfo info;
    info.tagType = TAG_TYPE_ID3V2;
    std::strcpy(info.comment, "ripped");
    std::strcpy(info.copyright, "(c) 1999");
    std::strcpy(info.artist, "Artist");
    std::strcpy(info.encodedBy, "Me");
    std::strcpy(info.title, "abc");
    info.genreIndex = 17;
    info.year = 1999;
    std::strcpy(info.album, "Album");
    info.trackNumber = 5;
    info.trackCount = 12;
    info.cdIdentifierLength = 5;
    std::memcpy(info.cdIdentifier, "\x01\x02\x03\x04\x05", 5);
    std::int64_t listBytes = 0;
    const wavetest::TWaveFile file = Finish(&info, &listBytes);
    ASSERT_TRUE(file.valid);
    EXPECT_EQ(file.InfoIds(), (std::vector<std::string>{"ICMT", "ICOP", "IART", "IENG", "INAM", "IGNR", "ICRD",
                                                         "IALB", "ITRK", "IMCD", "ISFT"}));
    EXPECT_EQ(Text(file, "INAM"), std::string("abc\0\0\0", 6));
    EXPECT_EQ(Text(file, "IART"), std::string("Artist\0\0", 8));
    EXPECT_EQ(Text(file, "IGNR"), std::string("(17)\0\0", 6));
    EXPECT_EQ(Text(file, "ICRD"), std::string("1999\0\0", 6));
    EXPECT_EQ(Text(file, "ITRK"), std::string("5/12\0\0", 6));
    // The identifier's length word and exactly that many bytes.
    EXPECT_EQ(Text(file, "IMCD"), std::string("\x05\0\0\0\x01\x02\x03\x04\x05", 9));
    EXPECT_EQ(Text(file, "ISFT"), std::string("Trackpress 1\0\0", 14));
    const wavetest::TChunk* list = file.Find("LIST");
    ASSERT_NE(list, nullptr);
    // The list's size, its type included (the software text's length is
    // even, so its length and 10 is its chunk).
    EXPECT_EQ(listBytes, static_cast<std::int64_t>(list->data.size()));
}

TEST_F(WaveInfoList, FieldsOutsideTheirRangesAreLeftOut) {
    struct Case {
        const char* what;
        std::int32_t year, track, count, genre;
        std::vector<std::string> ids;
        std::string track_text;
    };
    const Case cases[] = {
        {"year 999", 999, -1, -1, 255, {"INAM", "ISFT"}, "(none)"},
        {"year 3001", 3001, 0, -1, 255, {"INAM", "ISFT"}, "(none)"},
        {"track without count", 0, 5, -1, 255, {"INAM", "ITRK", "ISFT"}, std::string("5\0\0\0", 4)},
        {"track 100", 0, 100, 12, 255, {"INAM", "ISFT"}, "(none)"},
        {"count 100", 0, 7, 100, 255, {"INAM", "ITRK", "ISFT"}, std::string("7\0\0\0", 4)},
        {"unnamed genre", 0, -1, -1, 200, {"INAM", "IGNR", "ISFT"}, "(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMusicInfo info;
        info.tagType = TAG_TYPE_ID3V1;
        std::strcpy(info.title, "t");
        info.year = c.year;
        info.trackNumber = c.track;
        info.trackCount = c.count;
        info.genreIndex = c.genre;
        const wavetest::TWaveFile file = Finish(&info);
        ASSERT_TRUE(file.valid);
        EXPECT_EQ(file.InfoIds(), c.ids);
        EXPECT_EQ(Text(file, "ITRK"), c.track_text);
        if (c.genre == 200) {
            EXPECT_EQ(Text(file, "IGNR").substr(0, 7), "Unknown");
        }
    }
}

TEST_F(WaveInfoList, OnlyTheSoftwareWithoutATag) {
    TMusicInfo untagged;
    std::strcpy(untagged.title, "abc");
    const wavetest::TWaveFile file = Finish(&untagged);
    ASSERT_TRUE(file.valid);
    EXPECT_EQ(file.InfoIds(), std::vector<std::string>{"ISFT"});
    EXPECT_EQ(Finish(nullptr).InfoIds(), std::vector<std::string>{"ISFT"});
}

TEST_F(WaveInfoList, AnOverlongCdIdentifierIsCutToTheRecord) {
    TMusicInfo info;
    info.tagType = TAG_TYPE_ID3V2;
    info.cdIdentifierLength = 5000;
    std::memset(info.cdIdentifier, 0x41, sizeof info.cdIdentifier);
    const wavetest::TWaveFile file = Finish(&info);
    ASSERT_TRUE(file.valid);
    const std::string id = Text(file, "IMCD");
    ASSERT_EQ(id.size(), 4u + kCdIdentifierBytes);
    EXPECT_EQ(wavetest::Le32At(id, 0), static_cast<std::uint32_t>(kCdIdentifierBytes));
}

}  // namespace
