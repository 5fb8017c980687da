#pragma once
// The loudness rule and the fade envelopes a song plays and burns with. The
// player and the burn's rendering both scale every song by the same rule,
// so a song sounds as loud in the player as on the disc.
//
// The rule: a session track's peak p and volume factor v (both 1.0 for a
// song that is no session track). With normalising on, the target T is the
// session's loudest peak (never above 1.0) when normalising to the loudest
// track, else 0.99; a track whose peak differs from T by at least the
// threshold is scaled by f = T / p. The gain is v x f; a gain that is not a
// number (a silent track has p = 0) plays unscaled.
//
// Envelopes are written into a sound's own (source) volume map under the
// sound's lock and then combined with its parent's, so the mixer picks them
// up at its next window even while the sound plays.

#include <cstdint>
#include <vector>

class CPreferences;
class CSongSound;
class CTrackList;

struct TLoudnessInputs {
    double peak = 1.0;
    double volume = 1.0;
    // The session's loudest peak; 0 or less when nothing is known about it
    // (an empty session, or one whose tracks are not analysed yet).
    double loudest = 0.0;
    bool normalise = true;
    bool toLoudest = true;
    int thresholdPercent = 15;
};

// The normalising factor f alone.
double LoudnessFactor(const TLoudnessInputs& inputs);
// v x f, 1.0 when that is not finite.
double TrackGain(const TLoudnessInputs& inputs);

// What the rule reads for the sound with this serial: the session track's
// peak and volume (serials of 0 and below, and serials of no track, read
// 1.0 for both), the loudest peak and the three preferences. Takes the
// track list's lock for the look-up.
TLoudnessInputs LoudnessInputsFor(int serial, CTrackList& tracks, CPreferences& prefs);

// One point of a volume envelope: a level (linear factor) at a time in ms
// from the sound's start.
struct TEnvelopePoint {
    std::int32_t timeMs;
    double level;
    bool operator==(const TEnvelopePoint&) const = default;
};

// The points of a fade envelope with gain g, in time order: a fade in from
// silence at a to g at a + fade, a fade out from g at b - fade to silence
// at b, each only when asked for, the level held to length + 1. A span from
// a to b too short for the fades asked for (b - a below one fade length per
// fade) puts a single peak in the middle; an empty span (b at or before a)
// gives the flat gain with no fades. The gain is never raised for a short
// span.
std::vector<TEnvelopePoint> FadeEnvelopePoints(double gain, std::int32_t a, std::int32_t b,
                                               std::int32_t lengthMs, std::int32_t fadeMs,
                                               bool fadeIn, bool fadeOut);

// Sets every level of the sound's volume envelope that is not silence to
// its track gain (v x f; a gain of exactly 0 becomes 0.0001, so a muted
// track still reads as a sound that plays), then combines it with its
// parent's.
void ApplyTrackGain(CSongSound& sound, CTrackList& tracks, CPreferences& prefs);

// Gives the sound length as its virtual length and the fade envelope of
// FadeEnvelopePoints with gain f x volume (f by the loudness rule for the
// sound's serial; volume is the caller's, normally the track's volume
// factor) and the fade length of the transition settings, then combines it
// with its parent's.
void SetFadeEnvelope(CSongSound& sound, CTrackList& tracks, CPreferences& prefs, double volume,
                     std::int32_t a, std::int32_t b, std::int32_t lengthMs, bool fadeIn, bool fadeOut);
