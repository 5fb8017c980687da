#include "mediacore/tag_temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/utf8_prefix.h"

namespace {

constexpr std::string_view kTempInfix = ".tagsave-";
// mkstemp's six replaced characters.
constexpr std::size_t kUniqueChars = 6;
// The longest name a folder entry takes (NAME_MAX on Linux file systems).
constexpr std::size_t kMaxNameBytes = 255;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Removes path when it is a regular file that nobody holds locked. The lock
// is taken before the unlink, so a save that starts meanwhile under a new
// name is not touched, and one still running keeps its file.
void RemoveIfUnlocked(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
    close(fd);
}

// The temporary name's part before its six unique characters: the song's
// name and the infix, the song's name cut on a character boundary where a
// long name would make the whole pass the longest name a folder takes.
std::string TempPrefix(const std::string& songPath) {
    const std::size_t slash = songPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view name = std::string_view(songPath).substr(nameStart);
    const std::size_t room = kMaxNameBytes - kTempInfix.size() - kUniqueChars;
    std::string prefix = songPath.substr(0, nameStart);
    prefix += name.substr(0, Utf8PrefixLength(name, room));
    prefix += kTempInfix;
    return prefix;
}

}  // namespace

int MakeTagTempFile(const std::string& songPath, std::string& temp, int& lockHolder) {
    lockHolder = -1;
    temp = TempPrefix(songPath) + std::string(kUniqueChars, 'X');
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        temp.clear();
        return -1;
    }
    // Where the file system takes no locks the save goes on unlocked: the
    // clean-up cannot lock such a file either, so it never removes it.
    lockHolder = dup(fd);
    if (lockHolder >= 0 && flock(lockHolder, LOCK_EX | LOCK_NB) != 0) {
        close(lockHolder);
        lockHolder = -1;
    }
    return fd;
}

void RemoveStaleTagTempFiles(const std::string& songPath) {
    const std::string folder = FolderOf(songPath);
    const std::string prefix = NameOf(TempPrefix(songPath));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + kUniqueChars && name.compare(0, prefix.size(), prefix) == 0) {
            RemoveIfUnlocked(folder + "/" + name);
        }
    }
}
