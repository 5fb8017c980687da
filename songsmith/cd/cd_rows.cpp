#include "songsmith/cd/cd_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ascii_case.h"

namespace {

// The load-state word of a song information record.
constexpr int kStatusWord = 2;

void CopyField(char* field, std::size_t size, const std::string& text) {
    std::snprintf(field, size, "%s", text.c_str());
}

}  // namespace

TCDTrackRow::TCDTrackRow() : info(std::make_unique<TONECORE_CMusicInfo>()) {}

std::int32_t TCDTrackRow::Status() const { return info->stateWords[kStatusWord]; }

void TCDTrackRow::SetStatus(std::int32_t status) { info->stateWords[kStatusWord] = status; }

std::string UnknownAlbumTitle(std::uint32_t discId) {
    char text[40];
    std::snprintf(text, sizeof text, "Unknown Album (%x)", discId);
    return text;
}

std::string DefaultTrackTitle(std::int32_t trackNumber) {
    char text[24];
    std::snprintf(text, sizeof text, "Track %02d", trackNumber);
    return text;
}

TCDRows MakeDiscRows(const PLATTER_TTrackInfo* table, std::int32_t count, std::uint32_t discId) {
    TCDRows rows;
    const std::int32_t entries = std::clamp<std::int32_t>(count, 0, PLATTER_MAX_TRACKS);
    const std::string album = UnknownAlbumTitle(discId);
    for (std::int32_t i = 0; i < entries; ++i) {
        const PLATTER_TTrackInfo& track = table[i];
        if (track.dataTrack != 0) continue;
        auto row = std::make_unique<TCDTrackRow>();
        TONECORE_CMusicInfo& info = *row->info;
        CopyField(info.title, sizeof info.title, DefaultTrackTitle(i + 1));
        CopyField(info.album, sizeof info.album, album);
        CopyField(info.genre, sizeof info.genre, kUnknownGenreText);
        info.genreIndex = kNoGenreIndex;
        info.trackNumber = i + 1;
        info.lengthMs = track.seconds * 1000 + track.minutes * 60000;
        row->SetStatus(kCdRowReady);
        row->marked = 1;
        row->discTrack = i + 1;
        rows.push_back(std::move(row));
    }
    // Known only once every row is made: the tag says "track n of <audio
    // tracks>", never the number of rows made before it.
    for (auto& row : rows) row->info->trackCount = static_cast<std::int32_t>(rows.size());
    return rows;
}

bool CorrectLastAudioLength(PLATTER_TTrackInfo* table, std::int32_t count, const MvList<PLATTER_TTrackPos*>& times) {
    const std::int32_t entries = times.count;
    // The closing entry follows the audio tracks; the one before it is the
    // last audio track.
    const std::int32_t last = entries - 2;
    if (last < 0 || last >= std::min<std::int32_t>(count, PLATTER_MAX_TRACKS)) return false;
    const PLATTER_TTrackPos* closing = times.items[entries - 1];
    if (closing == nullptr) return false;
    const std::int32_t measured = closing->lengthMinutes * kFramesPerMinute + closing->lengthSeconds * kFramesPerSecond;
    PLATTER_TTrackInfo& entry = table[last];
    if (std::abs(measured - entry.lengthFrames) <= kCdLengthTolerance) return false;
    entry.lengthFrames = measured;
    entry.minutes = measured / kFramesPerMinute;
    entry.seconds = (measured / kFramesPerSecond) % 60;
    return true;
}

std::string CdDriveLabel(std::string_view driveText) {
    std::string_view path = driveText;
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    auto lastPart = [](std::string_view text) {
        const std::size_t slash = text.rfind('/');
        return slash == std::string_view::npos ? text : text.substr(slash + 1);
    };
    const std::string_view name = lastPart(path);
    constexpr std::string_view kCue = ".cue";
    const bool cue = name.size() > kCue.size() &&
                     AsciiEqualNoCase(name.substr(name.size() - kCue.size()), kCue);
    if (!cue) return std::string(name);
    // An image drive: its tray folder names it.
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash == 0) return std::string(name);
    const std::string_view tray = lastPart(path.substr(0, slash));
    return tray.empty() ? std::string(name) : std::string(tray);
}

const std::array<TCDColumn, kCdColumnCount>& CdColumns() {
    static const std::array<TCDColumn, kCdColumnCount> columns = {{
        {kCdColumnControl, "Control", true, 60, 0},
        {kCdColumnTitle, "Title", true, 150, 0},
        {kCdColumnStatus, "Status", true, 80, 0},
        {kCdColumnLength, "Length", true, 60, 0},
        {kCdColumnAlbum, "Album", true, 120, 0},
        {kCdColumnArtist, "Artist", true, 120, 0},
        {kCdColumnYear, "Year", true, 60, 0},
        {kCdColumnGenre, "Genre", true, 120, 0},
    }};
    return columns;
}

int CdColumnDefaultWidth(int column) {
    return CdColumns()[static_cast<std::size_t>(std::clamp(column, 0, kCdColumnCount - 1))].defaultWidth;
}

int CdRowZone(int x, int scroll, int imageWidth) {
    const int at = x + scroll;
    if (at >= kCdPlayImageX && at <= kCdPlayImageX + imageWidth) return kCdZonePlay;
    if (at >= kCdCheckBoxLeft && at <= kCdCheckBoxRight - 1) return kCdZoneCheckBox;
    return kCdZoneNone;
}
