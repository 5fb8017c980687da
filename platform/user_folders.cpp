#include "platform/user_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/last_error.h"

namespace {

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr) ? std::string(value) : std::string();
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// xdgVariable names the XDG base folder; homeFallback is its default below
// $HOME; homeSub the sub-folder used under $SONGSMITH_HOME.
std::string UserFolder(const char* xdgVariable, const char* homeFallback, const char* homeSub) {
    std::string folder;
    if (std::string home = Environment("SONGSMITH_HOME"); !home.empty()) {
        folder = WithSlash(home) + homeSub;
    } else if (std::string base = Environment(xdgVariable); !base.empty() && base[0] == '/') {
        // The XDG rules ignore relative base folders.
        folder = WithSlash(base) + "songsmith";
    } else if (std::string user = Environment("HOME"); !user.empty()) {
        folder = WithSlash(user) + homeFallback + "/songsmith";
    } else {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    if (!MakeFolderPath(folder)) return {};
    return WithSlash(folder);
}

}  // namespace

bool MakeFolderPath(const std::string& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    return IsDirectory(path);
}

std::string GetUserConfigDir() { return UserFolder("XDG_CONFIG_HOME", ".config", "config"); }
std::string GetUserDataDir() { return UserFolder("XDG_DATA_HOME", ".local/share", "data"); }
std::string GetUserCacheDir() { return UserFolder("XDG_CACHE_HOME", ".cache", "cache"); }

std::string GetExecutableDir() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) {
        SetLastErrorFromErrno(errno);
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

std::string FindResourceFile(std::string_view name) {
    const std::string exeDir = GetExecutableDir();
    if (exeDir.empty() || name.empty()) return {};
    for (const std::string& candidate :
         {exeDir + std::string(name), exeDir + "../share/songsmith/" + std::string(name)}) {
        if (IsRegularFile(candidate)) return candidate;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return {};
}
