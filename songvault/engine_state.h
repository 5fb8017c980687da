#pragma once
// The engine's state behind SVTENG_CSongvault: one connection, guarded by
// one lock that every call takes for its whole length.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "songvault/import_state.h"
#include "songvault/search_state.h"
#include "songvault/songvault.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// The songs a walk (GetFirstSong, GetNextSong) has read ahead: the walk
// reads them a batch at a time instead of one query per song. They are
// served only while no row of the store changed since they were read (the
// connection's count of changed rows) and cleared when the store closes.
struct TWalkAhead {
    std::vector<TSVT_Song> songs;
    std::size_t next = 0;
    // The position (id) the next song follows.
    std::int32_t after = -1;
    std::int64_t changes = -1;
    void Clear() {
        songs.clear();
        next = 0;
        after = -1;
    }
};

}  // namespace songvault

struct SVTENG_CSongvault::Impl {
    // Recursive, as every lock of the system: a call may use another.
    std::recursive_mutex lock;
    songvault::SqliteDb db;
    // The open store's folder (with its trailing '/') and file name.
    std::string folder;
    std::string fileName;
    bool foundDamage = false;
    songvault::TImportSettings import;
    songvault::SearchState search;
    // The songs a walk (GetFirstSong, GetNextSong) has read ahead.
    songvault::TWalkAhead walkAhead;

    // The open connection, or null with SONGVAULT_ERR_NOT_OPEN as the last
    // error. Called with the lock held.
    songvault::SqliteDb* OpenDb();
    // The same for a call that needs a record (or other argument): null with
    // ERROR_INVALID_PARAMETER when it is missing.
    songvault::SqliteDb* OpenDb(const void* argument);
};

namespace songvault {

// The folder a caller named, with a trailing '/'; the per-user data folder
// for null or empty. Empty when there is none.
std::string LibraryFolder(const char* folder);

// The id of the row the last insert made; false with
// SONGVAULT_ERR_IDS_EXHAUSTED when it does not fit the records' 32 bits.
bool InsertedId(SqliteDb& db, std::int32_t& id);

// Whether the last write changed a row; false with SONGVAULT_ERR_NOT_FOUND
// when its record did not exist.
bool ChangedARow(SqliteDb& db);

}  // namespace songvault
