#pragma once
// Thin ownership wrappers over the sqlite3 C API: the connection, a prepared
// statement and a write transaction. Failures are reported through results
// and the thread's last-error value (ReportFailure), never by exceptions.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace songvault {

// Leaves the reason of a failed call on db in the thread's last-error value:
// the system's errno when the engine saw one, a full disk, or
// SONGVAULT_ERR_DATABASE.
void ReportFailure(sqlite3* db, int rc);

// How long a connection waits for a file another connection holds.
inline constexpr int kBusyWaitMs = 2000;

class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb() { Close(); }
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens an existing file (create also makes a missing one). Symbolic
    // links are followed like any path the user chose.
    int Open(const std::string& path, bool create);
    // Closes; with keepFiles set, the write-ahead log is neither copied into
    // the file nor removed, so a file that is refused stays as it was found.
    void Close(bool keepFiles = false);
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Handle() const { return db_; }

    // Runs statements without results. The result is the engine's code; on
    // failure the reason is already reported.
    int Exec(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return stmt_ != nullptr; }
    int PrepareResult() const { return prepareRc_; }

    // Parameters are numbered from 1, as the engine numbers them.
    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
    // The bytes are copied; a text keeps every byte as given, so paths
    // compare byte for byte.
    void BindText(int index, std::string_view text) {
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    void BindBlob(int index, const void* data, std::size_t size) {
        sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_TRANSIENT);
    }

    // SQLITE_ROW, SQLITE_DONE or a failure (already reported).
    int Step();
    // Steps a statement without results; true when it ran to its end.
    bool Run() { return Step() == SQLITE_DONE; }
    // Makes the statement ready to run again; bindings stay until rebound.
    void Reset() { sqlite3_reset(stmt_); }

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    // The column's bytes, bounded by the length the engine gives.
    std::string_view Text(int column) const;
    std::string_view Blob(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    int prepareRc_ = SQLITE_OK;
};

// One write transaction: BEGIN IMMEDIATE at construction, ROLLBACK on
// destruction unless Commit succeeded.
class Transaction {
public:
    explicit Transaction(SqliteDb& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Begun() const { return begun_; }
    bool Commit();

private:
    SqliteDb& db_;
    bool begun_ = false;
};

// A single-value query (a count, a pragma); fallback when it yields no row
// or fails.
std::int64_t QueryInt(SqliteDb& db, const char* sql, std::int64_t fallback);

}  // namespace songvault
