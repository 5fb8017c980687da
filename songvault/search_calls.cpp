// The engine's searches: text search, field queries and their one result
// set.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/last_error.h"
#include "songvault/engine_state.h"
#include "songvault/errors.h"
#include "songvault/query_conditions.h"
#include "songvault/query_sql.h"
#include "songvault/song_codec.h"
#include "songvault/text_fold.h"

using namespace songvault;

namespace songvault {

namespace {

std::atomic<TextSearchPath> textSearchPath{TextSearchPath::kIndex};

}  // namespace

void SetTextSearchPath(TextSearchPath path) {
    textSearchPath.store(path);
}

TextSearchPath CurrentTextSearchPath() {
    return textSearchPath.load();
}

}  // namespace songvault

namespace {

// The result count, or -1 when the search failed (and left no results).
std::int32_t ResultCount(bool found, const std::vector<std::int32_t>& results) {
    return found ? static_cast<std::int32_t>(results.size()) : -1;
}

// What GetQueryResult gives for a song that left the results' reach.
void FillVanished(TSVT_Song& song) {
    std::memset(&song, 0, sizeof song);
    song.id = -1;
}

}  // namespace

std::int32_t SVTENG_CSongvault::FindSongsByText(const char* text) {
    std::lock_guard guard(impl_->lock);
    std::vector<std::int32_t>& results = impl_->search.results;
    results.clear();
    SqliteDb* db = impl_->OpenDb(text);
    if (db == nullptr) return -1;
    const std::string folded = FoldAscii(text);
    if (CurrentTextSearchPath() == TextSearchPath::kIndex) {
        return ResultCount(impl_->search.index.Find(*db, folded, results), results);
    }
    // The reference scan: the "any text column contains" condition, tested
    // on every row.
    const std::vector<Condition> anyColumn{{nullptr, MDB_OP_ANY_CONTAINS, folded, 0}};
    return ResultCount(SelectLiveSongIds(*db, anyColumn, results), results);
}

std::int32_t SVTENG_CSongvault::FindSongsBySQL(const MvList<MDB_Query*>* conditions) {
    std::lock_guard guard(impl_->lock);
    std::vector<std::int32_t>& results = impl_->search.results;
    results.clear();
    SqliteDb* db = impl_->OpenDb();
    if (db == nullptr) return -1;
    std::vector<Condition> compiled;
    if (!CompileConditions(conditions, compiled)) return -1;
    if (compiled.empty()) return 0;
    return ResultCount(SelectLiveSongIds(*db, compiled, results), results);
}

bool SVTENG_CSongvault::GetQueryResult(std::int32_t index, TSVT_Song* song) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(song);
    if (db == nullptr) return false;
    const std::vector<std::int32_t>& results = impl_->search.results;
    if (index < 0 || static_cast<std::size_t>(index) >= results.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return false;
    }
    std::unique_ptr<Statement>& query = impl_->search.resultQuery;
    if (query == nullptr || !query->Prepared()) {
        query =
            std::make_unique<Statement>(db->Handle(), "SELECT " SONGVAULT_SONG_COLUMNS
                                                      " FROM song WHERE id = ?1 AND trash >= 0");
    }
    query->Bind(1, results[static_cast<std::size_t>(index)]);
    const int rc = query->Step();
    if (rc == SQLITE_ROW) {
        ReadSong(*query, *song);
    } else if (rc == SQLITE_DONE) {
        FillVanished(*song);
    }
    // A statement left on its row would keep its read open and hold back
    // the log's copy into the file.
    query->Reset();
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

std::int32_t SVTENG_CSongvault::GetSongCount(const MvList<MDB_Query*>* conditions) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    if (db == nullptr) return -1;
    std::vector<Condition> compiled;
    if (!CompileConditions(conditions, compiled)) return -1;
    if (compiled.empty()) return 0;
    return static_cast<std::int32_t>(CountLiveSongs(*db, compiled));
}

bool SVTENG_CSongvault::MatchesQuery(const TSVT_Song* song, const MvList<MDB_Query*>* anyOf,
                                     const MvList<MDB_Query*>* allOf) {
    if (song == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<Condition> any;
    std::vector<Condition> all;
    if (!CompileConditions(anyOf, any) || !CompileConditions(allOf, all)) return false;
    if (song->trash < 0) return false;
    const auto meets = [&](const Condition& condition) { return SongMeets(condition, *song); };
    return (any.empty() || std::any_of(any.begin(), any.end(), meets)) &&
           std::all_of(all.begin(), all.end(), meets);
}
