#include "tonecore/pcm/pcm_format.h"

#include <gtest/gtest.h>

#include <string>

#include "pcm_test_formats.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/tonecore_strings.h"

using pcmtest::Bytes16;
using pcmtest::Pcm;

TEST(ValidateFormat, AcceptsOnlyEnginePcmAndCompletesIt) {
    struct TCase {
        std::uint16_t tag;
        std::uint32_t rate;
        std::uint16_t channels, bits;
        int valid;
    };
    const TCase cases[] = {
        {1, 48000, 2, 16, 1}, {1, 48001, 2, 16, 0}, {1, 0, 2, 16, 0},  {1, 8000, 1, 8, 1},
        {1, 44100, 3, 16, 0}, {1, 44100, 0, 16, 0}, {1, 44100, 2, 24, 0}, {2, 44100, 2, 16, 0},
    };
    for (const TCase& c : cases) {
        WAVEFORMATEX f{};
        f.wFormatTag = c.tag;
        f.nSamplesPerSec = c.rate;
        f.nChannels = c.channels;
        f.wBitsPerSample = c.bits;
        f.cbSize = 22;
        f.nBlockAlign = 99;
        EXPECT_EQ(ValidateFormat(&f, WAVE_FORMAT_PCM), c.valid) << c.rate << " " << c.bits;
        if (!c.valid) {
            EXPECT_EQ(f.cbSize, 22);  // untouched
            EXPECT_EQ(f.nBlockAlign, 99);
        }
    }
    WAVEFORMATEX cd{};
    cd.wFormatTag = 1;
    cd.nSamplesPerSec = 44100;
    cd.nChannels = 2;
    cd.wBitsPerSample = 16;
    cd.cbSize = 5;
    ASSERT_EQ(ValidateFormat(&cd, WAVE_FORMAT_PCM), 1);
    EXPECT_EQ(cd.nBlockAlign, 4);
    EXPECT_EQ(cd.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(cd.cbSize, 0);
    EXPECT_EQ(ValidateFormat(nullptr, WAVE_FORMAT_PCM), 0);
}

TEST(SoundFormatToString, FormatsFromTheKeyedTextsWithinBounds) {
    const WAVEFORMATEX mono = Pcm(22050, 1, 8);
    const WAVEFORMATEX stereo = Pcm(44100, 2, 16);
    char out[128];
    SoundFormatToString(&mono, out, sizeof out, nullptr);
    EXPECT_STREQ(out, "PCM 22.050 kHz, 8 Bit, Mono");
    SoundFormatToString(&stereo, out, sizeof out, "IMA ADPCM");
    EXPECT_STREQ(out, "IMA ADPCM 44.100 kHz, 16 Bit, Stereo");
    char small[10];
    SoundFormatToString(&stereo, small, sizeof small, "100% name");
    EXPECT_STREQ(small, "100% name");
}

TEST(SoundFormatToString, RefusesTemplatesThatDoNotTakeTheFiveValues) {
    testsupport::TempDir dir;
    const std::string saved = ToneCoreStringFile();
    struct TCase {
        const char* pattern;
        const char* line;
    };
    const TCase cases[] = {
        {"%s|%d|%d|%d|%s", "PCM|8|0|16|Mono"},
        {"%-4s%% %2d.%03d %d %.3s", "PCM %  8.000 16 Mon"},
        // Wrong order, too few, too many, or unsafe conversions: built in.
        {"%d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %d %d %d", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %d %d %d %s %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %n %d %d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %*d %d %d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %ld %d %d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        // Widths or precisions that would fill gigabytes: built in.
        {"%1999999999s %d %d %d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %d.%.999999999d %d %s", "PCM 8.000 kHz, 16 Bit, Mono"},
        {"%s %d %d %d %0100s", "PCM 8.000 kHz, 16 Bit, Mono"},
    };
    const WAVEFORMATEX f = Pcm(8000, 1, 16);
    for (const TCase& c : cases) {
        const std::string file = dir.File("strings.ini");
        testsupport::WriteWholeFile(file, std::string("[Strings]\nFS_WAVE_FORMAT=") + c.pattern +
                                              "\nFS_MONO=Mono\nFS_MS_PCM=PCM\n");
        SetToneCoreStringFile(file.c_str());
        char out[64];
        SoundFormatToString(&f, out, sizeof out, nullptr);
        EXPECT_STREQ(out, c.line) << c.pattern;
    }
    SetToneCoreStringFile(saved.c_str());
}

TEST(GetMaxSample, TakesAbsolutePeaksPerChannel) {
    const WAVEFORMATEX stereo = Pcm(44100, 2, 16);
    const auto bytes = Bytes16({-32768, 5, 100, -200, 7});  // the odd last sample is no frame
    std::int32_t left = 0, right = 300;
    GetMaxSample(bytes.data(), bytes.data() + bytes.size(), &stereo, left, right);
    EXPECT_EQ(left, 32768);
    EXPECT_EQ(right, 300);  // a larger incoming value stays

    const WAVEFORMATEX mono8 = Pcm(8000, 1, 8);
    const std::uint8_t eight[] = {0x80, 0xFF, 0x81};
    left = 0;
    right = 0;
    GetMaxSample(eight, eight + 3, &mono8, left, right);
    EXPECT_EQ(left, 127 * 256);
    EXPECT_EQ(right, left);  // mono: right follows left
    left = 9;
    right = 0;
    GetMaxSample(eight, eight, &mono8, left, right);
    EXPECT_EQ(right, 9);
}
