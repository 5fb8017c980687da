#include "songvault/store_copy.h"

#include <cerrno>
#include <cstdio>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/store_files.h"

namespace songvault {

namespace {

bool WriteCopy(SqliteDb& db, const std::string& temporary) {
    Statement vacuum(db.Handle(), "VACUUM INTO ?1");
    vacuum.BindText(1, temporary);
    return vacuum.Run() && SyncFile(temporary);
}

// Called just before the copy is renamed over its target (tests look at the
// folder at that moment).
void (*beforeRename)(const std::string& target) = nullptr;

// Keeps what is at target aside. The store's file keeps its name as well
// (a second name), so the rename that follows replaces it in one step and
// no moment passes with no store in the folder; only where the file system
// has no second names is it moved aside first.
bool KeepAside(const std::string& target, std::string& aside, bool& linked) {
    linked = LinkStoreAside(target, "replaced", aside);
    if (!linked && !MoveStoreAside(target, "replaced", aside)) return false;
    LogFmt("SVTENG_CSongvault::Shutdown - Moved the library already in %s aside to %s",
           FolderOf(target).c_str(), aside.c_str());
    return true;
}

// Renames the copy to target, keeping a store that is already there aside.
bool PutInPlace(const std::string& temporary, const std::string& target) {
    std::string aside;
    bool linked = false;
    const bool occupied = FileSize(target) >= 0 || CompanionsHoldData(target);
    if (occupied && !KeepAside(target, aside, linked)) return false;
    if (beforeRename != nullptr) beforeRename(target);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        if (occupied) linked ? UnlinkStoreAside(aside, target) : PutStoreBack(aside, target);
        return false;
    }
    // The copy is whole and in place; a folder that cannot be flushed only
    // leaves the rename to the system's own time.
    if (!SyncFolder(FolderOf(target))) Log("SVTENG_CSongvault::Shutdown - Flushing the library folder failed");
    return true;
}

}  // namespace

void SetBeforeCopyRename(void (*observer)(const std::string& target)) { beforeRename = observer; }

bool SaveStoreAs(SqliteDb& db, const std::string& target) {
    const std::string temporary = target + ".saving";
    // A copy left by an earlier attempt would make VACUUM INTO refuse.
    if (!DeleteStoreFiles(temporary)) return false;
    if (WriteCopy(db, temporary) && PutInPlace(temporary, target)) return true;
    const std::uint32_t reason = GetLastError();
    DeleteStoreFiles(temporary);
    SetLastError(reason);
    return false;
}

}  // namespace songvault
