#pragma once
// Field queries checked against the column list and turned into conditions
// the store can test: by SQL functions in the database (query_sql.h) and on
// a song record in memory (MatchesQuery). Both run the same functions below.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songvault/query.h"
#include "songvault/records.h"
#include "titlefetch/mv_list.h"

namespace songvault {

enum class ColumnKind { kText, kNumber };

struct QueryColumn {
    const char* name;     // as conditions name it
    const char* sqlName;  // the song table's column
    ColumnKind kind;
    // The record's value: text columns fill text, number columns number.
    std::string_view (*text)(const TSVT_Song&);
    std::int64_t (*number)(const TSVT_Song&);
    // The field is unsigned, so a condition's 32 bits are read as unsigned.
    bool unsignedValue;
};

// The six text columns that a text search looks at, in the order of the
// song table's own columns.
std::span<const QueryColumn* const> SearchedTextColumns();

// A condition that passed the checks.
struct Condition {
    const QueryColumn* column;  // null: every text column
    std::int32_t op;
    std::string foldedText;  // the value of a text condition, folded
    std::int64_t number;     // the value of a number condition
};

// Checks every condition of the list (null or empty: none) and converts it.
// False, with SONGVAULT_ERR_QUERY_COLUMN, _OPERATOR or _VALUE (or
// ERROR_INVALID_PARAMETER for a null entry) as the last error, at the first
// condition that fails.
bool CompileConditions(const MvList<MDB_Query*>* list, std::vector<Condition>& out);

// The tests behind every condition. Texts are compared folded, byte by byte.
bool TextMeets(std::int32_t op, std::string_view foldedField, std::string_view foldedValue);
bool NumberMeets(std::int32_t op, std::int64_t field, std::int64_t value);
// A text condition over several columns (fields as stored, not yet folded):
// met when one of them meets it; "is not" is met when none of them is the
// value, so that it stays the opposite of "is".
bool TextFieldsMeet(std::int32_t op, std::span<const std::string_view> fields,
                    std::string_view foldedValue);

// A condition tested on a song record, its texts as the store keeps them.
bool SongMeets(const Condition& condition, const TSVT_Song& song);

}  // namespace songvault
