#pragma once
// The wave-in back end over ALSA. A capture thread of each device reads the
// PCM while the device is started and hands what it read to the queued
// buffers; a stop drops what the card still holds, so a later start records
// from that moment on.
//
// Device identifiers: WAVE_MAPPER is ALSA's "default" PCM; a number n is
// card n ("plughw:n", converting the format where the card needs it).

#include <cstdint>
#include <memory>

#include "platform/wave_in.h"

class CWaveInDevice;

// Opens the named ALSA PCM (e.g. "default", "null") for capture in format.
MMRESULT OpenAlsaWaveIn(const char* pcmName, const WAVEFORMATEX& format, std::unique_ptr<CWaveInDevice>* device);

// Whether the named PCM can be opened for capture at all (no card: false).
bool AlsaCaptureAvailable(const char* pcmName);

// The process's ALSA back end (the default of waveInOpen).
IWaveInBackend& AlsaWaveInBackend();
