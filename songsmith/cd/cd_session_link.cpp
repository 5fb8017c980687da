#include "songsmith/cd/cd_session_link.h"

#include <cstdio>

#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"

namespace {

template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

// The song information the session's track takes from the row: shown by its
// title, with the genre in the table's spelling.
TONECORE_CMusicInfo SessionInfoOf(const TCDTrackRow& row) {
    TONECORE_CMusicInfo info = *row.info;
    CopyText(info.displayText, info.title);
    const TGenreMatch genre = MatchGenreNoCase(info.genre);
    info.genreIndex = genre.index;
    CopyText(info.genre, genre.name.c_str());
    return info;
}

}  // namespace

void AddCdRowToSession(TCDTrackRow& row) {
    CTrackList* tracks = CdSessionTracks();
    const char* path = row.info->path;
    if (tracks == nullptr || row.percent != kCdRipDone || tracks->HasTrackWithPath(path)) return;
    row.inSession = 1;
    CSongEntry song;
    // A row whose file failed or was cancelled adds an entry without a file.
    if (row.Status() == kCdRowRipped) song.LoadFromFile(path);
    CopyText(song.musicInfo.title, row.info->title);
    song.musicInfo.stateWords[2] = kTrackWaiting;
    CopyText(song.musicInfo.path, path);
    CopyText(song.path, path);
    if (!DoSongAction(kSongListCd, kSongActionAdd, 0, 0, &song)) {
        row.inSession = 0;
        return;
    }
    bool found = false;
    int serial = 0;
    tracks->Lock();
    if (CCDTrack* track = tracks->GetAt(tracks->FindByPath(path))) {
        track->TakeSongInformation(SessionInfoOf(row));
        serial = track->GetSerial();
        found = true;
    }
    tracks->Unlock();
    if (found) RefreshSessionTrack(serial);
}

void RemoveCdRowFromSession(TCDTrackRow& row) {
    CTrackList* tracks = CdSessionTracks();
    if (tracks == nullptr || !tracks->HasTrackWithPath(row.info->path)) return;
    row.inSession = 0;
    CSongEntry song;
    CopyText(song.path, row.info->path);
    DoSongAction(kSongListCd, kSongActionRemove, 0, 0, &song);
}
