#include "tonecore/convert/wave_settings_helpers.h"

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/dialog_choice.h"

void LoadStringsWaveSampleRates(IChoiceList* list, char* buffer, int size) {
    if (list == nullptr) return;
    list->ResetContent();
    AddKeyedChoice(list, "IDS_44100HZ", 44100, buffer, size);
    AddKeyedChoice(list, "IDS_22050HZ", 22050, buffer, size);
    AddKeyedChoice(list, "IDS_11025HZ", 11025, buffer, size);
}

void SetWaveSampleRateValue(IChoiceList* list, const CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    SelectChoiceValue(list, static_cast<std::int32_t>(format->nSamplesPerSec));
}

void GetWaveSampleRateValue(const IChoiceList* list, CConv2FileFormat* format) {
    if (list == nullptr || format == nullptr) return;
    if (const auto rate = SelectedChoiceValue(list)) {
        format->nSamplesPerSec = static_cast<std::uint32_t>(*rate);
        format->CalcBlockAlignNAvgBytesPerSec();
    }
}
