#include "songvault/import_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <memory>

namespace songvault {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Classifies an entry whose type readdir did not settle (a link, or a file
// system that reports no types) by what it points to.
bool ClassifyByStat(const std::string& path, TFolderItem& item) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        item.isFolder = true;
        return true;
    }
    return S_ISREG(info.st_mode);
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<TFolderItem>& items) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return false;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        TFolderItem item{std::string(name), false};
        bool keep = false;
        switch (entry->d_type) {
            case DT_REG: keep = true; break;
            case DT_DIR: keep = item.isFolder = true; break;
            case DT_LNK:
            case DT_UNKNOWN: keep = ClassifyByStat(folder + item.name, item); break;
            default: break;
        }
        if (keep) items.push_back(std::move(item));
    }
    std::sort(items.begin(), items.end(), [](const TFolderItem& a, const TFolderItem& b) { return a.name < b.name; });
    return true;
}

bool IsPseudoFileSystem(const std::string& folder) {
    // f_type magic numbers of <linux/magic.h>: proc, sysfs, devpts, debugfs,
    // tracefs, securityfs, cgroup, cgroup2, pstore, bpf, configfs, fusectl,
    // mqueue, binfmt_misc, efivarfs, selinuxfs.
    constexpr std::array<unsigned long, 16> kPseudoTypes{
        0x9fa0,     0x62656572, 0x1cd1,     0x64626720, 0x74726163, 0x73636673, 0x27e0eb,   0x63677270,
        0x6165676c, 0xcafe4a11, 0x62656570, 0x65735543, 0x19800202, 0x42494e4d, 0xde5e81e4, 0xf97cff8c};
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0) return false;
    const auto type = static_cast<unsigned long>(info.f_type);
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

}  // namespace songvault
