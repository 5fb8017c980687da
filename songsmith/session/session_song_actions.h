#pragma once
// The song actions' partners as the program answers them: the session list
// adds and removes songs and records the undo atoms around a removal, the
// undo history starts steps, the track list gives a track's trims, the
// player plays and stops, and the tab pages mark the songs of the session.

#include <functional>

#include "songsmith/session/song_actions.h"

class CPreferences;
class CSessionList;
class CSongPlayer;
class CTrackList;
class CUndoMgr;

class CSessionSongActions final : public ISongActionPartners {
public:
    // Every tab page marks the song with path as in the session or not.
    using TPageMarker = std::function<void(const char* path, int inSession)>;

    CSessionSongActions(CSessionList& session, CTrackList& tracks, CUndoMgr& undo, CPreferences& prefs,
                        CSongPlayer* player)
        : session_(session), tracks_(tracks), undo_(undo), prefs_(prefs), player_(player) {}
    // The pages' marking, once they exist.
    void SetPageMarker(TPageMarker marker) { pageMarker_ = std::move(marker); }

    bool AddToSession(const CSongEntry& song, int listType) override;
    void NextUndoSet() override;
    void AddShowFocusedTrackAtom() override;
    void RemoveFromSession(const CSongEntry& song, int listType) override;
    void AddClearSelectionAtom() override;
    void SetSongPlayState(const char* path, int inSession) override;
    bool FindTrackTrims(int serial, TTrackTrimPairs& trims) override;
    bool TrimSoundsAutomatically() override;
    bool PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs, int soundId,
                  std::int32_t positionMs) override;
    void StopPlayer() override;

private:
    CSessionList& session_;
    CTrackList& tracks_;
    CUndoMgr& undo_;
    CPreferences& prefs_;
    CSongPlayer* player_;
    TPageMarker pageMarker_;
};
