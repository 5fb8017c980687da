#pragma once
// What the WMA settings dialog shows and takes: the rate list, the bitrate
// list for the rate, the mono and stereo buttons, the preset slider and the
// settings texts. Each Load helper fills a control, each Set helper shows the
// format's value, each Get helper stores the control's value into the format
// and brings the other controls in line with it. Texts are loaded into
// buffer (size bytes; null for a buffer of the helper's own).

#include <cstdint>

#include "tonecore/convert/dialog_controls.h"

class CConv2FileFormat;

// "IDS_48000HZ" down to "IDS_8000HZ", each carrying its rate.
void LoadStringsWMASampleRates(IChoiceList* list, char* buffer, int size);
void SetWMASampleRateValue(IChoiceList* list, const CConv2FileFormat* format);

// The mono and stereo radio buttons and the bitrate list that a rate change
// brings in line.
struct TWMAChannelControls {
    IChoiceList* bitrates = nullptr;
    IToggleButton* stereo = nullptr;
    IToggleButton* mono = nullptr;
};
// A changed rate refits the channels and bitrate, rebuilds the bitrate list
// and sets the mono and stereo buttons.
void GetWMASampleRateValue(const IChoiceList* list, const TWMAChannelControls& controls, CConv2FileFormat* format,
                           char* buffer, int size);

// The WMA bitrates the format's rate allows, mono or stereo, highest first,
// each named by "IDS_BITRATE_" and its kbps.
void LoadStringsWMABitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format);
void SetWMABitrateValue(IChoiceList* list, const CConv2FileFormat* format);
// A changed bitrate fits the channels to it and sets the buttons.
void GetWMABitrateValue(const IChoiceList* list, IToggleButton* stereo, IToggleButton* mono,
                        CConv2FileFormat* format);

// A changed channel count checks the button of the new count; a stereo
// bitrate above the rate's mono maximum disables the mono button, a mono
// bitrate below the stereo minimum the stereo button; otherwise both are
// enabled. rateRow: the rate's row in the rate table (-1: none).
void SetWMARadioMode(IToggleButton* stereo, IToggleButton* mono, const CConv2FileFormat* format,
                     std::int32_t previousChannels, int rateRow);

// The slider runs over the presets the encoder offers (1..count); the
// count, 0 when it offers none. A preset not offered gives way to the CD
// preset (7), else to the first offered one.
int InitWMAPresetSlider(IRangeSlider* slider, CConv2FileFormat* format);
// The preset at the slider's position into the format.
void GetWMAPresetValue(const IRangeSlider* slider, CConv2FileFormat* format);
// The preset's name, and "IDS_PRESET_FORMAT" filled with its settings text;
// either field may be null.
void SetWMAPresetString(ITextField* name, ITextField* text, char* buffer, int size, const CConv2FileFormat* format);
// The format's settings text.
void SetWMAUserSettingsString(ITextField* text, char* buffer, int size, const CConv2FileFormat* format);
