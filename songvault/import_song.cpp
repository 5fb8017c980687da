#include "songvault/import_song.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/import_filter.h"
#include "songvault/record_text.h"
#include "songvault/song_codec.h"

namespace songvault {

namespace {

std::uint32_t SecondsOf(std::time_t time) { return time > 0 ? static_cast<std::uint32_t>(time) : 0; }

}  // namespace

bool ProbeSong(ISongProbe& probe, const std::string& path, std::uint32_t kind, std::uint32_t flags, TSVT_Song& song,
               std::int32_t* lengthMs) {
    std::memset(&song, 0, sizeof song);
    if (path.size() >= sizeof song.path) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return false;
    }
    struct stat info {};
    TSongProbeResult found;
    const bool read = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && probe.Probe(path.c_str(), found);
    if (!read || found.lengthMs < MinimumLengthMs(flags, kind)) {
        if (lengthMs != nullptr) *lengthMs = read ? found.lengthMs : -1;
        SetLastError(SONGVAULT_ERR_NOT_IMPORTED);
        return false;
    }
    song.id = SVT_NEW_RECORD;
    song.genre = found.genre;
    song.year = found.year;
    song.sampleRateHz = found.sampleRateHz;
    song.lengthMs = found.lengthMs;
    // The kind the file was accepted as decides its format, so a song is
    // always listed under the kind its flags chose.
    song.format = FormatOfKind(kind);
    song.track = found.track;
    song.trackCount = found.trackCount;
    song.bitRateKbps = found.bitRateKbps;
    song.createDate = SecondsOf(std::time(nullptr));
    song.changeDate = SecondsOf(info.st_mtime);
    song.tagType = found.tagType;
    // Texts longer than their fields are cut on a character boundary;
    // FitSong names a song without a title after its file.
    PutText(found.title, song.title);
    PutText(found.title, song.trackName);
    PutText(found.artist, song.artist);
    PutText(found.album, song.album);
    PutText(found.comment, song.comment);
    PutText(path, song.path);
    return FitSong(song);
}

bool CRefusedFiles::StillRefused(const std::string& path, const struct stat& info, std::int32_t minimumMs) const {
    std::lock_guard guard(lock_);
    const auto found = files_.find(path);
    if (found == files_.end()) return false;
    const TEntry& entry = found->second;
    const bool unchanged = entry.size == static_cast<std::int64_t>(info.st_size) &&
                           entry.seconds == static_cast<std::int64_t>(info.st_mtim.tv_sec) &&
                           entry.nanoseconds == static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    // A song refused for its length only is taken once the least length
    // allows it.
    return unchanged && (entry.lengthMs < 0 || entry.lengthMs < minimumMs);
}

void CRefusedFiles::Add(const std::string& path, const struct stat& info, std::int32_t lengthMs) {
    std::lock_guard guard(lock_);
    files_[path] = TEntry{static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
                          static_cast<std::int64_t>(info.st_mtim.tv_nsec), lengthMs};
}

}  // namespace songvault
