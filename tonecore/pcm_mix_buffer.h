#pragma once
// The records a mixer is made with and keeps one of per wave buffer, for
// playback and for recording alike.

#include <cstdint>
#include <vector>

#include "platform/wave_format.h"
#include "platform/wave_out.h"

// What a mixer is made with.
struct _tInitMixer {
    std::uint32_t device = WAVE_MAPPER;  // passed to waveOutOpen and waveInOpen
    std::int32_t bufferCount = 0;
    std::uint32_t bufferBytes = 0;  // of each buffer
    WAVEFORMATEX format{};          // the PCM format to play or record
};

// One wave buffer.
struct _pcm_mix_buffer {
    std::vector<char> data;  // the buffer's memory
    WAVEHDR header{};        // its data pointer is data, its length the buffer bytes
    int free = 1;            // 1 while not queued at the device
};
