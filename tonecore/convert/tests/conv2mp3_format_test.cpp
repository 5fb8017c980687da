// How the MP3 converters fit target formats to their encoders: presets,
// validation, the format callbacks, the size estimate and the settings text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tonecore/convert/blade_conv2mp3.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace {

using pcmtest::Pcm;

template <typename T>
struct TOwned {
    TOwned() : conv(new T()) {}
    ~TOwned() { DeleteRefObject(&conv); }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    T* operator->() const { return conv; }
    T* conv;
};

CConv2FileFormat Mp3Format() {
    CConv2FileFormat f(WAVE_FORMAT_MPEGLAYER3);
    f.usePreset = 0;
    return f;
}

TEST(Conv2MP3Format, EachEncoderReportsWhatItCanDo) {
    TOwned<CLameConv2MP3> lame;
    TOwned<CBladeConv2MP3> blade;
    TOwned<CConv2MP3> base;
    const auto flags = [](CConv2MP3* c) {
        return std::string{c->SupportsVBR() ? 'V' : '-', c->SupportsVBRXINGHeader() ? 'X' : '-',
                           c->SupportsVBRQuality() ? 'Q' : '-', c->SupportsABR() ? 'A' : '-',
                           c->SupportsMPEG1() ? '1' : '-', c->SupportsMPEG2() ? '2' : '-',
                           c->SupportsMPEG2_5() ? '5' : '-', c->SupportsJStereo() ? 'J' : '-',
                           c->SupportsDualChannel() ? 'D' : '-'};
    };
    EXPECT_EQ(flags(lame.conv), "VXQA125JD");
    EXPECT_EQ(flags(blade.conv), "----1---D");
    EXPECT_EQ(flags(base.conv), "---------");
    EXPECT_EQ(lame->GetMP3EncoderType(), MP3_ENCODER_LAME);
    EXPECT_EQ(blade->GetMP3EncoderType(), MP3_ENCODER_BLADE);
    EXPECT_EQ(base->GetMP3EncoderType(), MP3_ENCODER_NONE);
    EXPECT_EQ(std::string(lame->DefaultExt()), "mp3");
    EXPECT_EQ(lame->GetFormatType(), 0x55);
    EXPECT_EQ(lame->GetConversionType(), FILE_CONVERSION_MP3);
    EXPECT_EQ(lame->FirstSupportedPreset(), 1);
    EXPECT_EQ(blade->FirstSupportedPreset(), 5);
    EXPECT_EQ(blade->LastSupportedPreset(), 10);
    EXPECT_EQ(base->FirstSupportedPreset(), 0);

    // The factory makes each encoder's converter, present or not.
    CConv2FileObj* made = NewCConv2FileObj(FILE_CONVERSION_MP3, MP3_ENCODER_LAME);
    EXPECT_NE(dynamic_cast<CLameConv2MP3*>(made), nullptr);
    DeleteRefObject(&made);
    made = NewCConv2FileObj(FILE_CONVERSION_MP3, MP3_ENCODER_BLADE);
    EXPECT_NE(dynamic_cast<CBladeConv2MP3*>(made), nullptr);
    DeleteRefObject(&made);
}

TEST(Conv2MP3Format, PresetsFillEveryEncoderSetting) {
    TOwned<CLameConv2MP3> lame;
    for (std::int32_t p = 1; p <= kMP3PresetCount; ++p) {
        SCOPED_TRACE(p);
        const TMP3Preset& row = *MP3Preset(p);
        CConv2FileFormat f = Mp3Format();
        f.enableVBR = 1;
        f.enableABR = 1;
        lame->GetFormatFromPreset(&f, p, TAG_TYPE_ID3V1, SOUND_QUALITY_USER);
        EXPECT_EQ(f.preset, p);
        EXPECT_EQ(f.tagType, TAG_TYPE_ID3V1);
        EXPECT_EQ(f.enableVBR, 0);
        EXPECT_EQ(f.enableABR, 0);
        EXPECT_EQ(f.mpegVersion, row.mpegVersion);
        EXPECT_EQ(f.bitrate, row.bitrate);
        EXPECT_EQ(f.minBitrate, row.minBitrate);
        EXPECT_EQ(f.maxBitrate, row.maxBitrate);
        EXPECT_EQ(f.vbrQuality, row.vbrQuality);
        EXPECT_EQ(f.abrBitrate, row.bitrate);
        EXPECT_EQ(f.nSamplesPerSec, static_cast<std::uint32_t>(row.rate));
        EXPECT_EQ(f.mode, row.mode);
        EXPECT_EQ(f.nChannels, row.channels);
        EXPECT_EQ(f.nAvgBytesPerSec, static_cast<std::uint32_t>(row.rate * row.channels * 2));
        EXPECT_TRUE(lame->ValidateFormat(&f)) << "a preset's format is valid for its encoder";
    }
    // -1 is the default preset; the tag type and quality may be kept.
    CConv2FileFormat f = Mp3Format();
    f.tagType = TAG_TYPE_ID3V1;
    lame->GetFormatFromPreset(&f, -1, TAG_TYPE_KEEP, SOUND_QUALITY_KEEP);
    EXPECT_EQ(f.preset, 9);
    EXPECT_EQ(f.tagType, TAG_TYPE_ID3V1);
    // An encoder without joint stereo takes plain stereo.
    TOwned<CBladeConv2MP3> blade;
    blade->GetFormatFromPreset(&f, 7, TAG_TYPE_KEEP, SOUND_QUALITY_KEEP);
    EXPECT_EQ(f.mode, 0);
}

TEST(Conv2MP3Format, ValidationFollowsTheEncoder) {
    TOwned<CLameConv2MP3> lame;
    TOwned<CBladeConv2MP3> blade;
    const auto with = [](auto change) {
        CConv2FileFormat f = Mp3Format();
        change(f);
        return f;
    };
    struct TCase {
        const char* name;
        CConv2FileFormat format;
        bool lame;
        bool blade;
    };
    const TCase cases[] = {
        {"CD defaults", Mp3Format(), true, true},
        {"bitrate 144", with([](CConv2FileFormat& f) { f.bitrate = 144; }), false, false},
        {"ABR at the minimum", with([](CConv2FileFormat& f) { f.abrBitrate = 128; }), false, true},
        {"ABR just inside", with([](CConv2FileFormat& f) { f.abrBitrate = 129; }), true, true},
        {"ABR at the maximum", with([](CConv2FileFormat& f) { f.abrBitrate = 320; }), false, true},
        {"MPEG-2 at 22050", with([](CConv2FileFormat& f) {
             f.mpegVersion = 0; f.nSamplesPerSec = 22050; f.bitrate = 96; f.maxBitrate = 160; f.abrBitrate = 140;
         }), true, false},
        {"MPEG-2 with an MPEG-1 bitrate", with([](CConv2FileFormat& f) {
             f.mpegVersion = 0; f.bitrate = 192; f.maxBitrate = 160; f.abrBitrate = 140;
         }), false, false},
        {"unknown version", with([](CConv2FileFormat& f) { f.mpegVersion = 3; }), false, false},
        {"joint stereo", with([](CConv2FileFormat& f) { f.mode = 1; }), true, false},
        {"dual channel", with([](CConv2FileFormat& f) { f.mode = 2; }), true, true},
        {"mode 4", with([](CConv2FileFormat& f) { f.mode = 4; }), false, false},
        {"tag type 3", with([](CConv2FileFormat& f) { f.tagType = 3; }), false, false},
        {"preset 11 in use", with([](CConv2FileFormat& f) { f.usePreset = 1; f.preset = 11; }), false, false},
        {"an MPEG-2 preset in use", with([](CConv2FileFormat& f) { f.usePreset = 1; f.preset = 4; }), true, false},
        {"follow the source", with([](CConv2FileFormat& f) { f.soundQuality = 0; }), false, false},
        {"capped", with([](CConv2FileFormat& f) { f.soundQuality = 3; }), true, true},
        {"VBR quality 10", with([](CConv2FileFormat& f) { f.vbrQuality = 10; }), false, true},
        {"WAV tag", with([](CConv2FileFormat& f) { f.wFormatTag = 1; }), false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        CConv2FileFormat a = c.format;
        CConv2FileFormat b = c.format;
        EXPECT_EQ(lame->ValidateFormat(&a), c.lame);
        EXPECT_EQ(blade->ValidateFormat(&b), c.blade);
    }
    // A rate the version lacks is replaced by the version's own, and the
    // head follows the mode.
    CConv2FileFormat f = Mp3Format();
    f.nSamplesPerSec = 22050;
    f.mode = 3;
    f.wBitsPerSample = 8;
    ASSERT_TRUE(lame->ValidateFormat(&f));
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(f.cbSize, 94);
}

TEST(Conv2MP3Format, TheSizeEstimateFollowsTheBitrateRule) {
    TOwned<CLameConv2MP3> lame;
    TOwned<CBladeConv2MP3> blade;
    CConv2FileFormat f = Mp3Format();
    EXPECT_EQ(lame->GetBitrateForBytesToWrite(&f), 192);
    f.enableVBR = 1;
    EXPECT_EQ(lame->GetBitrateForBytesToWrite(&f), 272) << "128 + 75 x 192 / 100";
    EXPECT_EQ(blade->GetBitrateForBytesToWrite(&f), 192) << "no VBR: the bitrate";
    f.vbrQuality = 9;
    EXPECT_EQ(lame->GetBitrateForBytesToWrite(&f), 137) << "128 + 5 x 192 / 100";
    f.enableABR = 1;
    f.abrBitrate = 200;
    EXPECT_EQ(lame->GetBitrateForBytesToWrite(&f), 200);

    const WAVEFORMATEX cd = Pcm(44100, 2, 16);
    CConv2FileFormat target = Mp3Format();
    target.tagType = TAG_TYPE_NONE;
    EXPECT_DOUBLE_EQ(lame->GetBytesToWrite(&target, &cd, 1000.0), 24000.0);
    target.tagType = TAG_TYPE_ID3V1;
    EXPECT_DOUBLE_EQ(lame->GetBytesToWrite(&target, &cd, 1000.0), 24128.0);
    target.tagType = TAG_TYPE_ID3V2;
    EXPECT_DOUBLE_EQ(lame->GetBytesToWrite(&target, &cd, 1000.0), 24000.0 + 2058 + 2048);
    // Without the song itself nothing is known.
    EXPECT_DOUBLE_EQ(lame->GetBytesToWrite(&target, nullptr, 1000.0), 0.0);
    EXPECT_DOUBLE_EQ(lame->GetBytesToWrite(&target, &cd, -1.0), 0.0);
}

TEST(Conv2MP3Format, TheNaturalFormatFollowsTheSourceRate) {
    TOwned<CLameConv2MP3> lame;
    TOwned<CBladeConv2MP3> blade;
    struct TCase {
        std::uint32_t rate;
        std::uint16_t channels;
        std::int32_t bitrate;  // given by the source; 0 none
        std::int32_t version, lameBitrate, mode;
        std::uint32_t bladeRate;
        std::int32_t bladeBitrate;
    };
    const TCase cases[] = {
        {8000, 1, 0, 2, 8, 3, 32000, 32},   {11025, 2, 0, 2, 32, 0, 44100, 32},
        {16000, 2, 0, 0, 64, 0, 32000, 64}, {22050, 1, 0, 0, 48, 3, 44100, 48},
        {32000, 2, 0, 1, 128, 0, 32000, 128}, {44100, 1, 0, 1, 96, 3, 44100, 96},
        {48000, 2, 0, 1, 192, 0, 48000, 192}, {44100, 2, 144, 1, 128, 0, 44100, 128},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channels, " << c.bitrate);
        CConv2FileFormat f = Mp3Format();
        f.nSamplesPerSec = c.rate;
        f.nChannels = c.channels;
        f.bitrate = c.bitrate;
        f.enableVBR = 1;
        f.emphasis = 1;
        f.tagType = 4;
        CConv2FileFormat g = f;
        lame->MakeMostNaturalFormatCallback(&f, nullptr, nullptr);
        EXPECT_EQ(f.mpegVersion, c.version);
        EXPECT_EQ(f.bitrate, c.lameBitrate);
        EXPECT_EQ(f.mode, c.mode);
        EXPECT_EQ(f.enableVBR, 0);
        EXPECT_EQ(f.emphasis, 0);
        EXPECT_EQ(f.tagType, TAG_TYPE_ID3V2);
        blade->MakeMostNaturalFormatCallback(&g, nullptr, nullptr);
        EXPECT_EQ(g.nSamplesPerSec, c.bladeRate);
        EXPECT_EQ(g.bitrate, c.bladeBitrate);
    }
    // A bitrate between two list entries sets the VBR range around it.
    CConv2FileFormat f = Mp3Format();
    f.bitrate = 150;
    lame->MakeMostNaturalFormatCallback(&f, nullptr, nullptr);
    EXPECT_EQ(f.maxBitrate, 160);
    EXPECT_EQ(f.minBitrate, 128);
    EXPECT_EQ(f.abrBitrate, 150);
    EXPECT_EQ(f.bitrate, 160);
}

TEST(Conv2MP3Format, TheUsersMaximumsCapAFollowedSource) {
    TOwned<CLameConv2MP3> lame;
    // An MPEG-1 source capped by MPEG-2 settings: version, bitrates and rate
    // come down.
    CConv2FileFormat t = Mp3Format();
    t.bitrate = 320;
    CConv2FileFormat m = Mp3Format();
    m.mpegVersion = 0;
    m.bitrate = 64;
    m.mode = 3;
    m.tagType = TAG_TYPE_ID3V1;
    lame->UserMaximumsCallback(&t, &m);
    EXPECT_EQ(t.mpegVersion, 0);
    EXPECT_EQ(t.bitrate, 64);
    EXPECT_EQ(t.maxBitrate, 160);
    EXPECT_EQ(t.minBitrate, 128);
    EXPECT_EQ(t.nSamplesPerSec, 22050u);
    EXPECT_EQ(t.mode, 3);
    EXPECT_EQ(t.nChannels, 1);
    EXPECT_EQ(t.tagType, TAG_TYPE_ID3V1);
    EXPECT_EQ(t.abrBitrate, 159) << "kept inside the range";

    // A VBR range capped below its minimum falls back to constant bitrate.
    CConv2FileFormat v = Mp3Format();
    v.enableVBR = 1;
    v.enableABR = 1;
    CConv2FileFormat cbr = Mp3Format();
    cbr.bitrate = 96;
    lame->UserMaximumsCallback(&v, &cbr);
    EXPECT_EQ(v.enableVBR, 0);
    EXPECT_EQ(v.enableABR, 0);
    EXPECT_EQ(v.minBitrate, 96);
    EXPECT_EQ(v.maxBitrate, 160);

    // Under a VBR maximum a VBR target keeps within its range and quality.
    CConv2FileFormat w = Mp3Format();
    w.enableVBR = 1;
    w.vbrQuality = 0;
    CConv2FileFormat vbr = Mp3Format();
    vbr.enableVBR = 1;
    vbr.minBitrate = 112;
    vbr.maxBitrate = 256;
    vbr.vbrQuality = 4;
    lame->UserMaximumsCallback(&w, &vbr);
    EXPECT_EQ(w.enableVBR, 1);
    EXPECT_EQ(w.minBitrate, 112);
    EXPECT_EQ(w.maxBitrate, 256);
    EXPECT_EQ(w.vbrQuality, 4);

    TOwned<CBladeConv2MP3> blade;
    CConv2FileFormat b = Mp3Format();
    b.mpegVersion = 0;
    b.nSamplesPerSec = 22050;
    b.bitrate = 150;
    lame->UserMaximumsCallback(&b, &m);
    blade->UserMaximumsCallback(&b, &m);
    EXPECT_EQ(b.mpegVersion, 1);
    EXPECT_EQ(b.bitrate, 64);
}

TEST(Conv2MP3Format, AnEncoderChangeBringsTheSettingsWithinReach) {
    CConv2FileFormat f = Mp3Format();
    f.mpegVersion = 0;
    f.nSamplesPerSec = 22050;
    f.bitrate = 144;
    f.mode = 1;
    f.preset = 2;
    TOwned<CBladeConv2MP3> blade;
    blade->UpdateSettingsAfterEncoderChange(&f);
    EXPECT_EQ(f.mpegVersion, 1);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.bitrate, 128);
    EXPECT_EQ(f.mode, 0) << "no joint stereo";
    EXPECT_EQ(f.preset, 5) << "the first MPEG-1 preset";
    EXPECT_TRUE(blade->ValidateFormat(&f));

    CConv2FileFormat g = Mp3Format();
    g.mpegVersion = 2;
    g.nSamplesPerSec = 44100;
    g.bitrate = 150;
    TOwned<CLameConv2MP3> lame;
    lame->UpdateSettingsAfterEncoderChange(&g);
    EXPECT_EQ(g.maxBitrate, 160);
    EXPECT_EQ(g.minBitrate, 128);
    EXPECT_EQ(g.abrBitrate, 159);
    EXPECT_EQ(g.bitrate, 160);
    EXPECT_EQ(g.nSamplesPerSec, 11025u);
    EXPECT_TRUE(lame->ValidateFormat(&g));
}

TEST(Conv2MP3Format, TheTargetTakesTheSourceRateAndTheTagRoom) {
    TOwned<CLameConv2MP3> lame;
    struct TCase {
        std::uint32_t sourceRate;
        std::int32_t wantedVersion;
        std::uint32_t rate;
    };
    for (const TCase& c : {TCase{48000, 1, 48000}, TCase{22050, 1, 44100}, TCase{24000, 0, 24000}}) {
        SCOPED_TRACE(c.sourceRate);
        CConv2FileFormat wanted = Mp3Format();
        wanted.mpegVersion = c.wantedVersion;
        if (c.wantedVersion == 0) {
            wanted.bitrate = 96;
            wanted.maxBitrate = 160;
            wanted.abrBitrate = 140;
        }
        CConv2FileFormat target = Mp3Format();
        const WAVEFORMATEX source = Pcm(c.sourceRate, 2, 16);
        lame->GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
        EXPECT_EQ(target.nSamplesPerSec, c.rate);
        EXPECT_EQ(target.mpegVersion, c.wantedVersion);
        EXPECT_EQ(lame->TagReserve(), 2048);
    }
    CConv2FileFormat wanted = Mp3Format();
    wanted.tagType = TAG_TYPE_ID3V1;
    CConv2FileFormat target = Mp3Format();
    const WAVEFORMATEX source = Pcm(44100, 2, 16);
    lame->GetTargetFormat(&target, &wanted, &source, nullptr, nullptr);
    EXPECT_EQ(lame->TagReserve(), 128);
    TMusicInfo info;
    info.tagSize = 5000;
    wanted.tagType = TAG_TYPE_ID3V2;
    lame->GetTargetFormat(&target, &wanted, &source, &info, nullptr);
    EXPECT_EQ(lame->TagReserve(), 5000) << "room for the song's own tag";
}

TEST(Conv2MP3Format, TheSettingsTextNamesVersionBitrateAndMode) {
    TOwned<CLameConv2MP3> lame;
    TOwned<CBladeConv2MP3> blade;
    char text[256];
    CConv2FileFormat f = Mp3Format();
    lame->GetTargetFormatStr(text, sizeof text, &f);
    EXPECT_STREQ(text, "MPEG 1, 192 kbps, Stereo");
    f.enableVBR = 1;
    f.crc = 1;
    f.copyrightBit = 1;
    lame->MakeSettingsString(&f, false, text, sizeof text);
    EXPECT_STREQ(text, "MPEG 1 Layer 3, VBR 128-320 kbps, quality 2, Stereo, VBR header, CRC, copyright");
    blade->MakeSettingsString(&f, false, text, sizeof text);
    EXPECT_STREQ(text, "MPEG 1 Layer 3, 192 kbps, Stereo, CRC, copyright") << "no VBR: the bitrate";
    f.enableABR = 1;
    f.mode = 3;
    f.mpegVersion = 2;
    lame->GetTargetFormatStr(text, sizeof text, &f);
    EXPECT_STREQ(text, "MPEG 2.5, ABR 128-320 kbps, average 192 kbps, Mono");
    lame->GetTargetFormatStr(text, 9, &f);
    EXPECT_STREQ(text, "MPEG 2.5") << "cut to the room given";
}

}  // namespace
