#include "songsmith/find/find_columns.h"

#include <cstdio>

#include "songsmith/library/file_types.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/session_columns.h"

namespace {

constexpr TFindColumn kColumns[kFindColumnCount] = {
    {"Control", 50, 50},  {"Title", 190, 380},  {"Length", 50, 100}, {"Album", 60, 180},
    {"Artist", 60, 180},  {"Date", 100, 200},   {"Genre1", 40, 80},  {"Type", 50, 60},
    {"Size", 60, 90},     {"Format", 130, 220}, {"Location", 840, 1000}};

std::string LengthText(const CSongEntry& entry) {
    if (IsPlaylistFile(entry.path))
        return FormatKeyedText("NumSongs", {static_cast<int>(entry.playlistCount)});
    const long seconds = entry.lengthMs > 0 ? entry.lengthMs / 1000 : 0;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "~%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "~%02ld:%02ld", seconds / 60, seconds % 60);
    }
    return text;
}

std::string DateText(std::time_t date) {
    if (date == 0) return "";
    std::tm local{};
    if (localtime_r(&date, &local) == nullptr) return "";
    char text[128];
    return std::strftime(text, sizeof text, "%c", &local) > 0 ? text : "";
}

std::string GenreText(std::int32_t index) {
    const char* name = GenreTableName(index);
    return name != nullptr ? name : KeyedText("NoGenre");
}

}  // namespace

const TFindColumn& FindColumn(int column) {
    return kColumns[column >= 0 && column < kFindColumnCount ? column : 0];
}

std::string FindColumnText(const TFoundRow& row, int column) {
    const CSongEntry& entry = row.entry;
    switch (column) {
        case 1: return entry.musicInfo.title;
        case 2: return LengthText(entry);
        case 3: return entry.musicInfo.album;
        case 4: return entry.musicInfo.artist;
        case 5: return DateText(row.date);
        case 6: return GenreText(entry.musicInfo.genreIndex);
        case 7: return SongTypeText(entry.path);
        case 8: return SongSizeText(entry.size);
        case 9: return entry.formatText;
        case 10: return entry.path;
        default: return "";
    }
}
