#include "songvault/store_open.h"

#include <cerrno>
#include <cstdio>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/schema.h"
#include "songvault/store_files.h"

namespace songvault {

namespace {

std::string FreshStoreName(const std::string& path) { return path + ".new"; }

// Makes a fresh store under a temporary name and renames it into place, so
// a crash while it is made never leaves a half-made store behind.
bool MakeFreshStore(const std::string& path) {
    const std::string temporary = FreshStoreName(path);
    if (!DeleteStoreFiles(temporary)) return false;
    {
        SqliteDb fresh;
        if (fresh.Open(temporary, true) != SQLITE_OK) return false;
        if (!ConfigureConnection(fresh) || !UpgradeStore(fresh)) {
            fresh.Close();
            DeleteStoreFiles(temporary);
            return false;
        }
        // Closing copies the log into the file and removes it.
    }
    if (!SyncFile(temporary)) {
        DeleteStoreFiles(temporary);
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        DeleteStoreFiles(temporary);
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

bool MoveAsideAndLog(const std::string& path, const char* why, const char* reason) {
    std::string aside;
    if (!MoveStoreAside(path, why, aside)) {
        LogFmt("SVTENG_CSongvault::Initialize - %s %s; moving it aside failed", reason, path.c_str());
        return false;
    }
    LogFmt("SVTENG_CSongvault::Initialize - %s %s; moved aside to %s", reason, path.c_str(), aside.c_str());
    return true;
}

// Opens the file that is there and says what it is.
StoreVerdict OpenAndInspect(SqliteDb& db, const std::string& path) {
    if (db.Open(path, false) != SQLITE_OK) return StoreVerdict::kUnreadable;
    return InspectStore(db);
}

bool MakeUsable(SqliteDb& db) { return ConfigureConnection(db) && UpgradeStore(db); }

}  // namespace

bool OpenStore(SqliteDb& db, const std::string& path, bool& damaged) {
    damaged = false;
    // A fresh store that a crash left half-made is of no use to anyone.
    DeleteStoreFiles(FreshStoreName(path));
    if (FileSize(path) <= 0) {
        // A log or journal without its store's file belongs to a store that
        // is gone; the engine would apply it to the new one.
        if (CompanionsHoldData(path)) {
            if (!MoveAsideAndLog(path, "stale", "Companion files without their library")) return false;
            damaged = true;
        }
        if (!DeleteStoreFiles(path) || !MakeFreshStore(path)) return false;
    }

    switch (OpenAndInspect(db, path)) {
    case StoreVerdict::kCurrent:
    case StoreVerdict::kOlder:
        if (MakeUsable(db)) return true;
        db.Close(true);
        return false;
    case StoreVerdict::kNewer:
        LogFmt("SVTENG_CSongvault::Initialize - %s was written by a newer version; left as it is", path.c_str());
        db.Close(true);
        SetLastError(SONGVAULT_ERR_NEWER_VERSION);
        return false;
    case StoreVerdict::kUnreadable:
        db.Close(true);
        return false;
    case StoreVerdict::kForeign:
    case StoreVerdict::kDamaged:
        break;
    }

    db.Close(true);
    if (!MoveAsideAndLog(path, "damaged", "Damaged or foreign library")) return false;
    damaged = true;
    if (!MakeFreshStore(path)) return false;
    if (OpenAndInspect(db, path) == StoreVerdict::kCurrent && MakeUsable(db)) return true;
    db.Close(true);
    return false;
}

}  // namespace songvault
