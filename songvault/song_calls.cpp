// The engine's song calls.
#include <sqlite3.h>

#include <cstring>

#include "platform/last_error.h"
#include "songvault/engine_state.h"
#include "songvault/errors.h"
#include "songvault/file_trash.h"
#include "songvault/record_text.h"
#include "songvault/song_codec.h"

using namespace songvault;

namespace {

// Reads the one song a query selects into song; false (and song untouched)
// when there is none.
bool ReadOneSong(Statement& query, TSVT_Song* song) {
    const int rc = query.Step();
    if (rc != SQLITE_ROW) {
        if (rc == SQLITE_DONE) SetLastError(SONGVAULT_ERR_NOT_FOUND);
        return false;
    }
    ReadSong(query, *song);
    return true;
}

bool SongExists(SqliteDb& db, std::int32_t id) {
    Statement query(db.Handle(), "SELECT 1 FROM song WHERE id = ?1");
    query.Bind(1, id);
    return query.Step() == SQLITE_ROW;
}

// The id of the song with that path; 0 when there is none.
std::int32_t SongIdOfPath(SqliteDb& db, std::string_view path) {
    Statement query(db.Handle(), "SELECT id FROM song WHERE path = ?1");
    query.BindText(1, path);
    return query.Step() == SQLITE_ROW ? static_cast<std::int32_t>(query.Int(0)) : 0;
}

// Runs an insert or update of a song; a path that another song has is
// reported as such rather than as a database failure.
bool RunSongWrite(SqliteDb& db, Statement& write) {
    if (write.Run()) return true;
    if (sqlite3_extended_errcode(db.Handle()) == SQLITE_CONSTRAINT_UNIQUE) SetLastError(SONGVAULT_ERR_PATH_TAKEN);
    return false;
}

bool InsertSong(SqliteDb& db, TSVT_Song& song) {
    Statement insert(db.Handle(), kInsertSongSql);
    BindSongValues(insert, song);
    return RunSongWrite(db, insert) && InsertedId(db, song.id);
}

// Updates the song of song.id; false with SONGVAULT_ERR_NOT_FOUND when there
// is none.
bool UpdateSongRow(SqliteDb& db, const TSVT_Song& song) {
    Statement update(db.Handle(), kUpdateSongSql);
    BindSongValues(update, song);
    update.Bind(kSongValueCount + 1, song.id);
    return RunSongWrite(db, update) && ChangedARow(db);
}

// Sets the trash marker of a song; SONGVAULT_ERR_NOT_FOUND when there is no
// such song.
bool SetTrashMarker(SqliteDb& db, std::int32_t id, std::int32_t marker) {
    Statement write(db.Handle(), "UPDATE song SET trash = ?2 WHERE id = ?1");
    write.Bind(1, id);
    write.Bind(2, marker);
    return write.Run() && ChangedARow(db);
}

bool SongById(SqliteDb& db, std::int32_t id, TSVT_Song* song) {
    Statement query(db.Handle(), "SELECT " SONGVAULT_SONG_COLUMNS " FROM song WHERE id = ?1");
    query.Bind(1, id);
    return ReadOneSong(query, song);
}

// Songs a walk reads with one query.
constexpr int kWalkAheadSongs = 256;

// The song after position pos in id order (positions are ids), from the
// songs read ahead when they follow pos and the store is unchanged since.
std::int32_t NextSong(SqliteDb* db, TWalkAhead& ahead, std::int32_t pos, TSVT_Song* song) {
    if (db == nullptr) return -1;
    const std::int64_t changes = sqlite3_total_changes64(db->Handle());
    if (ahead.next >= ahead.songs.size() || ahead.after != pos || ahead.changes != changes) {
        ahead.Clear();
        Statement query(db->Handle(),
                        "SELECT " SONGVAULT_SONG_COLUMNS " FROM song WHERE id > ?1 ORDER BY id LIMIT ?2");
        query.Bind(1, pos);
        query.Bind(2, kWalkAheadSongs);
        int rc = SQLITE_ROW;
        while ((rc = query.Step()) == SQLITE_ROW) {
            ahead.songs.emplace_back();
            ReadSong(query, ahead.songs.back());
        }
        if (rc != SQLITE_DONE) ahead.Clear();
        ahead.changes = changes;
        if (ahead.songs.empty()) {
            if (rc == SQLITE_DONE) SetLastError(SONGVAULT_ERR_NOT_FOUND);
            return -1;
        }
    }
    *song = ahead.songs[ahead.next++];
    ahead.after = song->id;
    return song->id;
}

}  // namespace

std::int32_t SVTENG_CSongvault::GetSongCount() {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    return db != nullptr ? static_cast<std::int32_t>(QueryInt(*db, "SELECT count(*) FROM song", -1)) : -1;
}

std::int32_t SVTENG_CSongvault::GetFirstSong(TSVT_Song* song) {
    std::lock_guard guard(impl_->lock);
    return NextSong(impl_->OpenDb(song), impl_->walkAhead, 0, song);
}

std::int32_t SVTENG_CSongvault::GetNextSong(std::int32_t pos, TSVT_Song* song) {
    std::lock_guard guard(impl_->lock);
    return NextSong(impl_->OpenDb(song), impl_->walkAhead, pos, song);
}

bool SVTENG_CSongvault::GetSong(std::int32_t id, TSVT_Song* song, bool /*flag*/) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(song);
    if (db == nullptr) return false;
    return SongById(*db, id, song);
}

bool SVTENG_CSongvault::FindSongByPath(TSVT_Song* song, const char* path, int /*flag*/) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(path != nullptr ? song : nullptr);
    if (db == nullptr) return false;
    // A path longer than the record holds cannot be a stored song's.
    if (std::strlen(path) >= sizeof song->path) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return false;
    }
    Statement query(db->Handle(), "SELECT " SONGVAULT_SONG_COLUMNS " FROM song WHERE path = ?1");
    query.BindText(1, path);
    return ReadOneSong(query, song);
}

bool SVTENG_CSongvault::UpdateSong(TSVT_Song* song) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(song);
    if (db == nullptr) return false;
    TSVT_Song fitted = *song;
    if (!FitSong(fitted)) return false;
    Transaction transaction(*db);
    if (!transaction.Begun()) return false;
    const bool written = (fitted.id == SVT_NEW_RECORD) ? InsertSong(*db, fitted) : UpdateSongRow(*db, fitted);
    if (!written || !transaction.Commit()) return false;
    *song = fitted;
    return true;
}

std::int32_t SVTENG_CSongvault::AddSong(TSVT_Song* song, bool /*flag*/) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(song);
    if (db == nullptr) return -1;
    TSVT_Song fitted = *song;
    if (!FitSong(fitted)) return -1;
    Transaction transaction(*db);
    if (!transaction.Begun()) return -1;
    // A zero-filled record (id 0) or a stale id never names a song: the song
    // of the record's path is updated, or a new one added.
    if (fitted.id <= 0 || !SongExists(*db, fitted.id)) fitted.id = SongIdOfPath(*db, FieldText(fitted.path));
    const bool written = (fitted.id > 0) ? UpdateSongRow(*db, fitted) : InsertSong(*db, fitted);
    if (!written || !transaction.Commit()) return -1;
    *song = fitted;
    return fitted.id;
}

bool SVTENG_CSongvault::DeleteSong(std::int32_t id, bool deleteFile) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    if (db == nullptr) return false;
    TSVT_Song song;
    if (!SongById(*db, id, &song)) return false;
    if (deleteFile && !MoveFileToTrash(FieldText(song.path))) return false;
    // A live song goes to the trash; one in the trash leaves the store.
    if (song.trash >= 0) return SetTrashMarker(*db, id, SVT_TRASHED);
    Statement remove(db->Handle(), "DELETE FROM song WHERE id = ?1");
    remove.Bind(1, id);
    return remove.Run();
}

bool SVTENG_CSongvault::UndeleteSong(std::int32_t id) {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    if (db == nullptr) return false;
    return SetTrashMarker(*db, id, 0);
}
