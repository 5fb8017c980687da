#include "songsmith/session/session_song_actions.h"

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "utilities/undo_manager.h"

bool CSessionSongActions::AddToSession(const CSongEntry& song, int listType) {
    return session_.AddSong(song, true, listType);
}

void CSessionSongActions::NextUndoSet() {
    undo_.NextUndoSet();
}

void CSessionSongActions::AddShowFocusedTrackAtom() {
    session_.AddShowFocusedTrackAtom();
}

void CSessionSongActions::RemoveFromSession(const CSongEntry& song, int listType) {
    session_.RemoveSong(song, listType);
}

void CSessionSongActions::AddClearSelectionAtom() {
    session_.AddClearSelectionAtom();
}

void CSessionSongActions::SetSongPlayState(const char* path, int inSession) {
    if (pageMarker_) pageMarker_(path, inSession);
}

bool CSessionSongActions::FindTrackTrims(int serial, TTrackTrimPairs& trims) {
    tracks_.Lock();
    const CCDTrack* track = tracks_.GetAt(tracks_.FindBySerial(serial));
    if (track != nullptr) {
        trims.autoStartMs = track->GetAutoTrimStart();
        trims.autoEndMs = track->GetAutoTrimEnd();
        trims.userStartMs = track->GetUserTrimStart();
        trims.userEndMs = track->GetUserTrimEnd();
    }
    tracks_.Unlock();
    return track != nullptr;
}

bool CSessionSongActions::TrimSoundsAutomatically() {
    return prefs_.bTrimSoundsAutomatically != 0;
}

bool CSessionSongActions::PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs,
                                   int soundId, std::int32_t positionMs) {
    return player_ != nullptr && player_->PlaySong(path, serial, startMs, endMs, soundId, positionMs);
}

void CSessionSongActions::StopPlayer() {
    if (player_ != nullptr) player_->Stop();
}
