#include "platform/wave_header.h"

#include "platform/wave_out_device.h"

bool WaveHeaderUsable(const WAVEHDR* header, std::uint32_t size) {
    return header != nullptr && size >= sizeof(WAVEHDR);
}

MMRESULT PrepareWaveHeader(WAVEHDR* header, std::uint32_t size) {
    if (!WaveHeaderUsable(header, size) || header->lpData == nullptr) return MMSYSERR_INVALPARAM;
    const std::uint32_t flags = WaveHeaderFlags(header);
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    SetWaveHeaderFlags(header, flags | WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT UnprepareWaveHeader(WAVEHDR* header, std::uint32_t size) {
    if (!WaveHeaderUsable(header, size)) return MMSYSERR_INVALPARAM;
    const std::uint32_t flags = WaveHeaderFlags(header);
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    SetWaveHeaderFlags(header, flags & ~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT CheckWaveOpenArguments(const void* out, const WAVEFORMATEX* format, std::uint32_t flags) {
    if (out == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    if (flags != CALLBACK_NULL && flags != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
    if (!WaveOutFormatPlayable(*format)) return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}
