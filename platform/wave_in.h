#pragma once
// Wave input: the caller queues buffers of its own (waveInAddBuffer), starts
// the device, and polls each header's done flag: the device fills the
// buffers in the order they were added and marks each done when it is full,
// with its byte count in dwBytesRecorded. Sound that arrives while no buffer
// is queued is lost, as it is on a card. Positions count the bytes recorded
// into buffers since the device was opened or reset.
//
// Back ends (one file each): ALSA (wave_in_alsa.h), a null device that
// records silence in real time against a clock (wave_in_null.h) and a fake
// that tests feed by hand (wave_in_fake.h). waveInOpen opens through the
// installed back end.

#include <cstdint>
#include <memory>

// Result codes, device identifiers, headers and positions are the ones
// wave output defines.
#include "platform/wave_out.h"
#include "platform/wave_format.h"

class CWaveInDevice;
using HWAVEIN = CWaveInDevice*;

// Opens device (WAVE_MAPPER or a number) for recording in format, which
// must be PCM with 1 or 2 channels of 8 or 16 bits. callback and instance
// are kept by no one: buffers are polled.
MMRESULT waveInOpen(HWAVEIN* out, std::uint32_t device, const WAVEFORMATEX* format, std::uintptr_t callback,
                    std::uintptr_t instance, std::uint32_t flags);
// Resets (every queued buffer comes back done) and closes. The handle is
// invalid afterwards.
MMRESULT waveInClose(HWAVEIN device);
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, std::uint32_t size);
// WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, std::uint32_t size);
// Queues a prepared header behind the others (WAVERR_UNPREPARED otherwise);
// its recorded count starts at 0.
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, std::uint32_t size);
MMRESULT waveInStart(HWAVEIN device);
// Stops recording; a buffer that holds part of its bytes comes back done
// with what it holds. The others stay queued for a later start.
MMRESULT waveInStop(HWAVEIN device);
// Stops, hands back every queued buffer as done and sets the position to 0.
MMRESULT waveInReset(HWAVEIN device);
// The position in the kind asked for in time->wType; a device may answer in
// another kind and says so in wType.
MMRESULT waveInGetPosition(HWAVEIN device, MMTIME* time, std::uint32_t size);

// What opens input devices.
class IWaveInBackend {
public:
    virtual ~IWaveInBackend() = default;
    // MMSYSERR_NOERROR with *device set, or a failure and *device null.
    virtual MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                          std::unique_ptr<CWaveInDevice>* device) = 0;
    // A short name for logs ("alsa", "null", "fake").
    virtual const char* Name() const = 0;
};

// Installs the back end that waveInOpen uses and returns the one it
// replaces; null puts back the default (ALSA). The back end must outlive
// every device it opens.
IWaveInBackend* SetWaveInBackend(IWaveInBackend* backend);
IWaveInBackend& CurrentWaveInBackend();
