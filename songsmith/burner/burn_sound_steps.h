#pragma once
// The steps a burn takes with each session track's sound before rendering
// it: the part of the song to burn, the sound made ready for it, its
// volume envelope, and the mixer a rendering runs through.

#include <cstdint>
#include <memory>

#include "platform/wave_format.h"
#include "songsmith/burner/burn_envelopes.h"
#include "songsmith/prefs/preference_records.h"

class CCDTrack;
class CPCMMixer;
class CPreferences;
class CSongSound;
class CSoundGroup;
class CTrackList;

// CD audio: 44100 Hz, 16-bit stereo PCM, the format of every rendering and
// every track file.
extern const WAVEFORMATEX kBurnCdFormat;

// The transition settings, copied under the preferences' lock (the fader
// dialog writes them under it).
TFadePreferences BurnFadeSettings(CPreferences& prefs);

// The part of the song a burn takes: the automatic or the user trims.
struct TBurnRange {
    std::int32_t startMs = 0;
    std::int32_t lengthMs = 0;
};
TBurnRange BurnRangeOf(const CCDTrack& track, bool automaticTrims);

// Lets go of the sound's peaks (the burn never draws them) and sets its
// virtual start and length to range.
void PrepareBurnSound(CSongSound& sound, const TBurnRange& range);

// The song player's envelopes for the tracks of a session.
TBurnEnvelopes PlayerEnvelopes(CTrackList& tracks, CPreferences& prefs);

// The track's gain, or a fade envelope over lengthMs (which also becomes
// the sound's length); without bound envelopes the sound plays at its own
// level.
void ApplyBurnGain(const TBurnEnvelopes& envelopes, CSongSound& sound);
void ApplyBurnFade(const TBurnEnvelopes& envelopes, CSongSound& sound, double volume, std::int32_t lengthMs,
                   bool fadeIn, bool fadeOut);

// A mixer of the burn's own for rendering: it needs no sound card, and it
// leaves the engine's current mixer (the player's, which the service
// thread drives) as it was.
std::unique_ptr<CPCMMixer> MakeBurnMixer();

// A sound group that is let go of when it goes out of scope.
struct TSoundGroupRelease {
    void operator()(CSoundGroup* group) const;
};
using TBurnGroup = std::unique_ptr<CSoundGroup, TSoundGroupRelease>;
TBurnGroup MakeBurnGroup();

// Kilobytes (1000 bytes) of CD audio for lengthMs, without overflow.
double BurnKilobytesFor(std::int32_t lengthMs);
