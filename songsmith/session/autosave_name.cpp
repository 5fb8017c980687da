#include "songsmith/session/autosave_name.h"

#include <vector>

#include "songsmith/app/keyed_format.h"
#include "utilities/file_system.h"

std::string MakeAutoSavePath(const std::string& folder, const std::string& firstTrackName,
                             const std::tm& utc, const std::string& autoSaveText) {
    std::string name;
    FormatTextChecked("%s - %02d-%02d %02d hrs %02d mins %02d secs (%s).tps",
                      {{CTextArg(firstTrackName), CTextArg(utc.tm_mon + 1), CTextArg(utc.tm_mday),
                        CTextArg(utc.tm_hour), CTextArg(utc.tm_min), CTextArg(utc.tm_sec),
                        CTextArg(autoSaveText)}},
                      name);
    std::vector<char> safe(name.size() + 1);
    ValidateFileName(name.c_str(), safe.data(), safe.size(), '_');
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + safe.data();
}
