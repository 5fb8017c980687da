#pragma once
// The import's writes: songs are added only where their path is new, so a
// folder walk and a single-file import racing on one file leave one song.

#include <string_view>
#include <vector>

#include "songvault/records.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// Whether a song (in the trash or not) has this path.
bool IsKnownPath(SqliteDb& db, std::string_view path);

// Adds each song whose path no song has, in one transaction; added[i] tells
// whether songs[i] was added (its id is then set). False, with nothing
// added, when the store cannot be written.
bool AddNewSongs(SqliteDb& db, std::vector<TSVT_Song>& songs, std::vector<bool>& added);

}  // namespace songvault
