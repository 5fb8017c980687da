#include "songvault/query_sql.h"

#include <array>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "songvault/text_fold.h"

namespace songvault {

namespace {

// Songs in the trash carry a negative marker.
constexpr const char* kLiveSongs = "FROM song WHERE trash >= 0";

std::string_view ValueText(sqlite3_value* value) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int size = sqlite3_value_bytes(value);
    if (bytes == nullptr || size <= 0) return {};
    return {bytes, static_cast<std::size_t>(size)};
}

// sv_text_meets(op, value, field, ...): the value is folded once per
// statement and kept with it.
void TextMeets(sqlite3_context* context, int argc, sqlite3_value** argv) {
    constexpr int kFirstField = 2;
    constexpr int kMostFields = 6;
    if (argc <= kFirstField || argc > kFirstField + kMostFields) {
        sqlite3_result_error(context, "sv_text_meets: wrong number of arguments", -1);
        return;
    }
    auto* kept = static_cast<std::string*>(sqlite3_get_auxdata(context, 1));
    std::unique_ptr<std::string> made;
    if (kept == nullptr) made = std::make_unique<std::string>(FoldAscii(ValueText(argv[1])));
    const std::string& value = kept != nullptr ? *kept : *made;
    std::array<std::string_view, kMostFields> fields;
    for (int i = kFirstField; i < argc; ++i) fields[i - kFirstField] = ValueText(argv[i]);
    const auto op = static_cast<std::int32_t>(sqlite3_value_int(argv[0]));
    const bool met = TextFieldsMeet(op, std::span(fields.data(), argc - kFirstField), value);
    sqlite3_result_int(context, met ? 1 : 0);
    // The engine may free the value at once when it cannot keep it.
    if (made != nullptr)
        sqlite3_set_auxdata(context, 1, made.release(),
                            [](void* p) { delete static_cast<std::string*>(p); });
}

void TextMeetsFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    // No exception may cross the engine's C frames: running out of memory
    // fails the statement instead.
    try {
        TextMeets(context, argc, argv);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

// sv_number_meets(op, value, field).
void NumberMeetsFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
    const auto op = static_cast<std::int32_t>(sqlite3_value_int(argv[0]));
    const bool met = NumberMeets(op, sqlite3_value_int64(argv[2]), sqlite3_value_int64(argv[1]));
    sqlite3_result_int(context, met ? 1 : 0);
}

bool Register(SqliteDb& db, const char* name, int argc,
              void (*function)(sqlite3_context*, int, sqlite3_value**)) {
    // Direct only: no trigger or view that a file brings along can call them.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    const int rc = sqlite3_create_function_v2(db.Handle(), name, argc, flags, nullptr, function,
                                              nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) ReportFailure(db.Handle(), rc);
    return rc == SQLITE_OK;
}

// " AND test" for every condition; condition i binds ?(2i+1), its operator,
// and ?(2i+2), its value.
std::string ConditionsSql(const std::vector<Condition>& conditions) {
    std::string sql;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        const Condition& condition = conditions[i];
        const std::string op = "?" + std::to_string(2 * i + 1);
        const std::string value = "?" + std::to_string(2 * i + 2);
        if (condition.column != nullptr && condition.column->kind == ColumnKind::kNumber) {
            sql += " AND sv_number_meets(" + op + ", " + value + ", " + condition.column->sqlName +
                   ")";
            continue;
        }
        sql += " AND sv_text_meets(" + op + ", " + value;
        if (condition.column != nullptr) {
            sql += std::string(", ") + condition.column->sqlName;
        } else {
            for (const QueryColumn* column : SearchedTextColumns())
                sql += std::string(", ") + column->sqlName;
        }
        sql += ")";
    }
    return sql;
}

void BindConditions(Statement& statement, const std::vector<Condition>& conditions) {
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        const Condition& condition = conditions[i];
        const int first = static_cast<int>(2 * i + 1);
        statement.Bind(first, condition.op);
        if (condition.column != nullptr && condition.column->kind == ColumnKind::kNumber) {
            statement.Bind(first + 1, condition.number);
        } else {
            statement.BindText(first + 1, condition.foldedText);
        }
    }
}

}  // namespace

bool RegisterQueryFunctions(SqliteDb& db) {
    return Register(db, "sv_text_meets", -1, TextMeetsFunction) &&
           Register(db, "sv_number_meets", 3, NumberMeetsFunction);
}

bool SelectLiveSongIds(SqliteDb& db, const std::vector<Condition>& conditions,
                       std::vector<std::int32_t>& ids) {
    ids.clear();
    const std::string sql =
        std::string("SELECT id ") + kLiveSongs + ConditionsSql(conditions) + " ORDER BY id";
    Statement query(db.Handle(), sql.c_str());
    BindConditions(query, conditions);
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW)
        ids.push_back(static_cast<std::int32_t>(query.Int(0)));
    if (rc != SQLITE_DONE) ids.clear();
    return rc == SQLITE_DONE;
}

std::int64_t CountLiveSongs(SqliteDb& db, const std::vector<Condition>& conditions) {
    const std::string sql =
        std::string("SELECT count(*) ") + kLiveSongs + ConditionsSql(conditions);
    Statement query(db.Handle(), sql.c_str());
    BindConditions(query, conditions);
    return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
}

}  // namespace songvault
