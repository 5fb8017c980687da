#pragma once
// The decoder the drive library uses for MPEG track files that are written
// as they are: the sound engine decodes the file and renders it through a
// burn mixer as CD audio (44100 Hz, 16-bit stereo, a mono song doubled),
// the same samples a conversion of the song would write. Registered with
// the drive library at set-up.

#include <memory>

#include "platter/audio_decoder.h"

class CBurnAudioDecoder final : public IPlatterAudioDecoder {
public:
    // Null when the file does not open or does not decode.
    std::unique_ptr<IPlatterAudioStream> Open(const char* path) override;
};

// The program's one decoder, for the drive library.
IPlatterAudioDecoder& ProgramBurnAudioDecoder();
