#include "songvault/file_trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/errors.h"

namespace songvault {

namespace {

// Where a file goes: the trash folder and how its info file names it.
struct TTrashPlace {
    std::string folder;    // holds "files" and "info"
    std::string infoPath;  // the Path= value, before escaping
};

bool Fail(const char* step, std::string_view path, int err) {
    LogFmt("SVTENG_CSongvault::DeleteSong - Cannot move to the trash (%s: %s): %.*s", step, std::strerror(err),
           static_cast<int>(path.size()), path.data());
    SetLastError(SONGVAULT_ERR_FILE_TRASH);
    return false;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return (slash == 0 || slash == std::string::npos) ? std::string("/") : path.substr(0, slash);
}

// mkdir -p, each made folder private to the user as the Trash layout asks.
bool MakeFolders(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    if (folder.size() > 1 && !MakeFolders(ParentOf(folder))) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string UserDataHome() {
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base
    // directory rules say.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return dataHome;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

// The mount point of the file system that holds path: the highest folder
// above it on the same device.
std::string TopDirOf(const std::string& path, dev_t device) {
    std::string top = ParentOf(path);
    while (top != "/") {
        const std::string parent = ParentOf(top);
        struct stat info {};
        if (stat(parent.c_str(), &info) != 0 || info.st_dev != device) break;
        top = parent;
    }
    return top;
}

// The trash for a file on another file system than the user's home trash.
bool TopDirTrash(const std::string& path, dev_t device, TTrashPlace& place) {
    const std::string top = TopDirOf(path, device);
    const std::string base = (top == "/") ? std::string() : top;
    const std::string uid = std::to_string(getuid());
    place.infoPath = path.substr(base.size() + 1);  // relative to the top folder
    // An administrator's shared .Trash counts only when it is a real folder
    // with the sticky bit: anything else could be a trap set by another user.
    struct stat shared {};
    if (lstat((base + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        place.folder = base + "/.Trash/" + uid;
        if (MakeFolders(place.folder)) return true;
    }
    place.folder = base + "/.Trash-" + uid;
    return MakeFolders(place.folder);
}

bool ChooseTrash(const std::string& path, dev_t device, TTrashPlace& place) {
    const std::string homeTrash = UserDataHome() + "/Trash";
    struct stat info {};
    if (MakeFolders(homeTrash) && stat(homeTrash.c_str(), &info) == 0 && info.st_dev == device) {
        place.folder = homeTrash;
        place.infoPath = path;
        return true;
    }
    return TopDirTrash(path, device, place);
}

// The Path= value: every byte but the unreserved ones and '/' escaped.
std::string EscapePath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) != 0 || std::strchr("-_.~/", c) != nullptr) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string InfoText(const TTrashPlace& place) {
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + EscapePath(place.infoPath) + "\nDeletionDate=" + date + "\n";
}

// The longest file name the file systems take, in bytes.
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// An extension longer than this is no extension worth keeping whole.
constexpr std::size_t kLongestKeptExtension = 16;

// The name's last UTF-8 character boundary at or before size.
std::size_t CharacterBoundary(const std::string& name, std::size_t size) {
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) --size;
    return size;
}

// The trash name for the n-th try ("name", "name.2", ...): the name cut so
// that the info file's name ("<name>.trashinfo") still fits the file
// system, keeping its extension; the part before it is shortened on a
// character boundary.
std::string TrashName(const std::string& name, int n) {
    const std::string number = (n == 1) ? std::string() : "." + std::to_string(n);
    const std::size_t room = kNameMax - kInfoSuffix.size() - number.size();
    if (name.size() <= room) return name + number;
    const std::size_t dot = name.rfind('.');
    const bool keepExtension =
        dot != std::string::npos && dot > 0 && name.size() - dot <= kLongestKeptExtension;
    const std::string extension = keepExtension ? name.substr(dot) : std::string();
    const std::size_t stemEnd = keepExtension ? dot : name.size();
    const std::size_t stem = CharacterBoundary(name, std::min(stemEnd, room - extension.size()));
    return name.substr(0, stem) + extension + number;
}

// Makes the info file under the first free name ("name", "name.2", ...);
// creating it exclusively is what reserves the name against other programs
// trashing at the same time. Returns the name, empty on failure (errno set).
std::string ReserveName(const TTrashPlace& place, const std::string& name, std::string& infoFile) {
    const std::string text = InfoText(place);
    for (int n = 1; n < 100000; ++n) {
        const std::string candidate = TrashName(name, n);
        infoFile = place.folder + "/info/" + candidate + std::string(kInfoSuffix);
        const int fd = open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const int writeErr = errno;
        const bool closed = close(fd) == 0;
        struct stat taken {};
        // A file left in "files" without its info file (a crash of some
        // program) keeps its name too.
        const bool free = lstat((place.folder + "/files/" + candidate).c_str(), &taken) != 0;
        if (written && closed && free) return candidate;
        unlink(infoFile.c_str());
        if (!written || !closed) {
            errno = written ? EIO : writeErr;
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

}  // namespace

bool MoveFileToTrash(std::string_view pathText) {
    const std::string path(pathText);
    struct stat file {};
    if (path.empty() || path[0] != '/' || path.back() == '/') return Fail("path", pathText, EINVAL);
    if (lstat(path.c_str(), &file) != 0) return Fail("stat", pathText, errno);
    TTrashPlace place;
    if (!ChooseTrash(path, file.st_dev, place)) return Fail("trash folder", pathText, errno);
    const std::string files = place.folder + "/files";
    const std::string info = place.folder + "/info";
    if ((mkdir(files.c_str(), 0700) != 0 && errno != EEXIST) || (mkdir(info.c_str(), 0700) != 0 && errno != EEXIST))
        return Fail("trash folder", pathText, errno);
    std::string infoFile;
    const std::string name = ReserveName(place, path.substr(path.find_last_of('/') + 1), infoFile);
    if (name.empty()) return Fail("info file", pathText, errno);
    if (rename(path.c_str(), (files + "/" + name).c_str()) != 0) {
        const int err = errno;
        unlink(infoFile.c_str());
        return Fail("rename", pathText, err);
    }
    return true;
}

}  // namespace songvault
