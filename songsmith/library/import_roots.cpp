#include "songsmith/library/import_roots.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>


namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool AtOrBelow(const std::string& path, const std::string& folder) {
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

EImportRootUse ImportRootUse(TDriveKind kind) {
    switch (kind) {
        case TDriveKind::kFixed:
        case TDriveKind::kCD: return EImportRootUse::kLocal;
        case TDriveKind::kNetwork: return EImportRootUse::kNetwork;
        default: return EImportRootUse::kNever;
    }
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
    return "/";
}

std::vector<TImportRoot> ListImportRoots(const std::string& home) {
    std::vector<TImportRoot> roots;
    const std::string homeRoot = WithSlash(home);
    // Without a home of its own ("/") there is no home root: the root file
    // system is never searched whole.
    if (homeRoot != "/") roots.push_back({homeRoot, TDriveKind::kFixed, true});
    for (const TDriveRoot& mount : ListDriveRoots()) {
        const std::string path = WithSlash(mount.path);
        if (path == "/" || path == homeRoot) continue;
        roots.push_back({path, mount.kind, true});
    }
    // A root inside another one that is searched is covered by that one's
    // walk (the home folder on a mounted /home, a disk mounted in the home).
    for (TImportRoot& root : roots) {
        root.walk = std::none_of(roots.begin(), roots.end(), [&](const TImportRoot& other) {
            return &other != &root && ImportRootUse(other.kind) == ImportRootUse(root.kind) &&
                   ImportRootUse(other.kind) != EImportRootUse::kNever && other.path != root.path &&
                   AtOrBelow(root.path, other.path);
        });
    }
    return roots;
}

const std::vector<std::string_view>& ImportFolderPatterns() {
    static const std::vector<std::string_view> patterns = {
        "*Music*", "*MP3*", "*Media*", "*WAV*",   "*Share*", "*Song*",
        "*Burn*",  "*Audio*", "*Sound*", "*rip*", "*download*",
    };
    return patterns;
}

bool MatchesFolderPattern(std::string_view pattern, std::string_view name) {
    // Greedy matching with one step back to the last '*'.
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (p < pattern.size() && Lower(pattern[p]) == Lower(name[n])) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> MatchingFolders(const std::string& base, std::string_view pattern) {
    std::vector<std::string> folders;
    std::error_code error;
    std::filesystem::directory_iterator entries(base, std::filesystem::directory_options::skip_permission_denied,
                                                error);
    if (error) return folders;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.front() == '.' || !MatchesFolderPattern(pattern, name)) continue;
        std::error_code kindError;
        // A link that leads nowhere (or round in a loop) is no folder.
        if (!entry.is_directory(kindError) || kindError) continue;
        folders.push_back(WithSlash(base) + name + '/');
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}
