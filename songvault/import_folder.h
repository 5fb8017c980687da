#pragma once
// Reading one folder for the import: its song-sized entries, sorted by name.

#include <string>
#include <vector>

namespace songvault {

struct TFolderItem {
    std::string name;
    bool isFolder = false;  // else a regular file
};

// The folder's sub-folders and regular files in byte order of their names
// (symbolic links count as what they point to; dangling ones, devices,
// pipes and sockets are left out). False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<TFolderItem>& items);

// Whether the folder lies on a file system of the kernel's own making
// (proc, sysfs, debugfs and the like): its "files" are no songs, and some
// of them block or never end when read.
bool IsPseudoFileSystem(const std::string& folder);

}  // namespace songvault
