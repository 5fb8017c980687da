#include "filekit/file_obj.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "filekit/errors.h"
#include "filekit/internet_download.h"
#include "platform/last_error.h"

CFileObj::CFileObj(const CFileObj& other) : CWindowedStream() {
    Copy(const_cast<CFileObj*>(&other));
}

CFileObj::~CFileObj() {
    DropDownload();
    Close();
}

void CFileObj::Close() {
    // A running download writes into the file: it stops first.
    if (download_ != nullptr) download_->TerminateDownload();
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    origin_ = position_ = size_ = -1;
    lastAccess_ = LastAccess::kNone;
}

int CFileObj::Open(const char* path, std::int64_t origin, int writable) {
    Close();
    if (path == nullptr || origin < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::FILE* file = std::fopen(path, writable ? "r+b" : "rb");
    if (file == nullptr) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    struct stat st{};
    if (fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        // A folder opens as a stream on Linux but can never be read.
        std::fclose(file);
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    const bool measured = fseeko(file, 0, SEEK_END) == 0;
    const std::int64_t size = measured ? ftello(file) : -1;
    if (size < 0 || fseeko(file, origin, SEEK_SET) != 0) {
        SetLastErrorFromErrno(errno);
        std::fclose(file);
        return 0;
    }
    file_ = file;
    size_ = size;
    origin_ = position_ = origin;
    path_ = path;
    SetWriteMode(writable ? 1 : 0);
    ClearWindow();
    return 1;
}

int CFileObj::Create(const char* path) {
    Close();
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    file_ = std::fopen(path, "w+b");
    if (file_ == nullptr) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    origin_ = position_ = size_ = 0;
    path_ = path;
    SetWriteMode(1);
    ClearWindow();
    return 1;
}

bool CFileObj::PrepareAccess(LastAccess next) {
    if (lastAccess_ != next && lastAccess_ != LastAccess::kNone) {
        if (fseeko(file_, position_, SEEK_SET) != 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
    lastAccess_ = next;
    return true;
}

std::int64_t CFileObj::Read(void* buf, std::int64_t len) {
    if (file_ == nullptr || buf == nullptr || len <= 0) return 0;
    if (len > size_ - position_) len = size_ - position_;
    if (len <= 0 || !PrepareAccess(LastAccess::kRead)) return 0;
    const std::size_t got = std::fread(buf, 1, static_cast<std::size_t>(len), file_);
    if (got < static_cast<std::size_t>(len) && std::ferror(file_)) {
        SetLastErrorFromErrno(errno);
        std::clearerr(file_);
    }
    position_ += static_cast<std::int64_t>(got);
    return static_cast<std::int64_t>(got);
}

std::int64_t CFileObj::Write(const void* buf, std::int64_t len) {
    if (file_ == nullptr || buf == nullptr || len < 0) return 0;
    if (len == 0 || !PrepareAccess(LastAccess::kWrite)) return 0;
    std::size_t written = std::fwrite(buf, 1, static_cast<std::size_t>(len), file_);
    // Flushing every write keeps the file complete on disk after each call.
    if (std::fflush(file_) != 0 || written < static_cast<std::size_t>(len)) {
        SetLastErrorFromErrno(errno);
        std::clearerr(file_);
        // What reached the disk is unknown after a failed flush: take the
        // position from the stream itself.
        const std::int64_t now = ftello(file_);
        written = now >= position_ ? static_cast<std::size_t>(now - position_) : 0;
        lastAccess_ = LastAccess::kNone;
        fseeko(file_, position_ + static_cast<std::int64_t>(written), SEEK_SET);
    }
    position_ += static_cast<std::int64_t>(written);
    if (position_ > size_) size_ = position_;
    return static_cast<std::int64_t>(written);
}

int CFileObj::Seek(std::int64_t offset, int whence) {
    if (file_ == nullptr) {
        SetLastError(FILEKIT_ERR_SEEK);
        return 0;
    }
    if (whence == SEEK_SET) {
        if (__builtin_add_overflow(offset, origin_, &offset)) {
            SetLastError(FILEKIT_ERR_SEEK);
            return 0;
        }
    } else if (whence == SEEK_END && origin_ != 0) {
        return 0;
    } else if (whence != SEEK_CUR && whence != SEEK_END) {
        SetLastError(FILEKIT_ERR_SEEK);
        return 0;
    }
    if (offset > size_) {
        if (DataMode() == kLoopData && whence == SEEK_CUR) {
            offset -= size_;
            whence = SEEK_SET;
        } else {
            SetLastError(FILEKIT_ERR_SEEK);
            return 0;
        }
    }
    if (offset < 0 && position_ + offset < 0) {
        if (DataMode() == kLoopData && whence == SEEK_CUR) {
            offset = position_ + offset;
            whence = SEEK_END;
        } else if (whence != SEEK_END) {
            SetLastError(FILEKIT_ERR_SEEK);
            return 0;
        }
    }
    // stdio counts whence 1 from its own position, which is ours.
    if (whence == SEEK_CUR) {
        offset += position_;
        whence = SEEK_SET;
    }
    const int failed = fseeko(file_, offset, whence);
    lastAccess_ = LastAccess::kNone;
    const std::int64_t now = ftello(file_);
    if (now >= 0) position_ = now;
    if (failed != 0 || now < 0) {
        SetLastError(FILEKIT_ERR_SEEK);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    return 1;
}

std::int64_t CFileObj::Tell() { return position_ - origin_; }

std::int64_t CFileObj::Size() { return size_ - origin_; }

int CFileObj::SetDataOffsets(std::int64_t start, std::int64_t end) {
    if (start == end) return 0;
    // The window is kept in stream positions (relative to the origin), the
    // same coordinates Seek(x, 0) and Tell() use.
    dataStart_ = start;
    dataEnd_ = end;
    virtualStart_ = 0;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

std::int64_t CFileObj::DataSize() {
    if (dataStart_ < 0 || dataEnd_ < 0) return -1;
    return dataEnd_ - dataStart_;
}

int CFileObj::Copy(CRefObj* other) {
    Close();
    SetWriteMode(0);
    SetDataMode(0);
    auto* source = dynamic_cast<CFileObj*>(other);
    if (source == nullptr || source == this || !source->IsOpen()) {
        SetLastError(FILEKIT_ERR_COPY_REOPEN);
        return 0;
    }
    path_ = source->path_;
    dataStart_ = source->dataStart_;
    dataEnd_ = source->dataEnd_;
    virtualStart_ = source->virtualStart_;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr || fseeko(file, source->origin_, SEEK_SET) != 0) {
        if (file != nullptr) std::fclose(file);
        SetLastError(FILEKIT_ERR_COPY_REOPEN);
        return 0;
    }
    file_ = file;
    origin_ = position_ = source->origin_;
    size_ = source->size_;
    return 1;
}

CRefObj* CFileObj::Copy() {
    auto* copy = new CFileObj();
    if (!copy->Copy(this)) {
        CRefObj* release = copy;
        DeleteRefObject(&release);
        return nullptr;
    }
    return copy;
}

void CFileObj::GetFilePath(char* out, std::size_t outSize) const {
    if (out == nullptr || outSize == 0) return;
    if (path_.size() + 1 > outSize) {
        out[0] = '\0';
        return;
    }
    std::memcpy(out, path_.c_str(), path_.size() + 1);
}
