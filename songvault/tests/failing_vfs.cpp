#include "songvault/tests/failing_vfs.h"

#include <sqlite3.h>

#include <cstring>
#include <mutex>

namespace svtest {

namespace {

struct Faults {
    std::mutex lock;
    std::string prefix;
    bool armed = false;
    int goodWritesLeft = 0;
    int failed = 0;
    // Write-ahead logs under the prefix written since their last sync.
    int unsyncedLogs = 0;
};

Faults& TheFaults() {
    static Faults faults;
    return faults;
}

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;

// The engine's file handle for a file of this layer: our methods first, the
// system layer's own handle right behind.
struct WrappedFile {
    const sqlite3_io_methods* methods;
    sqlite3_file* real;
    bool watched;
    bool log;      // a write-ahead log
    bool unsynced;  // written since its last sync
};

WrappedFile* Wrapped(sqlite3_file* file) { return reinterpret_cast<WrappedFile*>(file); }

// Notes a watched log's writes and syncs.
void MarkLog(sqlite3_file* file, bool unsynced) {
    WrappedFile* wrapped = Wrapped(file);
    if (!wrapped->watched || !wrapped->log || wrapped->unsynced == unsynced) return;
    wrapped->unsynced = unsynced;
    std::lock_guard guard(TheFaults().lock);
    TheFaults().unsyncedLogs += unsynced ? 1 : -1;
}

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<WrappedFile*>(file)->real; }

bool RefuseWrite(sqlite3_file* file) {
    if (!reinterpret_cast<WrappedFile*>(file)->watched) return false;
    Faults& faults = TheFaults();
    std::lock_guard guard(faults.lock);
    if (!faults.armed) return false;
    if (faults.goodWritesLeft > 0) {
        --faults.goodWritesLeft;
        return false;
    }
    ++faults.failed;
    return true;
}

int Close(sqlite3_file* f) {
    MarkLog(f, false);
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Real(f)->pMethods->xRead(Real(f), b, n, o); }
int Write(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    if (RefuseWrite(f)) return SQLITE_FULL;
    MarkLog(f, true);
    return Real(f)->pMethods->xWrite(Real(f), b, n, o);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); }
int Sync(sqlite3_file* f, int flags) {
    const int rc = Real(f)->pMethods->xSync(Real(f), flags);
    if (rc == SQLITE_OK) MarkLog(f, false);
    return rc;
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return Real(f)->pMethods->xShmMap(Real(f), page, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) { return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags); }
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }
// Memory-mapped reads are refused, so every page comes through Read.
int Fetch(sqlite3_file*, sqlite3_int64, int, void** out) {
    *out = nullptr;
    return SQLITE_OK;
}
int Unfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

const sqlite3_io_methods kMethods = {
    3,        Close,   Read,   Write,       Truncate, Sync,       FileSize,  Lock,  Unlock, CheckReservedLock,
    FileControl, SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* wrapped = reinterpret_cast<WrappedFile*>(file);
    wrapped->methods = nullptr;
    wrapped->real = reinterpret_cast<sqlite3_file*>(wrapped + 1);
    {
        Faults& faults = TheFaults();
        std::lock_guard guard(faults.lock);
        wrapped->watched = name != nullptr && !faults.prefix.empty() &&
                           std::strncmp(name, faults.prefix.c_str(), faults.prefix.size()) == 0;
    }
    wrapped->log = (flags & SQLITE_OPEN_WAL) != 0;
    wrapped->unsynced = false;
    const int rc = g_base->xOpen(g_base, name, wrapped->real, flags, outFlags);
    if (rc == SQLITE_OK) wrapped->methods = &kMethods;
    return rc;
}

}  // namespace

FailingVfs::FailingVfs() {
    g_base = sqlite3_vfs_find(nullptr);
    g_vfs = *g_base;
    g_vfs.zName = "songvault-test-failing";
    g_vfs.szOsFile = static_cast<int>(sizeof(WrappedFile)) + g_base->szOsFile;
    g_vfs.xOpen = Open;
    g_vfs.pNext = nullptr;
    sqlite3_vfs_register(&g_vfs, 1);
}

FailingVfs::~FailingVfs() {
    sqlite3_vfs_unregister(&g_vfs);
    sqlite3_vfs_register(g_base, 1);
    Heal();
    std::lock_guard guard(TheFaults().lock);
    TheFaults().prefix.clear();
}

void FailingVfs::FailWritesUnder(const std::string& prefix, int goodWrites) {
    Faults& faults = TheFaults();
    std::lock_guard guard(faults.lock);
    faults.prefix = prefix;
    faults.armed = true;
    faults.goodWritesLeft = goodWrites;
    faults.failed = 0;
}

void FailingVfs::WatchUnder(const std::string& prefix) {
    Faults& faults = TheFaults();
    std::lock_guard guard(faults.lock);
    faults.prefix = prefix;
}

int FailingVfs::UnsyncedLogs() const {
    std::lock_guard guard(TheFaults().lock);
    return TheFaults().unsyncedLogs;
}

void FailingVfs::Heal() {
    std::lock_guard guard(TheFaults().lock);
    TheFaults().armed = false;
}

int FailingVfs::FailedWrites() const {
    std::lock_guard guard(TheFaults().lock);
    return TheFaults().failed;
}

}  // namespace svtest
