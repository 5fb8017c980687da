#include "tonecore/engine/wave_out_choice.h"

#include "filekit/log.h"
#include "platform/wave_out.h"
#include "platform/wave_out_alsa.h"
#include "platform/wave_out_null.h"

const char* ChooseWaveOutBackend() {
    IWaveOutBackend& current = CurrentWaveOutBackend();
    if (&current != &AlsaWaveOutBackend() || AlsaPlaybackAvailable("default")) return current.Name();
    // Without a card songs still play, silently and at their own pace, so
    // progress and timing work as with one.
    SetWaveOutBackend(&NullWaveOutBackend());
    Log("Sound engine: no sound card (ALSA \"default\" cannot be opened); playing through the null device");
    return NullWaveOutBackend().Name();
}
