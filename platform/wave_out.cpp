#include "platform/wave_out.h"

#include <atomic>

#include "platform/wave_out_alsa.h"
#include "platform/wave_header.h"
#include "platform/wave_out_device.h"

namespace {

std::atomic<IWaveOutBackend*> g_backend{nullptr};

}  // namespace

IWaveOutBackend* SetWaveOutBackend(IWaveOutBackend* backend) { return g_backend.exchange(backend); }

IWaveOutBackend& CurrentWaveOutBackend() {
    IWaveOutBackend* backend = g_backend.load();
    return backend != nullptr ? *backend : AlsaWaveOutBackend();
}

MMRESULT IWaveOutBackend::Query(std::uint32_t /*deviceId*/, const WAVEFORMATEX& format) {
    return WaveOutFormatPlayable(format) ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

MMRESULT waveOutOpen(HWAVEOUT* out, std::uint32_t device, const WAVEFORMATEX* format,
                     std::uintptr_t /*callback*/, std::uintptr_t /*instance*/, std::uint32_t flags) {
    if (out != nullptr) *out = nullptr;
    if ((flags & WAVE_FORMAT_QUERY) != 0) {
        // A query fills no handle, so only the format and the mode are
        // checked (the format stands in for the handle it does not need).
        const MMRESULT refused = CheckWaveOpenArguments(format, format, flags & ~WAVE_FORMAT_QUERY);
        if (refused != MMSYSERR_NOERROR) return refused;
        return CurrentWaveOutBackend().Query(device, *format);
    }
    const MMRESULT refused = CheckWaveOpenArguments(out, format, flags);
    if (refused != MMSYSERR_NOERROR) return refused;
    std::unique_ptr<CWaveOutDevice> opened;
    const MMRESULT result = CurrentWaveOutBackend().Open(device, *format, &opened);
    if (result != MMSYSERR_NOERROR) return result;
    if (opened == nullptr) return MMSYSERR_ERROR;
    *out = opened.release();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    // Closing with buffers queued would leave the caller's headers marked
    // as queued for good; they are handed back as done first.
    device->Reset();
    delete device;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return PrepareWaveHeader(header, size);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return UnprepareWaveHeader(header, size);
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (!WaveHeaderUsable(header, size)) return MMSYSERR_INVALPARAM;
    return device->Write(header);
}

MMRESULT waveOutPause(HWAVEOUT device) {
    return device == nullptr ? MMSYSERR_INVALHANDLE : device->Pause();
}

MMRESULT waveOutRestart(HWAVEOUT device) {
    return device == nullptr ? MMSYSERR_INVALHANDLE : device->Restart();
}

MMRESULT waveOutReset(HWAVEOUT device) {
    return device == nullptr ? MMSYSERR_INVALHANDLE : device->Reset();
}

MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, std::uint32_t size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (time == nullptr || size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
    return device->GetPosition(time);
}
