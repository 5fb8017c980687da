// The converter factory: which conversions are offered follows the encoder
// libraries and the media module found beside the program. The tests put a
// stand-in encoder library under the encoder file names, and the real media
// module, into this executable's own folder and take them away again.
#include "tonecore/convert/converter_factory.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string>

#include "filekit/ref_obj.h"
#include "platform/user_folders.h"
#include "testsupport/converter_modules.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_obj.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

using testsupport::BesideExecutable;
using testsupport::kBladeModuleFile;
using testsupport::kLameModuleFile;
using testsupport::kMediaModuleFile;
using testsupport::PlaceConverterModule;
using testsupport::RemoveConverterModules;

class ConverterFactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("SONGSMITH_WMA_SUPPORT");
        SetToneCoreStringFile(TRACKPRESS_TONECORE_STRINGS);
        RemoveConverterModules();
    }
    void TearDown() override {
        EXPECT_EQ(FreeConversionLibraries(), 1);
        RemoveConverterModules();
        unsetenv("SONGSMITH_WMA_SUPPORT");
    }

    static void PlaceEncoders(bool lame, bool blade) {
        if (lame) PlaceConverterModule(kLameModuleFile, TRACKPRESS_FAKE_ENCODER_MODULE);
        if (blade) PlaceConverterModule(kBladeModuleFile, TRACKPRESS_FAKE_ENCODER_MODULE);
    }
    static std::array<int, 3> Available() {
        std::array<int, 3> flags{-1, -1, -1};
        int count = 0;
        GetConvertersAvailable(&count, flags.data());
        EXPECT_EQ(count, 3);
        return flags;
    }
};

TEST_F(ConverterFactoryTest, EncoderProbeFollowsThePresentLibraries) {
    struct Case {
        bool lame;
        bool blade;
        _tMP3EncoderDllTypedef preferred;
        _tMP3EncoderDllTypedef current;
    };
    const Case cases[] = {
        {false, false, MP3_ENCODER_NONE, MP3_ENCODER_NONE},
        {false, false, MP3_ENCODER_LAME, MP3_ENCODER_LAME},  // nothing to switch to
        {true, true, MP3_ENCODER_NONE, MP3_ENCODER_LAME},
        {true, true, MP3_ENCODER_BLADE, MP3_ENCODER_BLADE},
        {false, true, MP3_ENCODER_LAME, MP3_ENCODER_BLADE},
        {true, false, MP3_ENCODER_BLADE, MP3_ENCODER_LAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "lame " << c.lame << " blade " << c.blade << " preferred " << c.preferred);
        RemoveConverterModules();
        PlaceEncoders(c.lame, c.blade);
        DetermineConvertersAvailable(c.preferred, nullptr);
        EXPECT_EQ(GetMP3Encoder(), c.current);
        int present[2] = {-1, -1};
        GetMP3EncodersAvailable(present);
        EXPECT_EQ(present[0], c.lame ? 1 : 0);
        EXPECT_EQ(present[1], c.blade ? 1 : 0);
        const int mp3 = c.lame || c.blade ? 1 : 0;
        EXPECT_EQ(ConversionToMP3Allowed(), mp3);
        EXPECT_EQ(Available()[FILE_CONVERSION_MP3], mp3);
        EXPECT_EQ(Available()[FILE_CONVERSION_WAV], 1);
        // Without an encoder there is no MP3 converter to be had.
        if (mp3 == 0) {
            EXPECT_EQ(NewCConv2FileObj(FILE_CONVERSION_MP3, -1), nullptr);
        }
    }
}

TEST_F(ConverterFactoryTest, SettingsFollowTheEncoderTakenInsteadOfThePreferredOne) {
    const auto lowRateSettings = [] {
        CConv2FileFormat f(WAVE_FORMAT_MPEGLAYER3);
        f.mpegVersion = 0;
        f.nSamplesPerSec = 22050;
        f.bitrate = 96;
        f.mode = 1;
        f.preset = 3;
        return f;
    };
    // Only Blade is there: the settings made for LAME come within its reach.
    PlaceEncoders(false, true);
    CConv2FileFormat f = lowRateSettings();
    DetermineConvertersAvailable(MP3_ENCODER_LAME, &f);
    EXPECT_EQ(GetMP3Encoder(), MP3_ENCODER_BLADE);
    EXPECT_EQ(f.mpegVersion, 1);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.mode, 0);
    EXPECT_EQ(f.preset, 5);
    // The preferred encoder is there: the settings stay as they are.
    RemoveConverterModules();
    PlaceEncoders(true, true);
    CConv2FileFormat g = lowRateSettings();
    DetermineConvertersAvailable(MP3_ENCODER_LAME, &g);
    EXPECT_EQ(g.mpegVersion, 0);
    EXPECT_EQ(g.preset, 3);
}

TEST_F(ConverterFactoryTest, WaveConverterAndTypesFromTagsAndPaths) {
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    CConv2FileObj* wave = NewCConv2FileObj(FILE_CONVERSION_WAV, -1);
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->GetConversionType(), FILE_CONVERSION_WAV);
    EXPECT_EQ(wave->GetFormatType(), 1);
    EXPECT_STREQ(wave->DefaultExt(), "wav");
    DeleteRefObject(&wave);
    EXPECT_EQ(NewCConv2FileObj(FILE_CONVERSION_NONE, -1), nullptr);

    const std::pair<std::uint16_t, _tFileConversionTypedef> tags[] = {
        {1, FILE_CONVERSION_WAV}, {0x55, FILE_CONVERSION_MP3}, {0x161, FILE_CONVERSION_WMA}, {2, FILE_CONVERSION_NONE}};
    for (const auto& [tag, type] : tags) EXPECT_EQ(GetFileConversionTypeFromFormatTag(tag), type) << tag;

    // A ".wav" source goes to a compressed type; anything else becomes WAV.
    EXPECT_EQ(DetermineTargetConversion("/music/song.mp3"), FILE_CONVERSION_WAV);
    EXPECT_EQ(DetermineTargetConversion("/music/song.WAV"), FILE_CONVERSION_NONE);
    PlaceEncoders(true, false);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    EXPECT_EQ(DetermineTargetConversion("/music/song.wav"), FILE_CONVERSION_MP3);
}

TEST_F(ConverterFactoryTest, SetMP3EncoderTakesOnlyPresentEncoders) {
    PlaceEncoders(true, false);
    DetermineConvertersAvailable(MP3_ENCODER_LAME, nullptr);
    EXPECT_FALSE(SetMP3Encoder(MP3_ENCODER_NONE));
    EXPECT_FALSE(SetMP3Encoder(MP3_ENCODER_BLADE));
    EXPECT_EQ(GetMP3Encoder(), MP3_ENCODER_LAME);
    EXPECT_TRUE(SetMP3Encoder(MP3_ENCODER_LAME));

    PlaceEncoders(false, true);
    DetermineConvertersAvailable(MP3_ENCODER_LAME, nullptr);
    EXPECT_TRUE(SetMP3Encoder(MP3_ENCODER_BLADE));
    EXPECT_EQ(GetMP3Encoder(), MP3_ENCODER_BLADE);
    // A library loaded for use stays until the libraries are freed.
    EXPECT_NE(LoadMP3EncoderLibrary(MP3_ENCODER_BLADE), nullptr);
    EXPECT_EQ(LoadMP3EncoderLibrary(MP3_ENCODER_NONE), nullptr);
}

TEST_F(ConverterFactoryTest, EncoderNamesCarryTheLibraryVersion) {
    PlaceEncoders(true, false);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    char buffers[3][400];
    char* names[3] = {buffers[0], buffers[1], buffers[2]};
    int available[3] = {-1, -1, -1};
    _tMP3EncoderDllTypedef current = MP3_ENCODER_NONE;
    int count = 0;
    GetMP3EncoderMenuInfo(&current, &count, names, sizeof buffers[0], available);
    EXPECT_EQ(current, MP3_ENCODER_LAME);
    EXPECT_EQ(count, 3);
    EXPECT_STREQ(names[0], "LAME MP3 encoder, version 3.07 (engine 1.02)");
    EXPECT_STREQ(names[1], "Blade MP3 encoder, not available");
    EXPECT_STREQ(names[2], "No encoder");
    EXPECT_EQ(available[0], 1);
    EXPECT_EQ(available[1], 0);
    EXPECT_EQ(available[2], 0);

    // Entries are cut to the buffers, terminator included.
    GetMP3EncoderNamesAndAvailablity(names, 5, available);
    EXPECT_STREQ(names[0], "LAME");
    EXPECT_STREQ(names[2], "No e");
}

TEST_F(ConverterFactoryTest, WmaFlagsFollowTheMediaModule) {
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    EXPECT_EQ(ConversionToWMAAllowed(), 0);
    EXPECT_EQ(GetWMADecoderFlag(), 0);
    EXPECT_EQ(LoadLibraryWMADecoder(), nullptr);

    PlaceConverterModule(kMediaModuleFile, TRACKPRESS_MEDIACORE_MODULE);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    EXPECT_EQ(ConversionToWMAAllowed(), 1);
    EXPECT_EQ(GetWMADecoderFlag(), 1);
    EXPECT_EQ(Available()[FILE_CONVERSION_WMA], 1);
    EXPECT_EQ(DetermineTargetConversion("/music/song.wav"), FILE_CONVERSION_WMA);

    // The system's answer comes first: a module it does not report is not used.
    setenv("SONGSMITH_WMA_SUPPORT", "0", 1);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    EXPECT_EQ(ConversionToWMAAllowed(), 0);
    EXPECT_EQ(GetWMADecoderFlag(), 0);
    EXPECT_EQ(LoadLibraryWMADecoder(), nullptr);
}

TEST_F(ConverterFactoryTest, TheWmaDecoderModuleIsLoadedOnceAndFreed) {
    PlaceConverterModule(kMediaModuleFile, TRACKPRESS_MEDIACORE_MODULE);
    void* first = LoadLibraryWMADecoder();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadLibraryWMADecoder(), first);
    EXPECT_EQ(FreeConversionLibraries(), 1);
    // One release was enough: nothing holds the module any more. (Under the
    // leak checker freed modules stay mapped on purpose, so it cannot tell.)
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(dlopen(BesideExecutable(kMediaModuleFile).c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
#endif
}

}  // namespace
