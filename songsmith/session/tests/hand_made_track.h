#pragma once
// A session track made by hand (no file behind it), analysed, with both
// trim pairs spanning its length: what the session list tests and the
// session pane tests fill their lists with.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "songsmith/session/cd_track.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"

namespace sessiontest {

// Appends the track "/music/<name>.mp3" named name; its serial.
inline int AddHandMadeTrack(CTrackList& tracks, const std::string& name, std::int32_t lengthMs = 60000,
                            int state = kTrackReady, std::int32_t genreIndex = -1) {
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "/music/%s.mp3", name.c_str());
    std::snprintf(info.displayText, sizeof info.displayText, "%s", name.c_str());
    std::snprintf(info.title, sizeof info.title, "%s", name.c_str());
    info.lengthMs = lengthMs;
    if (genreIndex >= 0) info.genreIndex = genreIndex;
    info.flags[2] = true;  // analysed when stored
    const int index = tracks.InsertMusicInfo(info, INT_MAX);
    CCDTrack& track = *tracks.GetAt(index);
    track.SetUserTrims(0, lengthMs);
    track.SetAutoTrims(0, lengthMs);
    track.SetState(state);
    return track.GetSerial();
}

}  // namespace sessiontest
