// The preset slider, encoder list and settings texts of the MP3 settings
// dialog.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/dialog_choice.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/convert/mp3_settings_helpers.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

// The preset the dialog shows when the target has none.
constexpr std::int32_t kShownPresetForNone = 9;
constexpr int kTextBytes = 512;
constexpr unsigned kEncoderNameBytes = 448;

// The presets the encoder offers, in preset order.
std::vector<std::int32_t> OfferedPresets(const CConv2MP3& conv) {
    std::vector<std::int32_t> offered;
    for (std::int32_t p = 1; p <= kMP3PresetCount; ++p) {
        if (conv.SupportsMPEGVersion(MP3Preset(p)->mpegVersion)) offered.push_back(p);
    }
    return offered;
}

}  // namespace

void InitMP3PresetSlider(IRangeSlider* slider, CConv2FileFormat* format, const CConv2MP3* conv) {
    if (slider == nullptr || format == nullptr || conv == nullptr) return;
    const std::vector<std::int32_t> offered = OfferedPresets(*conv);
    if (offered.empty()) return;
    if (format->preset == 0) format->preset = kShownPresetForNone;
    slider->SetRange(1, static_cast<int>(offered.size()));
    const auto found = std::find(offered.begin(), offered.end(), format->preset);
    if (found != offered.end()) {
        slider->SetPosition(static_cast<int>(found - offered.begin()) + 1);
        return;
    }
    // Not offered: the nearest end, and the dialog takes it as the user's.
    slider->SetPosition(format->preset > offered.back() ? static_cast<int>(offered.size()) : 1);
    slider->NotifyChanged();
}

void GetMP3PresetValue(const IRangeSlider* slider, CConv2FileFormat* format, const CConv2MP3* conv) {
    if (slider == nullptr || format == nullptr || conv == nullptr) return;
    const std::vector<std::int32_t> offered = OfferedPresets(*conv);
    const int position = slider->Position();
    if (position < 1 || position > static_cast<int>(offered.size())) return;
    format->preset = offered[static_cast<std::size_t>(position - 1)];
}

void SetMP3PresetString(ITextField* name, ITextField* text, char* buffer, int size, const CConv2FileFormat* format,
                        CConv2MP3* conv) {
    if (format == nullptr || conv == nullptr) return;
    const TMP3Preset* row = MP3Preset(format->preset);
    if (row == nullptr) return;
    char local[kTextBytes];
    if (buffer == nullptr || size <= 0) {
        buffer = local;
        size = sizeof local;
    }
    if (name != nullptr) {
        ToneCoreLoadString(row->nameKey, buffer, size);
        name->SetText(buffer);
    }
    if (text != nullptr) {
        CConv2FileFormat preset(WAVE_FORMAT_MPEGLAYER3);
        conv->GetFormatFromPreset(&preset, format->preset, TAG_TYPE_KEEP, SOUND_QUALITY_KEEP);
        char settings[kTextBytes];
        conv->MakeSettingsString(&preset, true, settings, sizeof settings);
        char pattern[kTextBytes];
        ToneCoreLoadString("IDS_PRESET_FORMAT", pattern, sizeof pattern);
        const char* used = FormatTemplateFits(pattern, "s") ? pattern : "(%s)";
        std::snprintf(buffer, static_cast<std::size_t>(size), used, settings);
        text->SetText(buffer);
    }
}

void LoadStringsMP3Encoders(IChoiceList* list, char* /*buffer*/, int /*size*/) {
    if (list == nullptr) return;
    list->ResetContent();
    const int count = GetMP3EncoderArraySize();
    std::vector<std::vector<char>> texts(static_cast<std::size_t>(count), std::vector<char>(kEncoderNameBytes));
    std::vector<char*> names;
    for (auto& text : texts) names.push_back(text.data());
    std::vector<int> available(static_cast<std::size_t>(count));
    GetMP3EncoderNamesAndAvailablity(names.data(), kEncoderNameBytes, available.data());
    for (int encoder = 0; encoder < count; ++encoder) {
        if (available[static_cast<std::size_t>(encoder)] != 0) list->AddItem(names[static_cast<std::size_t>(encoder)], encoder);
    }
}

void SetMP3EncoderValue(IChoiceList* list, _tMP3EncoderDllTypedef encoder) {
    if (list != nullptr) SelectChoiceValue(list, encoder);
}

bool GetMP3EncoderValue(const IChoiceList* list, const TMP3PresetControls& controls,
                        _tMP3EncoderDllTypedef* encoder, CConv2FileFormat* format, CConv2FileObj** conv,
                        char* buffer, int size) {
    if (list == nullptr || encoder == nullptr || format == nullptr || conv == nullptr) return false;
    const auto chosen = SelectedChoiceValue(list);
    if (!chosen || *chosen == *encoder) return true;
    CConv2FileObj* made = NewCConv2FileObj(FILE_CONVERSION_MP3, *chosen);
    auto* mp3 = dynamic_cast<CConv2MP3*>(made);
    if (mp3 == nullptr) {
        if (made != nullptr) DeleteRefObject(&made);
        return false;
    }
    if (*conv != nullptr) DeleteRefObject(conv);
    *conv = made;
    *encoder = static_cast<_tMP3EncoderDllTypedef>(*chosen);
    mp3->UpdateSettingsAfterEncoderChange(format);
    mp3->ValidateFormat(format);
    InitMP3PresetSlider(controls.slider, format, mp3);
    SetMP3PresetString(controls.presetName, controls.presetText, buffer, size, format, mp3);
    SetMP3UserSettingsString(controls.settingsText, buffer, size, format, mp3);
    return true;
}

void SetMP3UserSettingsString(ITextField* text, char* buffer, int size, const CConv2FileFormat* format,
                              CConv2MP3* conv) {
    if (text == nullptr || format == nullptr || conv == nullptr) return;
    char local[kTextBytes];
    if (buffer == nullptr || size <= 0) {
        buffer = local;
        size = sizeof local;
    }
    conv->MakeSettingsString(format, false, buffer, size);
    text->SetText(buffer);
}
