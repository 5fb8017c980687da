#pragma once
// The MP3 settings dialog's helpers: they fill the dialog's controls from a
// conversion target and store the user's choices back into it, offering only
// what the converter's encoder can do. Lists keep each item's value; a Set
// helper selects the item of the target's value, a Get helper stores the
// selected item's value. buffer (size bytes) is where item texts are loaded.

#include <cstdint>

#include "tonecore/convert/conv2file_types.h"
#include "tonecore/convert/dialog_controls.h"

class CConv2FileFormat;
class CConv2FileObj;
class CConv2MP3;

// Tag types: ID3 v2, ID3 v1, none.
void LoadStringsMP3TagTypes(IChoiceList* list, char* buffer, int size);
void SetMP3TagTypeValue(IChoiceList* list, const CConv2FileFormat* format);
void GetMP3TagTypeValue(const IChoiceList* list, CConv2FileFormat* format);

// Modes: stereo, joint stereo and dual channel when the encoder has them,
// mono. Both Set and Get set the channels by the mode.
void LoadStringsMP3Modes(IChoiceList* list, char* buffer, int size, const CConv2MP3* conv);
void SetMP3ModeValue(IChoiceList* list, CConv2FileFormat* format, const CConv2MP3* conv);
void GetMP3ModeValue(const IChoiceList* list, CConv2FileFormat* format);

// The bitrate controls that follow the MPEG version and each other.
struct TMP3BitrateControls {
    IChoiceList* bitrates = nullptr;
    IChoiceList* minBitrates = nullptr;
    IChoiceList* maxBitrates = nullptr;
    ITextField* abrEdit = nullptr;
};

// Versions the encoder makes: MPEG-1, MPEG-2, MPEG-2.5.
void LoadStringsMP3Versions(IChoiceList* list, char* buffer, int size, const CConv2MP3* conv);
void SetMP3VersionValue(IChoiceList* list, const CConv2FileFormat* format);
// A change between MPEG-1 and the lower-rate versions (which have another
// bitrate list) rebuilds and reselects the bitrate lists and corrects the
// ABR edit.
void GetMP3VersionValue(const IChoiceList* list, CConv2FileFormat* format, const TMP3BitrateControls& controls,
                        char* buffer, int size);

// The version's bitrates, highest first. Set: a bitrate beyond the list's
// ends becomes the nearest end.
void LoadStringsMP3Bitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format);
void SetMP3BitrateValue(IChoiceList* list, CConv2FileFormat* format);
void GetMP3BitrateValue(const IChoiceList* list, CConv2FileFormat* format);
// The VBR minimum: the list without its highest value. Get keeps the
// maximum above the minimum.
void LoadStringsMP3MinBitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format);
void SetMP3MinBitrateValue(IChoiceList* list, const CConv2FileFormat* format);
void GetMP3MinBitrateValue(const TMP3BitrateControls& controls, CConv2FileFormat* format);
// The VBR maximum: the list without its lowest value. Get keeps the minimum
// below the maximum.
void LoadStringsMP3MaxBitrates(IChoiceList* list, char* buffer, int size, const CConv2FileFormat* format);
void SetMP3MaxBitrateValue(IChoiceList* list, const CConv2FileFormat* format);
void GetMP3MaxBitrateValue(const TMP3BitrateControls& controls, CConv2FileFormat* format);

// The ABR bitrate, three digits, kept strictly between minimum and maximum.
void InitMP3ABREdit(ITextField* edit);
void SetMP3ABREditValue(ITextField* edit, CConv2FileFormat* format);
void GetMP3ABREditValue(ITextField* edit, CConv2FileFormat* format);

// VBR quality on a slider of 0 to 9 that runs from worst to best.
void InitMP3VBRQualitySlider(IRangeSlider* slider, const CConv2FileFormat* format);
void GetMP3VBRQualityValue(const IRangeSlider* slider, CConv2FileFormat* format);
void SetMP3VBRQualityString(ITextField* text, const CConv2FileFormat* format);

// The presets whose MPEG version the encoder makes, at positions 1 to their
// count in preset order. Init: preset 0 counts as 9; a preset not offered
// moves the slider to the nearest end and tells the dialog.
void InitMP3PresetSlider(IRangeSlider* slider, CConv2FileFormat* format, const CConv2MP3* conv);
void GetMP3PresetValue(const IRangeSlider* slider, CConv2FileFormat* format, const CConv2MP3* conv);
// The preset's name, and its settings in the "IDS_PRESET_FORMAT" text.
void SetMP3PresetString(ITextField* name, ITextField* text, char* buffer, int size, const CConv2FileFormat* format,
                        CConv2MP3* conv);

// The encoders present, each item's value its encoder number.
void LoadStringsMP3Encoders(IChoiceList* list, char* buffer, int size);
void SetMP3EncoderValue(IChoiceList* list, _tMP3EncoderDllTypedef encoder);
// The controls the encoder choice refreshes.
struct TMP3PresetControls {
    IRangeSlider* slider = nullptr;
    ITextField* presetName = nullptr;
    ITextField* presetText = nullptr;
    ITextField* settingsText = nullptr;  // may be null
};
// Reads the chosen encoder. When it differs from *encoder, *conv is
// replaced by a new converter for it (the old one freed), the format is
// brought within the new encoder's reach and validated, and the preset
// controls are refreshed. False when no converter can be made (nothing
// changes then).
bool GetMP3EncoderValue(const IChoiceList* list, const TMP3PresetControls& controls,
                        _tMP3EncoderDllTypedef* encoder, CConv2FileFormat* format, CConv2FileObj** conv,
                        char* buffer, int size);

// The full settings line of the format.
void SetMP3UserSettingsString(ITextField* text, char* buffer, int size, const CConv2FileFormat* format,
                              CConv2MP3* conv);
