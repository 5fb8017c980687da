#pragma once
// Song-action partners over a real session track list, as the session list
// answers them: an added song becomes a track at the end, a removed one
// goes, and the pages are told which songs are in the session. Each add
// records the new track's serial and change stamp and gives it a volume, so
// a test sees whether later changes keep them.

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/track_list.h"

namespace songfakes {

class CTrackListPartners : public ISongActionPartners {
public:
    static constexpr double kAddedVolume = 0.5;

    explicit CTrackListPartners(CTrackList& tracks) : tracks_(tracks) { SetSongActionPartners(this); }
    ~CTrackListPartners() override { SetSongActionPartners(nullptr); }
    CTrackListPartners(const CTrackListPartners&) = delete;
    CTrackListPartners& operator=(const CTrackListPartners&) = delete;

    bool AddToSession(const CSongEntry& song, int) override {
        const int index = tracks_.InsertSong(song, INT_MAX);
        if (index < 0) return false;
        CCDTrack* track = tracks_.GetAt(index);
        track->SetVolume(kAddedVolume);
        addedSerials.push_back(track->GetSerial());
        addedStamps.push_back(track->GetChangeStamp());
        return true;
    }
    void NextUndoSet() override {}
    void AddShowFocusedTrackAtom() override {}
    void RemoveFromSession(const CSongEntry& song, int) override { tracks_.RemoveAt(tracks_.FindByPath(song.path)); }
    void AddClearSelectionAtom() override {}
    void SetSongPlayState(const char* path, int inSession) override {
        if (tellPages) tellPages(path, inSession != 0);
    }
    bool FindTrackTrims(int, TTrackTrimPairs&) override { return false; }
    bool TrimSoundsAutomatically() override { return false; }
    bool PlaySong(const char*, int, std::int32_t, std::int32_t, int, std::int32_t) override { return false; }
    void StopPlayer() override {}

    // The pages' SetSongPlayState.
    std::function<void(const char* path, bool inSession)> tellPages;
    std::vector<int> addedSerials;
    std::vector<int> addedStamps;

private:
    CTrackList& tracks_;
};

}  // namespace songfakes
