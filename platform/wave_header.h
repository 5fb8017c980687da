#pragma once
// What wave output and wave input do alike with a caller's buffer header
// and with the arguments of an open, whichever device holds them.

#include <cstdint>

#include "platform/wave_out.h"

// Whether header is a whole header (size counts its bytes).
bool WaveHeaderUsable(const WAVEHDR* header, std::uint32_t size);
// Marks the header prepared; it must have data and not be queued.
MMRESULT PrepareWaveHeader(WAVEHDR* header, std::uint32_t size);
// Clears the prepared mark; WAVERR_STILLPLAYING while the header is queued.
MMRESULT UnprepareWaveHeader(WAVEHDR* header, std::uint32_t size);
// MMSYSERR_NOERROR when an open may go ahead with these arguments.
MMRESULT CheckWaveOpenArguments(const void* out, const WAVEFORMATEX* format, std::uint32_t flags);
