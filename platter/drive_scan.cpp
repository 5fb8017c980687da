#include "platter/drive_scan.h"

#include <cdio/cdio.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "filekit/log.h"

namespace {

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "sr10" after "sr9": the letters, then the number's value.
bool NodeOrder(const TDriveNode& a, const TDriveNode& b) {
    const auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits), number.empty() ? -1L : std::strtol(number.c_str(), nullptr, 10));
    };
    return split(a.name) < split(b.name);
}

// The first line of a small sysfs file, blanks trimmed at both ends.
std::string SysfsText(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// The device link of a block device ends in "host:channel:target:lun".
bool ReadAddress(const std::string& deviceLink, TDriveNode& node) {
    const std::string scsi = BaseName(RealPath(deviceLink));
    long parts[4];
    const char* at = scsi.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        parts[i] = std::strtol(at, &end, 10);
        if (end == at || parts[i] < 0 || parts[i] > INT32_MAX || (i < 3 ? *end != ':' : *end != '\0')) return false;
        at = end + 1;
    }
    node.host = static_cast<std::int32_t>(parts[0]);
    node.target = static_cast<std::int32_t>(parts[2]);
    node.lun = static_cast<std::int32_t>(parts[3]);
    return true;
}

std::string OwningGroup(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return "";
    const struct group* owner = getgrgid(info.st_gid);
    return owner != nullptr ? owner->gr_name : "";
}

int OpenProbe(const std::string& path) {
    // Non-blocking: the open neither waits for a disc nor spins one up.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    close(fd);
    return 0;
}

}  // namespace

std::string NoAccessText(const std::string& node, const std::string& group) {
    return "The CD drive " + node + " cannot be opened: permission denied. Add the user to the \"" +
           (group.empty() ? std::string("cdrom") : group) + "\" group and log in again.";
}

TDriveScan ScanDriveNodes(const std::vector<std::string>& nodes, const std::string& sysRoot, const TNodeProbe& probe) {
    TDriveScan scan;
    std::set<std::string> seen;
    std::vector<TDriveNode> found;
    for (const std::string& path : nodes) {
        // /dev/cdrom and /dev/sr0 are one drive.
        TDriveNode node;
        node.path = path;
        node.name = BaseName(RealPath(path));
        if (!seen.insert(node.name).second) continue;
        found.push_back(node);
    }
    std::sort(found.begin(), found.end(), NodeOrder);
    for (TDriveNode& node : found) {
        const int error = probe(node.path);
        if (error == EACCES || error == EPERM) {
            scan.refusedNodes.push_back(node.path);
            scan.refusedGroups.push_back(OwningGroup(node.path));
            continue;
        }
        if (error != 0) {
            LogFmt("PLATTER_CPlatter::InitializeASPILayer - %s left out (error %d)", node.path.c_str(), error);
            continue;
        }
        const std::string device = sysRoot + "/class/block/" + node.name + "/device";
        node.addressKnown = ReadAddress(device, node);
        node.vendor = SysfsText(device + "/vendor");
        node.product = SysfsText(device + "/model");
        node.revision = SysfsText(device + "/rev");
        scan.drives.push_back(node);
    }
    return scan;
}

TDriveScan ScanOpticalDrives(const std::string& sysRoot) {
    std::vector<std::string> nodes;
    char** list = cdio_get_devices(DRIVER_LINUX);
    for (char** at = list; at != nullptr && *at != nullptr; ++at) nodes.emplace_back(*at);
    cdio_free_device_list(list);
    // libcdio lists only nodes it could open; the kernel's optical drives
    // are added so a refused one can still be named.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sysRoot + "/class/block", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("sr", 0) == 0) nodes.push_back("/dev/" + name);
    }
    return ScanDriveNodes(nodes, sysRoot, OpenProbe);
}
