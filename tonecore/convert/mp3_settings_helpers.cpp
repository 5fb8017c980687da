// The list and edit helpers of the MP3 settings dialog.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/convert/dialog_choice.h"
#include "tonecore/convert/mp3_format_rules.h"
#include "tonecore/convert/mp3_settings_helpers.h"

namespace {

// The ABR edit holds up to three digits (kbps).
constexpr int kABREditChars = 3;

enum class TBitrateList { kAll, kMinimums, kMaximums };

// The version's bitrates, highest first, without the highest (minimums) or
// the lowest (maximums).
void FillBitrates(IChoiceList* list, std::int32_t version, TBitrateList which, char* buffer, int size) {
    list->ResetContent();
    const std::span<const std::int32_t> rates = MPEGVersionBitRates(version);
    if (rates.empty()) return;
    const std::size_t first = which == TBitrateList::kMaximums ? 1 : 0;
    const std::size_t end = which == TBitrateList::kMinimums ? rates.size() - 1 : rates.size();
    for (std::size_t i = end; i-- > first;) {
        const std::string key = "IDS_BITRATE_" + std::to_string(rates[i]);
        AddKeyedChoice(list, key.c_str(), rates[i], buffer, size);
    }
}

void ShowABR(ITextField* edit, std::int32_t kbps) {
    if (edit == nullptr) return;
    char text[16];
    std::snprintf(text, sizeof text, "%d", kbps);
    edit->SetText(text);
}

void CorrectABR(ITextField* edit, CConv2FileFormat* format) {
    KeepABRInsideRange(format);
    ShowABR(edit, format->abrBitrate);
}

// The list values above (or below) a bitrate, for keeping the VBR range open.
std::int32_t LowestAbove(std::span<const std::int32_t> rates, std::int32_t kbps) {
    const auto above = std::upper_bound(rates.begin(), rates.end(), kbps);
    return above != rates.end() ? *above : rates.back();
}

std::int32_t HighestBelow(std::span<const std::int32_t> rates, std::int32_t kbps) {
    const auto below = std::lower_bound(rates.begin(), rates.end(), kbps);
    return below != rates.begin() ? *(below - 1) : rates.front();
}

// Stores the chosen minimum or maximum; when the range closes, the other
// end moves to the next list value beyond it and its list follows. The ABR
// edit is corrected either way.
void StoreRangeEnd(const TMP3BitrateControls& controls, CConv2FileFormat* format, TBitrateList end) {
    const bool minimum = end == TBitrateList::kMinimums;
    IChoiceList* chosen = minimum ? controls.minBitrates : controls.maxBitrates;
    IChoiceList* other = minimum ? controls.maxBitrates : controls.minBitrates;
    if (chosen == nullptr || format == nullptr) return;
    const auto kbps = SelectedChoiceValue(chosen);
    if (!kbps) return;
    (minimum ? format->minBitrate : format->maxBitrate) = *kbps;
    if (format->minBitrate >= format->maxBitrate) {
        const std::span<const std::int32_t> rates = MPEGVersionBitRates(format->mpegVersion);
        std::int32_t& moved = minimum ? format->maxBitrate : format->minBitrate;
        if (!rates.empty()) moved = minimum ? LowestAbove(rates, *kbps) : HighestBelow(rates, *kbps);
        if (other != nullptr) SelectChoiceValue(other, moved);
    }
    CorrectABR(controls.abrEdit, format);
}

}  // namespace

void LoadStringsMP3TagTypes(IChoiceList* list, char* buffer, int size) {
    if (list == nullptr) return;
    list->ResetContent();
    AddKeyedChoice(list, "IDS_TAG_ID3_V2", TAG_TYPE_ID3V2, buffer, size);
    AddKeyedChoice(list, "IDS_TAG_ID3_V1", TAG_TYPE_ID3V1, buffer, size);
    AddKeyedChoice(list, "IDS_TAG_NONE", TAG_TYPE_NONE, buffer, size);
}

void SetMP3TagTypeValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, format->tagType);
}

void GetMP3TagTypeValue(const IChoiceList* list, CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    if (const auto value = SelectedChoiceValue(list)) format->tagType = *value;
}

void LoadStringsMP3Modes(IChoiceList* list, char* buffer, int size, const CConv2MP3* conv) {
    if (list == nullptr || conv == nullptr) return;
    list->ResetContent();
    AddKeyedChoice(list, MP3ModeKey(kMP3ModeStereo), kMP3ModeStereo, buffer, size);
    if (conv->SupportsJStereo()) AddKeyedChoice(list, MP3ModeKey(kMP3ModeJointStereo), kMP3ModeJointStereo, buffer, size);
    if (conv->SupportsDualChannel()) {
        AddKeyedChoice(list, MP3ModeKey(kMP3ModeDualChannel), kMP3ModeDualChannel, buffer, size);
    }
    AddKeyedChoice(list, MP3ModeKey(kMP3ModeMono), kMP3ModeMono, buffer, size);
}

void SetMP3ModeValue(IChoiceList* list, CConv2FileFormat* format, const CConv2MP3* conv) {
    if (list == nullptr || format == nullptr || conv == nullptr) return;
    if ((format->mode == kMP3ModeJointStereo && !conv->SupportsJStereo()) ||
        (format->mode == kMP3ModeDualChannel && !conv->SupportsDualChannel())) {
        format->mode = kMP3ModeStereo;
    }
    format->nChannels = ChannelsForMP3Mode(format->mode);
    format->CalcBlockAlignNAvgBytesPerSec();
    SelectChoiceValue(list, format->mode);
}

void GetMP3ModeValue(const IChoiceList* list, CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    const auto mode = SelectedChoiceValue(list);
    if (!mode) return;
    format->mode = *mode;
    format->nChannels = ChannelsForMP3Mode(format->mode);
    format->CalcBlockAlignNAvgBytesPerSec();
}

void LoadStringsMP3Versions(IChoiceList* list, char* buffer, int size, const CConv2MP3* conv) {
    if (list == nullptr || conv == nullptr) return;
    list->ResetContent();
    for (const std::int32_t version : {kMPEGVersion1, kMPEGVersion2, kMPEGVersion2_5}) {
        if (conv->SupportsMPEGVersion(version)) AddKeyedChoice(list, MPEGVersionKey(version), version, buffer, size);
    }
}

void SetMP3VersionValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, format->mpegVersion);
}

void GetMP3VersionValue(const IChoiceList* list, CConv2FileFormat* format, const TMP3BitrateControls& controls,
                        char* buffer, int size) {
    if (list == nullptr || format == nullptr) return;
    const auto version = SelectedChoiceValue(list);
    if (!version) return;
    const bool newList = (*version == kMPEGVersion1) != (format->mpegVersion == kMPEGVersion1);
    format->mpegVersion = *version;
    if (!newList) return;
    // The other bitrate list: every bitrate moves to its nearest entry, and
    // the VBR range stays open.
    const std::span<const std::int32_t> rates = MPEGVersionBitRates(*version);
    format->bitrate = FindMostNaturalBitRate(rates, format->bitrate);
    format->maxBitrate = FindMostNaturalBitRate(rates.subspan(1), format->maxBitrate);
    format->minBitrate = FindMostNaturalBitRate(rates.first(rates.size() - 1), format->minBitrate);
    if (format->minBitrate >= format->maxBitrate) format->maxBitrate = LowestAbove(rates, format->minBitrate);
    if (controls.bitrates != nullptr) {
        LoadStringsMP3Bitrates(controls.bitrates, buffer, size, format);
        SetMP3BitrateValue(controls.bitrates, format);
    }
    if (controls.minBitrates != nullptr) {
        LoadStringsMP3MinBitrates(controls.minBitrates, buffer, size, format);
        SetMP3MinBitrateValue(controls.minBitrates, format);
    }
    if (controls.maxBitrates != nullptr) {
        LoadStringsMP3MaxBitrates(controls.maxBitrates, buffer, size, format);
        SetMP3MaxBitrateValue(controls.maxBitrates, format);
    }
    CorrectABR(controls.abrEdit, format);
}

void LoadStringsMP3Bitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) FillBitrates(list, format->mpegVersion, TBitrateList::kAll, buffer, size);
}

void SetMP3BitrateValue(IChoiceList* list, CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    const std::span<const std::int32_t> rates = MPEGVersionBitRates(format->mpegVersion);
    if (!rates.empty()) format->bitrate = std::clamp(format->bitrate, rates.front(), rates.back());
    SelectChoiceValue(list, format->bitrate);
}

void GetMP3BitrateValue(const IChoiceList* list, CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    if (const auto kbps = SelectedChoiceValue(list)) format->bitrate = *kbps;
}

void LoadStringsMP3MinBitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) {
        FillBitrates(list, format->mpegVersion, TBitrateList::kMinimums, buffer, size);
    }
}

void SetMP3MinBitrateValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, format->minBitrate);
}

void GetMP3MinBitrateValue(const TMP3BitrateControls& controls, CConv2FileFormat* format) {
    StoreRangeEnd(controls, format, TBitrateList::kMinimums);
}

void LoadStringsMP3MaxBitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) {
        FillBitrates(list, format->mpegVersion, TBitrateList::kMaximums, buffer, size);
    }
}

void SetMP3MaxBitrateValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list != nullptr && format != nullptr) SelectChoiceValue(list, format->maxBitrate);
}

void GetMP3MaxBitrateValue(const TMP3BitrateControls& controls, CConv2FileFormat* format) {
    StoreRangeEnd(controls, format, TBitrateList::kMaximums);
}

void InitMP3ABREdit(ITextField* edit) {
    if (edit != nullptr) edit->SetLimit(kABREditChars);
}

void SetMP3ABREditValue(ITextField* edit, CConv2FileFormat* format) {
    if (format != nullptr) CorrectABR(edit, format);
}

void GetMP3ABREditValue(ITextField* edit, CConv2FileFormat* format) {
    if (edit == nullptr || format == nullptr) return;
    char text[16];
    edit->GetText(text, sizeof text);
    format->abrBitrate = static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
    CorrectABR(edit, format);
}

void InitMP3VBRQualitySlider(IRangeSlider* slider, const CConv2FileFormat* format) {
    if (slider == nullptr || format == nullptr) return;
    slider->SetRange(0, 9);
    slider->SetPosition(9 - std::clamp(format->vbrQuality, 0, 9));
}

void GetMP3VBRQualityValue(const IRangeSlider* slider, CConv2FileFormat* format) {
    if (slider == nullptr || format == nullptr) return;
    format->vbrQuality = 9 - std::clamp(slider->Position(), 0, 9);
}

void SetMP3VBRQualityString(ITextField* text, const CConv2FileFormat* format) {
    if (text == nullptr || format == nullptr) return;
    char value[16];
    std::snprintf(value, sizeof value, "%d", format->vbrQuality);
    text->SetText(value);
}
