#include "utilities/drive_roots.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

std::string& MountTablePath() {
    static std::string path = "/proc/self/mounts";
    return path;
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

bool Below(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
            path[folder.size()] == '/');
}

// The mount table writes blanks, tabs, newlines and backslashes in a path as
// three octal digits behind a backslash.
std::string DecodeMountPath(std::string_view text) {
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() &&
            std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        text.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            path += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                      (text[i + 3] - '0'));
            i += 3;
        } else {
            path += text[i];
        }
    }
    return path;
}

}  // namespace

TDriveKind ClassifyMount(const std::string& mountPoint, const std::string& fsType) {
    if (OneOf(fsType, {"tmpfs", "ramfs"})) return TDriveKind::kRamDisk;
    if (OneOf(fsType, {"iso9660", "udf"})) return TDriveKind::kCD;
    if (OneOf(fsType, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                       "fuse.sshfs", "davfs", "fuse.davfs"})) {
        return TDriveKind::kNetwork;
    }
    if (OneOf(fsType, {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs",
                       "pstore", "bpf", "debugfs", "tracefs", "configfs", "fusectl", "mqueue",
                       "hugetlbfs", "autofs", "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",
                       "squashfs", "fuse.portal", "fuse.gvfsd-fuse"})) {
        return TDriveKind::kNoRoot;
    }
    // Other user-space file systems are treated like network ones: they may
    // be remote, and any of them can stall a caller that measures it.
    if (fsType == "fuse" || fsType.rfind("fuse.", 0) == 0) return TDriveKind::kNetwork;
    // The system's own mounts hold nothing a user chooses folders from.
    for (std::string_view system : {"/proc", "/sys", "/dev", "/snap", "/boot"}) {
        if (Below(mountPoint, system)) return TDriveKind::kNoRoot;
    }
    if (Below(mountPoint, "/media") || Below(mountPoint, "/run/media")) return TDriveKind::kRemovable;
    if (Below(mountPoint, "/run")) return TDriveKind::kNoRoot;
    return TDriveKind::kFixed;
}

std::vector<TDriveRoot> ListDriveRoots() {
    std::vector<TDriveRoot> roots;
    std::ifstream table(MountTablePath());
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, fsType;
        if (!(fields >> device >> mountPoint >> fsType)) continue;
        mountPoint = DecodeMountPath(mountPoint);
        const bool seen = std::any_of(roots.begin(), roots.end(),
                                      [&](const TDriveRoot& root) { return root.path == mountPoint; });
        if (!seen) {
            roots.push_back({mountPoint, ClassifyMount(mountPoint, fsType), DecodeMountPath(device), fsType});
        }
    }
    return roots;
}

void SetMountTablePath(const char* path) {
    MountTablePath() = path != nullptr && path[0] != '\0' ? path : "/proc/self/mounts";
}
