#pragma once
// CLameConv2MP3: MP3 conversion through the LAME encoder library
// ("Lame_enc.dll"): every MPEG version, joint stereo and dual channel, VBR
// and ABR, and a VBR header written into the finished file.

#include "tonecore/convert/conv2mp3.h"

class CLameConv2MP3 : public CConv2MP3 {
public:
    CLameConv2MP3();

    // Sets the version by rate, clears resampling, psychoacoustic model,
    // emphasis, VBR and ABR, and takes the version's default bitrate for the
    // rate, or the list's values around a bitrate the source gives.
    void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                       const TSourceDecoder* decoder) override;
    void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) override;
    void UpdateSettingsAfterEncoderChange(CConv2FileFormat* format) override;
    bool ValidateFormat(CConv2FileFormat* format) override;
    // The extended configuration record.
    void SetupConfig(const CConv2FileFormat* target, const WAVEFORMATEX* source) override;

protected:
    // The stream entry points and "beWriteVBRHeader".
    bool BindEntryPoints(void* module) override;
    // Writes the VBR header into the finished file.
    bool AfterStreamFinished(const char* path) override;

private:
    PFN_beWriteVBRHeader writeVbrHeader_ = nullptr;
};
