// The engine's life cycle: opening, closing and deleting the store.
#include "songvault/songvault.h"

#include <climits>
#include <cstdint>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/user_folders.h"
#include "songvault/engine_state.h"
#include "songvault/errors.h"
#include "songvault/query_sql.h"
#include "songvault/store_copy.h"
#include "songvault/store_files.h"
#include "songvault/store_open.h"

namespace songvault {

namespace {

// The store's full path in folder, or empty (PATH_MAX exceeded, or no
// folder) with the reason as the last error.
std::string StorePathIn(const char* folder, const char* fileName) {
    const std::string dir = LibraryFolder(folder);
    if (dir.empty()) return {};
    std::string path = dir + fileName;
    if (path.size() >= PATH_MAX) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return {};
    }
    return path;
}

// Copies the log into the store's file. Every commit is already safe in the
// log, so a checkpoint that another copy of the program keeps from running
// (its own checkpoint, or a read in progress) loses nothing: the log is
// copied later, by whichever connection closes last. Nor is it worth waiting
// for.
bool Checkpoint(SqliteDb& db) {
    sqlite3_busy_timeout(db.Handle(), 0);
    const int rc = sqlite3_wal_checkpoint_v2(db.Handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(db.Handle(), kBusyWaitMs);
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) return true;
    if (rc != SQLITE_OK) ReportFailure(db.Handle(), rc);
    return rc == SQLITE_OK;
}

}  // namespace

std::string LibraryFolder(const char* folder) {
    if (folder == nullptr || *folder == '\0') return GetUserDataDir();
    std::string dir = folder;
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool InsertedId(SqliteDb& db, std::int32_t& id) {
    const sqlite3_int64 rowId = sqlite3_last_insert_rowid(db.Handle());
    if (rowId <= 0 || rowId > INT32_MAX) {
        SetLastError(SONGVAULT_ERR_IDS_EXHAUSTED);
        return false;
    }
    id = static_cast<std::int32_t>(rowId);
    return true;
}

bool ChangedARow(SqliteDb& db) {
    if (sqlite3_changes(db.Handle()) > 0) return true;
    SetLastError(SONGVAULT_ERR_NOT_FOUND);
    return false;
}

}  // namespace songvault

using namespace songvault;

songvault::SqliteDb* SVTENG_CSongvault::Impl::OpenDb() {
    if (db.IsOpen()) return &db;
    SetLastError(SONGVAULT_ERR_NOT_OPEN);
    return nullptr;
}

songvault::SqliteDb* SVTENG_CSongvault::Impl::OpenDb(const void* argument) {
    SqliteDb* open = OpenDb();
    if (open != nullptr && argument == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return open;
}

SVTENG_CSongvault::SVTENG_CSongvault() : impl_(std::make_unique<Impl>()) {}

SVTENG_CSongvault::~SVTENG_CSongvault() { Shutdown(nullptr); }

bool SVTENG_CSongvault::Initialize(const SGSMarovelle* description, const char* folder) {
    std::lock_guard guard(impl_->lock);
    if (impl_->db.IsOpen()) {
        SetLastError(SONGVAULT_ERR_ALREADY_OPEN);
        return false;
    }
    impl_->foundDamage = false;
    if (description == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::string path = StorePathIn(folder, description->FileName());
    if (path.empty()) return false;
    if (!OpenStore(impl_->db, path, impl_->foundDamage)) {
        LogFmt("SVTENG_CSongvault::Initialize - Opening %s failed, error 0x%x", path.c_str(), GetLastError());
        return false;
    }
    if (!RegisterQueryFunctions(impl_->db)) {
        impl_->db.Close();
        return false;
    }
    impl_->search.index.Invalidate();
    impl_->walkAhead.Clear();
    impl_->import.refused.Clear();
    impl_->folder = FolderOf(path);
    impl_->fileName = description->FileName();
    return true;
}

bool SVTENG_CSongvault::FoundDamagedStore() const {
    std::lock_guard guard(impl_->lock);
    return impl_->foundDamage;
}

bool SVTENG_CSongvault::Shutdown(const char* folder) {
    std::lock_guard guard(impl_->lock);
    if (!impl_->db.IsOpen()) return true;
    if (folder != nullptr) {
        const std::string target = StorePathIn(folder, impl_->fileName.c_str());
        if (target.empty()) return false;
        const bool saved = IsSameFolder(FolderOf(target), impl_->folder) ? Checkpoint(impl_->db)
                                                                          : SaveStoreAs(impl_->db, target);
        if (!saved) {
            LogFmt("SVTENG_CSongvault::Shutdown - Saving into %s failed, error 0x%x", target.c_str(), GetLastError());
            return false;
        }
    }
    impl_->search.Reset();
    impl_->walkAhead.Clear();
    impl_->db.Close();
    impl_->folder.clear();
    return true;
}

bool SVTENG_CSongvault::DeleteDatabase(const char* folder) {
    std::lock_guard guard(impl_->lock);
    const std::string path = StorePathIn(folder, SGSMarovelle().FileName());
    if (path.empty()) return false;
    if (impl_->db.IsOpen() && IsSameFolder(FolderOf(path), impl_->folder)) {
        SetLastError(SONGVAULT_ERR_STORE_IN_USE);
        return false;
    }
    return DeleteStoreFiles(path);
}

bool SVTENG_CSongvault::WriteDB() {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    return db != nullptr && Checkpoint(*db);
}

bool SVTENG_CSongvault::RebuildIndices() {
    std::lock_guard guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb();
    if (db == nullptr) return false;
    impl_->search.index.Invalidate();
    return db->Exec("REINDEX") == SQLITE_OK;
}
