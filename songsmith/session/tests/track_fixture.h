#pragma once
// Session tracks built by hand (no decoding): a preferences object for
// their counters and settings, and records with the lengths and trims a
// test names.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_states.h"
#include "tonecore/tags/music_info.h"

namespace tracktest {

// An analysed track of lengthMs in state, both trim pairs over the whole.
inline std::unique_ptr<CCDTrack> AnalysedTrack(CPreferences& prefs, std::int32_t lengthMs,
                                               int state = kTrackReady,
                                               const char* path = "/music/song.mp3") {
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "%s", path);
    info.lengthMs = lengthMs;
    info.flags[2] = true;  // analysed when stored
    auto track = std::make_unique<CCDTrack>(prefs, info);
    track->SetUserTrims(0, lengthMs);
    track->SetAutoTrims(0, lengthMs);
    track->SetState(state);
    return track;
}

}  // namespace tracktest
