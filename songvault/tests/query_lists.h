#pragma once
// Condition lists for the search tests, held as the program holds them: an
// MvList of pointers to conditions that the list's owner keeps alive.

#include <string_view>
#include <utility>
#include <vector>

#include "songvault/query.h"
#include "titlefetch/mv_list.h"

namespace svtest {

class QueryList {
public:
    explicit QueryList(std::vector<MDB_Query> queries) : queries_(std::move(queries)) {
        for (MDB_Query& query : queries_) list_.Append(&query);
    }
    QueryList(const QueryList&) = delete;
    QueryList& operator=(const QueryList&) = delete;

    const MvList<MDB_Query*>* get() const { return &list_; }

private:
    std::vector<MDB_Query> queries_;
    MvList<MDB_Query*> list_;
};

// The conditions the Find tab builds to match an imported song against its
// search text: one "contains" per searched column.
inline std::vector<MDB_Query> SixTextConditions(std::string_view text) {
    std::vector<MDB_Query> conditions;
    for (const char* column : {"Title", "Album", "Artist", "TrackName", "FilePath", "Comment"}) {
        conditions.push_back(MDB_Query::Text(column, MDB_OP_CONTAINS, text));
    }
    return conditions;
}

}  // namespace svtest
