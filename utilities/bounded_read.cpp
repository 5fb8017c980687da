#include "utilities/bounded_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/last_error.h"
#include "utilities/errors.h"

bool ReadFileBounded(const char* path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    // Read in pieces up to one byte more than accepted: enough to know the
    // file is too large without reading all of it, and no more memory than
    // the file needs.
    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t size = 0;
    while (size <= maxBytes) {
        bytes.resize(std::min(size + kPiece, maxBytes + 1));
        const std::size_t n = std::fread(bytes.data() + size, 1, bytes.size() - size, file.get());
        size += n;
        if (n == 0 || size < bytes.size()) break;
    }
    bytes.resize(size);
    if (std::ferror(file.get())) {
        SetLastErrorFromErrno(errno != 0 ? errno : EIO);
        bytes.clear();
        return false;
    }
    if (size > maxBytes) {
        bytes.clear();
        bytes.shrink_to_fit();
        SetLastError(UTILITIES_ERR_FILE_TOO_LARGE);
        return false;
    }
    return true;
}
