#include "songvault/sqlite_db.h"

#include "platform/last_error.h"
#include "songvault/errors.h"

namespace songvault {

void ReportFailure(sqlite3* db, int rc) {
    const int primary = rc & 0xFF;
    const int err = (db != nullptr) ? sqlite3_system_errno(db) : 0;
    if (primary == SQLITE_FULL) {
        SetLastError(ERROR_DISK_FULL);
    } else if (err != 0 && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN ||
                            primary == SQLITE_PERM || primary == SQLITE_READONLY)) {
        SetLastErrorFromErrno(err);
    } else {
        SetLastError(SONGVAULT_ERR_DATABASE);
    }
}

int SqliteDb::Open(const std::string& path, bool create) {
    Close();
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        ReportFailure(db_, rc);
        Close(true);
        return rc;
    }
    sqlite3_extended_result_codes(db_, 1);
    // Set before anything reads the file: another copy of the program may
    // hold it for a moment (a write, a checkpoint), and the first look at
    // the file would otherwise fail at once.
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    return rc;
}

void SqliteDb::Close(bool keepFiles) {
    if (db_ == nullptr) return;
    if (keepFiles) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

int SqliteDb::Exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) ReportFailure(db_, rc);
    return rc;
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    prepareRc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (prepareRc_ != SQLITE_OK) ReportFailure(db, prepareRc_);
}

int Statement::Step() {
    if (stmt_ == nullptr) return prepareRc_ != SQLITE_OK ? prepareRc_ : SQLITE_MISUSE;
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) ReportFailure(db_, rc);
    return rc;
}

std::string_view Statement::Text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    if (bytes == nullptr || size <= 0) return {};
    return {bytes, static_cast<std::size_t>(size)};
}

std::string_view Statement::Blob(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    if (bytes == nullptr || size <= 0) return {};
    return {bytes, static_cast<std::size_t>(size)};
}

Transaction::Transaction(SqliteDb& db) : db_(db) { begun_ = db_.Exec("BEGIN IMMEDIATE") == SQLITE_OK; }

Transaction::~Transaction() {
    if (begun_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Transaction::Commit() {
    if (!begun_) return false;
    if (db_.Exec("COMMIT") != SQLITE_OK) return false;
    begun_ = false;
    return true;
}

std::int64_t QueryInt(SqliteDb& db, const char* sql, std::int64_t fallback) {
    Statement query(db.Handle(), sql);
    return query.Step() == SQLITE_ROW ? query.Int(0) : fallback;
}

}  // namespace songvault
