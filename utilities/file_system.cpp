#include "utilities/file_system.h"

#include <dirent.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/tick.h"
#include "platform/user_folders.h"
#include "utilities/text_copy.h"

using textcopy::CopyTextCut;

namespace {

// How long LogCurrentHardDriveSpace may take at most.
constexpr std::int64_t kDriveSpaceLogLimitMs = 20000;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The path itself when it exists, else the nearest folder above it that
// does ("." for a relative path none of whose folders exist).
std::string NearestExisting(std::string path) {
    struct stat st {};
    while (stat(path.c_str(), &st) != 0) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) return ".";
        if (slash == 0) return "/";
        path.resize(slash);
    }
    return path;
}

// File-system types (statfs(2) f_type) whose files do not live on a local
// disk: network file systems, optical discs, and user-space mounts, which
// are mostly remote (sshfs and the like).
bool IsRemoteType(std::int64_t type) {
    // GPFS and Lustre are not in <linux/magic.h>; these are the values that
    // their kernel modules report.
    static constexpr std::uint32_t kGpfsSuperMagic = 0x47504653;
    static constexpr std::uint32_t kLustreSuperMagic = 0x0BD00BD0;
    static constexpr std::uint32_t kRemoteTypes[] = {
        NFS_SUPER_MAGIC,  SMB_SUPER_MAGIC,   CIFS_SUPER_MAGIC, SMB2_SUPER_MAGIC,  NCP_SUPER_MAGIC,
        CODA_SUPER_MAGIC, AFS_SUPER_MAGIC,   AFS_FS_MAGIC,     V9FS_MAGIC,        CEPH_SUPER_MAGIC,
        kGpfsSuperMagic,  kLustreSuperMagic, FUSE_SUPER_MAGIC, ISOFS_SUPER_MAGIC, UDF_SUPER_MAGIC,
    };
    const auto t = static_cast<std::uint32_t>(type);
    for (std::uint32_t remote : kRemoteTypes) {
        if (t == remote) return true;
    }
    return false;
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in paths
// as three-digit octal escapes.
std::string DecodeMountPath(std::string_view field) {
    std::string path;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            path += static_cast<char>(value);
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

// The root, every local disk mounted from a device, and the home folder.
std::vector<std::string> DriveSpaceCandidates() {
    std::vector<std::string> candidates{"/"};
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, mountPoint, type;
        if (!(fields >> source >> mountPoint >> type)) continue;
        if (source.rfind("/dev/", 0) != 0) continue;  // proc, tmpfs, cgroups and the like
        candidates.push_back(DecodeMountPath(mountPoint));
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        candidates.emplace_back(home);
    }
    return candidates;
}

}  // namespace

int HasSubDir(const char* folder, char* out, std::size_t size) {
    if (out != nullptr && size > 0) out[0] = '\0';
    if (folder == nullptr || folder[0] == '\0') return 0;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder), closedir);
    if (!listing) return 0;
    std::string base(folder);
    if (base.back() != '/') base += '/';
    while (const dirent* entry = readdir(listing.get())) {
        if (entry->d_name[0] == '.') continue;
        // Not every file system tells the entry's type, and a link to a
        // folder counts as a folder.
        const bool maybeFolder = entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK;
        if (entry->d_type != DT_DIR && !(maybeFolder && IsFolder(base + entry->d_name))) continue;
        const std::size_t len = std::strlen(entry->d_name);
        // A cut name would name another folder.
        if (out != nullptr && len < size) std::memcpy(out, entry->d_name, len + 1);
        return 1;
    }
    return 0;
}

int GetExeDirectory(char* out, int size) {
    if (out == nullptr || size < 1) return 0;
    out[0] = '\0';
    const std::string folder = GetExecutableDir();
    if (folder.empty()) return 0;
    char longName[PATH_MAX] = "";
    GetLongPathNameSafe(folder.c_str(), longName, sizeof(longName));
    const std::string_view result = longName[0] != '\0' ? std::string_view(longName) : folder;
    if (result.size() + 1 > static_cast<std::size_t>(size)) return 0;  // never a cut path
    std::memcpy(out, result.data(), result.size());
    out[result.size()] = '\0';
    return 1;
}

void GetLongPathNameSafe(const char* in, char* out, int size) {
    if (in == nullptr || out == nullptr || in[0] == '\0' || size < 1) return;
    out[0] = '\0';
    std::string path(in);
    if (path.size() >= PATH_MAX) return;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode) && path.back() != '/') path += '/';
    if (path.size() + 1 > static_cast<std::size_t>(size)) return;
    std::memcpy(out, path.c_str(), path.size() + 1);
}

int CreateMultiLevelDir(const char* path) {
    // A copy: callers pass literals and shared strings.
    const std::string p = path != nullptr ? path : "";
    if (p.empty() || p[0] != '/') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (std::size_t slash = p.find('/', 1); slash != std::string::npos;
         slash = p.find('/', slash + 1)) {
        const std::string level = p.substr(0, slash + 1);
        if (IsFolder(level)) continue;
        if (mkdir(level.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(level))) {
            SetLastErrorFromErrno(errno);
            return 0;
        }
    }
    return 1;
}

int IsValidDirectory(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    return IsFolder(path) ? 1 : 0;
}

namespace {

bool StatfsType(const char* path, std::int64_t* type) {
    struct statfs fs {};
    if (statfs(path, &fs) != 0) return false;
    *type = static_cast<std::int64_t>(fs.f_type);
    return true;
}

std::atomic<FileSystemTypeFunction> gFileSystemType{nullptr};

}  // namespace

void SetFileSystemTypeFunction(FileSystemTypeFunction function) {
    gFileSystemType.store(function);
}

int IsOnLocalHardDrive(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    FileSystemTypeFunction typeOf = gFileSystemType.load();
    if (typeOf == nullptr) typeOf = StatfsType;
    std::int64_t type = 0;
    if (!typeOf(NearestExisting(path).c_str(), &type)) return 0;
    return IsRemoteType(type) ? 0 : 1;
}

double GetKBFree(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0.0;
    struct statvfs fs {};
    if (statvfs(NearestExisting(path).c_str(), &fs) != 0) return 0.0;
    return static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize) * 0.001;
}

void LogCurrentHardDriveSpace() {
    if (!LoggingNow()) return;
    const std::int64_t start = SteadyMilliseconds();
    std::vector<dev_t> logged;
    for (const std::string& folder : DriveSpaceCandidates()) {
        if (SteadyMilliseconds() - start >= kDriveSpaceLogLimitMs) break;
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0 || !IsOnLocalHardDrive(folder.c_str())) continue;
        bool seen = false;
        for (dev_t device : logged) seen = seen || device == st.st_dev;
        if (seen) continue;
        logged.push_back(st.st_dev);
        LogFmt("%s has %0.2f MB free.", folder.c_str(), GetKBFree(folder.c_str()) * 0.001);
    }
}

void ValidateFileName(const char* in, char* out, std::size_t size, char replacement) {
    if (out == nullptr || size == 0) return;
    std::string name = in != nullptr ? in : "";
    for (char& c : name) {
        if (std::strchr("/\\:*?\"<>|", c) != nullptr) c = replacement;
    }
    CopyTextCut(name, out, size);
}

int BadIntelAppAcceleratorInstalled() {
    return 0;
}
