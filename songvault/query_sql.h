#pragma once
// Field queries run in the database. The statements are made only of the
// song table's own column names and fixed text; every value is bound. The
// tests themselves are SQL functions over the C++ tests of
// query_conditions.h, so a query in the database and a match in memory
// judge a song alike.

#include <cstdint>
#include <vector>

#include "songvault/query_conditions.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// Makes the test functions known to a connection; false (the reason
// reported) when the engine refuses.
bool RegisterQueryFunctions(SqliteDb& db);

// The ids, in id order, of the songs outside the trash that meet every
// condition. False when the store cannot be read.
bool SelectLiveSongIds(SqliteDb& db, const std::vector<Condition>& conditions,
                       std::vector<std::int32_t>& ids);

// How many songs outside the trash meet every condition; below 0 when the
// store cannot be read.
std::int64_t CountLiveSongs(SqliteDb& db, const std::vector<Condition>& conditions);

}  // namespace songvault
