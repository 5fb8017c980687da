// Fuzz target for field query conditions as the program hands them over:
// the input gives up to four conditions (column name bytes, operator, a
// number or a text) and then a song record. Conditions that compile must
// answer on the record, "is" and "is not" must be opposites, and on one
// column "at most" the opposite of "greater", "at least" of "less".
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "songvault/query.h"
#include "songvault/query_conditions.h"
#include "songvault/records.h"
#include "titlefetch/mv_list.h"

namespace {

struct TInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    void Bytes(void* out, std::size_t n) {
        const std::size_t taken = std::min(n, size - at);
        std::memcpy(out, data + at, taken);
        at += taken;
    }
};

MDB_Query ReadQuery(TInput& in) {
    MDB_Query query;
    // The column's sixteen bytes as they come, terminated or not.
    in.Bytes(query.column, sizeof query.column);
    query.op = static_cast<std::int8_t>(in.Byte());
    in.Bytes(&query.number, sizeof query.number);
    query.valueIsText = in.Byte() & 1;
    query.text.resize(in.Byte() % 48);
    in.Bytes(query.text.data(), query.text.size());
    return query;
}

bool Meets(const MDB_Query& query, std::int32_t op, const TSVT_Song& song, bool& compiled) {
    MDB_Query changed = query;
    changed.op = op;
    MvList<MDB_Query*> list;
    list.Append(&changed);
    std::vector<songvault::Condition> conditions;
    compiled = songvault::CompileConditions(&list, conditions);
    return compiled && songvault::SongMeets(conditions[0], song);
}

void CheckOpposites(const MDB_Query& query, const TSVT_Song& song, std::int32_t op, std::int32_t opposite) {
    bool compiled = false;
    bool oppositeCompiled = false;
    const bool met = Meets(query, op, song, compiled);
    const bool oppositeMet = Meets(query, opposite, song, oppositeCompiled);
    if (compiled != oppositeCompiled || (compiled && met == oppositeMet)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TInput in{data, size};
    std::vector<std::unique_ptr<MDB_Query>> queries;
    const int count = 1 + in.Byte() % 4;
    for (int i = 0; i < count; ++i) queries.push_back(std::make_unique<MDB_Query>(ReadQuery(in)));
    TSVT_Song song;
    std::memset(&song, 0, sizeof song);
    in.Bytes(&song, sizeof song);

    MvList<MDB_Query*> list;
    for (auto& query : queries) list.Append(query.get());
    std::vector<songvault::Condition> conditions;
    if (songvault::CompileConditions(&list, conditions)) {
        for (const songvault::Condition& condition : conditions) songvault::SongMeets(condition, song);
    }
    for (auto& query : queries) {
        CheckOpposites(*query, song, MDB_OP_IS, MDB_OP_IS_NOT);
        if (query->column[0] == '\0') continue;  // every text column: "one of them" has no opposite
        CheckOpposites(*query, song, MDB_OP_GREATER, MDB_OP_AT_MOST);
        CheckOpposites(*query, song, MDB_OP_LESS, MDB_OP_AT_LEAST);
    }
    return 0;
}
