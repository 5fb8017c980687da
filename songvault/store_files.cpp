#include "songvault/store_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "platform/last_error.h"

namespace songvault {

namespace {

bool Exists(const std::string& path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0;
}

// The store's file first, then its companions.
std::vector<std::string> SetSuffixes() {
    std::vector<std::string> suffixes{""};
    for (const char* suffix : kCompanionSuffixes) suffixes.emplace_back(suffix);
    return suffixes;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// A name for the set that no file of the set has yet.
std::string FreeAsideName(const std::string& storePath, const char* why) {
    const std::string stem = storePath + "." + why + "-" + TimeStamp();
    for (int n = 0;; ++n) {
        const std::string candidate = (n == 0) ? stem : stem + "-" + std::to_string(n);
        bool taken = false;
        for (const std::string& suffix : SetSuffixes()) taken = taken || Exists(candidate + suffix);
        if (!taken) return candidate;
    }
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    const bool synced = fsync(fd) == 0;
    if (!synced) SetLastErrorFromErrno(errno);
    close(fd);
    return synced;
}

}  // namespace

std::int64_t FileSize(const std::string& path) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return -1;
    return st.st_size;
}

bool CompanionsHoldData(const std::string& storePath) {
    for (const char* suffix : kCompanionSuffixes) {
        if (FileSize(storePath + suffix) > 0) return true;
    }
    return false;
}

bool DeleteStoreFiles(const std::string& storePath) {
    bool gone = true;
    for (const std::string& suffix : SetSuffixes()) {
        if (unlink((storePath + suffix).c_str()) != 0 && errno != ENOENT) {
            SetLastErrorFromErrno(errno);
            gone = false;
        }
    }
    return gone;
}

namespace {

// Renames the files of the set named by suffixes from one stem to the other;
// on a failure those already renamed go back.
bool RenameSet(const std::string& from, const std::string& to, const std::vector<std::string>& suffixes) {
    for (const std::string& suffix : suffixes) {
        if (!Exists(from + suffix)) continue;
        if (std::rename((from + suffix).c_str(), (to + suffix).c_str()) != 0) {
            SetLastErrorFromErrno(errno);
            for (const std::string& back : suffixes) {
                if (Exists(to + back)) std::rename((to + back).c_str(), (from + back).c_str());
            }
            return false;
        }
    }
    SyncFolder(FolderOf(from));
    return true;
}

std::vector<std::string> CompanionSuffixes() {
    return {std::begin(kCompanionSuffixes), std::end(kCompanionSuffixes)};
}

}  // namespace

bool MoveStoreAside(const std::string& storePath, const char* why, std::string& aside) {
    aside = FreeAsideName(storePath, why);
    return RenameSet(storePath, aside, SetSuffixes());
}

void PutStoreBack(const std::string& aside, const std::string& storePath) {
    for (const std::string& suffix : SetSuffixes()) {
        if (Exists(aside + suffix)) std::rename((aside + suffix).c_str(), (storePath + suffix).c_str());
    }
}

bool LinkStoreAside(const std::string& storePath, const char* why, std::string& aside) {
    aside = FreeAsideName(storePath, why);
    if (Exists(storePath) && link(storePath.c_str(), aside.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (RenameSet(storePath, aside, CompanionSuffixes())) return true;
    unlink(aside.c_str());
    return false;
}

void UnlinkStoreAside(const std::string& aside, const std::string& storePath) {
    RenameSet(aside, storePath, CompanionSuffixes());
    unlink(aside.c_str());
}

bool SyncFile(const std::string& path) { return SyncPath(path, O_RDONLY); }

bool SyncFolder(const std::string& folder) { return SyncPath(folder, O_RDONLY | O_DIRECTORY); }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return (slash == std::string::npos) ? std::string("./") : path.substr(0, slash + 1);
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    struct stat first{};
    struct stat second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && S_ISDIR(first.st_mode) &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace songvault
