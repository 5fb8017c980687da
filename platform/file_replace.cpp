#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

int ReplaceFileContents(const std::string& path, std::string_view bytes, FileWriteFunction writeFunction) {
    if (writeFunction == nullptr) writeFunction = write;
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    std::size_t done = 0;
    int err = 0;
    while (done < bytes.size()) {
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
