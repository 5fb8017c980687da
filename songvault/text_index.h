#pragma once
// The text search's index: a folded copy, in memory, of the six text columns
// of every song outside the trash, so that a search reads one block of
// memory instead of every row of the table.
//
// The copy follows the store through its change log (a table the store's
// triggers append a song's id to on every insert, update and delete, by any
// connection): each search reads the ids logged since the last one and reads
// just those rows again. Only a log that no longer reaches back far enough
// (pruned, or replaced) makes it read the whole table.
//
// Songs keep id order in the copy's front part; a changed song's new text
// goes to a tail after it, whose hits are sorted and merged in, so one edit
// never costs a rewrite of the whole copy. The copy is compacted back into
// one ordered block once the tail or the dead text grows large.
//
// A search for a text that contains the one searched before (the next key
// of a word typed) looks only at the songs that one found, as long as the
// copy has not changed in between.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "songvault/sqlite_db.h"

namespace songvault {

// What the index did since it was made (for tests and measurements).
struct TTextIndexStats {
    std::uint64_t rowsRead = 0;      // song rows read from the store
    std::uint64_t fullReads = 0;     // times the whole table was read
    std::uint64_t compactions = 0;   // times the copy was rewritten in id order
};

class TextIndex {
public:
    TextIndex() = default;
    TextIndex(const TextIndex&) = delete;
    TextIndex& operator=(const TextIndex&) = delete;

    // Forgets the copy: the next search reads the whole table (a store was
    // opened or closed, or its indices rebuilt).
    void Invalidate();

    // The ids, in id order, of the songs outside the trash with a text
    // column that contains foldedText (which holds no zero byte). False when
    // the store cannot be read.
    bool Find(SqliteDb& db, std::string_view foldedText, std::vector<std::int32_t>& ids);

    const TTextIndexStats& Stats() const { return stats_; }

    // A search over a large copy is split among threads, each taking at
    // least this much of its text: below that a thread costs more than it
    // saves (tests lower it).
    std::size_t bytesPerSearchThread = std::size_t{4} << 20;

private:
    // One song's part of text_: its folded columns, each ended by a zero
    // byte; end is the first byte not included.
    struct Slot {
        std::int32_t id;
        std::size_t start;
        std::size_t end;
        bool live;
    };

    bool BringUpToDate(SqliteDb& db);
    // The live slots whose text contains foldedText, in the order of text_:
    // over the whole copy, or among the candidates.
    void FindEverywhere(std::string_view foldedText, std::vector<std::size_t>& matched) const;
    void FindAmong(const std::vector<std::size_t>& candidates, std::string_view foldedText,
                   std::vector<std::size_t>& matched) const;
    bool Rebuild(SqliteDb& db);
    bool ApplyLog(SqliteDb& db, std::int64_t since, bool& complete);
    bool Reread(Statement& query, std::int32_t id);
    void Put(std::int32_t id, const std::string_view* fields);
    void Remove(std::int32_t id);
    bool WorthCompacting() const;
    void Compact();
    void Clear();

    std::string text_;
    std::vector<Slot> slots_;  // in the order of text_
    // slots_[0, orderedEnd_) are in id order; the rest is the tail.
    std::size_t orderedEnd_ = 0;
    std::unordered_map<std::int32_t, std::size_t> slotOfId_;
    std::size_t deadBytes_ = 0;
    bool stale_ = true;
    // The last change-log entry the copy holds.
    std::int64_t logPosition_ = 0;
    // Counts every change of text_ and slots_.
    std::uint64_t version_ = 0;
    // The last search: its text, the copy's version then, the slots found.
    struct LastSearch {
        std::string text;
        std::uint64_t version = ~std::uint64_t{0};
        std::vector<std::size_t> slots;
    };
    LastSearch last_;
    TTextIndexStats stats_;
};

}  // namespace songvault
