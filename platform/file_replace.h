#pragma once
// Rewriting a file without ever leaving it half written, and keeping two
// processes from interleaving their read-change-write of one file.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

// The write(2) a replacement writes through; tests pass one that fails.
using FileWriteFunction = ssize_t (*)(int fd, const void* data, std::size_t size);

// Who may read a file that a replacement makes new.
enum class ENewFileAccess {
    // Its owner only: settings and stores.
    kOwnerOnly,
    // As the user's umask says, as for any document the user saves.
    kUserDocument,
};

// Replaces the file at path with bytes: they go to a temporary file of its
// own beside path ("<path>.tmp-XXXXXX"), which takes the old file's
// permissions, is synced and renamed over path; then the folder's entry is
// synced. When path is a symbolic link, the file it names is replaced and the
// link stays. A new file gets the permissions access gives. 0 on success,
// else the errno of what failed, with path untouched and the temporary file
// removed. A null write means write(2).
int ReplaceFileContents(const std::string& path, std::string_view bytes, FileWriteFunction write = nullptr,
                        ENewFileAccess access = ENewFileAccess::kOwnerOnly);

// Holds an advisory lock (flock) for as long as it lives. The lock lives on a
// hidden file of its own beside the guarded one (".<name>.lock"): the guarded
// file is replaced by every rewrite, and a lock on a replaced file guards
// nothing. When the lock file cannot be made (no folder yet) there is no file
// to guard either, and the object holds nothing.
class CFileChangeLock {
public:
    explicit CFileChangeLock(const std::string& guardedPath);
    ~CFileChangeLock();
    CFileChangeLock(const CFileChangeLock&) = delete;
    CFileChangeLock& operator=(const CFileChangeLock&) = delete;

private:
    int fd_ = -1;
};
