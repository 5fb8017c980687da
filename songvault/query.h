#pragma once
// MDB_Query: one condition of a field query over the song database, as the
// program's search pages build them and hand them over in an MvList of
// MDB_Query pointers. The caller owns the conditions; a condition owns its
// text and frees it with itself.
//
// A condition names a column (an empty column means every text column), an
// operator and a value. The value is a number or a text; both members are
// present, valueIsText says which one counts.
//
// Text columns: "Album", "Artist", "Title", "TrackName" (the title as the
// tag's own copy holds it), "Comment", "FilePath". Number columns: "Genre",
// "Length" (ms), "CreateDate" (seconds since 1970, read as unsigned 32 bits),
// "Format", "SampleRate" (Hz), "BitRate" (kbit/s), "BPM", "Year". Names are
// compared byte for byte.
//
// Texts compare with ASCII letters folded to lower case and every other byte
// as it is. A number given for a text column counts as its decimal text; a
// text given for a number column is refused.

#include <cstdint>
#include <string>
#include <string_view>

// Operator codes.
inline constexpr std::int32_t MDB_OP_ANY_CONTAINS = 0;  // some text column contains the text
inline constexpr std::int32_t MDB_OP_CONTAINS = 1;      // numbers: equal
inline constexpr std::int32_t MDB_OP_IS = 2;
inline constexpr std::int32_t MDB_OP_IS_NOT = 3;
inline constexpr std::int32_t MDB_OP_LESS = 4;
inline constexpr std::int32_t MDB_OP_GREATER = 5;
inline constexpr std::int32_t MDB_OP_AT_MOST = 6;   // the upper bound of a range
inline constexpr std::int32_t MDB_OP_AT_LEAST = 7;  // the lower bound of a range

// Bytes of a condition's column name, terminator included.
inline constexpr std::size_t MDB_COLUMN_BYTES = 16;

struct MDB_Query {
    std::int32_t index = -1;  // always -1
    char column[MDB_COLUMN_BYTES] = {};
    std::int32_t op = MDB_OP_ANY_CONTAINS;
    std::int32_t number = 0;
    std::string text;              // owned
    std::uint8_t valueIsText = 0;  // 1: text is the value, else number

    // A condition with a text value; a column name longer than the field
    // holds is cut, and then names no column.
    static MDB_Query Text(std::string_view column, std::int32_t op, std::string_view text);
    // A condition with a number value.
    static MDB_Query Number(std::string_view column, std::int32_t op, std::int32_t number);
};
