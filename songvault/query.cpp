#include "songvault/query.h"

#include <algorithm>
#include <cstring>

MDB_Query MDB_Query::Text(std::string_view column, std::int32_t op, std::string_view text) {
    MDB_Query query = Number(column, op, 0);
    query.text = text;
    query.valueIsText = 1;
    return query;
}

MDB_Query MDB_Query::Number(std::string_view column, std::int32_t op, std::int32_t number) {
    MDB_Query query;
    std::memcpy(query.column, column.data(), std::min(column.size(), sizeof query.column - 1));
    query.op = op;
    query.number = number;
    return query;
}
