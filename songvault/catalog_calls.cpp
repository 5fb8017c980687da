// The engine's artist, album and genre calls: one implementation for the
// three record kinds, each described by its CatalogTraits.
#include <sqlite3.h>

#include <new>

#include "platform/last_error.h"
#include "songvault/catalog_codec.h"
#include "songvault/engine_state.h"
#include "songvault/errors.h"

using namespace songvault;

namespace {

template <class Record>
using Traits = CatalogTraits<Record>;

template <class Record>
std::int32_t CountRecords(SqliteDb* db) {
    return db != nullptr ? static_cast<std::int32_t>(QueryInt(*db, Traits<Record>::kCount, -1)) : -1;
}

template <class Record>
bool FindAll(SqliteDb* db, MvList<Record*>& list) {
    if (db == nullptr) return false;
    Statement query(db->Handle(), Traits<Record>::kSelectAll);
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        // No exception leaves the library: a record that cannot be made
        // fails the call as a list that cannot grow does.
        auto* record = new (std::nothrow) Record;
        if (record == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        Traits<Record>::Read(query, *record);
        if (!list.Append(record)) {
            delete record;
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
    }
    return rc == SQLITE_DONE;
}

template <class Record>
void FreeAll(MvList<Record*>* list, bool deleteList) {
    if (list == nullptr) return;
    DeleteRecordsAndEmpty(*list);
    // The list's destructor is virtual, so a list made by the program is
    // deleted here as the program would delete it.
    if (deleteList) delete list;
}

template <class Record>
bool GetOne(SqliteDb* db, std::int32_t id, Record* record) {
    if (db == nullptr) return false;
    Statement query(db->Handle(), Traits<Record>::kSelectOne);
    query.Bind(1, id);
    const int rc = query.Step();
    if (rc == SQLITE_ROW) {
        Traits<Record>::Read(query, *record);
        return true;
    }
    if (rc == SQLITE_DONE) SetLastError(SONGVAULT_ERR_NOT_FOUND);
    return false;
}

template <class Record>
bool Insert(SqliteDb& db, Record& record) {
    Transaction transaction(db);
    if (!transaction.Begun()) return false;
    Statement insert(db.Handle(), Traits<Record>::kInsert);
    Traits<Record>::BindValues(insert, record);
    std::int32_t id = 0;
    if (!insert.Run() || !InsertedId(db, id) || !transaction.Commit()) return false;
    record.id = id;
    return true;
}

template <class Record>
bool UpdateOne(SqliteDb& db, const Record& record) {
    Statement update(db.Handle(), Traits<Record>::kUpdate);
    Traits<Record>::BindValues(update, record);
    update.Bind(Traits<Record>::kUpdateId, record.id);
    return update.Run() && ChangedARow(db);
}

template <class Record>
bool Write(SqliteDb* db, Record* record) {
    if (db == nullptr) return false;
    Record fitted = *record;
    Traits<Record>::Fit(fitted);
    const bool written = (fitted.id == SVT_NEW_RECORD) ? Insert(*db, fitted) : UpdateOne(*db, fitted);
    if (written) *record = fitted;
    return written;
}

template <class Record>
bool DeleteOne(SqliteDb* db, std::int32_t id) {
    if (db == nullptr) return false;
    Statement remove(db->Handle(), Traits<Record>::kDelete);
    remove.Bind(1, id);
    return remove.Run();
}

}  // namespace

std::int32_t SVTENG_CSongvault::GetArtistCount() {
    std::lock_guard guard(impl_->lock);
    return CountRecords<TSVT_Artist>(impl_->OpenDb());
}

std::int32_t SVTENG_CSongvault::GetAlbumCount() {
    std::lock_guard guard(impl_->lock);
    return CountRecords<TSVT_Album>(impl_->OpenDb());
}

std::int32_t SVTENG_CSongvault::GetGenreCount() {
    std::lock_guard guard(impl_->lock);
    return CountRecords<TSVT_Genre>(impl_->OpenDb());
}

bool SVTENG_CSongvault::FindArtists(MvList<TSVT_Artist*>& list) {
    std::lock_guard guard(impl_->lock);
    return FindAll(impl_->OpenDb(), list);
}

bool SVTENG_CSongvault::FindAlbums(MvList<TSVT_Album*>& list) {
    std::lock_guard guard(impl_->lock);
    return FindAll(impl_->OpenDb(), list);
}

bool SVTENG_CSongvault::FindGenres(MvList<TSVT_Genre*>& list) {
    std::lock_guard guard(impl_->lock);
    return FindAll(impl_->OpenDb(), list);
}

void SVTENG_CSongvault::DeallocArtistList(MvList<TSVT_Artist*>* list, bool deleteList) { FreeAll(list, deleteList); }

void SVTENG_CSongvault::DeallocAlbumList(MvList<TSVT_Album*>* list, bool deleteList) { FreeAll(list, deleteList); }

void SVTENG_CSongvault::DeallocGenreList(MvList<TSVT_Genre*>* list, bool deleteList) { FreeAll(list, deleteList); }

bool SVTENG_CSongvault::GetArtist(std::int32_t id, TSVT_Artist* artist, bool /*flag*/) {
    std::lock_guard guard(impl_->lock);
    return GetOne(impl_->OpenDb(artist), id, artist);
}

bool SVTENG_CSongvault::GetAlbum(std::int32_t id, TSVT_Album* album, bool /*flag*/) {
    std::lock_guard guard(impl_->lock);
    return GetOne(impl_->OpenDb(album), id, album);
}

bool SVTENG_CSongvault::GetGenre(std::int32_t id, TSVT_Genre* genre, bool /*flag*/) {
    std::lock_guard guard(impl_->lock);
    return GetOne(impl_->OpenDb(genre), id, genre);
}

bool SVTENG_CSongvault::UpdateArtist(TSVT_Artist* artist) {
    std::lock_guard guard(impl_->lock);
    return Write(impl_->OpenDb(artist), artist);
}

bool SVTENG_CSongvault::UpdateAlbum(TSVT_Album* album) {
    std::lock_guard guard(impl_->lock);
    return Write(impl_->OpenDb(album), album);
}

bool SVTENG_CSongvault::UpdateGenre(TSVT_Genre* genre) {
    std::lock_guard guard(impl_->lock);
    return Write(impl_->OpenDb(genre), genre);
}

bool SVTENG_CSongvault::DeleteArtist(std::int32_t id) {
    std::lock_guard guard(impl_->lock);
    return DeleteOne<TSVT_Artist>(impl_->OpenDb(), id);
}

bool SVTENG_CSongvault::DeleteAlbum(std::int32_t id) {
    std::lock_guard guard(impl_->lock);
    return DeleteOne<TSVT_Album>(impl_->OpenDb(), id);
}

bool SVTENG_CSongvault::DeleteGenre(std::int32_t id) {
    std::lock_guard guard(impl_->lock);
    return DeleteOne<TSVT_Genre>(impl_->OpenDb(), id);
}
