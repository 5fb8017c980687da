#include "tonecore/convert/wma_settings_helpers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/convert/dialog_choice.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/engine/tonecore_strings.h"
#include "tonecore/convert/wma_rate_table.h"

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

const TWMARateRow* RowAt(int index) {
    const auto rows = WMARateRows();
    return index >= 0 && index < static_cast<int>(rows.size()) ? &rows[static_cast<std::size_t>(index)] : nullptr;
}

// The caller's text buffer, or one of the helper's own.
struct TTextBuffer {
    TTextBuffer(char* buffer, int size) : text(buffer), bytes(size) {
        if (text == nullptr || bytes <= 0) {
            text = local;
            bytes = sizeof local;
        }
    }
    char local[kTextBytes];
    char* text;
    int bytes;
};

}  // namespace

void LoadStringsWMASampleRates(IChoiceList* list, char* buffer, int size) {
    if (list == nullptr) return;
    list->ResetContent();
    for (const TRateItem& item : kRateItems) AddKeyedChoice(list, item.key, item.rate, buffer, size);
}

void SetWMASampleRateValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, static_cast<std::int32_t>(format->nSamplesPerSec));
}

void GetWMASampleRateValue(const IChoiceList* list, const TWMAChannelControls& controls, CConv2FileFormat* format,
                           char* buffer, int size) {
    if (list == nullptr || format == nullptr) return;
    const std::optional<std::int32_t> rate = SelectedChoiceValue(list);
    if (!rate || *rate == static_cast<std::int32_t>(format->nSamplesPerSec)) return;
    const std::int32_t previousChannels = format->nChannels;
    format->nSamplesPerSec = static_cast<std::uint32_t>(*rate);
    const int row = MakeMostNaturalWMABitrateFromC2FFSettings(format);
    format->CalcBlockAlignNAvgBytesPerSec();
    LoadStringsWMABitrates(controls.bitrates, buffer, size, format);
    SetWMABitrateValue(controls.bitrates, format);
    SetWMARadioMode(controls.stereo, controls.mono, format, previousChannels, row);
}

void LoadStringsWMABitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format) {
    if (list == nullptr) return;
    list->ResetContent();
    const TWMARateRow* row =
        format != nullptr ? RowAt(WMARateRowIndex(static_cast<std::int32_t>(format->nSamplesPerSec))) : nullptr;
    if (row == nullptr) return;
    const auto bitrates = WMABitRates();
    for (auto it = bitrates.rbegin(); it != bitrates.rend(); ++it) {
        const std::int32_t kbps = *it;
        const bool mono = kbps >= row->monoMin && kbps <= row->monoMax;
        const bool stereo = kbps >= row->stereoMin && kbps <= row->stereoMax;
        if (!mono && !stereo) continue;
        const std::string key = "IDS_BITRATE_" + std::to_string(kbps);
        AddKeyedChoice(list, key.c_str(), kbps, buffer, size);
    }
}

void SetWMABitrateValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, format->bitrate);
}

void GetWMABitrateValue(const IChoiceList* list, IToggleButton* stereo, IToggleButton* mono,
                        CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    const std::optional<std::int32_t> bitrate = SelectedChoiceValue(list);
    if (!bitrate || *bitrate == format->bitrate) return;
    const std::int32_t previousChannels = format->nChannels;
    format->bitrate = *bitrate;
    const int row = FitWMAChannelsToBitrate(format);
    format->CalcBlockAlignNAvgBytesPerSec();
    SetWMARadioMode(stereo, mono, format, previousChannels, row);
}

void SetWMARadioMode(IToggleButton* stereo, IToggleButton* mono, const CConv2FileFormat* format,
                     std::int32_t previousChannels, int rateRow) {
    if (stereo == nullptr || mono == nullptr || format == nullptr) return;
    const bool isStereo = format->nChannels != 1;
    if (format->nChannels != previousChannels) {
        stereo->SetChecked(isStereo);
        mono->SetChecked(!isStereo);
    }
    const TWMARateRow* row = RowAt(rateRow);
    const bool monoOut = row != nullptr && isStereo && format->bitrate > row->monoMax;
    const bool stereoOut = row != nullptr && !isStereo && format->bitrate < row->stereoMin;
    mono->SetEnabled(!monoOut);
    stereo->SetEnabled(!stereoOut);
}

int InitWMAPresetSlider(IRangeSlider* slider, CConv2FileFormat* format) {
    const std::vector<std::int32_t> offered = OfferedWMAPresets();
    if (slider == nullptr || format == nullptr || offered.empty()) return 0;
    slider->SetRange(1, static_cast<int>(offered.size()));
    auto at = std::find(offered.begin(), offered.end(), format->preset);
    if (at == offered.end()) {
        at = std::find(offered.begin(), offered.end(), kCdPreset);
        if (at == offered.end()) at = offered.begin();
        format->preset = *at;
    }
    slider->SetPosition(static_cast<int>(at - offered.begin()) + 1);
    return static_cast<int>(offered.size());
}

void GetWMAPresetValue(const IRangeSlider* slider, CConv2FileFormat* format) {
    if (slider == nullptr || format == nullptr) return;
    const int index = GetPresetIndexFromSliderIndex(slider->Position());
    if (index >= 0) format->preset = index + 1;
}

void SetWMAPresetString(ITextField* name, ITextField* text, char* buffer, int size, const CConv2FileFormat* format) {
    const TWMAPreset* preset = format != nullptr ? WMAPreset(format->preset) : nullptr;
    if (preset == nullptr) return;
    TTextBuffer out(buffer, size);
    if (name != nullptr) {
        ToneCoreLoadString(preset->nameKey, out.text, out.bytes);
        name->SetText(out.text);
    }
    if (text == nullptr) return;
    CConv2FileFormat filled(*format);
    GetFormatFromPreset(&filled, format->preset, TAG_TYPE_KEEP);
    char settings[kTextBytes];
    WMATargetFormatString(&filled, settings, sizeof settings);
    char pattern[kTextBytes];
    ToneCoreLoadString("IDS_PRESET_FORMAT", pattern, sizeof pattern);
    // The template comes from an editable file: one text is all it may ask.
    const char* used = FormatTemplateFits(pattern, "s") ? pattern : "(%s)";
    std::snprintf(out.text, static_cast<std::size_t>(out.bytes), used, settings);
    text->SetText(out.text);
}

void SetWMAUserSettingsString(ITextField* text, char* buffer, int size, const CConv2FileFormat* format) {
    if (text == nullptr || format == nullptr) return;
    TTextBuffer out(buffer, size);
    WMATargetFormatString(format, out.text, out.bytes);
    text->SetText(out.text);
}
