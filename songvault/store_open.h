#pragma once
// Opening the store's file at start-up, with the checks that keep a damaged
// or foreign file from being used or overwritten.

#include <string>

#include "songvault/sqlite_db.h"

namespace songvault {

// Opens the store at path, ready for use, making a fresh one when there is
// none. A file that is not a store of ours or fails its consistency check,
// and companions left without their store's file, are moved aside (and
// logged) before a fresh store takes their place; damaged is then set. A
// store of a newer format, or one that cannot be read, makes it fail with
// the file left as it was.
bool OpenStore(SqliteDb& db, const std::string& path, bool& damaged);

}  // namespace songvault
