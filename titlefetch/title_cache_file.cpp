#include "titlefetch/title_cache_file.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdint>

#include "platform/last_error.h"
#include "platform/user_folders.h"
#include "utilities/bounded_read.h"

namespace {

constexpr const char* kTitleCacheName = "cdplayer.ini";

std::atomic<FileWriteFunction> gWriteFunction{nullptr};

std::mutex& ProcessLock() {
    // Never destroyed: a worker may still use the cache while the process
    // shuts down.
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::string CachePath() {
    const std::string folder = GetUserDataDir();
    return folder.empty() ? std::string() : folder + kTitleCacheName;
}

}  // namespace

CTitleCacheAccess::CTitleCacheAccess(Purpose purpose) : processLock_(ProcessLock()), path_(CachePath()) {
    // The process's lock is taken first: threads of this process queue on it
    // rather than on the file, whose lock is one per process.
    if (purpose == Purpose::kChange && !path_.empty()) fileLock_.emplace(path_);
}

bool CTitleCacheAccess::Read(std::string& text, bool& exists) const {
    text.clear();
    exists = false;
    if (path_.empty()) return false;
    // An oversized file is refused by its size, without reading it first.
    struct stat info {};
    if (stat(path_.c_str(), &info) == 0 && static_cast<std::uint64_t>(info.st_size) > kMaxTitleCacheBytes) {
        exists = true;
        return false;
    }
    if (ReadFileBounded(path_.c_str(), kMaxTitleCacheBytes, text)) {
        exists = true;
        return true;
    }
    exists = GetLastError() != ERROR_FILE_NOT_FOUND;
    return false;
}

bool CTitleCacheAccess::Write(std::string_view text) const {
    return !path_.empty() && ReplaceFileContents(path_, text, gWriteFunction.load()) == 0;
}

void TitleCacheSetWriteFunction(FileWriteFunction write) { gWriteFunction.store(write); }
