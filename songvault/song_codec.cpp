#include "songvault/song_codec.h"

#include <cstring>

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

template <class Field>
Field Narrow(std::int64_t value) {
    return static_cast<Field>(value);
}

}  // namespace

void ReadSong(const Statement& row, TSVT_Song& song) {
    std::memset(&song, 0, sizeof song);
    song.id = Narrow<std::int32_t>(row.Int(kId));
    PutText(row.Text(kPath), song.path);
    PutText(row.Text(kTitle), song.title);
    PutText(row.Text(kTrackName), song.trackName);
    PutText(row.Text(kArtist), song.artist);
    PutText(row.Text(kAlbum), song.album);
    PutText(row.Text(kComment), song.comment);
    const std::string_view cdId = row.Blob(kCdId).substr(0, sizeof song.cdId);
    std::memcpy(song.cdId, cdId.data(), cdId.size());
    song.genre = Narrow<std::int16_t>(row.Int(kGenre));
    song.year = Narrow<std::int16_t>(row.Int(kYear));
    song.lengthMs = Narrow<std::int32_t>(row.Int(kLength));
    song.format = Narrow<std::int16_t>(row.Int(kFormat));
    song.sampleRateHz = Narrow<std::int32_t>(row.Int(kSampleRate));
    song.bitRateKbps = Narrow<std::int32_t>(row.Int(kBitRate));
    song.bpm = Narrow<std::int16_t>(row.Int(kBpm));
    song.track = Narrow<std::int16_t>(row.Int(kTrack));
    song.trackCount = Narrow<std::int16_t>(row.Int(kTrackCount));
    song.createDate = Narrow<std::uint32_t>(row.Int(kCreateDate));
    song.changeDate = Narrow<std::uint32_t>(row.Int(kChangeDate));
    song.trash = Narrow<std::int32_t>(row.Int(kTrash));
    song.tagType = Narrow<std::int32_t>(row.Int(kTagType));
}

void BindSongValues(Statement& statement, const TSVT_Song& song) {
    // Parameter n holds column n of SONGVAULT_SONG_COLUMNS (0 is the id).
    statement.BindText(kPath, FieldText(song.path));
    statement.BindText(kTitle, FieldText(song.title));
    statement.BindText(kTrackName, FieldText(song.trackName));
    statement.BindText(kArtist, FieldText(song.artist));
    statement.BindText(kAlbum, FieldText(song.album));
    statement.BindText(kComment, FieldText(song.comment));
    // The CD identifier is 8 characters without a terminator: all 8 bytes.
    statement.BindBlob(kCdId, song.cdId, sizeof song.cdId);
    statement.Bind(kGenre, song.genre);
    statement.Bind(kYear, song.year);
    statement.Bind(kLength, song.lengthMs);
    statement.Bind(kFormat, song.format);
    statement.Bind(kSampleRate, song.sampleRateHz);
    statement.Bind(kBitRate, song.bitRateKbps);
    statement.Bind(kBpm, song.bpm);
    statement.Bind(kTrack, song.track);
    statement.Bind(kTrackCount, song.trackCount);
    statement.Bind(kCreateDate, song.createDate);
    statement.Bind(kChangeDate, song.changeDate);
    statement.Bind(kTrash, song.trash);
    statement.Bind(kTagType, song.tagType);
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
    PutText(path, song.path);
    FitField(song.title);
    FitField(song.trackName);
    FitField(song.artist);
    FitField(song.album);
    FitField(song.comment);
    // The Library tab drops a song without a title as damaged, so a song is
    // never stored without one; it shows the file name in that case too.
    if (IsBlank(FieldText(song.title))) {
        PutText(TitleFromPath(FieldText(song.path), sizeof song.title - 1), song.title);
    }
    return true;
}

}  // namespace songvault
