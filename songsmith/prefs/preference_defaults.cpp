#include "songsmith/prefs/preference_defaults.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "platform/types.h"
#include "platform/user_folders.h"
#include "utilities/file_system.h"
#include "utilities/shell_folders.h"

namespace {

constexpr char kTempFolderName[] = "marovelle_temp";

std::string CurrentFolder() {
    char folder[PATH_MAX];
    return getcwd(folder, sizeof(folder)) != nullptr ? std::string(folder) : std::string();
}

}  // namespace

std::string DefaultTempFolder() {
    std::string parent = GetUserCacheDir();
    if (parent.empty()) parent = GetExecutableDir();
    if (parent.empty()) return {};
    std::string folder = parent + kTempFolderName;
    // Converted songs, cue sheets and saved sessions land here: private to
    // this user, unlike a shared /tmp. A folder that exists is left as it is.
    mkdir(folder.c_str(), 0700);
    return folder;
}

std::string DefaultDocumentsFolder() {
    char documents[PATH_MAX];
    if (GetMyDocumentsPath(documents, sizeof(documents), false) && IsValidDirectory(documents)) {
        return documents;
    }
    return CurrentFolder();
}

std::string DefaultRipFolder() {
    char music[PATH_MAX];
    if (GetMyMusicPath(music, sizeof(music), true) && IsValidDirectory(music)) {
        std::string folder = music;
        if (folder.back() != '/') folder += '/';
        return folder;
    }
    return DefaultDocumentsFolder();
}

std::string DefaultLibraryFolder() {
    return GetUserDataDir();
}

const std::vector<std::string>& DefaultExcludedFolders() {
    static const std::vector<std::string> folders = {"/proc/", "/sys/", "/dev/", "/run/",
                                                     "/usr/",  "/etc/", "/boot/"};
    return folders;
}
