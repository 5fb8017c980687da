#include "songsmith/system/fixed_drives.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/tick.h"
#include "platform/user_folders.h"
#include "utilities/drive_roots.h"
#include "utilities/file_system.h"

namespace {

std::mutex gProbeLock;
TFixedDriveProbe gProbe;

bool IsWritableFolder(const std::string& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(folder.c_str(), W_OK) == 0;
}

std::vector<std::string> DefaultUserFolders() {
    std::vector<std::string> folders;
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') folders.push_back(home);
    if (std::string cache = GetUserCacheDir(); !cache.empty()) folders.push_back(cache);
    return folders;
}

// The probe with every empty member filled by the real one.
TFixedDriveProbe CurrentProbe() {
    TFixedDriveProbe probe;
    {
        std::lock_guard guard(gProbeLock);
        probe = gProbe;
    }
    if (!probe.writable) probe.writable = IsWritableFolder;
    if (!probe.freeKB) probe.freeKB = [](const std::string& folder) { return GetKBFree(folder.c_str()); };
    if (!probe.nowMs) probe.nowMs = [] { return SteadyMilliseconds(); };
    if (probe.userFolders.empty()) probe.userFolders = DefaultUserFolders();
    return probe;
}

bool IsBelow(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

// The mount point path lies on: the longest one above it.
std::string MountOf(const std::string& path, const std::vector<TDriveRoot>& mounts) {
    std::string best;
    for (const TDriveRoot& mount : mounts) {
        if (IsBelow(path, mount.path) && mount.path.size() > best.size()) best = mount.path;
    }
    return best;
}

std::string RootOf(const TDriveRoot& mount, const std::vector<TDriveRoot>& mounts,
                   const TFixedDriveProbe& probe) {
    if (probe.writable(mount.path)) return mount.path;
    for (const std::string& folder : probe.userFolders) {
        if (MountOf(folder, mounts) == mount.path) return folder;
    }
    return {};
}

std::vector<std::string> FixedRoots(const TFixedDriveProbe& probe) {
    const std::vector<TDriveRoot> mounts = ListDriveRoots();
    std::vector<std::string> roots;
    std::vector<std::string> devices;
    for (const TDriveRoot& mount : mounts) {
        if (mount.kind != TDriveKind::kFixed || mount.device.rfind("/dev/", 0) != 0) continue;
        // A device mounted again elsewhere (a bind mount) is the same drive.
        if (std::find(devices.begin(), devices.end(), mount.device) != devices.end()) continue;
        std::string root = RootOf(mount, mounts, probe);
        if (root.empty()) continue;
        devices.push_back(mount.device);
        roots.push_back(std::move(root));
    }
    return roots;
}

// Calls visit with each drive's index and root while the budget lasts and
// visit asks for more.
template <typename Visit>
void VisitFixedDrives(Visit visit) {
    const TFixedDriveProbe probe = CurrentProbe();
    const std::int64_t start = probe.nowMs();
    const std::vector<std::string> roots = FixedRoots(probe);
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (probe.nowMs() - start >= kDriveVisitBudgetMs) return;
        if (!visit(static_cast<int>(i), roots[i], probe)) return;
    }
}

}  // namespace

void SetFixedDriveProbe(TFixedDriveProbe probe) {
    std::lock_guard guard(gProbeLock);
    gProbe = std::move(probe);
}

std::vector<std::string> ListFixedDriveRoots() { return FixedRoots(CurrentProbe()); }

double GetTotalHardDiskFreeKB() {
    double total = 0;
    VisitFixedDrives([&](int, const std::string& root, const TFixedDriveProbe& probe) {
        total += probe.freeKB(root);
        return true;
    });
    return total;
}

int CountFixedDrives() {
    int count = 0;
    VisitFixedDrives([&](int, const std::string&, const TFixedDriveProbe&) {
        ++count;
        return true;
    });
    return count;
}

int FindFixedDriveWithSpace(double neededKB, std::string& root, int afterIndex) {
    int found = -1;
    VisitFixedDrives([&](int index, const std::string& driveRoot, const TFixedDriveProbe& probe) {
        if (index <= afterIndex || probe.freeKB(driveRoot) <= neededKB) return true;
        found = index;
        root = driveRoot;
        return false;
    });
    return found;
}
