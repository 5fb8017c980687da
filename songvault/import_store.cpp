#include "songvault/import_store.h"

#include <string>

#include "songvault/engine_state.h"
#include "songvault/record_text.h"
#include "songvault/song_codec.h"

namespace songvault {

bool CKnownPaths::Holds(std::string_view path) {
    query_.Reset();
    query_.BindText(1, path);
    return query_.Step() == SQLITE_ROW;
}

bool AddNewSongs(SqliteDb& db, std::vector<TSVT_Song>& songs, std::vector<bool>& added) {
    added.assign(songs.size(), false);
    if (songs.empty()) return true;
    // The path column is unique: "OR IGNORE" turns a path stored meanwhile
    // (by another import) into no change instead of a failure.
    static const std::string kInsertNewSql = std::string("INSERT OR IGNORE") + (kInsertSongSql + sizeof "INSERT" - 1);
    Transaction transaction(db);
    if (!transaction.Begun()) return false;
    Statement insert(db.Handle(), kInsertNewSql.c_str());
    if (!insert.Prepared()) return false;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        insert.Reset();
        BindSongValues(insert, songs[i]);
        if (!insert.Run()) return false;
        if (sqlite3_changes(db.Handle()) == 0) continue;
        if (!InsertedId(db, songs[i].id)) return false;
        added[i] = true;
    }
    if (transaction.Commit()) return true;
    added.assign(songs.size(), false);
    return false;
}

}  // namespace songvault
