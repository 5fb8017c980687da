#include "utilities/shell_folders.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/user_folders.h"
#include "utilities/file_system.h"

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string Home() {
    std::string home = Environment("HOME");
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}

// An XDG base folder: the variable when it holds an absolute path, else its
// default below the home folder.
std::string BaseFolder(const char* variable, const char* homeDefault) {
    if (std::string value = Environment(variable); !value.empty() && value[0] == '/') return value;
    const std::string home = Home();
    return home.empty() ? std::string() : home + "/" + homeDefault;
}

// A user folder ("DOCUMENTS" for XDG_DOCUMENTS_DIR): the environment first,
// then the user-dirs.dirs file, whose lines read XDG_<NAME>_DIR="$HOME/..."
// or XDG_<NAME>_DIR="/...". A folder set to the home folder itself is
// switched off by the user.
std::string UserFolder(const std::string& name) {
    const std::string variable = "XDG_" + name + "_DIR";
    if (std::string value = Environment(variable.c_str()); !value.empty() && value[0] == '/') {
        return value;
    }
    const std::string home = Home();
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (config.empty()) return {};
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        const std::string prefix = variable + "=\"";
        if (line.rfind(prefix, 0) != 0) continue;
        std::string_view value(line);
        value.remove_prefix(prefix.size());
        const std::size_t quote = value.find('"');
        if (quote == std::string_view::npos) continue;
        value = value.substr(0, quote);
        std::string folder;
        if (value.rfind("$HOME", 0) == 0) {
            folder = home + std::string(value.substr(5));
        } else if (!value.empty() && value[0] == '/') {
            folder = value;
        }
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folder == home) return {};
        return folder;
    }
    return {};
}

std::string FolderFor(int folderId) {
    switch (folderId) {
        case kShellFolderDesktop: {
            std::string desktop = UserFolder("DESKTOP");
            if (desktop.empty() && !Home().empty()) desktop = Home() + "/Desktop";
            return desktop;
        }
        case kShellFolderDocuments:
            return UserFolder("DOCUMENTS");
        case kShellFolderMusic: {
            std::string music = UserFolder("MUSIC");
            if (music.empty() && !Home().empty()) music = Home() + "/Music";
            return music;
        }
        case kShellFolderPictures:
            return UserFolder("PICTURES");
        case kShellFolderAppData:
        case kShellFolderCommonAppData:
            return BaseFolder("XDG_DATA_HOME", ".local/share");
        case kShellFolderInternetCache:
            return BaseFolder("XDG_CACHE_HOME", ".cache");
        default:
            return {};
    }
}

// Stores a whole path or nothing: a cut path names another folder.
bool Store(const std::string& path, char* out, int size) {
    if (path.empty() || path.size() + 1 > static_cast<std::size_t>(size)) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

bool GetSpecialFolderPath(char* out, int size, int folderId, bool create) {
    if (out == nullptr || size < 1) return false;
    std::string folder = FolderFor(folderId);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!Store(folder, out, size)) return false;
    if (create && !IsValidDirectory(out)) MakeFolderPath(folder);
    return true;
}

bool GetInternetCachePath(char* out, int size) {
    return GetSpecialFolderPath(out, size, kShellFolderInternetCache, false);
}

bool GetMyPicturesPath(char* out, int size, bool create) {
    return GetSpecialFolderPath(out, size, kShellFolderPictures, create);
}

bool GetMyMusicPath(char* out, int size, bool create) {
    return GetSpecialFolderPath(out, size, kShellFolderMusic, create);
}

bool GetCommonAppDataPath(char* out, int size, bool create) {
    return GetSpecialFolderPath(out, size, kShellFolderCommonAppData, create);
}

bool GetCurrentUserAppDataPath(char* out, int size, bool create) {
    return GetSpecialFolderPath(out, size, kShellFolderAppData, create);
}

bool GetMyDocumentsPath(char* out, int size, bool create) {
    if (out == nullptr || size < 1) return false;
    if (!GetSpecialFolderPath(out, size, kShellFolderDocuments, false) && size > 1) {
        if (!Store(Home(), out, size)) Store("/", out, size);
    }
    if (create && out[0] != '\0' && !IsValidDirectory(out) && !MakeFolderPath(out)) {
        Store("/", out, size);
    }
    return true;
}
