#include "mediacore/asf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "mediacore/asf_objects.h"
#include "mediacore/errors.h"
#include "mediacore/tag_temp_files.h"

namespace {

// Closes a descriptor when it goes out of scope.
class CFd {
public:
    explicit CFd(int fd) : fd_(fd) {}
    ~CFd() {
        if (fd_ >= 0) close(fd_);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    // Closes now, reporting whether the close succeeded (a write error can
    // first show here).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

bool ReadFully(int fd, std::uint8_t* out, std::size_t count) {
    while (count > 0) {
        const ssize_t got = read(fd, out, count);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteFully(int fd, const std::uint8_t* data, std::size_t count) {
    while (count > 0) {
        const ssize_t wrote = write(fd, data, count);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        data += wrote;
        count -= static_cast<std::size_t>(wrote);
    }
    return true;
}

// Copies the source from its current position to its end.
bool CopyRest(int from, int to, std::uint64_t bytes) {
    std::vector<std::uint8_t> block(1 << 16);
    while (bytes > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, block.size()));
        if (!ReadFully(from, block.data(), step) || !WriteFully(to, block.data(), step)) return false;
        bytes -= step;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Writes the new file under a temporary name; true with its name in temp.
// lock keeps the file marked as a running save until the caller is done.
bool WriteReplacement(int source, const std::string& path, std::span<const std::uint8_t> newHeader,
                      std::uint64_t restBytes, const struct stat& original, std::string& temp, CFd& lock) {
    int lockHolder = -1;
    CFd out(MakeTagTempFile(path, temp, lockHolder));
    lock.Reset(lockHolder);
    if (out.Get() < 0) return false;
    // The song keeps its owner and group where the user may give them
    // (root); otherwise it becomes the user's own, as any rewrite does.
    if (fchown(out.Get(), original.st_uid, original.st_gid) != 0) {
        if (fchown(out.Get(), static_cast<uid_t>(-1), original.st_gid) != 0) errno = 0;
    }
    const bool written = fchmod(out.Get(), original.st_mode & 07777) == 0 &&
                         WriteFully(out.Get(), newHeader.data(), newHeader.size()) &&
                         CopyRest(source, out.Get(), restBytes) && fsync(out.Get()) == 0;
    return out.Close() && written;
}

}  // namespace

HRESULT ReadAsfHeaderBytes(const std::string& path, std::vector<std::uint8_t>& header, std::uint64_t& fileSize) {
    CFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return MEDIACORE_E_FILE;
    fileSize = static_cast<std::uint64_t>(info.st_size);
    std::uint8_t head[kAsfHeaderHeadBytes];
    if (fileSize < sizeof head || !ReadFully(fd.Get(), head, sizeof head)) return MEDIACORE_E_BAD_HEADER;
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = (size << 8) | head[16 + i];
    // The header's size is the file's word; the file's length decides, and
    // no header is allowed more memory than kMaxAsfHeaderBytes.
    if (size < sizeof head || size > fileSize || size > kMaxAsfHeaderBytes) return MEDIACORE_E_BAD_HEADER;
    header.assign(head, head + sizeof head);
    header.resize(static_cast<std::size_t>(size));
    if (!ReadFully(fd.Get(), header.data() + sizeof head, header.size() - sizeof head)) return MEDIACORE_E_FILE;
    return S_OK;
}

HRESULT ReplaceAsfHeader(const std::string& givenPath, std::span<const std::uint8_t> newHeader,
                         std::span<const std::uint8_t> oldHeader, std::uint64_t fileSize) {
    // Through a link the song itself is replaced, not the link.
    char resolved[PATH_MAX];
    if (realpath(givenPath.c_str(), resolved) == nullptr) return MEDIACORE_E_FILE;
    const std::string path = resolved;
    CFd source(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (source.Get() < 0 || fstat(source.Get(), &info) != 0) return MEDIACORE_E_FILE;
    if (static_cast<std::uint64_t>(info.st_size) != fileSize || oldHeader.size() > fileSize) return MEDIACORE_E_FILE;
    std::vector<std::uint8_t> onDisk(oldHeader.size());
    if (!ReadFully(source.Get(), onDisk.data(), onDisk.size()) ||
        !std::equal(onDisk.begin(), onDisk.end(), oldHeader.begin())) {
        return MEDIACORE_E_FILE;
    }
    // Leftovers of earlier saves that were killed go first.
    RemoveStaleTagTempFiles(path);
    std::string temp;
    CFd lock(-1);
    if (!WriteReplacement(source.Get(), path, newHeader, fileSize - oldHeader.size(), info, temp, lock) ||
        rename(temp.c_str(), path.c_str()) != 0) {
        if (!temp.empty()) unlink(temp.c_str());
        return MEDIACORE_E_FILE;
    }
    // The rename reaches the disk with the folder's entry.
    CFd folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) fsync(folder.Get());
    return S_OK;
}
