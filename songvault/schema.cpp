#include "songvault/schema.h"

#include <iterator>
#include <string>
#include <string_view>

namespace songvault {

namespace {

// Step n brings a store of format n to format n + 1. Format 0 is an empty
// file. Ids grow from 1 and are never used again (AUTOINCREMENT), so an id
// that the program still holds (an undo step) never names a newer record.
// Paths are unique and compare byte for byte; names may repeat, as the
// Library tab merges them itself.
constexpr const char* kUpgradeSteps[] = {
    R"sql(
    CREATE TABLE song(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        path TEXT NOT NULL UNIQUE,
        title TEXT NOT NULL DEFAULT '',
        track_name TEXT NOT NULL DEFAULT '',
        artist TEXT NOT NULL DEFAULT '',
        album TEXT NOT NULL DEFAULT '',
        comment TEXT NOT NULL DEFAULT '',
        cd_id BLOB,
        genre INTEGER NOT NULL DEFAULT 255,
        year INTEGER NOT NULL DEFAULT 0,
        length_ms INTEGER NOT NULL DEFAULT 0,
        format INTEGER NOT NULL DEFAULT 0,
        sample_rate INTEGER NOT NULL DEFAULT 0,
        bit_rate INTEGER NOT NULL DEFAULT 0,
        bpm INTEGER NOT NULL DEFAULT 0,
        track INTEGER NOT NULL DEFAULT 0,
        track_count INTEGER NOT NULL DEFAULT 0,
        create_date INTEGER NOT NULL DEFAULT 0,
        change_date INTEGER NOT NULL DEFAULT 0,
        trash INTEGER NOT NULL DEFAULT 0,
        tag_type INTEGER NOT NULL DEFAULT 0);
    CREATE INDEX song_artist_album ON song(artist, album);
    CREATE INDEX song_trash ON song(trash);
    CREATE TABLE artist(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        number INTEGER NOT NULL DEFAULT 0,
        name TEXT NOT NULL DEFAULT '');
    CREATE INDEX artist_name ON artist(name);
    CREATE TABLE album(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        year INTEGER NOT NULL DEFAULT 0,
        genre INTEGER NOT NULL DEFAULT 255,
        number INTEGER NOT NULL DEFAULT 0,
        name TEXT NOT NULL DEFAULT '',
        artist TEXT NOT NULL DEFAULT '');
    CREATE INDEX album_name ON album(name);
    CREATE TABLE genre(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        number INTEGER NOT NULL DEFAULT 0,
        genre INTEGER NOT NULL DEFAULT 255,
        name TEXT NOT NULL DEFAULT '');
    )sql",
    // The change log: every write of a song row, by any connection, appends
    // the song's id, so that a reader holding a copy of the songs (the text
    // search's index) reads again only what changed since it last looked.
    // Triggers fire for every kind of write, a DELETE without WHERE
    // included. Entries are numbered without gaps; the oldest are pruned in
    // batches, and a reader whose position falls behind the oldest kept
    // entry reads the whole table again.
    R"sql(
    CREATE TABLE song_change(seq INTEGER PRIMARY KEY, id INTEGER NOT NULL);
    CREATE TRIGGER song_inserted AFTER INSERT ON song BEGIN
        INSERT INTO song_change(id) VALUES (NEW.id);
    END;
    CREATE TRIGGER song_updated AFTER UPDATE ON song BEGIN
        INSERT INTO song_change(id) VALUES (NEW.id);
        INSERT INTO song_change(id) SELECT OLD.id WHERE OLD.id <> NEW.id;
    END;
    CREATE TRIGGER song_deleted AFTER DELETE ON song BEGIN
        INSERT INTO song_change(id) VALUES (OLD.id);
    END;
    CREATE TRIGGER song_change_pruned AFTER INSERT ON song_change WHEN NEW.seq % 4096 = 0 BEGIN
        DELETE FROM song_change WHERE seq <= NEW.seq - 65536;
    END;
    )sql",
};
static_assert(std::size(kUpgradeSteps) == kSchemaVersion, "one upgrade step per format");

// The result code of a one-value query; value receives the value.
int QueryValue(SqliteDb& db, const char* sql, std::int64_t& value) {
    Statement query(db.Handle(), sql);
    if (!query.Prepared()) return query.PrepareResult();
    const int rc = query.Step();
    if (rc == SQLITE_ROW) value = query.Int(0);
    return rc == SQLITE_ROW ? SQLITE_OK : rc;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

StoreVerdict FailureVerdict(int rc) { return IsDamage(rc) ? StoreVerdict::kDamaged : StoreVerdict::kUnreadable; }

// quick_check answers one row "ok", or rows that describe the damage.
int QuickCheck(SqliteDb& db, bool& ok) {
    Statement check(db.Handle(), "PRAGMA quick_check");
    if (!check.Prepared()) return check.PrepareResult();
    int rc = check.Step();
    ok = rc == SQLITE_ROW && check.Text(0) == "ok";
    while (rc == SQLITE_ROW) rc = check.Step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

}  // namespace

StoreVerdict InspectStore(SqliteDb& db) {
    std::int64_t applicationId = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;
    int rc = QueryValue(db, "PRAGMA application_id", applicationId);
    if (rc == SQLITE_OK) rc = QueryValue(db, "PRAGMA user_version", version);
    if (rc == SQLITE_OK) rc = QueryValue(db, "SELECT count(*) FROM sqlite_schema", objects);
    if (rc != SQLITE_OK) return FailureVerdict(rc);

    if (applicationId == 0 && version == 0 && objects == 0) return StoreVerdict::kOlder;
    if (applicationId != kApplicationId) return StoreVerdict::kForeign;
    // A newer store is refused before anything else reads it.
    if (version > kSchemaVersion) return StoreVerdict::kNewer;

    bool ok = false;
    rc = QuickCheck(db, ok);
    if (rc != SQLITE_OK) return FailureVerdict(rc);
    if (!ok) return StoreVerdict::kDamaged;
    return version < kSchemaVersion ? StoreVerdict::kOlder : StoreVerdict::kCurrent;
}

bool ConfigureConnection(SqliteDb& db) {
    Statement journal(db.Handle(), "PRAGMA journal_mode = WAL");
    if (journal.Step() != SQLITE_ROW || journal.Text(0) != "wal") return false;
    // FULL: each commit syncs the log before it returns, so a write the
    // caller was told is done survives a power loss too (NORMAL would only
    // survive a crash of the program). Commits are one per call, or one per
    // folder or batch of an import, so the syncs are few.
    return db.Exec("PRAGMA synchronous = FULL") == SQLITE_OK;
}

bool UpgradeStore(SqliteDb& db) {
    if (QueryInt(db, "PRAGMA user_version", -1) == kSchemaVersion) return true;
    // The format is read again inside the write transaction: another copy
    // of the program may have upgraded the file since.
    Transaction transaction(db);
    if (!transaction.Begun()) return false;
    const std::int64_t from = QueryInt(db, "PRAGMA user_version", -1);
    if (from < 0 || from > kSchemaVersion) return false;
    if (from == kSchemaVersion) return true;
    for (std::int64_t step = from; step < kSchemaVersion; ++step) {
        if (db.Exec(kUpgradeSteps[step]) != SQLITE_OK) return false;
    }
    // The header values are written in the same transaction as the tables.
    const std::string header = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                               "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
    if (db.Exec(header.c_str()) != SQLITE_OK) return false;
    return transaction.Commit();
}

}  // namespace songvault
