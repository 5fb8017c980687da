#include "platform/alsa_pcm.h"

#include "platform/wave_out_device.h"

namespace {

void SilenceAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    // ALSA prints its own complaints to stderr (no card is an ordinary
    // state here); failures are reported through the results instead.
    static const bool quiet = [] {
        snd_lib_error_set_handler(SilenceAlsaErrors);
        return true;
    }();
    (void)quiet;
}

snd_pcm_format_t AlsaFormat(const WAVEFORMATEX& format) {
    return format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

}  // namespace

std::string AlsaPcmName(std::uint32_t deviceId) {
    return deviceId == WAVE_MAPPER ? "default" : "plughw:" + std::to_string(deviceId);
}

MMRESULT OpenAlsaPcm(const char* pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& format,
                     unsigned ringMicroseconds, snd_pcm_t** pcm) {
    *pcm = nullptr;
    if (!WaveOutFormatPlayable(format)) return WAVERR_BADFORMAT;
    QuietAlsa();
    snd_pcm_t* opened = nullptr;
    if (snd_pcm_open(&opened, pcmName, stream, SND_PCM_NONBLOCK) < 0) return MMSYSERR_NODRIVER;
    if (snd_pcm_set_params(opened, AlsaFormat(format), SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels,
                           format.nSamplesPerSec, 1, ringMicroseconds) < 0) {
        snd_pcm_close(opened);
        return WAVERR_BADFORMAT;
    }
    *pcm = opened;
    return MMSYSERR_NOERROR;
}

bool AlsaPcmAvailable(const char* pcmName, snd_pcm_stream_t stream) {
    QuietAlsa();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcmName, stream, SND_PCM_NONBLOCK) < 0) return false;
    snd_pcm_close(pcm);
    return true;
}
