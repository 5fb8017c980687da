#include "platform/wave_in.h"

#include <atomic>

#include "platform/wave_in_alsa.h"
#include "platform/wave_header.h"
#include "platform/wave_in_device.h"
#include "platform/wave_out_device.h"

namespace {

std::atomic<IWaveInBackend*> g_backend{nullptr};

}  // namespace

IWaveInBackend* SetWaveInBackend(IWaveInBackend* backend) { return g_backend.exchange(backend); }

IWaveInBackend& CurrentWaveInBackend() {
    IWaveInBackend* backend = g_backend.load();
    return backend != nullptr ? *backend : AlsaWaveInBackend();
}

MMRESULT waveInOpen(HWAVEIN* out, std::uint32_t device, const WAVEFORMATEX* format, std::uintptr_t /*callback*/,
                    std::uintptr_t /*instance*/, std::uint32_t flags) {
    if (out != nullptr) *out = nullptr;
    const MMRESULT refused = CheckWaveOpenArguments(out, format, flags);
    if (refused != MMSYSERR_NOERROR) return refused;
    std::unique_ptr<CWaveInDevice> opened;
    const MMRESULT result = CurrentWaveInBackend().Open(device, *format, &opened);
    if (result != MMSYSERR_NOERROR) return result;
    if (opened == nullptr) return MMSYSERR_ERROR;
    *out = opened.release();
    return MMSYSERR_NOERROR;
}

MMRESULT waveInClose(HWAVEIN device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    // Closing with buffers queued would leave the caller's headers marked as
    // queued for good; they are handed back as done first.
    device->Reset();
    delete device;
    return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return PrepareWaveHeader(header, size);
}

MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return UnprepareWaveHeader(header, size);
}

MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (!WaveHeaderUsable(header, size)) return MMSYSERR_INVALPARAM;
    return device->AddBuffer(header);
}

MMRESULT waveInStart(HWAVEIN device) { return device == nullptr ? MMSYSERR_INVALHANDLE : device->Start(); }

MMRESULT waveInStop(HWAVEIN device) { return device == nullptr ? MMSYSERR_INVALHANDLE : device->Stop(); }

MMRESULT waveInReset(HWAVEIN device) { return device == nullptr ? MMSYSERR_INVALHANDLE : device->Reset(); }

MMRESULT waveInGetPosition(HWAVEIN device, MMTIME* time, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (time == nullptr || size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
    return device->GetPosition(time);
}
