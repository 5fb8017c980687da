#pragma once
// A song record as a row of the song table, and the rules a record passes
// before it is stored.

#include "songvault/records.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// Every song query selects these columns, in this order, for ReadSong.
#define SONGVAULT_SONG_COLUMNS                                                                  \
    "id, path, title, track_name, artist, album, comment, cd_id, genre, year, length_ms, "     \
    "format, sample_rate, bit_rate, bpm, track, track_count, create_date, change_date, trash, " \
    "tag_type"

// The record's values other than its id bind to parameters ?1 to ?20 in the
// order of these columns (the order of SONGVAULT_SONG_COLUMNS without id).
inline constexpr int kSongValueCount = 20;
inline constexpr const char* kInsertSongSql =
    "INSERT INTO song(path, title, track_name, artist, album, comment, cd_id, genre, year, "
    "length_ms, format, sample_rate, bit_rate, bpm, track, track_count, create_date, change_date, "
    "trash, tag_type) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, "
    "?16, ?17, ?18, ?19, ?20)";
inline constexpr const char* kUpdateSongSql =
    "UPDATE song SET path = ?1, title = ?2, track_name = ?3, artist = ?4, album = ?5, "
    "comment = ?6, cd_id = ?7, genre = ?8, year = ?9, length_ms = ?10, format = ?11, "
    "sample_rate = ?12, bit_rate = ?13, bpm = ?14, track = ?15, track_count = ?16, "
    "create_date = ?17, change_date = ?18, trash = ?19, tag_type = ?20 WHERE id = ?21";

// Fills song (zeroed first) from a row of SONGVAULT_SONG_COLUMNS.
void ReadSong(const Statement& row, TSVT_Song& song);

// Binds the record's values to ?1 .. ?20.
void BindSongValues(Statement& statement, const TSVT_Song& song);

// Brings the record into the form the store keeps: texts cut on a character
// boundary, a blank title replaced by the file name. False, with
// SONGVAULT_ERR_PATH_TOO_LONG, when the path fills its whole field (it was
// longer than the field holds), or ERROR_INVALID_PARAMETER when it is empty.
bool FitSong(TSVT_Song& song);

}  // namespace songvault
