#include "songvault/text_index.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <system_error>
#include <thread>

#include "songvault/query_conditions.h"
#include "songvault/text_fold.h"
#include "songvault/text_scan.h"

namespace songvault {

namespace {

constexpr std::size_t kColumns = 6;

// The six text columns, in SearchedTextColumns order, after the id (and, for
// one row, its trash marker).
std::string TextColumnsSql() {
    std::string sql;
    for (const QueryColumn* column : SearchedTextColumns())
        sql += std::string(", ") + column->sqlName;
    return sql;
}

void ReadFields(const Statement& row, int firstColumn, std::string_view (&fields)[kColumns]) {
    for (std::size_t i = 0; i < kColumns; ++i)
        fields[i] = row.Text(firstColumn + static_cast<int>(i));
}

// Past this many rows changed since the last search, reading the whole table
// once is cheaper than reading them one by one.
bool WorthRebuilding(std::int64_t changed, std::size_t songs) {
    return changed > 1024 && static_cast<std::size_t>(changed) > songs / 4;
}

// The tail may hold this many songs (or an eighth of all, when more) before
// the copy is put back in id order: sorting the tail's hits stays cheap, and
// a rewrite of the whole copy comes once per thousands of changes.
constexpr std::size_t kTailSongs = 4096;

// A search over a large copy is split among up to this many threads.
constexpr std::size_t kSearchThreads = 4;

// Runs scan(first, last, found) over count items split into parts of at
// least bytesPerPart of their bytes each, side by side, and appends what
// each part found to matched in the parts' order. A thread that cannot start
// has its part scanned on this one.
template <class TScan>
void ScanSideBySide(std::size_t count, std::size_t bytes, std::size_t bytesPerPart,
                    const TScan& scan, std::vector<std::size_t>& matched) {
    const std::size_t parts =
        std::clamp<std::size_t>(bytes / std::max<std::size_t>(bytesPerPart, 1), 1, kSearchThreads);
    if (parts == 1) {
        scan(std::size_t{0}, count, matched);
        return;
    }
    std::vector<std::vector<std::size_t>> found(parts);
    std::vector<std::thread> threads;
    for (std::size_t part = 1; part < parts; ++part) {
        const std::size_t first = count * part / parts, last = count * (part + 1) / parts;
        try {
            threads.emplace_back(
                [&scan, &found, first, last, part] { scan(first, last, found[part]); });
        } catch (const std::system_error&) {
            scan(first, last, found[part]);
        }
    }
    scan(std::size_t{0}, count / parts, found[0]);
    for (std::thread& thread : threads) thread.join();
    for (const std::vector<std::size_t>& part : found)
        matched.insert(matched.end(), part.begin(), part.end());
}

}  // namespace

void TextIndex::Invalidate() {
    Clear();
}

void TextIndex::Clear() {
    ++version_;
    // Swapped out rather than cleared, so a closed store's copy gives its
    // memory back.
    std::string().swap(text_);
    std::vector<Slot>().swap(slots_);
    orderedEnd_ = 0;
    slotOfId_ = {};
    deadBytes_ = 0;
    stale_ = true;
    logPosition_ = 0;
    last_ = {};
}

bool TextIndex::BringUpToDate(SqliteDb& db) {
    if (!stale_) {
        bool complete = false;
        if (!ApplyLog(db, logPosition_, complete)) return false;
        if (!complete) stale_ = true;
    }
    if (stale_ && !Rebuild(db)) return false;
    if (WorthCompacting()) Compact();
    return true;
}

bool TextIndex::ApplyLog(SqliteDb& db, std::int64_t since, bool& complete) {
    complete = false;
    // An empty log answers 0 for both. Each end is a query of its own: the
    // engine reads one end of the table for a lone min or max, but the
    // whole table for both in one query.
    Statement range(db.Handle(),
                    "SELECT ifnull((SELECT min(seq) FROM song_change), 0), "
                    "ifnull((SELECT max(seq) FROM song_change), 0)");
    if (range.Step() != SQLITE_ROW) return false;
    const std::int64_t oldest = range.Int(0);
    const std::int64_t newest = range.Int(1);
    if (newest == since) {
        complete = true;
        return true;
    }
    // A log that was pruned past our position, or started over, cannot say
    // what changed; nor is it worth following a long one row by row.
    if (newest < since || oldest > since + 1 || WorthRebuilding(newest - since, slotOfId_.size()))
        return true;

    Statement changed(db.Handle(),
                      "SELECT DISTINCT id FROM song_change WHERE seq > ?1 AND seq <= ?2");
    changed.Bind(1, since);
    changed.Bind(2, newest);
    const std::string sql = "SELECT trash" + TextColumnsSql() + " FROM song WHERE id = ?1";
    Statement reread(db.Handle(), sql.c_str());
    int rc;
    while ((rc = changed.Step()) == SQLITE_ROW) {
        const std::int64_t id = changed.Int(0);
        // A row id past the records' 32 bits is never kept (its insert fails).
        if (id <= 0 || id > INT32_MAX) continue;
        if (!Reread(reread, static_cast<std::int32_t>(id))) return false;
    }
    if (rc != SQLITE_DONE) return false;
    logPosition_ = newest;
    complete = true;
    return true;
}

bool TextIndex::Rebuild(SqliteDb& db) {
    Clear();
    // The log's end is read before the table: a change made between the
    // two reads is read again at the next search, which does no harm.
    Statement end(db.Handle(), "SELECT ifnull(max(seq), 0) FROM song_change");
    if (end.Step() != SQLITE_ROW) return false;
    const std::int64_t position = end.Int(0);
    const std::string sql =
        "SELECT id" + TextColumnsSql() + " FROM song WHERE trash >= 0 ORDER BY id";
    Statement query(db.Handle(), sql.c_str());
    int rc;
    std::string_view fields[kColumns];
    while ((rc = query.Step()) == SQLITE_ROW) {
        ReadFields(query, 1, fields);
        Put(static_cast<std::int32_t>(query.Int(0)), fields);
        ++stats_.rowsRead;
    }
    if (rc != SQLITE_DONE) {
        Clear();
        return false;
    }
    ++stats_.fullReads;
    logPosition_ = position;
    stale_ = false;
    return true;
}

bool TextIndex::Reread(Statement& query, std::int32_t id) {
    query.Reset();
    query.Bind(1, id);
    const int rc = query.Step();
    ++stats_.rowsRead;
    if (rc == SQLITE_ROW && query.Int(0) >= 0) {
        std::string_view fields[kColumns];
        ReadFields(query, 1, fields);
        Put(id, fields);
    } else if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        Remove(id);  // removed, or moved to the trash
    }
    query.Reset();
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

void TextIndex::Put(std::int32_t id, const std::string_view* fields) {
    ++version_;
    Remove(id);
    Slot slot{id, text_.size(), 0, true};
    std::string folded;
    std::string previous;
    for (std::size_t i = 0; i < kColumns; ++i) {
        FoldAsciiInto(fields[i], folded);
        // A column equal to the one before it (the title's own copy, mostly)
        // can add no hit.
        if (i == 0 || folded != previous) text_ += folded;
        text_ += '\0';
        previous.swap(folded);
    }
    slot.end = text_.size();
    // A song after every other one keeps the front part in id order.
    const bool ordered = orderedEnd_ == slots_.size() && (slots_.empty() || slots_.back().id < id);
    slotOfId_[id] = slots_.size();
    slots_.push_back(slot);
    if (ordered) orderedEnd_ = slots_.size();
}

void TextIndex::Remove(std::int32_t id) {
    ++version_;
    const auto found = slotOfId_.find(id);
    if (found == slotOfId_.end()) return;
    Slot& slot = slots_[found->second];
    slot.live = false;
    deadBytes_ += slot.end - slot.start;
    slotOfId_.erase(found);
}

bool TextIndex::WorthCompacting() const {
    const std::size_t tail = slots_.size() - orderedEnd_;
    return tail > std::max(kTailSongs, slotOfId_.size() / 8) || deadBytes_ > text_.size() / 4;
}

void TextIndex::Compact() {
    ++version_;
    std::vector<std::size_t> order;
    order.reserve(slotOfId_.size());
    for (const auto& [id, slot] : slotOfId_) order.push_back(slot);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return slots_[a].id < slots_[b].id; });

    std::string text;
    text.reserve(text_.size() - deadBytes_);
    std::vector<Slot> slots;
    slots.reserve(order.size());
    slotOfId_.clear();
    for (const std::size_t i : order) {
        const Slot& old = slots_[i];
        const std::size_t start = text.size();
        text.append(text_, old.start, old.end - old.start);
        slotOfId_[old.id] = slots.size();
        slots.push_back({old.id, start, text.size(), true});
    }
    text_.swap(text);
    slots_.swap(slots);
    orderedEnd_ = slots_.size();
    deadBytes_ = 0;
    ++stats_.compactions;
}

bool TextIndex::Find(SqliteDb& db, std::string_view foldedText, std::vector<std::int32_t>& ids) {
    ids.clear();
    if (!BringUpToDate(db)) return false;
    std::vector<std::size_t> matched;
    // A text that contains the last one searched (the next key typed) is
    // found only where that one was, as long as nothing changed since.
    if (last_.version == version_ && foldedText.find(last_.text) != std::string_view::npos)
        FindAmong(last_.slots, foldedText, matched);
    else
        FindEverywhere(foldedText, matched);
    std::vector<std::int32_t> tailIds;
    for (const std::size_t slot : matched)
        (slot < orderedEnd_ ? ids : tailIds).push_back(slots_[slot].id);
    if (!tailIds.empty()) {
        std::sort(tailIds.begin(), tailIds.end());
        const auto middle = static_cast<std::ptrdiff_t>(ids.size());
        ids.insert(ids.end(), tailIds.begin(), tailIds.end());
        std::inplace_merge(ids.begin(), ids.begin() + middle, ids.end());
    }
    last_.text.assign(foldedText);
    last_.version = version_;
    last_.slots = std::move(matched);
    return true;
}

void TextIndex::FindEverywhere(std::string_view foldedText,
                               std::vector<std::size_t>& matched) const {
    // A zero byte ends every column and the searched text holds none, so a
    // hit lies within one column and is a hit of the song; the walk goes on
    // at the end of each song that matched. Songs follow each other in the
    // copy, so a run of them is one stretch of text.
    const char* const begin = text_.data();
    ScanSideBySide(
        slots_.size(), text_.size(), bytesPerSearchThread,
        [&](std::size_t first, std::size_t last, std::vector<std::size_t>& found) {
            if (first >= last) return;
            const std::size_t end = slots_[last - 1].end;
            std::size_t pos = slots_[first].start;
            std::size_t slot = first;
            while (pos < end) {
                const char* hit = FindText(begin + pos, begin + end, foldedText);
                if (hit == nullptr) break;
                const auto at = static_cast<std::size_t>(hit - begin);
                while (slots_[slot].end <= at) ++slot;
                if (slots_[slot].live) found.push_back(slot);
                pos = slots_[slot].end;
            }
        },
        matched);
}

void TextIndex::FindAmong(const std::vector<std::size_t>& candidates, std::string_view foldedText,
                          std::vector<std::size_t>& matched) const {
    const char* const begin = text_.data();
    const std::size_t bytes =
        text_.size() / std::max<std::size_t>(slots_.size(), 1) * candidates.size();
    ScanSideBySide(
        candidates.size(), bytes, bytesPerSearchThread,
        [&](std::size_t first, std::size_t last, std::vector<std::size_t>& found) {
            for (std::size_t i = first; i < last; ++i) {
                const Slot& song = slots_[candidates[i]];
                if (FindText(begin + song.start, begin + song.end, foldedText) != nullptr)
                    found.push_back(candidates[i]);
            }
        },
        matched);
}

}  // namespace songvault
