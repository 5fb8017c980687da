#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <exception>
#include <fstream>

namespace {

// Most links followed before a chain counts as a loop, as the kernel counts
// them (ELOOP after 40).
constexpr int kMaxLinkHops = 40;

// The file a rewrite of path replaces: path itself, or the file that the
// symbolic link at path names in the end (which may not exist yet), so the
// link stays a link. 0, or the errno of what failed.
int FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return 0;
        std::string next(PATH_MAX, '\0');
        const ssize_t length = readlink(target.c_str(), next.data(), next.size());
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) >= next.size()) return ENAMETOOLONG;
        next.resize(static_cast<std::size_t>(length));
        // A relative link is read from the folder the link lives in.
        if (next.empty() || next[0] != '/') next = target.substr(0, target.rfind('/') + 1) + next;
        target = std::move(next);
    }
    return ELOOP;
}

// The process's umask, read without changing it (umask(2) would, for a
// moment, for every thread); from the kernel's status file, else the usual
// 022.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) != 0) continue;
        try {
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8) & 0777);
        } catch (const std::exception&) {
            break;
        }
    }
    return 022;
}

// The permissions of a file a replacement makes new.
mode_t NewFileMode(ENewFileAccess access) {
    return access == ENewFileAccess::kUserDocument ? 0666 & ~CurrentUmask() : 0600;
}

}  // namespace

int ReplaceFileContents(const std::string& givenPath, std::string_view bytes, FileWriteFunction writeFunction,
                        ENewFileAccess access) {
    if (writeFunction == nullptr) writeFunction = write;
    std::string path;
    if (const int err = FollowLinks(givenPath, path); err != 0) return err;
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    std::size_t done = 0;
    int err = 0;
    // The new file keeps the permissions of the one it replaces; a file new
    // to the folder gets those access gives.
    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : NewFileMode(access);
    if (fchmod(fd, mode) != 0) err = errno;
    while (err == 0 && done < bytes.size()) {
        const ssize_t wrote = writeFunction(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            err = wrote < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        return err;
    }
    // The rename itself reaches the disk with the folder's entry.
    if (const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return 0;
}

CFileChangeLock::CFileChangeLock(const std::string& guardedPath) {
    const std::size_t slash = guardedPath.rfind('/') + 1;
    const std::string lockPath = guardedPath.substr(0, slash) + "." + guardedPath.substr(slash) + ".lock";
    fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

CFileChangeLock::~CFileChangeLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
}
