#include "tonecore/peaks/file_age.h"

#include <sys/stat.h>

namespace {

bool ModificationSecond(const char* path, time_t* seconds) {
    struct stat status {};
    if (path == nullptr || stat(path, &status) != 0) return false;
    *seconds = status.st_mtim.tv_sec;
    return true;
}

}  // namespace

int GetLastModifiedDate(const char* path, std::tm& result) {
    time_t seconds = 0;
    if (!ModificationSecond(path, &seconds)) return 0;
    std::tm local {};
    if (localtime_r(&seconds, &local) == nullptr) return 0;
    result = local;
    return 1;
}

int IsRightFileOlder(const char* left, const char* right) {
    time_t leftSeconds = 0;
    time_t rightSeconds = 0;
    if (!ModificationSecond(left, &leftSeconds) || !ModificationSecond(right, &rightSeconds)) {
        return 0;
    }
    return rightSeconds < leftSeconds ? 1 : 0;
}
