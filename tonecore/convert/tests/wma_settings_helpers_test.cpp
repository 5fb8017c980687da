// The WMA settings helpers over recording controls: the lists they fill,
// what they select and store, the mono and stereo buttons, the preset slider
// over the presets the media module's encoder offers, and the texts.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/tests/fake_dialog_controls.h"
#include "tonecore/load/tests/wma_test_support.h"
#include "tonecore/convert/wma_settings_helpers.h"

namespace {

CConv2FileFormat Wma(std::uint32_t rate, std::uint16_t channels, std::int32_t kbps) {
    CConv2FileFormat f(0x161);
    f.nSamplesPerSec = rate;
    f.nChannels = channels;
    f.bitrate = kbps;
    f.CalcBlockAlignNAvgBytesPerSec();
    return f;
}

TEST(WmaSettingsHelpers, RateListNamesEveryRateHighestFirst) {
    CFakeChoiceList rates;
    LoadStringsWMASampleRates(&rates, nullptr, 0);
    EXPECT_EQ(rates.Values(), (std::vector<std::int32_t>{48000, 44100, 32000, 22050, 16000, 11025, 8000}));
    EXPECT_EQ(rates.items[0].first, "48000 Hz");
    EXPECT_EQ(rates.items[6].first, "8000 Hz");
    const CConv2FileFormat f = Wma(22050, 2, 32);
    SetWMASampleRateValue(&rates, &f);
    EXPECT_EQ(rates.SelectedValue(), 22050);
}

TEST(WmaSettingsHelpers, BitrateListHoldsWhatTheRateAllowsForMonoOrStereo) {
    const std::pair<std::uint32_t, std::vector<std::int32_t>> cases[] = {
        {44100, {192, 160, 128, 96, 80, 64, 48, 40, 36, 32}},
        {48000, {192, 160, 128}},
        {32000, {48, 40, 36, 32, 20}},
        {22050, {32, 22, 20, 16}},
        {16000, {20, 16, 12, 10}},
        {11025, {8}},
        {8000, {12, 8, 6, 5}},
        {12345, {}},
    };
    for (const auto& [rate, expected] : cases) {
        CFakeChoiceList list;
        const CConv2FileFormat f = Wma(rate, 2, 32);
        LoadStringsWMABitrates(&list, nullptr, 0, &f);
        EXPECT_EQ(list.Values(), expected) << rate;
    }
    CFakeChoiceList list;
    const CConv2FileFormat f = Wma(44100, 2, 128);
    LoadStringsWMABitrates(&list, nullptr, 0, &f);
    SetWMABitrateValue(&list, &f);
    EXPECT_EQ(list.items[static_cast<std::size_t>(list.current)].first, "128 kbps");
    EXPECT_EQ(list.items.back().first, "32 kbps");
}

TEST(WmaSettingsHelpers, ANewRateRefitsTheBitrateListAndButtons) {
    CConv2FileFormat f = Wma(44100, 2, 160);
    CFakeChoiceList rates, bitrates;
    CFakeToggle stereo, mono;
    stereo.checked = true;
    LoadStringsWMASampleRates(&rates, nullptr, 0);

    rates.Choose(22050);
    GetWMASampleRateValue(&rates, {&bitrates, &stereo, &mono}, &f, nullptr, 0);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.bitrate, 32);  // the stereo maximum there
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(bitrates.Values(), (std::vector<std::int32_t>{32, 22, 20, 16}));
    EXPECT_EQ(bitrates.SelectedValue(), 32);
    EXPECT_TRUE(stereo.checked);
    EXPECT_TRUE(stereo.enabled);
    EXPECT_FALSE(mono.enabled);  // 32 is above the mono maximum of 20

    rates.Choose(11025);
    GetWMASampleRateValue(&rates, {&bitrates, &stereo, &mono}, &f, nullptr, 0);
    EXPECT_EQ(f.nChannels, 1);  // mono only
    EXPECT_EQ(f.bitrate, 8);
    EXPECT_TRUE(mono.checked);
    EXPECT_FALSE(stereo.checked);
    EXPECT_EQ(f.nAvgBytesPerSec, 22050u);
}

TEST(WmaSettingsHelpers, ANewBitrateTakesTheChannelsItAllows) {
    struct TCase {
        std::uint32_t rate;
        std::uint16_t channels;
        std::int32_t from, to;
        std::uint16_t channelsOut;
        bool stereoChecked, stereoEnabled, monoEnabled;
    };
    const TCase cases[] = {
        {44100, 1, 48, 128, 2, true, true, false},  // stereo only above 48
        {44100, 2, 128, 40, 2, false, true, true},  // both allowed: unchanged, nothing checked anew
        {22050, 2, 32, 16, 1, false, false, true},  // mono only below 22
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.to);
        CConv2FileFormat f = Wma(c.rate, c.channels, c.from);
        CFakeChoiceList list;
        CFakeToggle stereo, mono;
        LoadStringsWMABitrates(&list, nullptr, 0, &f);
        list.Choose(c.to);
        GetWMABitrateValue(&list, &stereo, &mono, &f);
        EXPECT_EQ(f.bitrate, c.to);
        EXPECT_EQ(f.nChannels, c.channelsOut);
        EXPECT_EQ(stereo.checked, c.stereoChecked);
        EXPECT_EQ(stereo.enabled, c.stereoEnabled);
        EXPECT_EQ(mono.enabled, c.monoEnabled);
    }
}

TEST(WmaSettingsHelpers, PresetSliderOffersExactlyTheEncodersPresets) {
    CFakeSlider slider;
    CConv2FileFormat f(0x161);
    f.preset = 1;  // telephone quality: not offered
    ASSERT_EQ(InitWMAPresetSlider(&slider, &f), 6);
    EXPECT_EQ(slider.minimum, 1);
    EXPECT_EQ(slider.maximum, 6);
    EXPECT_EQ(f.preset, 7);
    EXPECT_EQ(slider.position, 5);

    const std::pair<int, std::int32_t> positions[] = {{1, 3}, {2, 4}, {6, 8}};
    for (const auto& [position, preset] : positions) {
        slider.position = position;
        GetWMAPresetValue(&slider, &f);
        EXPECT_EQ(f.preset, preset);
    }
    f.preset = 4;
    EXPECT_EQ(InitWMAPresetSlider(&slider, &f), 6);
    EXPECT_EQ(slider.position, 2);

    CFakeText name, settings;
    f.preset = 7;
    SetWMAPresetString(&name, &settings, nullptr, 0, &f);
    EXPECT_EQ(name.text, "CD");
    EXPECT_EQ(settings.text, "(WMA 128 kbps, 44.100 kHz, Stereo)");
    f.preset = 4;
    SetWMAPresetString(&name, nullptr, nullptr, 0, &f);
    EXPECT_EQ(name.text, "High quality mono");
}

TEST(WmaSettingsHelpers, WithoutTheMediaModuleNoPresetIsOffered) {
    wmatest::TWithoutMediaModule absent;
    CFakeSlider slider;
    CConv2FileFormat f(0x161);
    EXPECT_EQ(InitWMAPresetSlider(&slider, &f), 0);
    EXPECT_EQ(slider.maximum, 0);
}

TEST(WmaSettingsHelpers, UserSettingsText) {
    CFakeText label;
    CConv2FileFormat f = Wma(22050, 1, 20);
    char buffer[80];
    SetWMAUserSettingsString(&label, buffer, sizeof buffer, &f);
    EXPECT_EQ(label.text, "WMA 20 kbps, 22.050 kHz, Mono");
}

}  // namespace
