// The WMA converter against the ffmpeg program: every offered preset gives a
// file it decodes at the written length, and the tag written into a file
// reads back through the WMA decoding object.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "mediacore/tests/wma_fixture.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/wma_test_support.h"

namespace {

constexpr int kCdRate = 44100;

// 16-bit stereo at 44100 Hz.
WAVEFORMATEX CdFormat() { return pcmtest::Pcm(44100, 2, 16); }

// Two tones, one per channel, as 16-bit stereo PCM.
std::vector<std::uint8_t> CdTones(double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * kCdRate);
    std::vector<std::uint8_t> pcm(frames * 4);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kCdRate;
        const auto left = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t));
        const auto right = static_cast<std::int16_t>(7000 * std::sin(2 * M_PI * 660 * t));
        for (int c = 0; c < 2; ++c) {
            const auto v = static_cast<std::uint16_t>(c == 0 ? left : right);
            pcm[i * 4 + 2 * c] = static_cast<std::uint8_t>(v & 0xFF);
            pcm[i * 4 + 2 * c + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    }
    return pcm;
}

// Writes pcm through a converter for the target in random blocks.
bool Convert(const std::string& path, CConv2FileFormat& target, const std::vector<std::uint8_t>& pcm,
             std::uint32_t seed) {
    CConv2WmaFile converter;
    const WAVEFORMATEX source = CdFormat();
    if (converter.Create(path.c_str(), &target, &source) != 1) return false;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> block(1, 20000);
    for (std::size_t at = 0; at < pcm.size();) {
        const std::size_t n = std::min(block(random) * 4, pcm.size() - at);
        std::int64_t accepted = 0;
        if (converter.WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(n), &accepted) < 0) return false;
        if (accepted <= 0) return false;
        at += static_cast<std::size_t>(accepted);
    }
    int done = 0;
    const bool ended = converter.EndWriteStream() == 0 && converter.FinalData(path.c_str(), "", &done, nullptr) == 0;
    converter.Close();
    return ended && done == 1;
}

class WmaConvertOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    }
    testsupport::TempDir dir_;
};

TEST_F(WmaConvertOracle, EveryOfferedPresetWritesAFileOfTheWrittenLength) {
    std::set<int> offered;
    for (int preset = 1; preset <= kWMAPresetCount; ++preset) {
        if (IsWMAFormatAvailable(preset)) offered.insert(preset);
    }
    // The module's encoder makes 22050 Hz and up.
    EXPECT_EQ(offered, (std::set<int>{3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(NumPresetWMAFormatsAvailable(), static_cast<int>(offered.size()));

    constexpr double kSeconds = 1.3;
    const std::vector<std::uint8_t> pcm = CdTones(kSeconds);
    for (const int preset : offered) {
        SCOPED_TRACE(preset);
        CConv2FileFormat target(0x161);
        GetFormatFromPreset(&target, preset, TAG_TYPE_WMA_ATTRIBUTES);
        const std::string path = dir_.File("preset" + std::to_string(preset) + ".wma");
        ASSERT_TRUE(Convert(path, target, pcm, static_cast<std::uint32_t>(preset))) << GetLastError();
        const std::vector<std::int16_t> decoded = mediatest::FfmpegDecode(path);
        const TWMAPreset* row = WMAPreset(preset);
        const double seconds = static_cast<double>(decoded.size()) / row->channels / row->rate;
        // Within one frame of the encoder (2048 samples) of what was written.
        EXPECT_NEAR(seconds, kSeconds, 2048.0 / row->rate);
        const std::string probe = mediatest::Capture(
            "ffprobe -v error -show_entries stream=sample_rate,channels -of csv=p=0 '" + path + "'");
        EXPECT_EQ(probe, std::to_string(row->rate) + "," + std::to_string(row->channels) + "\n");
    }
}

TEST_F(WmaConvertOracle, OneSecondOfCdAudioAt128Kbps) {
    CConv2FileFormat target(0x161);
    GetFormatFromPreset(&target, 7, TAG_TYPE_WMA_ATTRIBUTES);
    CConv2WmaFile converter;
    const WAVEFORMATEX source = CdFormat();
    const std::string path = dir_.File("second.wma");
    ASSERT_EQ(converter.Create(path.c_str(), &target, &source), 1) << GetLastError();
    EXPECT_EQ(converter.GetDesiredBufferSize(), 176400);
    const std::vector<std::uint8_t> pcm = CdTones(1.0);
    ASSERT_EQ(pcm.size(), 176400u);
    std::int64_t accepted = 0;
    EXPECT_EQ(converter.WriteStreamData(pcm.data(), 176400, &accepted), 16000);
    EXPECT_EQ(accepted, 176400);
    EXPECT_EQ(converter.MillisecondsWritten(), 1000);
    EXPECT_EQ(converter.EstimatedBytesWritten(), 16000);
    EXPECT_EQ(converter.EndWriteStream(), 0);
    converter.Close();
    EXPECT_EQ(converter.EndWriteStream(), -1);
}

TEST_F(WmaConvertOracle, TagsWrittenReadBackThroughTheDecodingObject) {
    CConv2FileFormat target(0x161);
    GetFormatFromPreset(&target, 5, TAG_TYPE_WMA_ATTRIBUTES);
    const std::vector<std::uint8_t> pcm = CdTones(0.4);

    struct TCase {
        const char* genre;
        std::int32_t genreIndex;
        std::int32_t year;
        std::int32_t track;
        std::int32_t count;
        const char* genreRead;
        std::int32_t indexRead;
        std::int32_t yearRead;
        std::int32_t trackRead;
        std::int32_t countRead;
    };
    const TCase cases[] = {
        {"", 17, 999, 7, 12, "(17)", 17, 0, 7, 12},
        {"Rock", kNoGenreIndex, 2024, 0, 5, "(17)", 17, 2024, -1, -1},
        {"Chiptune Jazz", kNoGenreIndex, 1000, 99, 100, "Chiptune Jazz", kNoGenreIndex, 1000, 99, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.genre);
        // A fresh file each time: attributes not written stay in a file.
        const std::string path = dir_.File(std::string("tagged") + std::to_string(c.year) + ".wma");
        ASSERT_TRUE(Convert(path, target, pcm, 3));
        TMusicInfo info;
        std::snprintf(info.title, sizeof info.title, "%s", "Gr\u00fc\u00dfe \u2603");
        std::snprintf(info.artist, sizeof info.artist, "%s", "An Artist");
        std::snprintf(info.genre, sizeof info.genre, "%s", c.genre);
        info.genreIndex = c.genreIndex;
        info.year = c.year;
        info.trackNumber = c.track;
        info.trackCount = c.count;
        info.cdIdentifierLength = 12;
        for (int i = 0; i < 12; ++i) info.cdIdentifier[i] = static_cast<std::uint8_t>(0xF0 + i);
        CConv2WmaFile tagger;
        ASSERT_EQ(tagger.WriteTag(path.c_str(), "songsmith", &info, nullptr), 0) << GetLastError();

        wmatest::TLoadedSong song(path);
        ASSERT_TRUE(song.loaded) << GetLastError();
        EXPECT_EQ(song.info.tagType, TAG_TYPE_WMA_ATTRIBUTES);
        EXPECT_STREQ(song.info.title, "Gr\u00fc\u00dfe \u2603");
        EXPECT_STREQ(song.info.artist, "An Artist");
        EXPECT_STREQ(song.info.genre, c.genreRead);
        EXPECT_EQ(song.info.genreIndex, c.indexRead);
        EXPECT_EQ(song.info.year, c.yearRead);
        EXPECT_EQ(song.info.trackNumber, c.trackRead);
        EXPECT_EQ(song.info.trackCount, c.countRead);
        ASSERT_EQ(song.info.cdIdentifierLength, 12u);
        EXPECT_EQ(0, std::memcmp(song.info.cdIdentifier, info.cdIdentifier, 12));
    }
}

TEST_F(WmaConvertOracle, AnUntaggedTitleIsTheFileName) {
    CConv2FileFormat target(0x161);
    GetFormatFromPreset(&target, 4, TAG_TYPE_WMA_ATTRIBUTES);
    const std::string path = dir_.File("Side A.wma");
    ASSERT_TRUE(Convert(path, target, CdTones(0.3), 4));
    CConv2WmaFile tagger;
    ASSERT_EQ(tagger.WriteTag(path.c_str(), "songsmith", nullptr, nullptr), 0) << GetLastError();
    wmatest::TLoadedSong song(path);
    ASSERT_TRUE(song.loaded);
    EXPECT_STREQ(song.info.title, "Side A");
}

}  // namespace
