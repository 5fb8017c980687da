#pragma once
// The wave-out back end over ALSA. A feeder thread of each device copies the
// queued buffers into the PCM's ring; a buffer is done only when the card
// has played past its end (frames written less the PCM's delay). Pausing
// uses the card's pause where it has one, else drops what the ring holds and
// plays on from the position reached.
//
// Device identifiers: WAVE_MAPPER is ALSA's "default" PCM; a number n is
// card n ("plughw:n", converting the format where the card needs it).

#include <cstdint>
#include <memory>

#include "platform/wave_out.h"

class CWaveOutDevice;

// Opens the named ALSA PCM (e.g. "default", "null") for playback of format.
MMRESULT OpenAlsaWaveOut(const char* pcmName, const WAVEFORMATEX& format, std::unique_ptr<CWaveOutDevice>* device);

// Whether the named PCM takes format: its hardware parameters are set on it
// and it is closed again. MMSYSERR_NOERROR, WAVERR_BADFORMAT, or
// MMSYSERR_NODRIVER when it does not open.
MMRESULT QueryAlsaWaveOut(const char* pcmName, const WAVEFORMATEX& format);

// Whether the named PCM can be opened for playback at all (no card: false).
bool AlsaPlaybackAvailable(const char* pcmName);

// The process's ALSA back end (the default of waveOutOpen).
IWaveOutBackend& AlsaWaveOutBackend();
