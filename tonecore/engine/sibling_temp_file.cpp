#include "tonecore/engine/sibling_temp_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/last_error.h"

namespace {

// A new file is readable by others, as files the user saves usually are.
constexpr mode_t kNewFileMode = 0644;

}  // namespace

std::string CreateSiblingTempFile(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    std::string temp = std::string(path) + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return {};
    }
    struct stat existing {};
    const mode_t mode = ::stat(path, &existing) == 0 ? (existing.st_mode & 07777) : kNewFileMode;
    ::fchmod(fd, mode);
    ::close(fd);
    return temp;
}

bool MoveTempIntoPlace(const std::string& temp, const char* path, TTempOnFailure onFailure) {
    if (::rename(temp.c_str(), path) == 0) return true;
    SetLastErrorFromErrno(errno);
    if (onFailure == TTempOnFailure::kRemove) ::unlink(temp.c_str());
    return false;
}

void RemoveTempFile(const std::string& temp) {
    if (!temp.empty()) ::unlink(temp.c_str());
}
