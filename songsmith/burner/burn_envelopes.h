#pragma once
// The volume envelopes a burn renders each song with: the track's gain, or
// for mixed transitions a fade in and out. The song player owns the rule, so
// a song sounds as loud on the disc as in the player; the burn reaches it
// through these two calls, which the program binds to the player's.

#include <cstdint>
#include <functional>

class CSongSound;

struct TBurnEnvelopes {
    // Scales the sound by its track's gain.
    std::function<void(CSongSound& sound)> applyTrackGain;
    // Gives the sound lengthMs as its virtual length and an envelope at the
    // track's gain times volume from a to b, faded in at a and out at b
    // when asked for.
    std::function<void(CSongSound& sound, double volume, std::int32_t a, std::int32_t b,
                       std::int32_t lengthMs, bool fadeIn, bool fadeOut)>
        setFadeEnvelope;
};
