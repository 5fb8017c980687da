#include "tonecore/tags/file_head_rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "platform/last_error.h"

namespace {

// Audio is copied in pieces of this size.
constexpr std::size_t kCopyChunkBytes = 1 << 20;

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, bytes, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// Copies the source from offset `from` to its end into out.
bool CopyTail(int source, std::uint64_t from, int out) {
    if (::lseek(source, static_cast<off_t>(from), SEEK_SET) < 0) return false;
    std::vector<std::uint8_t> chunk(kCopyChunkBytes);
    for (;;) {
        const ssize_t got = ::read(source, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(out, chunk.data(), static_cast<std::size_t>(got))) return false;
    }
}

struct TFd {
    int fd = -1;
    ~TFd() {
        if (fd >= 0) ::close(fd);
    }
};

bool Fail(int err, const std::string& tempPath) {
    if (!tempPath.empty()) ::unlink(tempPath.c_str());
    SetLastErrorFromErrno(err);
    return false;
}

// Writes the new file into a temporary beside `target`; its path, empty on
// failure (errno set).
std::string WriteReplacement(const std::string& target, std::uint64_t oldHeadBytes,
                             std::span<const std::uint8_t> newHead) {
    TFd source;
    source.fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (source.fd < 0) return {};
    struct stat info {};
    if (::fstat(source.fd, &info) != 0) return {};
    if (oldHeadBytes > static_cast<std::uint64_t>(info.st_size)) oldHeadBytes = static_cast<std::uint64_t>(info.st_size);

    std::string temp = target + ".tagXXXXXX";
    TFd out;
    out.fd = ::mkstemp(temp.data());
    if (out.fd < 0) return {};
    const bool ok = ::fchmod(out.fd, info.st_mode & 07777) == 0 && WriteAll(out.fd, newHead.data(), newHead.size()) &&
                    CopyTail(source.fd, oldHeadBytes, out.fd) && ::fsync(out.fd) == 0;
    if (!ok) {
        const int err = errno;
        ::unlink(temp.c_str());
        errno = err;
        return {};
    }
    return temp;
}

}  // namespace

bool ReplaceFileHead(CFileObj& file, std::uint64_t oldHeadBytes, std::span<const std::uint8_t> newHead) {
    // The rename must replace the file itself, not a link that points at it.
    char resolved[PATH_MAX];
    if (::realpath(file.FilePath(), resolved) == nullptr) return Fail(errno, {});
    const std::string target = resolved;
    const std::string reopenPath = file.FilePath();

    const std::string temp = WriteReplacement(target, oldHeadBytes, newHead);
    if (temp.empty()) return Fail(errno != 0 ? errno : EIO, {});
    if (::rename(temp.c_str(), target.c_str()) != 0) return Fail(errno, temp);

    file.Close();
    if (!file.Open(reopenPath.c_str(), 0, 1)) return false;
    return file.Seek(static_cast<std::int64_t>(newHead.size()), 0) != 0;
}
