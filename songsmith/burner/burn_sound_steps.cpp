#include "songsmith/burner/burn_sound_steps.h"

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/player/track_envelope.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/sound/sound_group.h"

const WAVEFORMATEX kBurnCdFormat = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

TFadePreferences BurnFadeSettings(CPreferences& prefs) {
    prefs.Lock();
    const TFadePreferences fade = prefs.fadePreferences;
    prefs.Unlock();
    return fade;
}

TBurnRange BurnRangeOf(const CCDTrack& track, bool automaticTrims) {
    TBurnRange range;
    range.startMs = automaticTrims ? track.GetAutoTrimStart() : track.GetUserTrimStart();
    range.lengthMs = track.GetTrimmedLength(automaticTrims);
    return range;
}

void PrepareBurnSound(CSongSound& sound, const TBurnRange& range) {
    if (CPeaks* peaks = sound.GetPeaks()) peaks->Unload();
    sound.SetVirtualTimeStart(range.startMs);
    sound.SetVirtualLength(range.lengthMs);
}

TBurnEnvelopes PlayerEnvelopes(CTrackList& tracks, CPreferences& prefs) {
    TBurnEnvelopes envelopes;
    envelopes.applyTrackGain = [&tracks, &prefs](CSongSound& sound) { ApplyTrackGain(sound, tracks, prefs); };
    envelopes.setFadeEnvelope = [&tracks, &prefs](CSongSound& sound, double volume, std::int32_t a, std::int32_t b,
                                                  std::int32_t lengthMs, bool fadeIn, bool fadeOut) {
        SetFadeEnvelope(sound, tracks, prefs, volume, a, b, lengthMs, fadeIn, fadeOut);
    };
    return envelopes;
}

void ApplyBurnGain(const TBurnEnvelopes& envelopes, CSongSound& sound) {
    if (envelopes.applyTrackGain) envelopes.applyTrackGain(sound);
}

void ApplyBurnFade(const TBurnEnvelopes& envelopes, CSongSound& sound, double volume, std::int32_t lengthMs,
                   bool fadeIn, bool fadeOut) {
    if (envelopes.setFadeEnvelope)
        envelopes.setFadeEnvelope(sound, volume, 0, lengthMs, lengthMs, fadeIn, fadeOut);
    else
        sound.SetVirtualLength(lengthMs);
}

std::unique_ptr<CPCMMixer> MakeBurnMixer() {
    // A new mixer makes itself current; under the same hold of the engine
    // lock the one before is put back, so the service thread never drives
    // the burn's mixer and the player's keeps playing.
    CEngineLockGuard engine(EngineLock());
    IEngineMixer* previous = GetCurrentMixer();
    auto mixer = std::make_unique<CPCMMixer>(nullptr);
    SetCurrentMixer(previous);
    return mixer;
}

void TSoundGroupRelease::operator()(CSoundGroup* group) const {
    CAudioAtom* atom = group;
    DeleteAtom(&atom);
}

TBurnGroup MakeBurnGroup() { return TBurnGroup(new CSoundGroup); }

double BurnKilobytesFor(std::int32_t lengthMs) {
    return static_cast<double>(lengthMs) * 176.4 / 1000.0;
}
