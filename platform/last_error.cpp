#include "platform/last_error.h"

#include <cerrno>

namespace {
thread_local std::uint32_t tLastError = ERROR_SUCCESS;
}

void SetLastError(std::uint32_t code) { tLastError = code; }

std::uint32_t GetLastError() { return tLastError; }

std::uint32_t ErrorFromErrno(int err) {
    switch (err) {
        case 0: return ERROR_SUCCESS;
        case ENOENT:
        case ENOTDIR: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EEXIST: return ERROR_FILE_EXISTS;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        default: return ERROR_ERRNO_BASE + static_cast<std::uint32_t>(err);
    }
}

void SetLastErrorFromErrno(int err) { SetLastError(ErrorFromErrno(err)); }
