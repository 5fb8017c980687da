#include "songsmith/player/track_envelope.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/maps/event_map.h"

namespace {

// The target when the session's loudest peak is not the target: just
// under full scale, so a normalised song never clips.
constexpr double kDefaultTarget = 0.99;
// A track gain of exactly 0 would turn the whole envelope into the fade
// ends that ApplyTrackGain leaves alone.
constexpr double kQuietestGain = 0.0001;
// A difference that is the threshold as the user reads it (15 % is 0.15)
// must reach it, whatever the last bit of the two levels.
constexpr double kThresholdSlack = 1e-9;

// The sound's source volume envelope: the map that the combined map, which
// the mixer plays, is rebuilt from.
CMap& VolumeMap(CSongSound& sound) {
    return *sound.GetSrcMap();
}

double* LevelOf(_tvol_pan_data* event) {
    return static_cast<double*>(event->data);
}

}  // namespace

double LoudnessFactor(const TLoudnessInputs& inputs) {
    if (!inputs.normalise) return 1.0;
    // A session whose tracks have no peaks yet has no loudest track to
    // match; aiming at 0 would silence every song.
    const double target =
        inputs.toLoudest && inputs.loudest > 0.0 ? std::min(inputs.loudest, 1.0) : kDefaultTarget;
    const double threshold = inputs.thresholdPercent * 0.01;
    if (std::fabs(inputs.peak - target) + kThresholdSlack < threshold) return 1.0;
    return target / inputs.peak;
}

double TrackGain(const TLoudnessInputs& inputs) {
    const double gain = inputs.volume * LoudnessFactor(inputs);
    return std::isfinite(gain) ? gain : 1.0;
}

TLoudnessInputs LoudnessInputsFor(int serial, CTrackList& tracks, CPreferences& prefs) {
    TLoudnessInputs inputs;
    inputs.normalise = prefs.bNormalizeSounds != 0;
    inputs.toLoudest = prefs.bNormalizeToLoudestTrack != 0;
    inputs.thresholdPercent = prefs.iNormDiffThreshold;
    tracks.Lock();
    const int count = tracks.GetCount();
    inputs.loudest = count > 0 ? tracks.GetLoudestPeak(count) : 0.0;
    if (serial > 0) {
        if (const CCDTrack* track = tracks.GetAt(tracks.FindBySerial(serial))) {
            inputs.peak = track->GetPeakLevel();
            inputs.volume = track->GetVolume();
        }
    }
    tracks.Unlock();
    return inputs;
}

std::vector<TEnvelopePoint> FadeEnvelopePoints(double gain, std::int32_t a, std::int32_t b,
                                               std::int32_t lengthMs, std::int32_t fadeMs,
                                               bool fadeIn, bool fadeOut) {
    // The level holds to one past the length; past the last time a sound
    // can have, to that time.
    const auto end = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{lengthMs} + 1, INT32_MAX));
    // Nothing between the fade points: no room for a fade at all.
    if (b <= a) return {{0, gain}, {end, gain}};
    const std::int64_t fade = std::max(fadeMs, 1);
    const std::int64_t fades = (fadeIn ? 1 : 0) + (fadeOut ? 1 : 0);
    std::int64_t top = a + fade;
    std::int64_t foot = b - fade;
    // Too short for the fades asked for: they meet in one peak in the
    // middle, so the points stay in time order.
    if (std::int64_t{b} - a < fade * fades) {
        top = a + (std::int64_t{b} - a) / 2;
        foot = top + 1;
    }
    std::vector<TEnvelopePoint> points;
    const auto add = [&points](std::int64_t time, double level) {
        time = std::min<std::int64_t>(time, INT32_MAX);
        // A point at or before the one before it would be refused by the
        // map (or misorder it): the earlier point stands.
        if (!points.empty() && time <= points.back().timeMs) return;
        points.push_back({static_cast<std::int32_t>(time), level});
    };
    if (fadeIn) {
        add(0, 0.0);
        add(a, 0.0);
        add(top, gain);
    } else {
        add(0, gain);
    }
    if (fadeOut) {
        add(foot, gain);
        add(b, 0.0);
        add(end, 0.0);
    } else {
        add(end, gain);
    }
    return points;
}

void ApplyTrackGain(CSongSound& sound, CTrackList& tracks, CPreferences& prefs) {
    double gain = TrackGain(LoudnessInputsFor(sound.serial, tracks, prefs));
    if (gain == 0.0) gain = kQuietestGain;
    {
        std::lock_guard<std::recursive_mutex> hold(sound.AtomLock());
        CMap& map = VolumeMap(sound);
        std::int32_t time = 0;
        bool first = true;
        for (int i = 0; _tvol_pan_data* event = map.GetNextEvent(MAP_VOLUME, i, &time); ++i) {
            double* level = LevelOf(event);
            // Silent points are the ends of fades and stay silent.
            if (first ? *level != 0.0 : *level > 0.0) *level = gain;
            first = false;
        }
    }
    // Outside the sound's lock: combining asks the parent first.
    sound.CombineWithParentMap(MAP_VOLUME);
}

void SetFadeEnvelope(CSongSound& sound, CTrackList& tracks, CPreferences& prefs, double volume,
                     std::int32_t a, std::int32_t b, std::int32_t lengthMs, bool fadeIn, bool fadeOut) {
    TLoudnessInputs inputs = LoudnessInputsFor(sound.serial, tracks, prefs);
    inputs.volume = volume;
    const double gain = TrackGain(inputs);
    // The fader settings are written under the preferences' lock.
    prefs.Lock();
    const std::int32_t fadeMs = prefs.fadePreferences.fadeMs;
    prefs.Unlock();
    // The engine lock first: a sound that is in a group (the player cuts a
    // playing song short this way) changes its group's length.
    CEngineLockGuard engine(EngineLock());
    {
        std::lock_guard<std::recursive_mutex> hold(sound.AtomLock());
        sound.SetVirtualLength(lengthMs);
        CMap& map = VolumeMap(sound);
        map.RemoveAllSimpleEvents(MAP_VOLUME);
        for (const TEnvelopePoint& point :
             FadeEnvelopePoints(gain, a, b, lengthMs, fadeMs, fadeIn, fadeOut))
            map.AddSimpleEvent(MAP_VOLUME, point.timeMs, point.level);
    }
    if (CAudioAtom* parent = sound.Parent()) parent->Resize(&sound);
    sound.CombineWithParentMap(MAP_VOLUME);
}
