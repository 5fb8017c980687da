// The WMA converter over a stand-in writer and editor: sample times, the
// estimates, failures and their codes, the attributes a tag sets; and the
// format rules of WMA targets.

#include "tonecore/convert/conv2wma_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/convert/tests/wma_fake_module.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/load/wma_errors.h"
#include "tonecore/convert/wma_rate_table.h"

namespace {

using wmafake::CFakeBoundConverter;
using wmafake::State;

// 16-bit stereo at 44100 Hz.
WAVEFORMATEX CdFormat() { return pcmtest::Pcm(44100, 2, 16); }

CConv2FileFormat Target(std::int32_t rate, std::int32_t channels, std::int32_t kbps) {
    CConv2FileFormat f(0x161);
    f.nSamplesPerSec = static_cast<std::uint32_t>(rate);
    f.nChannels = static_cast<std::uint16_t>(channels);
    f.bitrate = kbps;
    return f;
}

TEST(Conv2WmaFile, SampleTimesComeFromAllBytesWrittenSoAnHourDoesNotDrift) {
    CFakeBoundConverter converter;
    CConv2FileFormat target = Target(44100, 2, 128);
    const WAVEFORMATEX source = CdFormat();
    ASSERT_EQ(converter.Create("/tmp/unused.wma", &target, &source), 1);
    // An hour of CD audio in blocks of 16000 bytes (not a whole number of
    // milliseconds each), then a last short block.
    const std::vector<std::uint8_t> block(16000);
    const std::uint64_t hourBytes = 3600ull * 176400;
    std::uint64_t written = 0;
    std::int64_t estimated = 0;
    while (written < hourBytes) {
        const auto n = static_cast<std::int64_t>(std::min<std::uint64_t>(block.size(), hourBytes - written));
        std::int64_t accepted = 0;
        const std::int64_t out = converter.WriteStreamData(block.data(), n, &accepted);
        ASSERT_EQ(accepted, n);
        estimated += out;
        written += static_cast<std::uint64_t>(n);
    }
    EXPECT_EQ(converter.MillisecondsWritten(), 3600000);
    EXPECT_EQ(converter.EstimatedBytesWritten(), 3600 * 16000);
    EXPECT_EQ(estimated, 3600 * 16000);
    const auto& samples = State().samples;
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front().time, 0u);
    // Each sample starts where the bytes before it end, to the 100 ns.
    std::uint64_t before = 0;
    for (const auto& sample : samples) {
        const double exact = static_cast<double>(before) * 1e7 / 176400.0;
        ASSERT_NEAR(static_cast<double>(sample.time), exact, 1.0) << before;
        before += sample.bytes;
    }
    EXPECT_EQ(before, hourBytes);
}

TEST(Conv2WmaFile, AFailedSampleEndsTheWritingAndClosesTheConverter) {
    CFakeBoundConverter converter;
    CConv2FileFormat target = Target(44100, 2, 128);
    const WAVEFORMATEX source = CdFormat();
    ASSERT_EQ(converter.Create("/tmp/unused.wma", &target, &source), 1);
    State().writeResult = E_FAIL;
    const std::vector<std::uint8_t> block(4000);
    std::int64_t accepted = 7;
    EXPECT_EQ(converter.WriteStreamData(block.data(), 4000, &accepted), -1);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_WMA_WRITER);
    EXPECT_EQ(State().endWritings, 1);
    EXPECT_EQ(converter.IsOpen(), 0);
    EXPECT_EQ(converter.WriteStreamData(block.data(), 4000, &accepted), -1);
}

TEST(Conv2WmaFile, CreateFailuresKeepTheirCodes) {
    struct TCase {
        HRESULT profileResult;
        std::uint32_t profileError;
        HRESULT beginResult;
        std::uint32_t code;
    };
    const TCase cases[] = {
        {E_FAIL, 0x20000117, S_OK, 0x20000117},  {E_FAIL, 0x20000116, S_OK, 0x20000116},
        {E_FAIL, 0x20000118, S_OK, 0x20000118},  {E_FAIL, 5, S_OK, TONECORE_ERR_WMA_WRITER},
        {S_OK, 0, E_OUTOFMEMORY, TONECORE_ERR_OUT_OF_MEMORY}, {S_OK, 0, E_FAIL, TONECORE_ERR_WMA_WRITER},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.code);
        CFakeBoundConverter converter;
        State().profileResult = c.profileResult;
        State().profileError = c.profileError;
        State().beginResult = c.beginResult;
        CConv2FileFormat target = Target(44100, 2, 128);
        const WAVEFORMATEX source = CdFormat();
        EXPECT_EQ(converter.Create("/tmp/unused.wma", &target, &source), 0);
        EXPECT_EQ(GetLastError(), c.code);
        EXPECT_EQ(converter.IsOpen(), 0);
    }
}

std::string AttributeText(const std::vector<BYTE>& value) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) wide.push_back(static_cast<char16_t>(value[i] | (value[i + 1] << 8)));
    while (!wide.empty() && wide.back() == 0) wide.pop_back();
    return Utf16ToUtf8(wide);
}

TMusicInfo FullInfo() {
    TMusicInfo info;
    std::strcpy(info.title, "Title");
    std::strcpy(info.artist, "Artist");
    std::strcpy(info.album, "Album");
    std::strcpy(info.comment, "Comment");
    std::strcpy(info.copyright, "Copyright");
    std::strcpy(info.genre, "Rock");
    info.genreIndex = 17;
    info.year = 1999;
    info.trackNumber = 3;
    info.trackCount = 120;
    info.cdIdentifierLength = 4;
    return info;
}

TEST(Conv2WmaFile, WriteTagSetsTheSongsAttributesInOrder) {
    CFakeBoundConverter converter;
    TMusicInfo info = FullInfo();
    ASSERT_EQ(converter.WriteTag("/tmp/song.wma", "songsmith", &info, nullptr), 0);
    std::vector<std::pair<std::string, std::string>> seen;
    for (const auto& [name, value] : State().attributes) {
        seen.emplace_back(name, name == "WM/MCDI" ? std::to_string(value.size()) : AttributeText(value));
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Title", "Title"},         {"Author", "Artist"},       {"WM/AlbumTitle", "Album"},
        {"Description", "Comment"}, {"Copyright", "Copyright"}, {"WM/MCDI", "4"},
        {"WM/Genre", "(17)"},       {"WM/Year", "1999"},        {"WM/Track", "3"},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(State().flushes, 1);
    EXPECT_EQ(converter.IsOpen(), 0);
}

TEST(Conv2WmaFile, AFailedAttributeReportsFailureAndSavesNothing) {
    CFakeBoundConverter converter;
    State().failingAttribute = "Copyright";
    TMusicInfo info = FullInfo();
    EXPECT_EQ(converter.WriteTag("/tmp/song.wma", "songsmith", &info, nullptr), -1);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_WMA_ATTRIBUTE);
    EXPECT_EQ(State().attributes.size(), 4u);  // none after the one that failed
    EXPECT_EQ(State().flushes, 0);
    EXPECT_EQ(State().closes, 1);
}

// Every attribute set, but the editor could not save the file (a folder
// that cannot be written to): a failure, not a tagged song.
TEST(Conv2WmaFile, AnUnsavedTagIsAFailure) {
    CFakeBoundConverter converter;
    State().editorFlushResult = E_FAIL;
    TMusicInfo info = FullInfo();
    SetLastError(0);
    EXPECT_EQ(converter.WriteTag("/tmp/song.wma", "songsmith", &info, nullptr), -1);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_WMA_ATTRIBUTE);
    EXPECT_EQ(State().flushes, 1);
    EXPECT_EQ(State().closes, 1);
    EXPECT_EQ(converter.IsOpen(), 0);
}

TEST(Conv2WmaFile, WithoutATagTypeTheFileIsOpenedOnlyForTheProtectBit) {
    {
        CFakeBoundConverter converter;
        CConv2FileFormat wanted = Target(44100, 2, 128);
        wanted.tagType = TAG_TYPE_NONE;
        CConv2FileFormat target(0x161);
        const WAVEFORMATEX source = CdFormat();
        converter.GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
        TMusicInfo info = FullInfo();
        EXPECT_EQ(converter.WriteTag("/tmp/song.wma", "x", &info, nullptr), 0);
        EXPECT_EQ(State().editorsMade, 0);
    }
    {
        CFakeBoundConverter converter;
        CConv2FileFormat wanted = Target(44100, 2, 128);
        wanted.tagType = TAG_TYPE_NONE;
        wanted.copyrightBit = 1;
        CConv2FileFormat target(0x161);
        const WAVEFORMATEX source = CdFormat();
        converter.GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
        ASSERT_EQ(converter.Create("/tmp/unused.wma", &wanted, &source), 1);
        converter.Close();
        TMusicInfo info = FullInfo();
        EXPECT_EQ(converter.WriteTag("/tmp/song.wma", "x", &info, nullptr), 0);
        EXPECT_EQ(State().editorsMade, 1);
        EXPECT_TRUE(State().attributes.empty());
    }
}

TEST(Conv2WmaFile, RatesChannelsAndBitratesFitTheRateTable) {
    struct TCase {
        std::int32_t rate, channels, kbps;
        int row;
        std::int32_t rateOut, channelsOut, kbpsOut;
    };
    const TCase cases[] = {
        {44100, 1, 128, 0, 44100, 1, 48},  // mono at 44100 is at most 48
        {44100, 2, 0, 0, 44100, 2, 160},   // no bitrate: the default
        {44100, 1, 0, 0, 44100, 1, 48},
        {44100, 2, 8, 0, 44100, 2, 32},
        {48000, 1, 64, 1, 48000, 2, 128},  // 48000 is stereo only
        {24000, 2, 64, 3, 22050, 2, 32},   // 24000 becomes 22050
        {12000, 2, 64, 5, 11025, 1, 8},    // and 12000 becomes 11025, mono only
        {11025, 2, 0, 5, 11025, 1, 8},
        {8000, 2, 5, 6, 8000, 2, 12},
        {96000, 2, 128, -1, 96000, 2, 128},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.rate);
        CConv2FileFormat f = Target(c.rate, c.channels, c.kbps);
        EXPECT_EQ(MakeMostNaturalWMABitrateFromC2FFSettings(&f), c.row);
        EXPECT_EQ(static_cast<std::int32_t>(f.nSamplesPerSec), c.rateOut);
        EXPECT_EQ(f.nChannels, c.channelsOut);
        EXPECT_EQ(f.bitrate, c.kbpsOut);
    }
}

TEST(Conv2WmaFile, TheRadioFitTakesTheChannelsTheBitrateAllows) {
    struct TCase {
        std::int32_t rate, channels, kbps;
        int row;
        std::int32_t channelsOut;
    };
    const TCase cases[] = {
        {44100, 1, 128, 0, 2},  // only stereo reaches 128
        {44100, 2, 40, 0, 2},   // both ranges: unchanged
        {44100, 1, 40, 0, 1},
        {22050, 2, 16, 3, 1},   // only mono goes down to 16
        {44100, 2, 200, -1, 2}, // neither range
        {11025, 2, 8, 5, 1},    // forced
    };
    for (const TCase& c : cases) {
        CConv2FileFormat f = Target(c.rate, c.channels, c.kbps);
        EXPECT_EQ(FitWMAChannelsToBitrate(&f), c.row) << c.rate << " " << c.kbps;
        EXPECT_EQ(f.nChannels, c.channelsOut) << c.rate << " " << c.kbps;
    }
}

TEST(Conv2WmaFile, FormatCallbacksSnapAndValidate) {
    CConv2WmaFile converter;
    CConv2FileFormat f = Target(24000, 2, 100);
    f.tagType = TAG_TYPE_ID3V2;
    converter.MakeMostNaturalFormatCallback(&f, nullptr, nullptr);
    EXPECT_EQ(f.tagType, TAG_TYPE_WMA_ATTRIBUTES);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.bitrate, 32);  // 96 by the list, then the row's stereo maximum

    CConv2FileFormat maxima = Target(44100, 2, 64);
    maxima.tagType = TAG_TYPE_NONE;
    CConv2FileFormat t = Target(44100, 2, 160);
    t.wBitsPerSample = 8;
    converter.UserMaximumsCallback(&t, &maxima);
    EXPECT_EQ(t.wBitsPerSample, 16);
    EXPECT_EQ(t.tagType, TAG_TYPE_NONE);
    EXPECT_EQ(t.bitrate, 64);
}

// Validation checks and refuses; it never fits a target into shape (the
// format callbacks do that), so a refused target comes back unchanged.
TEST(Conv2WmaFile, ValidationRefusesWhatTheEncoderDoesNotOffer) {
    CConv2WmaFile converter;
    const auto valid = [] {
        CConv2FileFormat f = Target(44100, 2, 128);
        f.cbSize = CConv2FileFormat::kExtensionBytes;
        f.tagType = TAG_TYPE_WMA_ATTRIBUTES;
        return f;
    };
    struct TCase {
        const char* what;
        std::function<void(CConv2FileFormat&)> change;
        bool accepted;
    };
    const TCase cases[] = {
        {"as offered", [](CConv2FileFormat&) {}, true},
        {"untagged, preset 8",
         [](CConv2FileFormat& f) {
             f.tagType = TAG_TYPE_NONE;
             f.usePreset = 1;
             f.preset = 8;
         },
         true},
        {"11025 Hz mono at 8",
         [](CConv2FileFormat& f) {
             f.nSamplesPerSec = 11025;
             f.nChannels = 1;
             f.bitrate = 8;
         },
         true},
        {"PCM tag", [](CConv2FileFormat& f) { f.wFormatTag = 1; }, false},
        {"130 kbit/s is no listed bitrate", [](CConv2FileFormat& f) { f.bitrate = 130; }, false},
        {"12000 Hz", [](CConv2FileFormat& f) { f.nSamplesPerSec = 12000; }, false},
        {"11025 Hz stereo at 128", [](CConv2FileFormat& f) { f.nSamplesPerSec = 11025; }, false},
        {"11025 Hz mono at 128",
         [](CConv2FileFormat& f) {
             f.nSamplesPerSec = 11025;
             f.nChannels = 1;
         },
         false},
        {"48000 Hz mono",
         [](CConv2FileFormat& f) {
             f.nSamplesPerSec = 48000;
             f.nChannels = 1;
         },
         false},
        {"44100 Hz stereo at 8", [](CConv2FileFormat& f) { f.bitrate = 8; }, false},
        {"preset 9",
         [](CConv2FileFormat& f) {
             f.usePreset = 1;
             f.preset = 9;
         },
         false},
        {"ID3 v1 tag", [](CConv2FileFormat& f) { f.tagType = TAG_TYPE_ID3V1; }, false},
        {"quality 4", [](CConv2FileFormat& f) { f.soundQuality = 4; }, false},
        {"extension of 0 bytes", [](CConv2FileFormat& f) { f.cbSize = 0; }, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        CConv2FileFormat f = valid();
        c.change(f);
        const CConv2FileFormat before = f;
        EXPECT_EQ(converter.ValidateFormat(&f), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(f.wBitsPerSample, 16);
            EXPECT_EQ(f.nAvgBytesPerSec, f.nSamplesPerSec * f.nChannels * 2);
        } else {
            const auto fields = [](const CConv2FileFormat& x) {
                return std::vector<std::int64_t>{x.wFormatTag,     x.nSamplesPerSec, x.nChannels,
                                                 x.bitrate,        x.usePreset,      x.preset,
                                                 x.tagType,        x.soundQuality,   x.cbSize,
                                                 x.wBitsPerSample, x.nAvgBytesPerSec};
            };
            EXPECT_EQ(fields(f), fields(before));
        }
    }
}

TEST(Conv2WmaFile, PresetsTextsAndSizes) {
    CConv2WmaFile converter;
    CConv2FileFormat f(0x161);
    GetFormatFromPreset(&f, 4, TAG_TYPE_KEEP);
    EXPECT_EQ(f.bitrate, 48);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(f.tagType, TAG_TYPE_ID3V2);  // kept

    converter.GetFormatFromPreset(&f, 3, TAG_TYPE_WMA_ATTRIBUTES, SOUND_QUALITY_KEEP);
    EXPECT_EQ(f.bitrate, 32);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.tagType, TAG_TYPE_WMA_ATTRIBUTES);

    char text[128];
    converter.GetTargetFormatStr(text, sizeof text, &f);
    EXPECT_STREQ(text, "WMA 32 kbps, 22.050 kHz, Stereo");
    f.copyrightBit = 1;
    converter.GetTargetFormatStr(text, sizeof text, &f);
    EXPECT_STREQ(text, "WMA 32 kbps, 22.050 kHz, Stereo, copyright bit set");
    char shortText[10];
    converter.GetTargetFormatStr(shortText, sizeof shortText, &f);
    EXPECT_STREQ(shortText, "WMA 32 kb");

    // kbps x ms / 8, without cutting the kbps first.
    CConv2FileFormat odd = Target(44100, 2, 20);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&odd, nullptr, 1000.0), 2500.0);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&f, nullptr, 1000.0), 4000.0);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&f, nullptr, -1.0), 0.0);  // open on no song
    int done = 0;
    EXPECT_EQ(converter.FinalData("x", "y", &done, nullptr), 0);
    EXPECT_EQ(done, 1);
}

TEST(Conv2WmaFile, WithoutTheMediaModuleWmaIsUnsupported) {
    wmatest::TWithoutMediaModule absent;
    CConv2WmaFile converter;
    CConv2FileFormat target = Target(44100, 2, 128);
    const WAVEFORMATEX source = CdFormat();
    EXPECT_EQ(converter.Create("/tmp/none.wma", &target, &source), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_WMA_EXPORT_MISSING);
    EXPECT_FALSE(IsWMAFormatAvailable(7));
    EXPECT_EQ(NumPresetWMAFormatsAvailable(), 0);
    EXPECT_EQ(GetPresetIndexFromSliderIndex(1), -1);

    testsupport::TempDir dir;
    const std::string path = dir.File("song.wma");
    testsupport::WriteWholeFile(path, "not really a song");
    wmatest::TLoadedSong song(path);
    EXPECT_FALSE(song.loaded);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_WMA_EXPORT_MISSING);
}

TEST(Conv2WmaFile, WithoutATimeTheSongItIsOpenOnIsMeasured) {
    testsupport::TempDir dir;
    const std::string wave = dir.File("second.wav");
    testsupport::WriteWholeFile(
        wave, songtest::Riff("WAVE", songtest::Chunk("fmt ", songtest::FormatBody(1, 2, 44100, 16)) +
                                         songtest::Chunk("data", songtest::SinePcm(44100, 2, 44100, 8000))));
    CConv2WmaFile converter;
    ASSERT_EQ(converter.Open(wave.c_str(), 0, 0), 1);
    CConv2FileFormat target = Target(44100, 2, 128);
    EXPECT_DOUBLE_EQ(converter.GetBytesToWrite(&target, nullptr, -1.0), 16000.0);
}

}  // namespace
