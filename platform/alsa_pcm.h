#pragma once
// Opening ALSA PCMs for the wave devices, both directions alike: device
// numbers to PCM names, the sample format, and ALSA kept quiet on stderr.

#include <alsa/asoundlib.h>

#include <cstdint>
#include <string>

#include "platform/wave_out.h"

// WAVE_MAPPER is ALSA's "default" PCM; a number n is card n ("plughw:n",
// converting the format where the card needs it).
std::string AlsaPcmName(std::uint32_t deviceId);
// Opens the named PCM in direction stream, not blocking, for format with
// a ring of ringMicroseconds. MMSYSERR_NODRIVER when it does not open,
// WAVERR_BADFORMAT when it refuses the format (it is closed again then).
MMRESULT OpenAlsaPcm(const char* pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format,
                     unsigned ringMicroseconds, snd_pcm_t** pcm);
// Whether the named PCM opens in direction stream at all (no card: false).
bool AlsaPcmAvailable(const char* pcmName, snd_pcm_stream_t stream);
