#include "tonecore/engine/wave_out_choice.h"

#include "filekit/log.h"
#include "platform/wave_out.h"
#include "platform/wave_out_alsa.h"
#include "platform/wave_out_null.h"

const char* ChooseWaveOutBackend() {
    IWaveOutBackend& current = CurrentWaveOutBackend();
    if (&current != &AlsaWaveOutBackend() || AlsaPlaybackAvailable("default")) return current.Name();
    // Without a card the engine still runs: a mixer opens and a burn renders
    // as with one. But the stand-in answers every format query "bad
    // format", so the program, which asks before it plays, tells the user
    // there is no sound card instead of showing a song that plays in
    // silence.
    SetWaveOutBackend(&MissingCardWaveOutBackend());
    Log("Sound engine: no sound card (ALSA \"default\" cannot be opened); playing through the null device");
    return MissingCardWaveOutBackend().Name();
}
