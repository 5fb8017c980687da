#include "songvault/text_index.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>

#include "songvault/query_conditions.h"
#include "songvault/text_fold.h"

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
bool WorthRebuilding(std::size_t changed, std::size_t songs) {
    return changed > 1024 && changed > songs / 4;
}

}  // namespace

void TextIndex::Attach(SqliteDb& db) {
    Detach();
    db_ = db.Handle();
    sqlite3_update_hook(db_, &TextIndex::OnRowChanged, this);
}

void TextIndex::Detach() {
    if (db_ != nullptr) sqlite3_update_hook(db_, nullptr, nullptr);
    db_ = nullptr;
    Clear();
}

void TextIndex::Invalidate() {
    stale_ = true;
}

void TextIndex::OnRowChanged(void* self, int /*op*/, const char* database, const char* table,
                             sqlite3_int64 rowId) {
    auto* index = static_cast<TextIndex*>(self);
    if (std::strcmp(database, "main") != 0 || std::strcmp(table, "song") != 0 || index->stale_)
        return;
    // A row id past the records' 32 bits is never kept (its insert fails).
    if (rowId <= 0 || rowId > INT32_MAX ||
        WorthRebuilding(index->changed_.size() + 1, index->slots_.size())) {
        index->stale_ = true;
        index->changed_.clear();
        return;
    }
    index->changed_.insert(static_cast<std::int32_t>(rowId));
}

void TextIndex::Clear() {
    text_.clear();
    slots_.clear();
    slotOfId_.clear();
    changed_.clear();
    deadBytes_ = 0;
    inIdOrder_ = true;
    stale_ = true;
    dataVersion_ = -1;
}

bool TextIndex::BringUpToDate(SqliteDb& db) {
    // The data version changes when another connection writes the file.
    const std::int64_t version = QueryInt(db, "PRAGMA data_version", -1);
    if (version < 0) return false;
    if (stale_ || version != dataVersion_) {
        if (!Rebuild(db)) return false;
    } else {
        for (const std::int32_t id : changed_) {
            if (!Reread(db, id)) {
                stale_ = true;
                return false;
            }
        }
    }
    changed_.clear();
    dataVersion_ = version;
    stale_ = false;
    // Searches walk text_ in id order; compact once a quarter is dead.
    if (!inIdOrder_ || deadBytes_ > text_.size() / 4) Compact();
    return true;
}

bool TextIndex::Rebuild(SqliteDb& db) {
    Clear();
    const std::string sql =
        "SELECT id" + TextColumnsSql() + " FROM song WHERE trash >= 0 ORDER BY id";
    Statement query(db.Handle(), sql.c_str());
    int rc;
    std::string_view fields[kColumns];
    while ((rc = query.Step()) == SQLITE_ROW) {
        ReadFields(query, 1, fields);
        Put(static_cast<std::int32_t>(query.Int(0)), fields);
    }
    if (rc != SQLITE_DONE) {
        Clear();
        return false;
    }
    return true;
}

bool TextIndex::Reread(SqliteDb& db, std::int32_t id) {
    const std::string sql = "SELECT trash" + TextColumnsSql() + " FROM song WHERE id = ?1";
    Statement query(db.Handle(), sql.c_str());
    query.Bind(1, id);
    const int rc = query.Step();
    if (rc == SQLITE_ROW && query.Int(0) >= 0) {
        std::string_view fields[kColumns];
        ReadFields(query, 1, fields);
        Put(id, fields);
        return true;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
    Remove(id);  // removed, or moved to the trash
    return true;
}

void TextIndex::Put(std::int32_t id, const std::string_view* fields) {
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
    if (!slots_.empty() && slots_.back().id >= id) inIdOrder_ = false;
    slotOfId_[id] = slots_.size();
    slots_.push_back(slot);
}

void TextIndex::Remove(std::int32_t id) {
    const auto found = slotOfId_.find(id);
    if (found == slotOfId_.end()) return;
    Slot& slot = slots_[found->second];
    slot.live = false;
    deadBytes_ += slot.end - slot.start;
    slotOfId_.erase(found);
}

void TextIndex::Compact() {
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
    deadBytes_ = 0;
    inIdOrder_ = true;
}

bool TextIndex::SlotContains(const Slot& slot, std::string_view foldedText) const {
    std::string_view rest(text_.data() + slot.start, slot.end - slot.start);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        if (Contains(rest.substr(0, end), foldedText)) return true;
        rest.remove_prefix(end + 1);
    }
    return false;
}

bool TextIndex::Find(SqliteDb& db, std::string_view foldedText, std::vector<std::int32_t>& ids) {
    ids.clear();
    if (!BringUpToDate(db)) return false;
    // A zero byte ends every column, so no hit runs from one column into
    // the next; the walk goes on at the end of each song that matched.
    const char* const begin = text_.data();
    std::size_t pos = 0;
    std::size_t slot = 0;
    while (pos < text_.size()) {
        const void* hit =
            memmem(begin + pos, text_.size() - pos, foldedText.data(), foldedText.size());
        if (hit == nullptr) break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - begin);
        while (slots_[slot].end <= at) ++slot;
        const Slot& found = slots_[slot];
        if (found.live && SlotContains(found, foldedText)) ids.push_back(found.id);
        pos = found.end;
    }
    return true;
}

}  // namespace songvault
