#pragma once
// The field query of the Advanced Find dialog, without widgets: its lists
// (fields, operators, the value lists of some fields), the state it keeps
// between openings, and the pure builder that turns its rows and ranges into
// the song store's conditions (songvault/query.h).
//
// Typed values never become query text: a text column gets the text as the
// value of a bound condition, a number column a number read from the text
// (or no condition when the text is no number).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songvault/query.h"

inline constexpr int kAdvancedFindRows = 3;
// Bytes of a saved value text, terminator included.
inline constexpr std::size_t kAdvancedFindValueBytes = 256;

// Field list items (their item data equals their place in the list).
enum EFindField : int {
    kFindFieldNone = 0,
    kFindFieldAny = 1,
    kFindFieldAlbum,
    kFindFieldArtist,
    kFindFieldTitle,
    kFindFieldGenre,
    kFindFieldComment,
    kFindFieldPath,
    kFindFieldLength,
    kFindFieldDate,
    kFindFieldFileType,
    kFindFieldSampleRate,
    kFindFieldBitRate,
    kFindFieldCount
};

struct TFindField {
    const char* textKey;  // keyed text of the list item (null: the empty item)
    const char* column;   // the store's column; empty for none and "-Any-"
    bool number;          // a number column
};
// The field list in order; index = item data.
const std::array<TFindField, kFindFieldCount>& FindFields();

// Operator list items: their place in the list is the store's code
// (0 none, 1 contains, 2 is, 3 is not, 4 less, 5 greater).
inline constexpr int kFindOperatorCount = 6;
// Keyed texts of the operator list (the empty item first, null).
const std::array<const char*, kFindOperatorCount>& FindOperatorKeys();

// One line of a value list; an item without data ("-Any-" of File Type)
// asks for no condition.
struct TFindValueItem {
    std::string text;
    std::optional<std::int32_t> data;
};
// The value list a field fills its row's value box with (empty for fields
// whose value is typed).
std::vector<TFindValueItem> FindValueList(int field);

// What one row of the dialog holds when the conditions are built.
struct TFindRowInput {
    int field = kFindFieldNone;  // field list index
    int op = 0;                  // operator list index
    // A value list item is selected: its data (or none), else text is typed.
    bool itemSelected = false;
    std::optional<std::int32_t> itemData;
    std::string text;
};

// The BPM and year ranges: used when ticked.
struct TFindRanges {
    bool bpmOn = false;
    std::int32_t bpmLow = 0;
    std::int32_t bpmHigh = 0;
    bool yearOn = false;
    std::int32_t yearLow = 0;
    std::int32_t yearHigh = 0;
};

// The conditions of the rows and ranges, each with index -1, in row order
// and then BPM and year. A row without field or operator, with an empty
// value, with the "-Any-" item of File Type or with a number field whose
// typed text is no number adds nothing.
std::vector<MDB_Query> BuildFindConditions(std::span<const TFindRowInput> rows,
                                           const TFindRanges& ranges);

// A length typed as "m:ss" or whole minutes, in ms; none for anything else.
std::optional<std::int32_t> ParseFindLength(std::string_view text);
// A genre typed: a decimal number is the number; a name is its table index,
// case ignored; an unknown name is -1, which no song has.
std::int32_t ParseFindGenre(std::string_view text);

// The dialog's saved rows and ranges, kept by the Find page between
// openings.
struct TAdvancedFindState {
    std::array<int, kAdvancedFindRows> field{};
    std::array<int, kAdvancedFindRows> op{};
    std::array<std::string, kAdvancedFindRows> value;  // at most 255 bytes each
    bool bpmOn = false;
    bool yearOn = false;
    std::int32_t bpmLow = 0;
    std::int32_t bpmHigh = 9999;
    std::int32_t yearLow = 0;
    std::int32_t yearHigh = 9999;
};

// The slider ranges. The year runs up to the current year, so songs of
// every year can be caught; BPM has no visible slider and keeps a fixed
// range.
inline constexpr std::int32_t kFindYearFirst = 1950;
std::int32_t FindYearLast();
inline constexpr std::int32_t kFindBpmFirst = 0;
inline constexpr std::int32_t kFindBpmLast = 999;

// Low and high of a saved range clamped into [first, last], low <= high.
std::pair<std::int32_t, std::int32_t> ClampFindRange(std::int32_t low, std::int32_t high,
                                                     std::int32_t first, std::int32_t last);

// The keyed text of the match count line, and whether it takes the count.
const char* FindCountKey(std::int32_t count);
