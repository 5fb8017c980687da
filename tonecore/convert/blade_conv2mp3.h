#pragma once
// CBladeConv2MP3: MP3 conversion through the Blade encoder library
// ("BladeEnc.dll"): MPEG-1 at a constant bitrate, stereo, dual channel or
// mono.

#include "tonecore/convert/conv2mp3.h"

class CBladeConv2MP3 : public CConv2MP3 {
public:
    CBladeConv2MP3();

    void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                       const TSourceDecoder* decoder) override;
    void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) override;
    void UpdateSettingsAfterEncoderChange(CConv2FileFormat* format) override;
    bool ValidateFormat(CConv2FileFormat* format) override;
    // The plain configuration record.
    void SetupConfig(const CConv2FileFormat* target, const WAVEFORMATEX* source) override;
};
