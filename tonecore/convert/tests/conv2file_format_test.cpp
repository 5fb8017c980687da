// Conversion targets: the defaults of each type, the sound-quality rules,
// the bitrate lists, the stored preferences and fitting a WAV target to a
// source.
#include "tonecore/convert/conv2file_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "filekit/reg_key.h"
#include "platform/registry_store.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2wave_file.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

using pcmtest::Pcm;

TEST(Conv2FileFormat, NewFormatsTakeTheirTypesDefaults) {
    struct Case {
        std::uint16_t tag;
        std::int32_t type;
        std::int32_t preset;
        std::int32_t quality;
    };
    for (const Case c : {Case{1, 0, 1, 1}, Case{0x55, 1, 9, 2}, Case{0x161, 2, 7, 3}}) {
        SCOPED_TRACE(c.tag);
        const CConv2FileFormat f(c.tag);
        EXPECT_EQ(f.wFormatTag, c.tag);
        EXPECT_EQ(f.conversionType, c.type);
        EXPECT_EQ(f.preset, c.preset);
        EXPECT_EQ(f.soundQuality, c.quality);
        EXPECT_EQ(f.nChannels, 2);
        EXPECT_EQ(f.nSamplesPerSec, 44100u);
        EXPECT_EQ(f.wBitsPerSample, 16);
        EXPECT_EQ(f.nBlockAlign, 4);
        EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
        EXPECT_EQ(f.cbSize, 94);
        EXPECT_EQ(f.usePreset, 1);
        EXPECT_EQ(f.bitrate, 192);
        EXPECT_EQ(f.tagType, 2);
        EXPECT_EQ(f.mpegVersion, 1);
        EXPECT_EQ(f.minBitrate, 128);
        EXPECT_EQ(f.maxBitrate, 320);
        EXPECT_EQ(f.writeVBRHeader, 1);
        EXPECT_EQ(f.vbrQuality, 2);
        EXPECT_EQ(f.abrBitrate, 192);
        EXPECT_EQ(f.privateBit + f.copyrightBit + f.originalBit + f.mode + f.psyModel + f.crc + f.enableVBR +
                      f.reSampleRate + f.emphasis + f.enableABR + f.noReservoir,
                  0);
    }
}

TEST(Conv2FileFormat, SoundQualityBecomesWhatTheTypeAccepts) {
    struct Case {
        std::uint16_t tag;
        std::int32_t set;
        std::int32_t quality;
        std::int32_t preset;  // the preset was 3 before
    };
    const Case cases[] = {
        {0x55, 1, 2, 9},  // CD quality brings the type's default preset
        {0x55, 0, 3, 3}, {0x55, 2, 2, 3}, {0x161, 1, 2, 7}, {1, 3, 0, 3}, {1, 1, 1, 3}, {1, 2, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tag << " " << c.set);
        CConv2FileFormat f(c.tag);
        f.preset = 3;
        f.SetSoundQuality(c.set);
        EXPECT_EQ(f.soundQuality, c.quality);
        EXPECT_EQ(f.preset, c.preset);
    }
}

TEST(Conv2FileFormat, BitratesSnapToTheNearestListEntry) {
    struct Case {
        std::int32_t (*find)(std::int32_t);
        std::int32_t value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {FindMostNaturalMPEG1BitRate, 144, 128},  // the midpoint goes down
        {FindMostNaturalMPEG1BitRate, 145, 160},  {FindMostNaturalMPEG1BitRate, 36, 32},
        {FindMostNaturalMPEG1BitRate, 37, 40},    {FindMostNaturalMPEG1BitRate, 0, 32},
        {FindMostNaturalMPEG1BitRate, 999, 320},  {FindMostNaturalMPEG1BitRate, 224, 224},
        {FindMostNaturalMPEG2XBitRate, 150, 160}, {FindMostNaturalMPEG2XBitRate, 144, 128},
        {FindMostNaturalMPEG2XBitRate, 4, 8},     {FindMostNaturalMPEG2XBitRate, 320, 160},
        {FindMostNaturalWMABitRate, 21, 20},      {FindMostNaturalWMABitRate, 1, 5},
        {FindMostNaturalWMABitRate, 300, 192},    {FindMostNaturalWMABitRate, 34, 32},
        {FindMostNaturalWMABitRate, 35, 36},
    };
    for (const Case& c : cases) EXPECT_EQ(c.find(c.value), c.expected) << c.value;
}

TEST(Conv2FileFormat, BitrateRangesAroundAValue) {
    struct Case {
        void (*find)(std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*);
        std::int32_t value;
        std::int32_t max, min, abr, snapped;
    };
    const Case cases[] = {
        {FindMostNaturalMPEG1BitRates, 400, 320, 256, 319, 320},
        {FindMostNaturalMPEG1BitRates, 320, 320, 256, 319, 320},
        {FindMostNaturalMPEG1BitRates, 10, 40, 32, 33, 32},
        {FindMostNaturalMPEG1BitRates, 128, 128, 112, 127, 128},
        {FindMostNaturalMPEG1BitRates, 150, 160, 128, 150, 160},
        {FindMostNaturalMPEG2XBitRates, 100, 112, 96, 100, 96},
        {FindMostNaturalMPEG2XBitRates, 8, 16, 8, 9, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::int32_t max = 0, min = 0, abr = 0, value = c.value;
        c.find(&max, &min, &abr, &value);
        EXPECT_EQ(max, c.max);
        EXPECT_EQ(min, c.min);
        EXPECT_EQ(abr, c.abr);
        EXPECT_EQ(value, c.snapped);
    }
}

TEST(Conv2FileFormat, PresetTablesKeepTheirDefaults) {
    ASSERT_NE(MP3Preset(9), nullptr);
    EXPECT_STREQ(MP3Preset(9)->nameKey, "IDS_MP3_PRESET_CD");
    EXPECT_EQ(MP3Preset(9)->bitrate, 192);
    EXPECT_EQ(MP3Preset(1)->rate, 8000);
    EXPECT_EQ(MP3Preset(10)->vbrQuality, 0);
    EXPECT_EQ(MP3Preset(11), nullptr);
    EXPECT_EQ(WMAPreset(7)->bitrate, 128);
    EXPECT_EQ(WMAPreset(4)->channels, 1);
    EXPECT_EQ(WMAPreset(0), nullptr);
}

class Conv2FilePreferences : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryStoreSetFolder(dir_.Path());
        root_ = std::make_unique<CRegKey>(HKEY_CURRENT_USER);
        key_ = root_->CreateSubKey("SOFTWARE\\Marovelle\\Songsmith\\Rip");
        ASSERT_NE(key_, nullptr);
    }
    void TearDown() override {
        DeleteRegKey(&key_);
        root_.reset();
        RegistryStoreSetFolder("");
    }

    testsupport::TempDir dir_;
    std::unique_ptr<CRegKey> root_;
    CRegKey* key_ = nullptr;
};

TEST_F(Conv2FilePreferences, AnMP3TargetComesBackWhole) {
    CConv2FileFormat written(0x55);
    written.nChannels = 1;
    written.nSamplesPerSec = 22050;
    written.CalcBlockAlignNAvgBytesPerSec();
    written.preset = 4;
    written.usePreset = 0;
    written.bitrate = 96;
    written.tagType = 1;
    written.privateBit = written.copyrightBit = written.originalBit = 1;
    written.mpegVersion = 0;
    written.mode = 3;
    written.minBitrate = 32;
    written.maxBitrate = 160;
    written.psyModel = written.crc = written.enableVBR = written.enableABR = written.noReservoir = 1;
    written.writeVBRHeader = 0;
    written.reSampleRate = 22050;
    written.emphasis = 2;
    written.vbrQuality = 7;
    written.abrBitrate = 100;
    ASSERT_TRUE(written.WritePreferences(key_));

    CConv2FileFormat read(0x55);
    ASSERT_TRUE(read.ReadPreferences(key_));
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
}

TEST_F(Conv2FilePreferences, AWavTargetLeavesTheMP3ValuesAlone) {
    CConv2FileFormat wave(1);
    wave.mode = 3;
    ASSERT_TRUE(wave.WritePreferences(key_));
    EXPECT_EQ(key_->SubKeyExists("ConvertToMode"), 0);
    EXPECT_EQ(key_->SubKeyExists("ConvertToCDQuality"), 1);

    ASSERT_EQ(key_->SetKeyNum("ConvertToMode", 1), 1);
    ASSERT_EQ(key_->SetKeyNum("ConvertToSamplesPerSec", 22050), 1);
    CConv2FileFormat read(1);
    ASSERT_TRUE(read.ReadPreferences(key_));
    EXPECT_EQ(read.mode, 0);
    EXPECT_EQ(read.nSamplesPerSec, 22050u);
    EXPECT_EQ(read.nAvgBytesPerSec, 88200u);

    // A head the engine cannot write makes the read fail.
    ASSERT_EQ(key_->SetKeyNum("ConvertToChannels", 3), 1);
    EXPECT_FALSE(read.ReadPreferences(key_));
    EXPECT_EQ(read.cbSize, 94);
}

TEST_F(Conv2FilePreferences, OldSettingsWithoutAPresetDoNotUseOne) {
    CConv2FileFormat f(0x55);
    ASSERT_EQ(key_->SetKeyNum("ConvertToToneCorePreset", 0), 1);
    ASSERT_TRUE(f.ReadPreferences(key_));
    EXPECT_EQ(f.usePreset, 0);

    CConv2FileFormat g(0x55);
    ASSERT_EQ(key_->SetKeyNum("ConvertToToneCorePreset", 5), 1);
    ASSERT_TRUE(g.ReadPreferences(key_));
    EXPECT_EQ(g.preset, 5);
    EXPECT_EQ(g.usePreset, 1);
}

// Fitting a WAV target to sources, with the WAV converter's rules.
class WaveTargetFit : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The factory is asked for WAV converters; the media module stays
        // out of this process.
        setenv("SONGSMITH_WMA_SUPPORT", "0", 1);
        DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    }
    static void TearDownTestSuite() {
        FreeConversionLibraries();
        unsetenv("SONGSMITH_WMA_SUPPORT");
    }
    CConv2WaveFile* NewWave() {
        auto* wave = new CConv2WaveFile();
        converters_.emplace_back(wave);
        return wave;
    }

    struct Release {
        void operator()(CConv2WaveFile* c) const { DeleteRefObject(&c); }
    };
    std::vector<std::unique_ptr<CConv2WaveFile, Release>> converters_;
};

TEST_F(WaveTargetFit, EachSoundQualityFollowsItsRule) {
    struct Case {
        std::int32_t quality;
        WAVEFORMATEX source;
        std::uint32_t decoderRate;  // 0: no decoder
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint16_t bits;
    };
    const Case cases[] = {
        {1, Pcm(22050, 1, 8), 0, 44100, 2, 16},   // CD quality whatever the source
        {0, Pcm(22050, 1, 8), 0, 22050, 1, 8},    // the source as it is
        {0, Pcm(48000, 2, 16), 0, 44100, 2, 16},  // to the nearest WAV rate
        {0, Pcm(8000, 1, 16), 0, 11025, 1, 16},
        {0, Pcm(44100, 2, 16), 16000, 22050, 2, 16},  // the decoder's own rate counts
        {2, Pcm(8000, 2, 8), 0, 11025, 1, 16},    // the user's settings as they stand
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "quality " << c.quality << " from " << c.source.nSamplesPerSec);
        CConv2FileFormat wanted(1);
        wanted.SetSoundQuality(c.quality);
        wanted.nSamplesPerSec = 11025;
        wanted.nChannels = 1;
        wanted.CalcBlockAlignNAvgBytesPerSec();
        wanted.usePreset = c.quality == 1 ? 1 : 0;
        wanted.privateBit = 1;
        wanted.crc = 1;
        CConv2FileFormat target(1);
        const TSourceDecoder decoder{nullptr, 128000, c.decoderRate};
        NewWave()->GetTargetFormat(&target, &wanted, &c.source, nullptr, c.decoderRate != 0 ? &decoder : nullptr);
        EXPECT_EQ(target.nSamplesPerSec, c.rate);
        EXPECT_EQ(target.nChannels, c.channels);
        EXPECT_EQ(target.wBitsPerSample, c.bits);
        EXPECT_EQ(target.nBlockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(target.cbSize, 94);
        EXPECT_EQ(target.usePreset, c.quality == 1 ? 1 : 0);
        // The header bits follow the wanted format except for the user's
        // own settings, which are taken whole anyway.
        EXPECT_EQ(target.privateBit, 1);
        EXPECT_EQ(target.crc, 1);
    }
}

TEST_F(WaveTargetFit, ACopyrightedSongMarksTheTarget) {
    CConv2FileFormat wanted(1);
    wanted.SetSoundQuality(0);
    TMusicInfo info;
    info.copyrighted = 1;
    info.tagType = TAG_TYPE_ID3V2;
    CConv2FileFormat target(1);
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    target.SmartCopy(1, &wanted, &source, nullptr, &info, nullptr);
    EXPECT_EQ(target.copyrightBit, 1);
    EXPECT_EQ(target.tagType, TAG_TYPE_ID3V2);
    EXPECT_EQ(target.conversionType, FILE_CONVERSION_WAV);
}

TEST_F(WaveTargetFit, WavTargetsAreCheckedByTheWavRules) {
    struct Case {
        const char* what;
        void (*change)(CConv2FileFormat&);
        bool valid;
    };
    const Case cases[] = {
        {"CD quality", [](CConv2FileFormat&) {}, true},
        {"22050 Hz", [](CConv2FileFormat& f) { f.nSamplesPerSec = 22050; }, true},
        {"32000 Hz", [](CConv2FileFormat& f) { f.nSamplesPerSec = 32000; }, false},
        {"MP3 tag", [](CConv2FileFormat& f) { f.wFormatTag = 0x55; }, false},
        {"another preset", [](CConv2FileFormat& f) { f.preset = 2; }, false},
        {"capped quality", [](CConv2FileFormat& f) { f.soundQuality = 3; }, false},
        {"no extension", [](CConv2FileFormat& f) { f.cbSize = 0; }, false},
        {"three channels", [](CConv2FileFormat& f) { f.nChannels = 3; }, false},
    };
    for (const Case& c : cases) {
        CConv2FileFormat f(1);
        c.change(f);
        EXPECT_EQ(NewWave()->ValidateFormat(&f), c.valid) << c.what;
    }
    // User's settings do not run from a preset.
    CConv2FileFormat user(1);
    user.soundQuality = 2;
    user.usePreset = 0;
    ASSERT_TRUE(NewWave()->ValidateFormat(&user));
    EXPECT_EQ(user.usePreset, 0);
}

TEST_F(WaveTargetFit, PresetsAndDescriptions) {
    CConv2FileFormat f(1);
    f.nSamplesPerSec = 11025;
    f.nChannels = 1;
    f.tagType = 4;
    f.soundQuality = 0;
    CConv2WaveFile* wave = NewWave();
    wave->GetFormatFromPreset(&f, -1, TAG_TYPE_KEEP, SOUND_QUALITY_KEEP);
    EXPECT_EQ(f.preset, 1);
    EXPECT_EQ(f.tagType, 4);
    EXPECT_EQ(f.soundQuality, 0);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);

    WAVEFORMATEX head{};
    f.MakeIntoWaveFormatEx(&head);
    EXPECT_EQ(head.cbSize, 0);
    EXPECT_EQ(head.nBlockAlign, 4);
    char text[64];
    wave->GetTargetFormatStr(text, sizeof text, &f);
    EXPECT_STREQ(text, "PCM 44.100 kHz, 16 Bit, Stereo");

    // A source's head with the most natural WAV rate, without a preset.
    CConv2FileFormat fitted(1);
    const WAVEFORMATEX source = Pcm(32000, 1, 8);
    fitted.SetFromWaveFormatEx(&source, nullptr, 0);
    EXPECT_EQ(fitted.nSamplesPerSec, 44100u);
    EXPECT_EQ(fitted.nChannels, 1);
    EXPECT_EQ(fitted.wBitsPerSample, 8);
    EXPECT_EQ(fitted.usePreset, 0);
    EXPECT_EQ(fitted.cbSize, 94);
}

}  // namespace
