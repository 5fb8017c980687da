#pragma once
// What a conversion needs to know of a loaded sound's source: the format to
// fit the target to (the decoding object's source format when the sound
// decodes a compressed source, else the PCM it reads out) and the decoding
// object with its bitrate and rate.

#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_types.h"

class CPCMSound;

struct TSoundSource {
    TSoundSource() = default;
    // `format` may point into the record itself.
    TSoundSource(const TSoundSource&) = delete;
    TSoundSource& operator=(const TSoundSource&) = delete;

    const WAVEFORMATEX* format = nullptr;  // null when the sound has none
    const TSourceDecoder* decoder = nullptr;  // null without a decoding object
    WAVEFORMATEX pcm{};
    TSourceDecoder decoderInfo;
};

// Fills `out` from the sound.
void DescribeSoundSource(CPCMSound& sound, TSoundSource& out);
