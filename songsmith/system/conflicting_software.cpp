#include "songsmith/system/conflicting_software.h"

#include <unistd.h>

#include <algorithm>

#include "filekit/log.h"
#include "platform/shared_dlls.h"

namespace {

constexpr const char* kDriverFiles[] = {"IOSUBSYS/C2APIX.VXD", "IOSUBSYS/C2REC.VXD"};

bool FileExists(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace

bool CheckConflictingCDSoftware(const std::string& systemFolder) {
    const std::string folder = systemFolder.empty() ? GetWindowsDirectory() : systemFolder;
    for (const char* file : kDriverFiles) {
        if (FileExists(folder + "/" + file)) {
            Log("*** Found DLL's for WinOnCD!!!");
            return true;
        }
    }
    return false;
}
