#pragma once
// The store's tables, how a file is recognised as a store of ours, and how
// an older store is brought up to date.

#include <cstdint>

#include "songvault/sqlite_db.h"

namespace songvault {

// Written into the file's header so that a store of ours can be told from
// any other SQLite file: the bytes "TPSV".
inline constexpr std::int64_t kApplicationId = 0x54505356;
// The format this library writes: the header's user version.
inline constexpr std::int64_t kSchemaVersion = 2;

// What an opened file turned out to be.
enum class StoreVerdict {
    kCurrent,     // a store of ours in this library's format
    kOlder,       // a store of ours in an older format (or an empty file)
    kNewer,       // a store of ours written by a newer library
    kForeign,     // an SQLite file that is not ours
    kDamaged,     // not an SQLite file, or failing its consistency check
    kUnreadable,  // could not be read (the reason is in the last error)
};

// Looks at the open file without changing it: its header, its tables and a
// quick consistency check.
StoreVerdict InspectStore(SqliteDb& db);

// Sets the connection up for use: write-ahead log, FULL synchronisation
// (every commit is on the disk when it returns).
bool ConfigureConnection(SqliteDb& db);

// Brings the store's tables from its present format to kSchemaVersion in one
// transaction; nothing changes when a step fails.
bool UpgradeStore(SqliteDb& db);

}  // namespace songvault
