#pragma once
// Saving the open store into another folder when the program closes.

#include <string>

#include "songvault/sqlite_db.h"

namespace songvault {

// Writes a compact copy of the open store to target: first under a
// temporary name beside it, flushed to the disk, then renamed. A store file
// already at target is moved aside (with its companions) just before the
// rename, and put back when the rename fails. False on any failure, with the
// temporary file removed and the open store untouched.
bool SaveStoreAs(SqliteDb& db, const std::string& target);

}  // namespace songvault
