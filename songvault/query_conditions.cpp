#include "songvault/query_conditions.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/record_text.h"
#include "songvault/text_fold.h"

namespace songvault {

namespace {

// One column of the list. Texts are read as the store keeps them (cut on a
// character boundary), so a record in memory is judged as its stored copy.
#define SONGVAULT_TEXT_COLUMN(name, sql, field)                                               \
    QueryColumn {                                                                             \
        name, sql, ColumnKind::kText, [](const TSVT_Song& s) { return FittedText(s.field); }, \
            nullptr, false                                                                    \
    }
#define SONGVAULT_NUMBER_COLUMN(name, sql, field, isUnsigned)                    \
    QueryColumn {                                                                \
        name, sql, ColumnKind::kNumber, nullptr,                                 \
            [](const TSVT_Song& s) { return std::int64_t{s.field}; }, isUnsigned \
    }

const QueryColumn kColumns[] = {
    SONGVAULT_TEXT_COLUMN("Title", "title", title),
    SONGVAULT_TEXT_COLUMN("TrackName", "track_name", trackName),
    SONGVAULT_TEXT_COLUMN("Artist", "artist", artist),
    SONGVAULT_TEXT_COLUMN("Album", "album", album),
    SONGVAULT_TEXT_COLUMN("Comment", "comment", comment),
    SONGVAULT_TEXT_COLUMN("FilePath", "path", path),
    SONGVAULT_NUMBER_COLUMN("Genre", "genre", genre, false),
    SONGVAULT_NUMBER_COLUMN("Length", "length_ms", lengthMs, false),
    SONGVAULT_NUMBER_COLUMN("CreateDate", "create_date", createDate, true),
    SONGVAULT_NUMBER_COLUMN("Format", "format", format, false),
    SONGVAULT_NUMBER_COLUMN("SampleRate", "sample_rate", sampleRateHz, false),
    SONGVAULT_NUMBER_COLUMN("BitRate", "bit_rate", bitRateKbps, false),
    SONGVAULT_NUMBER_COLUMN("BPM", "bpm", bpm, false),
    SONGVAULT_NUMBER_COLUMN("Year", "year", year, false),
};
#undef SONGVAULT_TEXT_COLUMN
#undef SONGVAULT_NUMBER_COLUMN

constexpr const QueryColumn* kSearchedTextColumns[] = {&kColumns[0], &kColumns[1], &kColumns[2],
                                                       &kColumns[3], &kColumns[4], &kColumns[5]};

// The listed column of that name; null for an unknown one.
const QueryColumn* FindColumn(std::string_view name) {
    for (const QueryColumn& column : kColumns) {
        if (name == column.name) return &column;
    }
    return nullptr;
}

bool Fail(std::uint32_t code) {
    SetLastError(code);
    return false;
}

bool Compile(const MDB_Query& query, Condition& out) {
    const std::string_view name = FieldText(query.column);
    const QueryColumn* column = name.empty() ? nullptr : FindColumn(name);
    if (!name.empty() && column == nullptr) return Fail(SONGVAULT_ERR_QUERY_COLUMN);
    if (query.op < MDB_OP_ANY_CONTAINS || query.op > MDB_OP_AT_LEAST)
        return Fail(SONGVAULT_ERR_QUERY_OPERATOR);
    // "Any column contains" looks at every text column whatever it names.
    if (query.op == MDB_OP_ANY_CONTAINS) column = nullptr;

    out.column = column;
    out.op = query.op;
    out.number = 0;
    out.foldedText.clear();
    if (column != nullptr && column->kind == ColumnKind::kNumber) {
        if (query.valueIsText != 0) return Fail(SONGVAULT_ERR_QUERY_VALUE);
        out.number = column->unsignedValue ? std::int64_t{static_cast<std::uint32_t>(query.number)}
                                           : std::int64_t{query.number};
        return true;
    }
    out.foldedText = FoldAscii(query.valueIsText != 0 ? std::string_view(query.text)
                                                      : std::to_string(query.number));
    return true;
}

template <class T>
bool Compare(std::int32_t op, const T& field, const T& value) {
    switch (op) {
        case MDB_OP_IS:
            return field == value;
        case MDB_OP_IS_NOT:
            return field != value;
        case MDB_OP_LESS:
            return field < value;
        case MDB_OP_GREATER:
            return field > value;
        case MDB_OP_AT_MOST:
            return field <= value;
        case MDB_OP_AT_LEAST:
            return field >= value;
        default:
            return false;
    }
}

}  // namespace

std::span<const QueryColumn* const> SearchedTextColumns() {
    return kSearchedTextColumns;
}

bool CompileConditions(const MvList<MDB_Query*>* list, std::vector<Condition>& out) {
    out.clear();
    if (list == nullptr) return true;
    out.resize(static_cast<std::size_t>(std::max(list->count, 0)));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const MDB_Query* query = list->items[i];
        if (query == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        if (!Compile(*query, out[i])) return false;
    }
    return true;
}

bool TextMeets(std::int32_t op, std::string_view foldedField, std::string_view foldedValue) {
    if (op == MDB_OP_ANY_CONTAINS || op == MDB_OP_CONTAINS)
        return Contains(foldedField, foldedValue);
    return Compare(op, foldedField, foldedValue);
}

bool NumberMeets(std::int32_t op, std::int64_t field, std::int64_t value) {
    // A number contains only itself.
    if (op == MDB_OP_ANY_CONTAINS || op == MDB_OP_CONTAINS) op = MDB_OP_IS;
    return Compare(op, field, value);
}

bool TextFieldsMeet(std::int32_t op, std::span<const std::string_view> fields,
                    std::string_view foldedValue) {
    const bool negated = op == MDB_OP_IS_NOT;
    const std::int32_t test = negated ? MDB_OP_IS : op;
    thread_local std::string folded;
    const bool any = std::any_of(fields.begin(), fields.end(), [&](std::string_view field) {
        FoldAsciiInto(field, folded);
        return TextMeets(test, folded, foldedValue);
    });
    return negated ? !any : any;
}

bool SongMeets(const Condition& condition, const TSVT_Song& song) {
    if (condition.column != nullptr && condition.column->kind == ColumnKind::kNumber) {
        return NumberMeets(condition.op, condition.column->number(song), condition.number);
    }
    if (condition.column != nullptr) {
        const std::string_view field = condition.column->text(song);
        return TextFieldsMeet(condition.op, {&field, 1}, condition.foldedText);
    }
    std::array<std::string_view, std::size(kSearchedTextColumns)> fields;
    std::transform(std::begin(kSearchedTextColumns), std::end(kSearchedTextColumns), fields.begin(),
                   [&](const QueryColumn* column) { return column->text(song); });
    return TextFieldsMeet(condition.op, fields, condition.foldedText);
}

}  // namespace songvault
