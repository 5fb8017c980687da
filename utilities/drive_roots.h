#pragma once
// The folders a folder chooser offers at its top: the mounted file systems,
// each with the kind of drive it stands for.

#include <string>
#include <vector>

enum class TDriveKind {
    kFixed,
    kCD,
    kRemovable,
    kNetwork,
    kRamDisk,  // lives in memory only: never offered
    kNoRoot,   // a kernel or system file system, not a place for files
};

struct TDriveRoot {
    std::string path;
    TDriveKind kind = TDriveKind::kFixed;
    std::string device;  // the table's source: a device file, or a name such as "tmpfs"
    std::string fsType;
};

// The kind of a mounted file system, from its type and where it is mounted.
TDriveKind ClassifyMount(const std::string& mountPoint, const std::string& fsType);

// The mounted file systems in the order of the mount table, each mount point
// once (its first entry), with "\040"-style escapes of the table decoded.
std::vector<TDriveRoot> ListDriveRoots();

// The mount table ListDriveRoots reads; null or empty goes back to the
// system's (/proc/self/mounts). For tests.
void SetMountTablePath(const char* path);
