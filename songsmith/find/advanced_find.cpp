#include "songsmith/find/advanced_find.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <limits>

#include "songsmith/library/genre_table.h"
#include "songsmith/library/tag_fields.h"
#include "songvault/records.h"

namespace {

const std::array<TFindField, kFindFieldCount> kFields{{
    {nullptr, "", false},
    {"AdvFind_FieldAny", "", false},
    {"AdvFind_FieldAlbum", "Album", false},
    {"AdvFind_FieldArtist", "Artist", false},
    {"AdvFind_FieldTitle", "Title", false},
    {"AdvFind_FieldGenre", "Genre", true},
    {"AdvFind_FieldComment", "Comment", false},
    {"AdvFind_FieldPath", "FilePath", false},
    {"AdvFind_FieldLength", "Length", true},
    {"AdvFind_FieldDate", "CreateDate", true},
    {"AdvFind_FieldFileType", "Format", true},
    {"AdvFind_FieldSampleRate", "SampleRate", true},
    {"AdvFind_FieldBitRate", "BitRate", true},
}};

const std::array<const char*, kFindOperatorCount> kOperatorKeys{
    nullptr,           "AdvFind_OpContains", "AdvFind_OpIs",
    "AdvFind_OpIsNot", "AdvFind_OpLess",     "AdvFind_OpGreater"};

// A whole decimal integer (sign allowed, blanks around it ignored) within
// [low, high]; none for anything else, so no stray text becomes a number.
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    const auto value = ParseDecimal(text, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

// The item of the field's value list whose text is text, case ignored.
const TFindValueItem* FindListItem(const std::vector<TFindValueItem>& list, std::string_view text) {
    text = TrimBlanks(text);
    for (const TFindValueItem& item : list) {
        if (item.text.size() == text.size() &&
            strncasecmp(item.text.data(), text.data(), text.size()) == 0)
            return &item;
    }
    return nullptr;
}

// The number a typed value of a number field stands for; none when it
// stands for no number.
std::optional<std::int32_t> TypedNumber(int field, std::string_view text) {
    switch (field) {
        case kFindFieldGenre:
            return ParseFindGenre(text);
        case kFindFieldLength:
            return ParseFindLength(text);
        case kFindFieldDate: {
            // Seconds since 1970, which the store reads as unsigned 32 bits.
            const auto seconds = ParseDecimal(text, 0, std::numeric_limits<std::uint32_t>::max());
            if (!seconds) return std::nullopt;
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(*seconds));
        }
        default:
            return ParseInt32(text);
    }
}

// The condition of one row, if it makes one.
std::optional<MDB_Query> RowCondition(const TFindRowInput& row) {
    if (row.field <= kFindFieldNone || row.field >= kFindFieldCount || row.op <= 0 ||
        row.op >= kFindOperatorCount)
        return std::nullopt;
    const TFindField& field = kFields[static_cast<std::size_t>(row.field)];
    const std::string_view text = CutToBuffer(row.text, kAdvancedFindValueBytes);

    std::optional<std::int32_t> data = row.itemData;
    bool fromList = row.itemSelected;
    if (!fromList) {
        if (text.empty()) return std::nullopt;
        // A typed value that names an item of the field's list is that item.
        const std::vector<TFindValueItem> list = FindValueList(row.field);
        if (const TFindValueItem* item = FindListItem(list, text)) {
            fromList = true;
            data = item->data;
        }
    }

    if (row.field == kFindFieldAny) return MDB_Query::Text("", MDB_OP_ANY_CONTAINS, text);
    if (!field.number) {
        if (text.empty()) return std::nullopt;
        return MDB_Query::Text(field.column, row.op, text);
    }
    // A number column contains only the number itself.
    const std::int32_t op = row.op == MDB_OP_CONTAINS ? MDB_OP_IS : row.op;
    const std::optional<std::int32_t> number = fromList ? data : TypedNumber(row.field, text);
    if (!number) return std::nullopt;
    return MDB_Query::Number(field.column, op, *number);
}

}  // namespace

const std::array<TFindField, kFindFieldCount>& FindFields() {
    return kFields;
}

const std::array<const char*, kFindOperatorCount>& FindOperatorKeys() {
    return kOperatorKeys;
}

std::vector<TFindValueItem> FindValueList(int field) {
    std::vector<TFindValueItem> list;
    switch (field) {
        case kFindFieldGenre:
            list.reserve(kGenreTableCount);
            for (int index = 0; index < kGenreTableCount; ++index)
                list.push_back({GenreTableName(index), index});
            break;
        case kFindFieldFileType:
            list = {{"-Any-", std::nullopt},
                    {"MP3", SVT_FORMAT_MP3},
                    {"WAV", SVT_FORMAT_WAV},
                    {"WMA", SVT_FORMAT_WMA}};
            break;
        case kFindFieldSampleRate:
            // The rates the store keeps, in Hz.
            list = {{"11K", 11025}, {"22K", 22050}, {"44K", 44100}};
            break;
        case kFindFieldBitRate:
            list = {{"8", 8}, {"16", 16}, {"32", 32}, {"64", 64}, {"128", 128}};
            break;
        default:
            break;
    }
    return list;
}

std::optional<std::int32_t> ParseFindLength(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t colon = text.find(':');
    constexpr std::int64_t kMinutesMax = std::numeric_limits<std::int32_t>::max() / 60000;
    const auto minutes = ParseDecimal(text.substr(0, colon), -kMinutesMax, kMinutesMax);
    if (!minutes) return std::nullopt;
    std::int64_t seconds = 0;
    if (colon != std::string_view::npos) {
        const std::string_view rest = text.substr(colon + 1);
        // Seconds are plain digits: no sign of their own.
        if (rest.empty() || rest.front() == '-' || rest.front() == '+') return std::nullopt;
        const auto parsed = ParseDecimal(rest, 0, std::numeric_limits<std::int32_t>::max() / 1000);
        if (!parsed) return std::nullopt;
        seconds = *parsed;
    }
    const std::int64_t ms = *minutes * 60000 + (*minutes < 0 ? -seconds : seconds) * 1000;
    if (ms < std::numeric_limits<std::int32_t>::min() ||
        ms > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(ms);
}

std::int32_t ParseFindGenre(std::string_view text) {
    if (const auto number = ParseInt32(text)) return *number;
    const std::int32_t index = GenreTableIndexNoCase(TrimBlanks(text));
    return index == kNoGenre ? -1 : index;
}

std::vector<MDB_Query> BuildFindConditions(std::span<const TFindRowInput> rows,
                                           const TFindRanges& ranges) {
    std::vector<MDB_Query> conditions;
    for (const TFindRowInput& row : rows) {
        if (std::optional<MDB_Query> condition = RowCondition(row))
            conditions.push_back(std::move(*condition));
    }
    if (ranges.bpmOn) {
        conditions.push_back(MDB_Query::Number("BPM", MDB_OP_AT_LEAST, ranges.bpmLow));
        conditions.push_back(MDB_Query::Number("BPM", MDB_OP_AT_MOST, ranges.bpmHigh));
    }
    if (ranges.yearOn) {
        conditions.push_back(MDB_Query::Number("Year", MDB_OP_AT_LEAST, ranges.yearLow));
        conditions.push_back(MDB_Query::Number("Year", MDB_OP_AT_MOST, ranges.yearHigh));
    }
    return conditions;
}

std::int32_t FindYearLast() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return kFindYearFirst;
    return std::max(kFindYearFirst, local.tm_year + 1900);
}

std::pair<std::int32_t, std::int32_t> ClampFindRange(std::int32_t low, std::int32_t high,
                                                     std::int32_t first, std::int32_t last) {
    low = std::clamp(low, first, last);
    high = std::clamp(high, first, last);
    if (low > high) std::swap(low, high);
    return {low, high};
}

const char* FindCountKey(std::int32_t count) {
    if (count <= 0) return "AdvFind_CountNone";
    if (count == 1) return "AdvFind_CountOne";
    return "AdvFind_CountSome";
}
