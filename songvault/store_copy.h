#pragma once
// Saving the open store into another folder when the program closes.

#include <string>

#include "songvault/sqlite_db.h"

namespace songvault {

// Writes a compact copy of the open store to target: first under a
// temporary name beside it, flushed to the disk, then renamed over target
// in one step. A store already at target is kept aside (a second name for its
// file, its companions moved) just before the rename, and put back when the
// rename fails. False on any failure, with the
// temporary file removed and the open store untouched.
bool SaveStoreAs(SqliteDb& db, const std::string& target);

// Tests only: observer is called with the target just before the rename.
void SetBeforeCopyRename(void (*observer)(const std::string& target));

}  // namespace songvault
