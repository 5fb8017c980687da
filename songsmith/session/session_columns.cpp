#include "songsmith/session/session_columns.h"

#include <strings.h>

#include "songsmith/session/cd_track.h"
#include "songsmith/library/file_types.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/track_states.h"
#include "utilities/text_format.h"

namespace {

constexpr const char* kClickKey = "Ses_Click";
constexpr const char* kPlayingKey = "Playing";
constexpr const char* kNoGenreKey = "NoGenre";
constexpr const char* kListTypeKey = "ListType";
constexpr const char* kWavTypeKey = "WavType";
constexpr const char* kMp3TypeKey = "MP3Type";
constexpr const char* kWmaTypeKey = "WMAType";

// Header keys in column order.
constexpr const char* kColumnKeys[kSessionColumnCount] = {
    "", "Title", "Length", "WebLink", "Status", "Album", "Artist", "Genre1", "Type", "Format", "Size",
    "Location"};

// One past the genre list: its index shows an empty name.
constexpr int kEmptyGenreIndex = kGenreTableCount;

std::string LengthText(std::int32_t ms) {
    char text[kLengthStringSize];
    MakeLengthString(ms, text, sizeof text, 0);
    return text;
}

// A length that is not known yet (the track waits, loads or failed) is
// shown untrimmed, marked as an estimate.
bool LengthIsEstimate(int state) {
    return state >= kTrackFileNotFound && state <= kTrackFailedPrep;
}

std::string GenreText(std::int32_t index) {
    if (index == kEmptyGenreIndex) return "";
    const char* name = GenreTableName(index);
    return name != nullptr ? name : KeyedText(kNoGenreKey);
}

std::string StatusText(const TSessionRowFacts& row) {
    return KeyedText(row.playing ? kPlayingKey : TrackStatusKey(row.state));
}

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareNoCase(const std::string& a, const std::string& b) {
    const int order = strcasecmp(a.c_str(), b.c_str());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

std::string SongTypeText(const char* path) {
    if (IsPlaylistFile(path)) return KeyedText(kListTypeKey);
    if (IsWavFile(path)) return KeyedText(kWavTypeKey);
    if (IsMpegAudioFile(path)) return KeyedText(kMp3TypeKey);
    if (IsWmaFile(path)) return KeyedText(kWmaTypeKey);
    return "";
}

std::string SongSizeText(std::uint32_t bytes) {
    char text[64];
    MakeFileSizeString(bytes, text, sizeof text);
    return text;
}

TSessionRowFacts SessionRowFacts(const CCDTrack& track, bool automaticTrims, bool playing) {
    TSessionRowFacts row;
    track.Lock();
    row.info = track.GetMusicInfo();
    row.state = track.GetState();
    row.trimmedMs = track.GetTrimmedLength(automaticTrims);
    row.sizeBytes = track.GetFileSize();
    track.Unlock();
    row.playing = playing;
    return row;
}

const char* SessionColumnKey(int column) {
    return column >= 0 && column < kSessionColumnCount ? kColumnKeys[column] : "";
}

std::string SessionColumnText(const TSessionRowFacts& row, int column, int rowIndex) {
    switch (column) {
        case kColumnNumber:
            return std::to_string(rowIndex + 1);
        case kColumnTitle:
            return row.info.displayText;
        case kColumnLength:
            return LengthIsEstimate(row.state) ? "~" + LengthText(row.info.lengthMs)
                                               : LengthText(row.trimmedMs);
        case kColumnLink:
            return KeyedText(kClickKey);
        case kColumnStatus:
            return StatusText(row);
        case kColumnAlbum:
            return row.info.album;
        case kColumnArtist:
            return row.info.artist;
        case kColumnGenre:
            return GenreText(row.info.genreIndex);
        case kColumnType:
            return SongTypeText(row.info.path);
        case kColumnFormat:
            return row.info.formatText;
        case kColumnSize:
            return SongSizeText(row.sizeBytes);
        case kColumnLocation:
            return row.info.path;
        default:
            return "";
    }
}

int CompareSessionRows(const TSessionRowFacts& a, const TSessionRowFacts& b, int column) {
    switch (column) {
        case kColumnLength:
            return Order(a.trimmedMs, b.trimmedMs);
        case kColumnSize:
            return Order(a.sizeBytes, b.sizeBytes);
        case kColumnTitle:
        case kColumnAlbum:
        case kColumnArtist:
        case kColumnLocation:
            return CompareNoCase(SessionColumnText(a, column, 0), SessionColumnText(b, column, 0));
        case kColumnStatus:
        case kColumnGenre:
        case kColumnType:
        case kColumnFormat:
            return Order(SessionColumnText(a, column, 0), SessionColumnText(b, column, 0));
        default:
            return 0;
    }
}

std::string SessionClipboardLine(const TSessionRowFacts& row, int position, int flags) {
    std::string line;
    if ((flags & kCopyNumber) != 0) line += std::to_string(position) + ". ";
    if ((flags & kCopyName) != 0) line += std::string(row.info.displayText) + '\t';
    if ((flags & kCopyArtist) != 0) line += std::string(row.info.artist) + '\t';
    if ((flags & kCopyLength) != 0) line += LengthText(row.trimmedMs) + '\t';
    return line;
}
