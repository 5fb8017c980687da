#pragma once
// The import's writes: songs are added only where their path is new, so a
// folder walk and a single-file import racing on one file leave one song.

#include <string_view>
#include <vector>

#include "songvault/records.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// Whether a song (in the trash or not) has a path: one statement asked for
// many paths. Used with the engine lock held.
class CKnownPaths {
public:
    explicit CKnownPaths(SqliteDb& db) : query_(db.Handle(), "SELECT 1 FROM song WHERE path = ?1") {}
    bool Holds(std::string_view path);

private:
    Statement query_;
};

// Adds each song whose path no song has, in one transaction; added[i] tells
// whether songs[i] was added (its id is then set). False, with nothing
// added, when the store cannot be written.
bool AddNewSongs(SqliteDb& db, std::vector<TSVT_Song>& songs, std::vector<bool>& added);

}  // namespace songvault
