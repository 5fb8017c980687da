// The written disc's titles stored in the local title cache, so that the
// disc shows its titles when it is read again.
#include <algorithm>
#include <cstdio>

#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/session/track_list.h"
#include "titlefetch/ini_entry.h"
#include "titlefetch/titlefetch.h"

namespace {

template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

}  // namespace

bool CBurner::AddCDPlayerIniEntry(int count) {
    if (titlefetch_ == nullptr || device_ == nullptr || tracks_ == nullptr) return false;
    device_->ReadDeviceInfo();
    INI_TEntry entry;
    entry.discId = device_->discId != 0 ? device_->discId : titlefetch_->GetDiscID(device_->trackPositions);
    tracks_->Lock();
    const int titles = std::min({count, tracks_->GetCount(), PLATTER_MAX_TRACKS});
    if (const CCDTrack* first = tracks_->GetAt(0)) {
        const TONECORE_CMusicInfo info = first->GetMusicInfo();
        CopyText(entry.artist, info.artist);
        CopyText(entry.title, info.album);
        entry.year = info.year;
        // Numbers outside the table (255 is "no genre") have no name.
        const char* genre = GenreTableName(info.genreIndex);
        CopyText(entry.category, genre != nullptr ? genre : "");
    }
    for (int s = 0; s < titles; ++s)
        entry.trackTitles.Append(new CCOMString(tracks_->GetAt(s)->GetMusicInfo().title));
    entry.trackCount = titles;
    tracks_->Unlock();
    const bool added = titlefetch_->AddCDPlayerINIEntry(entry);
    DeleteRecordsAndEmpty(entry.trackTitles);
    return added;
}
