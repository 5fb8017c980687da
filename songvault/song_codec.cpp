#include "songvault/song_codec.h"

#include <cstring>
#include <type_traits>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/record_text.h"

namespace songvault {

namespace {

// Column numbers of SONGVAULT_SONG_COLUMNS.
enum SongColumn {
    kId, kPath, kTitle, kTrackName, kArtist, kAlbum, kComment, kCdId, kGenre, kYear, kLength,
    kFormat, kSampleRate, kBitRate, kBpm, kTrack, kTrackCount, kCreateDate, kChangeDate, kTrash,
    kTagType,
};

// The column of every field: the one place that pairs them, for reading
// and for binding alike.
template <class Song, class Visit>
void ForEachText(Song& song, Visit visit) {
    visit(kPath, song.path);
    visit(kTitle, song.title);
    visit(kTrackName, song.trackName);
    visit(kArtist, song.artist);
    visit(kAlbum, song.album);
    visit(kComment, song.comment);
}

template <class Song, class Visit>
void ForEachNumber(Song& song, Visit visit) {
    visit(kGenre, song.genre);
    visit(kYear, song.year);
    visit(kLength, song.lengthMs);
    visit(kFormat, song.format);
    visit(kSampleRate, song.sampleRateHz);
    visit(kBitRate, song.bitRateKbps);
    visit(kBpm, song.bpm);
    visit(kTrack, song.track);
    visit(kTrackCount, song.trackCount);
    visit(kCreateDate, song.createDate);
    visit(kChangeDate, song.changeDate);
    visit(kTrash, song.trash);
    visit(kTagType, song.tagType);
}

}  // namespace

void ReadSong(const Statement& row, TSVT_Song& song) {
    std::memset(&song, 0, sizeof song);
    song.id = static_cast<std::int32_t>(row.Int(kId));
    ForEachText(song, [&](int column, auto& field) { PutText(row.Text(column), field); });
    // The CD identifier is 8 characters without a terminator: all 8 bytes.
    const std::string_view cdId = row.Blob(kCdId).substr(0, sizeof song.cdId);
    if (!cdId.empty()) std::memcpy(song.cdId, cdId.data(), cdId.size());
    ForEachNumber(song, [&](int column, auto& field) {
        field = static_cast<std::remove_reference_t<decltype(field)>>(row.Int(column));
    });
}

void BindSongValues(Statement& statement, const TSVT_Song& song) {
    // Parameter n holds column n of SONGVAULT_SONG_COLUMNS (0 is the id).
    ForEachText(song, [&](int column, const auto& field) { statement.BindText(column, FieldText(field)); });
    statement.BindBlob(kCdId, song.cdId, sizeof song.cdId);
    ForEachNumber(song, [&](int column, const auto& field) { statement.Bind(column, field); });
}

bool FitSong(TSVT_Song& song) {
    const std::string_view path = FieldText(song.path);
    if (path.size() >= sizeof song.path) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return false;
    }
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ForEachText(song, [](int, auto& field) { FitField(field); });
    // The Library tab drops a song without a title as damaged, so a song is
    // never stored without one; it shows the file name in that case too.
    if (IsBlank(FieldText(song.title))) {
        PutText(TitleFromPath(FieldText(song.path), sizeof song.title - 1), song.title);
    }
    return true;
}

}  // namespace songvault
