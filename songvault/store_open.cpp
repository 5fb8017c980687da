#include "songvault/store_open.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/schema.h"
#include "songvault/store_files.h"

namespace songvault {

namespace {

// The name a fresh store is made under, beside the store's own and unique
// to this attempt: another copy of the program may be making one at the same
// moment, and neither may delete the other's.
std::string FreshStoreName(const std::string& path) {
    static std::atomic<unsigned> attempt{0};
    return path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(attempt++);
}

// The process that named a fresh store "<store>.new-<pid>-<n>"; 0 when name
// is not such a name.
pid_t FreshStoreOwner(std::string_view name, std::string_view storeName) {
    const std::string prefix = std::string(storeName) + ".new-";
    if (!name.starts_with(prefix)) return 0;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    // Nine digits at most: every pid fits, and the number always converts.
    if (dash == 0 || dash > 9 || dash == std::string_view::npos || dash + 1 == name.size()) return 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i != dash && (name[i] < '0' || name[i] > '9')) return 0;
    }
    return static_cast<pid_t>(std::stol(std::string(name.substr(0, dash))));
}

// Deletes the fresh stores that copies of the program killed while making
// them left behind. One whose maker still runs is that copy's own.
void DeleteAbandonedFreshStores(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string storeName = fs::path(path).filename().string();
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(FolderOf(path), error)) {
        const pid_t owner = FreshStoreOwner(entry.path().filename().string(), storeName);
        if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) DeleteStoreFiles(entry.path().string());
    }
}

// Gives the made store the store's name unless a file already has it (made
// by another copy of the program meanwhile): a hard link never replaces,
// and where the file system has none, a rename that is told not to.
bool PutFreshInPlace(const std::string& fresh, const std::string& path) {
    if (link(fresh.c_str(), path.c_str()) == 0 || errno == EEXIST) return true;
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) return false;
    return renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0 ||
           errno == EEXIST;
}

// Makes a fresh store under a name of its own and puts it in place, so that
// a crash while it is made never leaves a half-made store behind, and two
// copies of the program starting together end with one store between them.
bool MakeFreshStore(const std::string& path) {
    const std::string temporary = FreshStoreName(path);
    if (!DeleteStoreFiles(temporary)) return false;
    bool made = false;
    {
        SqliteDb fresh;
        made = fresh.Open(temporary, true) == SQLITE_OK && ConfigureConnection(fresh) && UpgradeStore(fresh);
        // Closing copies the log into the file and removes it.
    }
    // Each failing step has left its reason in the last error.
    made = made && SyncFile(temporary);
    if (made && !PutFreshInPlace(temporary, path)) {
        SetLastErrorFromErrno(errno);
        made = false;
    }
    const std::uint32_t reason = GetLastError();
    DeleteStoreFiles(temporary);
    SetLastError(reason);
    if (made) SyncFolder(FolderOf(path));
    return made;
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
    // A fresh store that a crash of an older version left half-made is of
    // no use to anyone.
    DeleteStoreFiles(path + ".new");
    DeleteAbandonedFreshStores(path);
    if (FileSize(path) <= 0) {
        // A log or journal without its store's file belongs to a store that
        // is gone; the engine would apply it to the new one. The store's
        // file is looked for again, as another copy of the program may have
        // just made it and be writing its log.
        if (CompanionsHoldData(path) && FileSize(path) <= 0) {
            if (!MoveAsideAndLog(path, "stale", "Companion files without their library")) return false;
            damaged = true;
        }
        // An empty file is opened as it is: the engine reads it as a store
        // with no tables, and the upgrade below makes them in one
        // transaction. Only a missing file is made afresh.
        if (FileSize(path) < 0 && !MakeFreshStore(path)) return false;
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
