#pragma once
// Carrying a library song's tag beyond the song store: into the song file
// itself, through the sound engine's converter of the song's format, and
// into the session's copy of the song.

#include <cstdint>
#include <functional>

struct TMusicInfo;
struct TSVT_Song;

// The song information written into the file: texts, the genre's name from
// the genre table, the CD identifier's 8 characters, year, genre number,
// track number and count and tag type as the record holds them.
void FillSongTagInfo(const TSVT_Song& song, TMusicInfo& info);

// The tag fields (ETagField bits) whose values differ between two records
// of one song: title, artist, album, comment, year, genre.
std::uint32_t ChangedTagFields(const TSVT_Song& before, const TSVT_Song& after);

// Writes an edit of a song's record into the file at its path: the fields
// that changed from before take the record's values; every other field and
// everything else the file's tag holds (pictures, lyrics, other frames and
// items) stay as the file has them. MP3 (as ID3 v1 or v2, the record's tag
// type; v2 when it names neither) and WMA through their converters, WAV as
// its INFO list; a format without a tag writer of its own, or an edit that
// changed no tag field, leaves the file alone. False when the converter
// could not be made or the write failed: the file keeps its old tag.
bool WriteSongFileTag(const TSVT_Song& before, const TSVT_Song& song);

// The session track of oldPath (when the session holds one) takes the
// record's artist, album, title, path and genre, and its row is redrawn;
// logLine is written when it does.
void ReplaceSessionReference(const char* oldPath, const TSVT_Song& song, const char* logLine);

// The Find page's row of oldPath takes the changed record; bound by the
// Find page while it exists.
using TFindTabTagHandler = std::function<void(const char* oldPath, const TSVT_Song& song)>;
void SetFindTabTagHandler(TFindTabTagHandler handler);
const TFindTabTagHandler& FindTabTagHandler();
