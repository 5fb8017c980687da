#pragma once
// The session list's columns: the text each shows of a track, the order a
// click on its header sorts by, and a track's line of clipboard text.

#include <cstdint>
#include <string>

#include "tonecore/tags/music_info.h"

class CCDTrack;

enum ESessionColumn : int {
    kColumnNumber = 0,
    kColumnTitle = 1,
    kColumnLength = 2,
    kColumnLink = 3,
    kColumnStatus = 4,
    kColumnAlbum = 5,
    kColumnArtist = 6,
    kColumnGenre = 7,
    kColumnType = 8,
    kColumnFormat = 9,
    kColumnSize = 10,
    kColumnLocation = 11,
};
inline constexpr int kSessionColumnCount = 12;

// The clipboard parts of a track's line ("copyFlags" masks), written in the
// order number, name, artist, length.
inline constexpr int kCopyName = 1;
inline constexpr int kCopyNumber = 2;
inline constexpr int kCopyLength = 4;
inline constexpr int kCopyArtist = 8;

// What a row shows of a track, copied under the track's lock.
struct TSessionRowFacts {
    TONECORE_CMusicInfo info;
    int state = 0;
    // The length of the trim pair the preferences pick.
    std::int32_t trimmedMs = 0;
    std::uint32_t sizeBytes = 0;
    // The track is the one marked as playing.
    bool playing = false;
};

TSessionRowFacts SessionRowFacts(const CCDTrack& track, bool automaticTrims, bool playing);

// The type column's text of a file (playlist, WAV, MP3, WMA by its
// extension; empty for others) and the size column's text of a size.
std::string SongTypeText(const char* path);
std::string SongSizeText(std::uint32_t bytes);

// The header key of a column ("" for the number column).
const char* SessionColumnKey(int column);
// The column's text for the track in row (0-based).
std::string SessionColumnText(const TSessionRowFacts& row, int column, int rowIndex);
// Below 0, 0 or above 0 as a sorts before, with or after b by the column.
// Sizes and lengths compare as numbers, names without regard to case, the
// other columns by the text they show. The number and link columns do not
// sort (always 0).
int CompareSessionRows(const TSessionRowFacts& a, const TSessionRowFacts& b, int column);
// A track's line of clipboard text: the parts of flags, each but the
// number followed by a tab; position counts from 1.
std::string SessionClipboardLine(const TSessionRowFacts& row, int position, int flags);
