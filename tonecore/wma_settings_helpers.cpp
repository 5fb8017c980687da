#include "tonecore/wma_settings_helpers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tonecore/conv2file_format.h"
#include "tonecore/conv2file_presets.h"
#include "tonecore/conv2wma_file.h"
#include "tonecore/format_template.h"
#include "tonecore/tonecore_strings.h"
#include "tonecore/wma_rate_table.h"

namespace {

constexpr int kTextBytes = 256;
// The CD preset, chosen when the format's own preset is not offered.
constexpr std::int32_t kCdPreset = 7;

struct TRateItem {
    const char* key;
    std::int32_t rate;
};
constexpr TRateItem kRateItems[] = {
    {"IDS_48000HZ", 48000}, {"IDS_44100HZ", 44100}, {"IDS_32000HZ", 32000}, {"IDS_22050HZ", 22050},
    {"IDS_16000HZ", 16000}, {"IDS_11025HZ", 11025}, {"IDS_8000HZ", 8000},
};

std::string LoadText(const char* key) {
    char text[kTextBytes];
    ToneCoreLoadString(key, text, sizeof text);
    return text;
}

// Selects the first item of the value; nothing when there is none.
void SelectValue(IChoiceList& list, std::int32_t value) { list.SetCurrentSelection(FindChoiceByValue(list, value)); }

const TWMARateRow* RowAt(int index) {
    const auto rows = WMARateRows();
    return index >= 0 && index < static_cast<int>(rows.size()) ? &rows[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace

void LoadStringsWMASampleRates(IChoiceList& list) {
    list.ResetContent();
    for (const TRateItem& item : kRateItems) list.AddItem(LoadText(item.key).c_str(), item.rate);
}

void SetWMASampleRateValue(IChoiceList& list, const CConv2FileFormat* format) {
    if (format != nullptr) SelectValue(list, static_cast<std::int32_t>(format->nSamplesPerSec));
}

void GetWMASampleRateValue(IChoiceList& rates, IChoiceList& bitrates, IToggleButton& stereo, IToggleButton& mono,
                           CConv2FileFormat* format) {
    if (format == nullptr) return;
    const std::int32_t rate = SelectedChoiceValue(rates, static_cast<std::int32_t>(format->nSamplesPerSec));
    if (rate == static_cast<std::int32_t>(format->nSamplesPerSec)) return;
    const std::int32_t previousChannels = format->nChannels;
    format->nSamplesPerSec = static_cast<std::uint32_t>(rate);
    const int row = MakeMostNaturalWMABitrateFromC2FFSettings(format);
    format->CalcBlockAlignNAvgBytesPerSec();
    LoadStringsWMABitrates(bitrates, format);
    SetWMABitrateValue(bitrates, format);
    SetWMARadioMode(stereo, mono, format, previousChannels, row);
}

void LoadStringsWMABitrates(IChoiceList& list, const CConv2FileFormat* format) {
    list.ResetContent();
    const TWMARateRow* row = format != nullptr ? RowAt(WMARateRowIndex(static_cast<std::int32_t>(format->nSamplesPerSec)))
                                               : nullptr;
    if (row == nullptr) return;
    const auto bitrates = WMABitRates();
    for (auto it = bitrates.rbegin(); it != bitrates.rend(); ++it) {
        const std::int32_t kbps = *it;
        const bool mono = kbps >= row->monoMin && kbps <= row->monoMax;
        const bool stereo = kbps >= row->stereoMin && kbps <= row->stereoMax;
        if (!mono && !stereo) continue;
        const std::string key = "IDS_BITRATE_" + std::to_string(kbps);
        list.AddItem(LoadText(key.c_str()).c_str(), kbps);
    }
}

void SetWMABitrateValue(IChoiceList& list, const CConv2FileFormat* format) {
    if (format != nullptr) SelectValue(list, format->bitrate);
}

void GetWMABitrateValue(IChoiceList& list, IToggleButton& stereo, IToggleButton& mono, CConv2FileFormat* format) {
    if (format == nullptr) return;
    const std::int32_t bitrate = SelectedChoiceValue(list, format->bitrate);
    if (bitrate == format->bitrate) return;
    const std::int32_t previousChannels = format->nChannels;
    format->bitrate = bitrate;
    const int row = FitWMAChannelsToBitrate(format);
    format->CalcBlockAlignNAvgBytesPerSec();
    SetWMARadioMode(stereo, mono, format, previousChannels, row);
}

void SetWMARadioMode(IToggleButton& stereo, IToggleButton& mono, const CConv2FileFormat* format,
                     std::int32_t previousChannels, int rateRow) {
    if (format == nullptr) return;
    const bool isStereo = format->nChannels != 1;
    if (format->nChannels != previousChannels) {
        stereo.SetChecked(isStereo);
        mono.SetChecked(!isStereo);
    }
    const TWMARateRow* row = RowAt(rateRow);
    const bool monoOut = row != nullptr && isStereo && format->bitrate > row->monoMax;
    const bool stereoOut = row != nullptr && !isStereo && format->bitrate < row->stereoMin;
    mono.SetEnabled(!monoOut);
    stereo.SetEnabled(!stereoOut);
}

int InitWMAPresetSlider(IRangeSlider& slider, CConv2FileFormat* format) {
    const std::vector<std::int32_t> offered = OfferedWMAPresets();
    if (offered.empty() || format == nullptr) return 0;
    slider.SetRange(1, static_cast<int>(offered.size()));
    auto at = std::find(offered.begin(), offered.end(), format->preset);
    if (at == offered.end()) {
        at = std::find(offered.begin(), offered.end(), kCdPreset);
        if (at == offered.end()) at = offered.begin();
        format->preset = *at;
    }
    slider.SetPosition(static_cast<int>(at - offered.begin()) + 1);
    return static_cast<int>(offered.size());
}

void GetWMAPresetValue(const IRangeSlider& slider, CConv2FileFormat* format) {
    const int index = GetPresetIndexFromSliderIndex(slider.Position());
    if (format != nullptr && index >= 0) format->preset = index + 1;
}

void SetWMAPresetString(ITextLabel* name, ITextLabel* settings, const CConv2FileFormat* format) {
    const TWMAPreset* preset = format != nullptr ? WMAPreset(format->preset) : nullptr;
    if (preset == nullptr) return;
    if (name != nullptr) name->SetText(LoadText(preset->nameKey).c_str());
    if (settings == nullptr) return;
    CConv2FileFormat filled(*format);
    GetFormatFromPreset(&filled, format->preset, TAG_TYPE_KEEP);
    char text[kTextBytes];
    WMATargetFormatString(&filled, text, sizeof text);
    const std::string pattern = LoadText("IDS_PRESET_FORMAT");
    // The template comes from an editable file: one text is all it may ask.
    const char* use = FormatTemplateFits(pattern.c_str(), "s") ? pattern.c_str() : "(%s)";
    char line[kTextBytes];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(line, sizeof line, use, text);
#pragma GCC diagnostic pop
    settings->SetText(line);
}

void SetWMAUserSettingsString(ITextLabel& label, const CConv2FileFormat* format) {
    char text[kTextBytes];
    WMATargetFormatString(format, text, sizeof text);
    label.SetText(text);
}
