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

// Renames the copy to target, moving a store that is already there aside.
bool PutInPlace(const std::string& temporary, const std::string& target) {
    std::string aside;
    const bool occupied = FileSize(target) >= 0 || CompanionsHoldData(target);
    if (occupied) {
        if (!MoveStoreAside(target, "replaced", aside)) return false;
        LogFmt("SVTENG_CSongvault::Shutdown - Moved the library already in %s aside to %s",
               FolderOf(target).c_str(), aside.c_str());
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        if (occupied) PutStoreBack(aside, target);
        return false;
    }
    // The copy is whole and in place; a folder that cannot be flushed only
    // leaves the rename to the system's own time.
    if (!SyncFolder(FolderOf(target))) Log("SVTENG_CSongvault::Shutdown - Flushing the library folder failed");
    return true;
}

}  // namespace

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
