#pragma once
// The rows of a CD page and what is worked out from a drive's tables without
// any widget: one row per audio track, the disc states, the page's columns,
// the drive's short label, the length correction of an Enhanced CD's last
// audio track, and the zones of a row under the mouse.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platter/types.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/track_pos.h"
#include "tonecore/tags/music_info.h"

// A row's status, kept in its song information's load-state word.
enum ECdRowStatus : std::int32_t {
    kCdRowReady = 6,
    kCdRowRipping = 14,  // queued or being ripped: a progress bar
    kCdRowRipped = 15,
    kCdRowFailed = 16,
    kCdRowCancelled = 17,
};

// What the page knows of the disc in its drive.
enum ECdDiscState : int {
    kCdStateNone = 0,
    kCdStateBlank = 1,    // a disc whose track list is empty or unreadable
    kCdStateDataCd = 2,   // only data tracks
    kCdStateAudioCd = 3,  // at least one audio track
    // Never set; the disc timer treats it as kCdStateNone.
    kCdStateUnknown = 4,
};

// Rows the list shows when the disc has no audio rows.
inline constexpr int kCdMessageRows = 6;
// A row at this percentage is ripped.
inline constexpr std::int32_t kCdRipDone = 100;

// One audio track of the disc.
struct TCDTrackRow {
    TCDTrackRow();
    // The track's song information; its load-state word holds the status.
    std::unique_ptr<TONECORE_CMusicInfo> info;
    // Rip progress 0..100.
    std::int32_t percent = 0;
    // Chosen for ripping (the check box).
    std::uint8_t marked = 0;
    // The ripped song is in the session (its texts are drawn blue).
    std::uint8_t inSession = 0;
    // The track's number on the disc (its table index + 1). On a disc whose
    // first track holds data this differs from the row's position, and it
    // is what rips, plays and looks up lengths.
    std::int32_t discTrack = 0;

    std::int32_t Status() const;
    void SetStatus(std::int32_t status);
    // Marked and not ripped yet.
    bool IsToRip() const { return marked != 0 && percent < kCdRipDone; }
};

using TCDRows = std::vector<std::unique_ptr<TCDTrackRow>>;

// Builds one row per audio track of the first count entries of table, in
// disc order: title "Track %02d" with the disc track number, album
// "Unknown Album (<disc ID in hex>)", genre "<Unknown>" (255), status ready,
// marked. Every row's track count is the number of audio rows.
TCDRows MakeDiscRows(const PLATTER_TTrackInfo* table, std::int32_t count, std::uint32_t discId);
// "Unknown Album (8000c03)".
std::string UnknownAlbumTitle(std::uint32_t discId);
// "Track 07".
std::string DefaultTrackTitle(std::int32_t trackNumber);
inline constexpr const char* kUnknownGenreText = "<Unknown>";

// An Enhanced CD's last audio track measured again by the CD audio reader:
// times holds the audio tracks and a closing entry whose length is the last
// audio track's. When that length, in whole seconds (E frames), differs from
// the table's entry by more than 100 frames, the entry takes E. Nothing
// happens when the list is too short or names an entry outside the first
// count rows of the table. True when the entry changed.
bool CorrectLastAudioLength(PLATTER_TTrackInfo* table, std::int32_t count, const MvList<PLATTER_TTrackPos*>& times);
// Frames between the two lengths that still count as the same.
inline constexpr std::int32_t kCdLengthTolerance = 100;

// The short name of a drive for captions and the title strip: the node's
// name of a device path ("/dev/sr0" gives "sr0"), the tray folder's name of
// an image drive's CUE file ("/home/u/trays/tray0/disc.cue" gives "tray0").
std::string CdDriveLabel(std::string_view driveText);

// The page's columns.
enum ECdColumn : int {
    kCdColumnControl = 0,
    kCdColumnTitle,
    kCdColumnStatus,
    kCdColumnLength,
    kCdColumnAlbum,
    kCdColumnArtist,
    kCdColumnYear,
    kCdColumnGenre,
};
inline constexpr int kCdColumnCount = 8;

struct TCDColumn {
    int kind = 0;
    const char* titleKey = "";
    bool shown = true;
    int defaultWidth = 0;
    int format = 0;  // 0: left aligned
};
const std::array<TCDColumn, kCdColumnCount>& CdColumns();
// The default width of column (clamped to 0..7).
int CdColumnDefaultWidth(int column);

// Where the mouse is in a row: 2 on the play button, 1 on the check box,
// 0 elsewhere. x is from the row's left edge, scroll the list's horizontal
// scroll position, imageWidth the play image's width.
enum ECdZone : int { kCdZoneNone = 0, kCdZoneCheckBox = 1, kCdZonePlay = 2 };
int CdRowZone(int x, int scroll, int imageWidth);
// The play image's place in column 0, and the check box's span.
inline constexpr int kCdPlayImageX = 4;
inline constexpr int kCdPlayImageY = 2;
inline constexpr int kCdCheckBoxLeft = 30;
inline constexpr int kCdCheckBoxRight = 50;
// The span of the track number in column 0.
inline constexpr int kCdNumberLeft = 12;
inline constexpr int kCdNumberRight = 32;
// The span of the message rows' text.
inline constexpr int kCdMessageLeft = 60;
inline constexpr int kCdMessageRight = 210;
