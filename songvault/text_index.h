#pragma once
// The text search's index: a folded copy, in memory, of the six text columns
// of every song outside the trash, so that a search reads one block of
// memory instead of every row of the table. A hit in the copy is confirmed
// by the same Contains test the database search runs.
//
// The copy follows the store: the connection's update hook notes every song
// row that this connection writes (whatever code writes it), and the next
// search reads those rows again; a write by another connection changes the
// file's data version, and the next search rebuilds the copy. Writes the
// update hook does not report (a row removed by REPLACE conflict handling,
// a DELETE without WHERE) must be followed by Invalidate.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "songvault/sqlite_db.h"

namespace songvault {

class TextIndex {
public:
    TextIndex() = default;
    TextIndex(const TextIndex&) = delete;
    TextIndex& operator=(const TextIndex&) = delete;

    // Starts following db's writes, with an empty copy built at the first
    // search. Detach before the connection closes.
    void Attach(SqliteDb& db);
    void Detach();
    // The copy is rebuilt at the next search.
    void Invalidate();

    // The ids, in id order, of the songs outside the trash with a text
    // column that contains foldedText. False when the store cannot be read.
    bool Find(SqliteDb& db, std::string_view foldedText, std::vector<std::int32_t>& ids);

private:
    // One song's part of text_: its folded columns, each ended by a zero
    // byte; end is the first byte not included.
    struct Slot {
        std::int32_t id;
        std::size_t start;
        std::size_t end;
        bool live;
    };

    static void OnRowChanged(void* self, int op, const char* database, const char* table,
                             sqlite3_int64 rowId);

    bool BringUpToDate(SqliteDb& db);
    bool Rebuild(SqliteDb& db);
    bool Reread(SqliteDb& db, std::int32_t id);
    void Put(std::int32_t id, const std::string_view* fields);
    void Remove(std::int32_t id);
    void Compact();
    bool SlotContains(const Slot& slot, std::string_view foldedText) const;
    void Clear();

    sqlite3* db_ = nullptr;
    std::string text_;
    std::vector<Slot> slots_;  // in the order of text_
    std::unordered_map<std::int32_t, std::size_t> slotOfId_;
    std::unordered_set<std::int32_t> changed_;
    std::size_t deadBytes_ = 0;
    bool inIdOrder_ = true;
    bool stale_ = true;
    std::int64_t dataVersion_ = -1;
};

}  // namespace songvault
