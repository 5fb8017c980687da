#pragma once
// What the engine keeps for its searches: the one result set that the last
// search left (song ids, read back one at a time by GetQueryResult) and the
// text search's index.

#include <cstdint>
#include <memory>
#include <vector>

#include "songvault/sqlite_db.h"
#include "songvault/text_index.h"

namespace songvault {

// How a text search finds its songs: through the index, or by testing every
// row in the database (the reference the index is checked against).
enum class TextSearchPath { kIndex, kExactScan };

// Chooses the path of every engine in the process (the index unless set).
void SetTextSearchPath(TextSearchPath path);
TextSearchPath CurrentTextSearchPath();

struct SearchState {
    std::vector<std::int32_t> results;
    TextIndex index;
    // GetQueryResult's query, made once per connection: a reader walks
    // thousands of results one call at a time.
    std::unique_ptr<Statement> resultQuery;

    // Forgets the results, the query and the index; called before the
    // connection closes.
    void Reset() {
        results.clear();
        resultQuery.reset();
        index.Invalidate();
    }
};

}  // namespace songvault
