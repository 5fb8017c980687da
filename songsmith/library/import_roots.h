#pragma once
// Where the library import looks on this system: the roots it searches (the
// home folder and the mounted file systems that hold the user's files, never
// the whole root file system), and the folder patterns its first run tries
// below each of them to find the folders that hold songs.

#include <string>
#include <string_view>
#include <vector>

#include "utilities/drive_roots.h"

struct TImportRoot {
    std::string path;  // ends in '/'
    TDriveKind kind = TDriveKind::kFixed;
    // Searched whole by the import's walk of the computer: false for a root
    // that lies inside another root, which that root's walk covers.
    bool walk = true;
};

// How the import treats a root of a kind.
enum class EImportRootUse {
    kLocal,    // searched like a fixed disk
    kNetwork,  // searched only when network drives are asked for
    kNever,    // removable media, memory and system mounts
};
EImportRootUse ImportRootUse(TDriveKind kind);

// The home folder (a fixed root) first, then each mount point of the mount
// table other than "/" and the home folder, with its kind.
std::vector<TImportRoot> ListImportRoots(const std::string& home);

// The user's home folder without a trailing '/'.
std::string HomeFolder();

// The folder patterns of the first run, searched below each root; a '*'
// matches any part of one folder name.
const std::vector<std::string_view>& ImportFolderPatterns();

// Whether name matches pattern: '*' stands for any run of characters within
// the name, letters compare without regard to case.
bool MatchesFolderPattern(std::string_view pattern, std::string_view name);

// The folders directly below base (ending in '/') whose names match pattern,
// each with a trailing '/', in name order; names beginning with '.' are
// left out.
std::vector<std::string> MatchingFolders(const std::string& base, std::string_view pattern);
