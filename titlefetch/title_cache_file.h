#pragma once
// The local title cache's file: "cdplayer.ini" in the per-user data folder
// (the titles a user typed are the user's data, not a disposable cache).
//
// Every cache call holds CTitleCacheAccess for its whole read, or read,
// change and write: one lock for the process (the burn worker and the CD
// page may write at the same moment) and, for changes, an advisory lock
// beside the file, so two running programs never interleave their changes.
// A change rewrites the whole file through a temporary file that is synced
// and renamed over it, so a failed write leaves the old file as it was.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_replace.h"

// A cache larger than this is not read (nor changed): a title file of tens
// of thousands of discs stays far below it, and a larger file is not one.
inline constexpr std::size_t kMaxTitleCacheBytes = 64u << 20;

class CTitleCacheAccess {
public:
    enum class Purpose { kRead, kChange };
    explicit CTitleCacheAccess(Purpose purpose);
    CTitleCacheAccess(const CTitleCacheAccess&) = delete;
    CTitleCacheAccess& operator=(const CTitleCacheAccess&) = delete;

    // The file's path; empty when there is no per-user data folder.
    const std::string& Path() const { return path_; }
    // The whole file. False when it is missing (exists is then false),
    // cannot be read, or is larger than kMaxTitleCacheBytes.
    bool Read(std::string& text, bool& exists) const;
    // Replaces the file with text. False (the file as it was) on failure.
    bool Write(std::string_view text) const;

private:
    std::unique_lock<std::mutex> processLock_;
    std::string path_;
    std::optional<CFileChangeLock> fileLock_;
};

// The write(2) every cache rewrite goes through; tests pass one that fails.
// Null restores write(2).
void TitleCacheSetWriteFunction(FileWriteFunction write);
