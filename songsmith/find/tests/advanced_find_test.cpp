#include "songsmith/find/advanced_find.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songsmith/find/query_list.h"
#include "songvault/records.h"

namespace {

// What one condition should be: a text or a number value.
struct TExpected {
    std::string column;
    std::int32_t op;
    bool isText;
    std::string text;
    std::int32_t number;
};

std::string Describe(const MDB_Query& query) {
    return std::string("[") + query.column + "] op " + std::to_string(query.op) +
           (query.valueIsText ? " text '" + query.text + "'"
                              : " number " + std::to_string(query.number));
}

void ExpectConditions(const std::vector<MDB_Query>& got, const std::vector<TExpected>& want) {
    ASSERT_EQ(got.size(), want.size()) << (got.empty() ? "none" : Describe(got[0]));
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(Describe(got[i]));
        EXPECT_EQ(got[i].index, -1);
        EXPECT_EQ(std::string(got[i].column), want[i].column);
        EXPECT_EQ(got[i].op, want[i].op);
        EXPECT_EQ(got[i].valueIsText != 0, want[i].isText);
        if (want[i].isText)
            EXPECT_EQ(got[i].text, want[i].text);
        else
            EXPECT_EQ(got[i].number, want[i].number);
    }
}

TFindRowInput Typed(int field, int op, std::string text) {
    TFindRowInput row;
    row.field = field;
    row.op = op;
    row.text = std::move(text);
    return row;
}

TFindRowInput Chosen(int field, int op, const std::string& itemText) {
    for (const TFindValueItem& item : FindValueList(field)) {
        if (item.text == itemText) {
            TFindRowInput row = Typed(field, op, itemText);
            row.itemSelected = true;
            row.itemData = item.data;
            return row;
        }
    }
    ADD_FAILURE() << "no item " << itemText;
    return {};
}

// Every field with every operator, from a typed value: the column, the
// operator sent (a number column's "contains" is "is") and the value.
TEST(AdvancedFindConditions, EveryFieldWithEveryOperator) {
    struct Field {
        int field;
        const char* typed;
        const char* column;
        bool isText;
        std::int32_t number;
    };
    const Field fields[] = {
        {kFindFieldAlbum, "Blue", "Album", true, 0},
        {kFindFieldArtist, "Miles", "Artist", true, 0},
        {kFindFieldTitle, "So What", "Title", true, 0},
        {kFindFieldGenre, "rock", "Genre", false, 17},
        {kFindFieldComment, "live", "Comment", true, 0},
        {kFindFieldPath, "/music/", "FilePath", true, 0},
        {kFindFieldLength, "3:07", "Length", false, 187000},
        {kFindFieldDate, "1700000000", "CreateDate", false, 1700000000},
        {kFindFieldFileType, "4", "Format", false, 4},
        {kFindFieldSampleRate, "44100", "SampleRate", false, 44100},
        {kFindFieldBitRate, "128", "BitRate", false, 128},
    };
    for (const Field& field : fields) {
        for (int op = 1; op < kFindOperatorCount; ++op) {
            SCOPED_TRACE(std::string(field.column) + " op " + std::to_string(op));
            const TFindRowInput rows[] = {Typed(field.field, op, field.typed)};
            const std::int32_t sent = !field.isText && op == MDB_OP_CONTAINS ? MDB_OP_IS : op;
            ExpectConditions(BuildFindConditions(rows, {}),
                             {{field.column, sent, field.isText, field.typed, field.number}});
        }
        // Without an operator, or without a field, a row adds nothing.
        const TFindRowInput noOperator[] = {Typed(field.field, 0, field.typed)};
        EXPECT_TRUE(BuildFindConditions(noOperator, {}).empty()) << field.column;
    }
    // "-Any-" looks at every text column, whatever operator was chosen.
    for (int op = 1; op < kFindOperatorCount; ++op) {
        const TFindRowInput rows[] = {Typed(kFindFieldAny, op, "Miles")};
        ExpectConditions(BuildFindConditions(rows, {}),
                         {{"", MDB_OP_ANY_CONTAINS, true, "Miles", 0}});
    }
    const TFindRowInput noField[] = {Typed(kFindFieldNone, MDB_OP_IS, "Miles")};
    EXPECT_TRUE(BuildFindConditions(noField, {}).empty());
}

TEST(AdvancedFindConditions, ValuesChosenTypedAndRefused) {
    struct Case {
        const char* name;
        TFindRowInput row;
        std::vector<TExpected> want;
    };
    const Case cases[] = {
        // Items of the value lists carry the numbers the store keeps.
        {"44K",
         Chosen(kFindFieldSampleRate, MDB_OP_IS, "44K"),
         {{"SampleRate", 2, false, "", 44100}}},
        {"22K",
         Chosen(kFindFieldSampleRate, MDB_OP_IS, "22K"),
         {{"SampleRate", 2, false, "", 22050}}},
        {"11K",
         Chosen(kFindFieldSampleRate, MDB_OP_IS, "11K"),
         {{"SampleRate", 2, false, "", 11025}}},
        {"WMA",
         Chosen(kFindFieldFileType, MDB_OP_IS, "WMA"),
         {{"Format", 2, false, "", SVT_FORMAT_WMA}}},
        {"MP3 is not",
         Chosen(kFindFieldFileType, MDB_OP_IS_NOT, "MP3"),
         {{"Format", 3, false, "", 1}}},
        {"-Any- file type", Chosen(kFindFieldFileType, MDB_OP_IS, "-Any-"), {}},
        {"bit rate contains",
         Chosen(kFindFieldBitRate, MDB_OP_CONTAINS, "128"),
         {{"BitRate", 2, false, "", 128}}},
        {"genre chosen", Chosen(kFindFieldGenre, MDB_OP_IS, "Jazz"), {{"Genre", 2, false, "", 8}}},
        // Typed item texts are those items, case ignored.
        {"typed 44k",
         Typed(kFindFieldSampleRate, MDB_OP_IS, "44k"),
         {{"SampleRate", 2, false, "", 44100}}},
        {"typed wma", Typed(kFindFieldFileType, MDB_OP_IS, "wma"), {{"Format", 2, false, "", 4}}},
        {"typed -any-", Typed(kFindFieldFileType, MDB_OP_IS, "-any-"), {}},
        // Genres typed: digits are the number, a name its index, an unknown
        // name -1 (no song has it).
        {"genre rock", Typed(kFindFieldGenre, MDB_OP_IS, "rock"), {{"Genre", 2, false, "", 17}}},
        {"genre 17", Typed(kFindFieldGenre, MDB_OP_IS, "17"), {{"Genre", 2, false, "", 17}}},
        {"genre zzz", Typed(kFindFieldGenre, MDB_OP_IS, "zzz"), {{"Genre", 2, false, "", -1}}},
        {"genre zzz is not",
         Typed(kFindFieldGenre, MDB_OP_IS_NOT, "zzz"),
         {{"Genre", 3, false, "", -1}}},
        // Lengths: m:ss, or whole minutes.
        {"length 3",
         Typed(kFindFieldLength, MDB_OP_GREATER, "3"),
         {{"Length", 5, false, "", 180000}}},
        {"length 0:59",
         Typed(kFindFieldLength, MDB_OP_LESS, "0:59"),
         {{"Length", 4, false, "", 59000}}},
        {"length 3:xx", Typed(kFindFieldLength, MDB_OP_IS, "3:xx"), {}},
        {"length 3:", Typed(kFindFieldLength, MDB_OP_IS, "3:"), {}},
        {"length 3:-7", Typed(kFindFieldLength, MDB_OP_IS, "3:-7"), {}},
        {"length huge", Typed(kFindFieldLength, MDB_OP_IS, "99999999"), {}},
        // Empty values and texts that are no number add nothing.
        {"empty title", Typed(kFindFieldTitle, MDB_OP_CONTAINS, ""), {}},
        {"empty bit rate", Typed(kFindFieldBitRate, MDB_OP_IS, ""), {}},
        {"bit rate text", Typed(kFindFieldBitRate, MDB_OP_IS, "x' OR 1=1 --"), {}},
        {"bit rate 12abc", Typed(kFindFieldBitRate, MDB_OP_IS, "12abc"), {}},
        {"bit rate -5", Typed(kFindFieldBitRate, MDB_OP_IS, "-5"), {{"BitRate", 2, false, "", -5}}},
        {"bit rate overflow", Typed(kFindFieldBitRate, MDB_OP_IS, "4294967296"), {}},
        {"date past 2038",
         Typed(kFindFieldDate, MDB_OP_LESS, "3000000000"),
         {{"CreateDate", 4, false, "", static_cast<std::int32_t>(3000000000u)}}},
        {"date -5", Typed(kFindFieldDate, MDB_OP_LESS, "-5"), {}},
        // Texts are values, whatever they hold.
        {"quote",
         Typed(kFindFieldTitle, MDB_OP_IS, "x' OR 1=1 --"),
         {{"Title", 2, true, "x' OR 1=1 --", 0}}},
        {"percent", Typed(kFindFieldAny, MDB_OP_CONTAINS, "%"), {{"", 0, true, "%", 0}}},
        {"underscore",
         Typed(kFindFieldPath, MDB_OP_CONTAINS, "_"),
         {{"FilePath", 1, true, "_", 0}}},
        {"long text",
         Typed(kFindFieldComment, MDB_OP_CONTAINS, std::string(300, 'c')),
         {{"Comment", 1, true, std::string(255, 'c'), 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TFindRowInput rows[] = {c.row};
        ExpectConditions(BuildFindConditions(rows, {}), c.want);
    }
}

TEST(AdvancedFindConditions, RowsInOrderThenTheRanges) {
    const TFindRowInput rows[] = {Typed(kFindFieldArtist, MDB_OP_CONTAINS, "Miles"),
                                  Typed(kFindFieldNone, 0, ""),
                                  Chosen(kFindFieldSampleRate, MDB_OP_IS, "44K")};
    TFindRanges ranges;
    ranges.bpmOn = true;
    ranges.bpmLow = 90;
    ranges.bpmHigh = 120;
    ranges.yearOn = true;
    ranges.yearLow = 1960;
    ranges.yearHigh = 1970;
    ExpectConditions(BuildFindConditions(rows, ranges), {{"Artist", 1, true, "Miles", 0},
                                                         {"SampleRate", 2, false, "", 44100},
                                                         {"BPM", 7, false, "", 90},
                                                         {"BPM", 6, false, "", 120},
                                                         {"Year", 7, false, "", 1960},
                                                         {"Year", 6, false, "", 1970}});
    // Ranges set but not ticked add nothing.
    ranges.bpmOn = ranges.yearOn = false;
    EXPECT_EQ(BuildFindConditions({}, ranges).size(), 0u);
}

TEST(AdvancedFindState, StartsEmptyAndClampsIntoTheSliders) {
    const TAdvancedFindState state;
    for (int row = 0; row < kAdvancedFindRows; ++row) {
        EXPECT_EQ(state.field[row], 0);
        EXPECT_EQ(state.op[row], 0);
        EXPECT_TRUE(state.value[row].empty());
    }
    EXPECT_FALSE(state.bpmOn || state.yearOn);
    EXPECT_EQ(std::make_pair(state.yearLow, state.yearHigh), std::make_pair(0, 9999));
    EXPECT_EQ(ClampFindRange(state.yearLow, state.yearHigh, kFindYearFirst, FindYearLast()),
              std::make_pair(kFindYearFirst, FindYearLast()));
    EXPECT_EQ(ClampFindRange(1970, 1980, kFindYearFirst, 2026), std::make_pair(1970, 1980));
    EXPECT_EQ(ClampFindRange(1990, 1960, kFindYearFirst, 2026), std::make_pair(1960, 1990));
    EXPECT_GE(FindYearLast(), 2025);
}

TEST(AdvancedFindLists, ValueListsAndCountTexts) {
    EXPECT_EQ(FindValueList(kFindFieldGenre).size(), 126u);
    EXPECT_EQ(FindValueList(kFindFieldGenre)[17].text, "Rock");
    EXPECT_EQ(FindValueList(kFindFieldBitRate).size(), 5u);
    for (int field :
         {kFindFieldNone, kFindFieldAny, kFindFieldTitle, kFindFieldLength, kFindFieldDate})
        EXPECT_TRUE(FindValueList(field).empty()) << field;
    EXPECT_STREQ(FindCountKey(0), "AdvFind_CountNone");
    EXPECT_STREQ(FindCountKey(-1), "AdvFind_CountNone");
    EXPECT_STREQ(FindCountKey(1), "AdvFind_CountOne");
    EXPECT_STREQ(FindCountKey(2), "AdvFind_CountSome");
}

// The store's view follows its own conditions through copies and moves.
TEST(QueryList, PointsAtItsOwnConditions) {
    CQueryList first(
        {MDB_Query::Number("Year", MDB_OP_IS, 1999), MDB_Query::Text("Title", MDB_OP_IS, "a")});
    CQueryList copy(first);
    ASSERT_EQ(copy.List()->count, 2);
    EXPECT_EQ(copy.List()->items[0], &copy.Conditions()[0]);
    CQueryList moved(std::move(first));
    EXPECT_EQ(moved.List()->items[1], &moved.Conditions()[1]);
    EXPECT_TRUE(first.Empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
    EXPECT_EQ(first.List()->count, 0);
    copy = moved;
    EXPECT_EQ(copy.List()->items[1], &copy.Conditions()[1]);
}

}  // namespace
