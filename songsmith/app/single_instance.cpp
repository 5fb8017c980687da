#include "songsmith/app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/user_folders.h"

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string MadeFolder(const std::string& folder) {
    return MakeFolderPath(folder) ? WithSlash(folder) : std::string();
}

}  // namespace

std::string SingleInstanceLockFolder() {
    if (const char* home = std::getenv("SONGSMITH_HOME"); home != nullptr && *home != '\0')
        return MadeFolder(home);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
        if (std::string folder = MadeFolder(WithSlash(runtime) + "songsmith"); !folder.empty()) return folder;
    }
    return GetUserCacheDir();
}

CSingleInstanceLock::~CSingleInstanceLock() { Release(); }

bool CSingleInstanceLock::Acquire(const std::string& path) {
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        // Only another holder makes this a second instance; a file system
        // without locks must not keep the program from running.
        return !taken;
    }
    fd_ = fd;
    return true;
}

void CSingleInstanceLock::Release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

void CleanUpAsSecondInstance() {
    const std::string cache = GetUserCacheDir();
    if (cache.empty()) return;
    std::remove((cache + kSecondInstanceTempFile).c_str());
}
