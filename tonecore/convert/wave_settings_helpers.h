#pragma once
// The WAV settings dialog's rate list: 44100, 22050 and 11025 Hz.

#include "tonecore/convert/dialog_controls.h"

class CConv2FileFormat;

void LoadStringsWaveSampleRates(IChoiceList* list, char* buffer, int size);
// Selects the format's rate; none when the list lacks it.
void SetWaveSampleRateValue(IChoiceList* list, const CConv2FileFormat* format);
// The selected rate into the format (unchanged when none is selected).
void GetWaveSampleRateValue(const IChoiceList* list, CConv2FileFormat* format);
