#include "songsmith/prefs/preference_folders.h"

#include <cstring>

#include "platform/types.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/app/ui_services.h"
#include "utilities/last_dir_list.h"

std::string WithTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool FitsPathRecord(const std::string& path) {
    return path.size() < static_cast<std::size_t>(MAX_PATH);
}

std::string ChooseListFolder(void* owner, const char* titleKey, const char* startFolder) {
    const std::string chosen = GetUiServices().ChooseFolder(owner, titleKey, startFolder);
    if (chosen.empty()) return {};
    std::string folder = WithTrailingSlash(chosen);
    if (!FitsPathRecord(folder)) {
        ShowMessageKey(owner, kFolderTooLongKey, MB_OK | MB_ICONWARNING);
        return {};
    }
    return folder;
}

bool IsInFolder(const char* path, const std::string& folder) {
    return path != nullptr && std::strncmp(path, folder.c_str(), folder.size()) == 0;
}

bool HasFoldersIn(const CLastDirList& list, const std::string& folder) {
    for (int i = 0; i < list.Count(); ++i) {
        const _lastDirList* entry = list.Index(i);
        if (entry != nullptr && IsInFolder(entry->path, folder)) return true;
    }
    return false;
}

void RemoveFoldersIn(CLastDirList& list, const std::string& folder) {
    for (int i = list.Count() - 1; i >= 0; --i) {
        const _lastDirList* entry = list.Index(i);
        if (entry != nullptr && IsInFolder(entry->path, folder)) list.DeleteIndex(i);
    }
}
