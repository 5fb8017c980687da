#pragma once
// The records a mixer is made with and keeps one of per wave buffer, for
// playback and for recording alike.

#include <cstdint>
#include <vector>

#include "platform/wave_format.h"
#include "platform/wave_out.h"

// What a mixer is made with.
struct _tInitMixer {
    std::uint32_t device = 0;  // wave device identifier
    std::int32_t bufferCount = 0;
    std::uint32_t bufferBytes = 0;  // bytes of each wave buffer
    WAVEFORMATEX format{};  // the PCM format to play or record
};

// One wave buffer of the mixer.
struct _pcm_mix_buffer {
    std::vector<std::uint8_t> data;
    // The device's record of the buffer: its data pointer is data, its
    // length the buffer bytes; the device sets WHDR_DONE when it has played
    // or filled it.
    WAVEHDR header{};
    // Playback: 1 while the buffer is not queued at the device and may be
    // filled. Recording: 1 marks a buffer the sound refused.
    int free = 1;
};
