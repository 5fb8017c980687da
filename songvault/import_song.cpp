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

bool ProbeSong(ISongProbe& probe, const std::string& path, std::uint32_t kind, std::uint32_t flags, TSVT_Song& song) {
    std::memset(&song, 0, sizeof song);
    if (path.size() >= sizeof song.path) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return false;
    }
    struct stat info {};
    TSongProbeResult found;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !probe.Probe(path.c_str(), found) ||
        found.lengthMs < MinimumLengthMs(flags, kind)) {
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

}  // namespace songvault
