#include "platform/wave_device_types.h"

#include <atomic>

std::uint32_t WaveHeaderFlags(const WAVEHDR* header) {
    return std::atomic_ref<std::uint32_t>(const_cast<WAVEHDR*>(header)->dwFlags).load();
}

void SetWaveHeaderFlags(WAVEHDR* header, std::uint32_t flags) {
    std::atomic_ref<std::uint32_t>(header->dwFlags).store(flags);
}

bool WaveDeviceFormatUsable(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (format.nChannels != 1 && format.nChannels != 2) return false;
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) return false;
    if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) return false;
    return format.nSamplesPerSec > 0 && format.nAvgBytesPerSec == format.nSamplesPerSec * format.nBlockAlign;
}
