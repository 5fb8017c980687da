#include "tonecore/tags/file_head_rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Copies the source's bytes from offset `from` up to offset `to` into out.
bool CopyMiddle(int source, std::uint64_t from, std::uint64_t to, int out) {
    if (::lseek(source, static_cast<off_t>(from), SEEK_SET) < 0) return false;
    std::vector<std::uint8_t> chunk(kCopyChunkBytes);
    std::uint64_t left = to > from ? to - from : 0;
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        const ssize_t got = ::read(source, chunk.data(), want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        // The file shrank under the copy: what is missing is not invented.
        if (got == 0) {
            errno = EIO;
            return false;
        }
        if (!WriteAll(out, chunk.data(), static_cast<std::size_t>(got))) return false;
        left -= static_cast<std::uint64_t>(got);
    }
    return true;
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
// failure (errno set). The temporary takes the file's mode and, as far as the
// user may give it, its owner and group.
std::string WriteReplacement(const std::string& target, TFileRewrite rewrite) {
    TFd source;
    source.fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (source.fd < 0) return {};
    struct stat info {};
    if (::fstat(source.fd, &info) != 0) return {};
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t headEnd = std::min(rewrite.oldHeadBytes, size);
    const std::uint64_t tailStart = size - std::min(rewrite.oldTailBytes, size - headEnd);

    std::string temp = target + ".tagXXXXXX";
    TFd out;
    out.fd = ::mkstemp(temp.data());
    if (out.fd < 0) return {};
    // Another owner is kept where the user may give files away (root); a
    // user who may not still gets the song, as their own.
    if (::fchown(out.fd, info.st_uid, info.st_gid) != 0 && ::fchown(out.fd, static_cast<uid_t>(-1), info.st_gid) != 0) {
        errno = 0;
    }
    const bool ok = ::fchmod(out.fd, info.st_mode & 07777) == 0 &&
                    WriteAll(out.fd, rewrite.newHead.data(), rewrite.newHead.size()) &&
                    CopyMiddle(source.fd, headEnd, tailStart, out.fd) &&
                    WriteAll(out.fd, rewrite.newTail.data(), rewrite.newTail.size()) && ::fsync(out.fd) == 0;
    if (!ok) {
        const int err = errno;
        ::unlink(temp.c_str());
        errno = err;
        return {};
    }
    return temp;
}

}  // namespace

bool RewriteFileEnds(CFileObj& file, const TFileRewrite& rewrite) {
    // The rename must replace the file itself, not a link that points at it.
    char resolved[PATH_MAX];
    if (::realpath(file.FilePath(), resolved) == nullptr) return Fail(errno, {});
    const std::string target = resolved;
    const std::string reopenPath = file.FilePath();

    errno = 0;
    const std::string temp = WriteReplacement(target, rewrite);
    if (temp.empty()) return Fail(errno != 0 ? errno : EIO, {});
    if (::rename(temp.c_str(), target.c_str()) != 0) return Fail(errno, temp);

    file.Close();
    if (!file.Open(reopenPath.c_str(), 0, 1)) return false;
    return file.Seek(static_cast<std::int64_t>(rewrite.newHead.size()), 0) != 0;
}

bool ReplaceFileHead(CFileObj& file, std::uint64_t oldHeadBytes, std::span<const std::uint8_t> newHead) {
    return RewriteFileEnds(file, TFileRewrite{oldHeadBytes, newHead, 0, {}});
}
