// The MP3 and WAV settings helpers over fake controls: what each list
// offers, the item each target value selects, and what the user's choices do
// to the target and to the controls that follow them.
#include <gtest/gtest.h>

#include "tonecore/convert/blade_conv2mp3.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/convert/mp3_settings_helpers.h"
#include "tonecore/convert/tests/fake_dialog_controls.h"
#include "tonecore/convert/wave_settings_helpers.h"

namespace {

using Values = std::vector<std::int32_t>;

CConv2FileFormat Mp3Format() {
    CConv2FileFormat f(WAVE_FORMAT_MPEGLAYER3);
    f.usePreset = 0;
    return f;
}

class Mp3SettingsHelpers : public ::testing::Test {
protected:
    ~Mp3SettingsHelpers() override {
        DeleteRefObject(&lame_);
        DeleteRefObject(&blade_);
    }
    CLameConv2MP3* lame_ = new CLameConv2MP3();
    CBladeConv2MP3* blade_ = new CBladeConv2MP3();
    char buffer_[128] = {};
};

TEST_F(Mp3SettingsHelpers, TagTypesAndWaveRatesAreFixedLists) {
    CFakeChoiceList tags;
    LoadStringsMP3TagTypes(&tags, buffer_, sizeof buffer_);
    ASSERT_EQ(tags.items.size(), 3u);
    EXPECT_EQ(tags.items[0].first, "ID3 version 2");
    EXPECT_EQ(tags.items[2].first, "No tag");
    EXPECT_EQ(tags.Values(), (Values{2, 1, 0}));
    CConv2FileFormat f = Mp3Format();
    f.tagType = 1;
    SetMP3TagTypeValue(&tags, &f);
    EXPECT_EQ(tags.current, 1);
    tags.Choose(0);
    GetMP3TagTypeValue(&tags, &f);
    EXPECT_EQ(f.tagType, 0);

    CFakeChoiceList rates;
    LoadStringsWaveSampleRates(&rates, buffer_, sizeof buffer_);
    EXPECT_EQ(rates.Values(), (Values{44100, 22050, 11025}));
    EXPECT_EQ(rates.items[1].first, "22050 Hz");
    CConv2FileFormat wav(WAVE_FORMAT_PCM);
    wav.nSamplesPerSec = 48000;
    SetWaveSampleRateValue(&rates, &wav);
    EXPECT_EQ(rates.current, -1) << "no item for a rate the list lacks";
    GetWaveSampleRateValue(&rates, &wav);
    EXPECT_EQ(wav.nSamplesPerSec, 48000u) << "nothing selected, nothing stored";
    rates.Choose(11025);
    GetWaveSampleRateValue(&rates, &wav);
    EXPECT_EQ(wav.nSamplesPerSec, 11025u);
    EXPECT_EQ(wav.nAvgBytesPerSec, 44100u);
}

TEST_F(Mp3SettingsHelpers, ModesAndVersionsFollowTheEncoder) {
    CFakeChoiceList modes;
    LoadStringsMP3Modes(&modes, buffer_, sizeof buffer_, lame_);
    EXPECT_EQ(modes.Values(), (Values{0, 1, 2, 3}));
    EXPECT_EQ(modes.items[1].first, "Joint stereo");
    LoadStringsMP3Modes(&modes, buffer_, sizeof buffer_, blade_);
    EXPECT_EQ(modes.Values(), (Values{0, 2, 3}));
    CConv2FileFormat f = Mp3Format();
    f.mode = 1;
    SetMP3ModeValue(&modes, &f, blade_);
    EXPECT_EQ(f.mode, 0) << "no joint stereo: plain stereo";
    EXPECT_EQ(modes.SelectedValue(), 0);
    modes.Choose(3);
    GetMP3ModeValue(&modes, &f);
    EXPECT_EQ(f.mode, 3);
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.nBlockAlign, 2);

    CFakeChoiceList versions;
    LoadStringsMP3Versions(&versions, buffer_, sizeof buffer_, lame_);
    EXPECT_EQ(versions.Values(), (Values{1, 0, 2}));
    EXPECT_EQ(versions.items[2].first, "MPEG 2.5");
    LoadStringsMP3Versions(&versions, buffer_, sizeof buffer_, blade_);
    EXPECT_EQ(versions.Values(), (Values{1}));
}

TEST_F(Mp3SettingsHelpers, BitrateListsFollowTheVersionAndEachOther) {
    CConv2FileFormat f = Mp3Format();
    CFakeChoiceList bitrates, minimums, maximums, versions;
    CFakeText abr;
    const TMP3BitrateControls controls{&bitrates, &minimums, &maximums, &abr};
    LoadStringsMP3Bitrates(&bitrates, buffer_, sizeof buffer_, &f);
    LoadStringsMP3MinBitrates(&minimums, buffer_, sizeof buffer_, &f);
    LoadStringsMP3MaxBitrates(&maximums, buffer_, sizeof buffer_, &f);
    EXPECT_EQ(bitrates.Values(), (Values{320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32}));
    EXPECT_EQ(bitrates.items[0].first, "320 kbps");
    EXPECT_EQ(minimums.Values().front(), 256) << "no minimum at the top";
    EXPECT_EQ(minimums.Values().back(), 32);
    EXPECT_EQ(maximums.Values().front(), 320);
    EXPECT_EQ(maximums.Values().back(), 40) << "no maximum at the bottom";

    struct TSetCase {
        std::int32_t bitrate, stored, selected;
    };
    for (const TSetCase& c : {TSetCase{192, 192, 3}, TSetCase{400, 320, 0}, TSetCase{8, 32, 13}, TSetCase{144, 144, -1}}) {
        f.bitrate = c.bitrate;
        SetMP3BitrateValue(&bitrates, &f);
        EXPECT_EQ(f.bitrate, c.stored);
        EXPECT_EQ(bitrates.current, c.selected);
    }

    // A minimum at or above the maximum pushes the maximum up; the ABR
    // bitrate stays inside the range.
    f.minBitrate = 128;
    f.maxBitrate = 192;
    f.abrBitrate = 160;
    minimums.Choose(224);
    GetMP3MinBitrateValue(controls, &f);
    EXPECT_EQ(f.minBitrate, 224);
    EXPECT_EQ(f.maxBitrate, 256);
    EXPECT_EQ(maximums.SelectedValue(), 256);
    EXPECT_EQ(f.abrBitrate, 225);
    EXPECT_EQ(abr.text, "225");
    // A maximum at or below the minimum pulls the minimum down.
    maximums.Choose(96);
    GetMP3MaxBitrateValue(controls, &f);
    EXPECT_EQ(f.maxBitrate, 96);
    EXPECT_EQ(f.minBitrate, 80);
    EXPECT_EQ(minimums.SelectedValue(), 80);
    EXPECT_EQ(f.abrBitrate, 95);

    // Leaving MPEG-1 brings the lower rates' list.
    f.bitrate = 192;
    f.minBitrate = 128;
    f.maxBitrate = 320;
    f.abrBitrate = 192;
    LoadStringsMP3Versions(&versions, buffer_, sizeof buffer_, lame_);
    versions.Choose(0);
    GetMP3VersionValue(&versions, &f, controls, buffer_, sizeof buffer_);
    EXPECT_EQ(f.mpegVersion, 0);
    EXPECT_EQ(bitrates.Values().front(), 160);
    EXPECT_EQ(bitrates.Values().back(), 8);
    EXPECT_EQ(f.bitrate, 160);
    EXPECT_EQ(f.maxBitrate, 160);
    EXPECT_EQ(f.minBitrate, 128);
    EXPECT_EQ(bitrates.SelectedValue(), 160);
    EXPECT_EQ(maximums.SelectedValue(), 160);
    EXPECT_EQ(minimums.SelectedValue(), 128);
    EXPECT_EQ(abr.text, "159");
    // MPEG-2 to MPEG-2.5 keeps the list.
    bitrates.current = 5;
    versions.Choose(2);
    GetMP3VersionValue(&versions, &f, controls, buffer_, sizeof buffer_);
    EXPECT_EQ(f.mpegVersion, 2);
    EXPECT_EQ(bitrates.current, 5);
}

TEST_F(Mp3SettingsHelpers, TheABREditAndTheQualitySlider) {
    CConv2FileFormat f = Mp3Format();
    CFakeText abr;
    InitMP3ABREdit(&abr);
    EXPECT_EQ(abr.limit, 3);
    struct TCase {
        const char* typed;
        std::int32_t stored;
    };
    for (const TCase& c : {TCase{"200", 200}, TCase{"500", 319}, TCase{"128", 129}, TCase{"abc", 129}}) {
        abr.text = c.typed;
        GetMP3ABREditValue(&abr, &f);
        EXPECT_EQ(f.abrBitrate, c.stored) << c.typed;
        EXPECT_EQ(abr.text, std::to_string(c.stored));
    }

    CFakeSlider quality;
    CFakeText qualityText;
    f.vbrQuality = 2;
    InitMP3VBRQualitySlider(&quality, &f);
    EXPECT_EQ(quality.minimum, 0);
    EXPECT_EQ(quality.maximum, 9);
    EXPECT_EQ(quality.position, 7) << "the best quality sits at the right";
    quality.position = 9;
    GetMP3VBRQualityValue(&quality, &f);
    EXPECT_EQ(f.vbrQuality, 0);
    SetMP3VBRQualityString(&qualityText, &f);
    EXPECT_EQ(qualityText.text, "0");
}

TEST_F(Mp3SettingsHelpers, ThePresetSliderOffersWhatTheEncoderMakes) {
    struct TCase {
        bool blade;
        std::int32_t preset;
        int maximum, position, notified;
        std::int32_t shownPreset;
    };
    const TCase cases[] = {
        {false, 9, 10, 9, 0, 9}, {false, 0, 10, 9, 0, 9}, {false, 1, 10, 1, 0, 1},
        {true, 9, 6, 5, 0, 9},   {true, 2, 6, 1, 1, 2},   {true, 11, 6, 6, 1, 11},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.blade ? "Blade " : "LAME ") << c.preset);
        CConv2MP3* conv = c.blade ? static_cast<CConv2MP3*>(blade_) : lame_;
        CConv2FileFormat f = Mp3Format();
        f.preset = c.preset;
        CFakeSlider slider;
        InitMP3PresetSlider(&slider, &f, conv);
        EXPECT_EQ(slider.minimum, 1);
        EXPECT_EQ(slider.maximum, c.maximum);
        EXPECT_EQ(slider.position, c.position);
        EXPECT_EQ(slider.notified, c.notified);
        EXPECT_EQ(f.preset, c.shownPreset);
    }
    CConv2FileFormat f = Mp3Format();
    CFakeSlider slider;
    slider.position = 1;
    GetMP3PresetValue(&slider, &f, blade_);
    EXPECT_EQ(f.preset, 5) << "the first MPEG-1 preset";
    slider.position = 7;
    GetMP3PresetValue(&slider, &f, blade_);
    EXPECT_EQ(f.preset, 5) << "a position beyond the presets changes nothing";

    CFakeText name, text, settings;
    f.preset = 4;
    SetMP3PresetString(&name, &text, buffer_, sizeof buffer_, &f, lame_);
    EXPECT_EQ(name.text, "FM radio");
    EXPECT_EQ(text.text, "(MPEG 2, 96 kbps, Joint stereo)");
    f.enableVBR = 1;
    f.originalBit = 1;
    SetMP3UserSettingsString(&settings, buffer_, sizeof buffer_, &f, lame_);
    EXPECT_EQ(settings.text, "MPEG 1 Layer 3, VBR 128-320 kbps, quality 2, Stereo, VBR header, original");
}

TEST_F(Mp3SettingsHelpers, ChoosingAnotherEncoderReplacesTheConverter) {
    CFakeChoiceList encoders;
    encoders.AddItem("LAME", MP3_ENCODER_LAME);
    encoders.AddItem("Blade", MP3_ENCODER_BLADE);
    SetMP3EncoderValue(&encoders, MP3_ENCODER_LAME);
    EXPECT_EQ(encoders.current, 0);

    CFakeSlider slider;
    CFakeText name, text;
    const TMP3PresetControls controls{&slider, &name, &text, nullptr};
    CConv2FileFormat f = Mp3Format();
    f.mode = 1;
    f.preset = 3;
    _tMP3EncoderDllTypedef encoder = MP3_ENCODER_LAME;
    CConv2FileObj* conv = lame_;
    lame_ = nullptr;
    // The same encoder again changes nothing.
    EXPECT_TRUE(GetMP3EncoderValue(&encoders, controls, &encoder, &f, &conv, buffer_, sizeof buffer_));
    EXPECT_EQ(slider.maximum, 0);

    encoders.Choose(MP3_ENCODER_BLADE);
    ASSERT_TRUE(GetMP3EncoderValue(&encoders, controls, &encoder, &f, &conv, buffer_, sizeof buffer_));
    EXPECT_EQ(encoder, MP3_ENCODER_BLADE);
    ASSERT_NE(dynamic_cast<CBladeConv2MP3*>(conv), nullptr);
    EXPECT_EQ(f.mode, 0);
    EXPECT_EQ(f.preset, 5);
    EXPECT_EQ(slider.maximum, 6) << "the slider offers the new encoder's presets";
    EXPECT_EQ(name.text, "Voice");
    DeleteRefObject(&conv);

    // The list holds the encoders present, and only those.
    LoadStringsMP3Encoders(&encoders, buffer_, sizeof buffer_);
    int present[2] = {};
    GetMP3EncodersAvailable(present);
    EXPECT_EQ(encoders.Count(), present[0] + present[1]);
    for (const std::int32_t value : encoders.Values()) EXPECT_EQ(present[value], 1);
}

}  // namespace
