#pragma once
// One file as the import stores it: probed, checked against the flags'
// minimum length, made into a song record.

#include <sys/stat.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "songvault/records.h"
#include "songvault/song_probe.h"

namespace songvault {

// Fills song (a new record) from the probe's answer for the regular file at
// path, of the given kind bit. The file's modification time is the song's
// change date, the import time its create date. A song without a title is
// named after its file (read as Windows-1252 when the name is not UTF-8, so
// the title is always text). False with SONGVAULT_ERR_NOT_IMPORTED when the
// file is no regular file, the probe cannot read it, or it is shorter than
// the flags' minimum for its kind; with SONGVAULT_ERR_PATH_TOO_LONG when the
// path does not fit the record.
// When refused and lengthMs is given, it receives the length the probe found
// (-1 when the file is no song the probe can read).
bool ProbeSong(ISongProbe& probe, const std::string& path, std::uint32_t kind, std::uint32_t flags, TSVT_Song& song,
               std::int32_t* lengthMs = nullptr);

// The files the probe refused during this run, each with the size and time
// it had then and the length found (-1: not readable as a song): a later
// walk passes over such a file after a stat while it is unchanged, instead
// of probing it again. Thread-safe.
class CRefusedFiles {
public:
    // Whether path, as info describes it now, was refused unchanged and
    // still would be with minimumMs as the least length.
    bool StillRefused(const std::string& path, const struct stat& info, std::int32_t minimumMs) const;
    void Add(const std::string& path, const struct stat& info, std::int32_t lengthMs);
    void Clear() {
        std::lock_guard guard(lock_);
        files_.clear();
    }

private:
    struct TEntry {
        std::int64_t size = 0;
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        std::int32_t lengthMs = -1;
    };
    mutable std::mutex lock_;
    std::unordered_map<std::string, TEntry> files_;
};

}  // namespace songvault
