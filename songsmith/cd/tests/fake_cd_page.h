#pragma once
// A CD page for the player's tests: drive "/dev/sr0" labelled "sr0", whose
// third row (index 2) is a 215 s track "Third" by "The Band"; it writes
// down what it is asked.

#include <string>
#include <vector>

#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/cd/cd_track_page.h"

namespace songfakes {

class CFakeCdPage : public ICDTrackPage {
public:
    std::string DriveText() override { return "/dev/sr0"; }
    std::string DriveLabel() override { return "sr0"; }
    std::int32_t TrackLengthMs(int index) override { return index == 2 ? 215000 : 0; }
    void TrackTitleAndArtist(int index, std::string& title, std::string& artist) override {
        title = index == 2 ? "Third" : "";
        artist = index == 2 ? "The Band" : "";
    }
    bool PlayTrack(int index, std::int32_t positionMs) override {
        calls.push_back(Line("play %d %d", index, positionMs));
        playing = playable;
        return playable;
    }
    bool IsPlayingTrack() override { return playing; }
    void StopTrack() override {
        calls.push_back("stop");
        playing = false;
    }
    bool PlayNextSong(bool random, bool forward) override {
        calls.push_back(Line("next %d %d", random ? 1 : 0, forward ? 1 : 0));
        return nextPlays;
    }

    bool playable = true;
    bool playing = false;
    bool nextPlays = false;
    std::vector<std::string> calls;
};

}  // namespace songfakes
