#include "songsmith/find/find_sort.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/session_columns.h"

namespace {

// -1, 0 or 1 by how a stands to b.
template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int value) { return Order(value, 0); }

std::string GenreName(const TFoundRow& row) {
    const char* name = GenreTableName(row.entry.musicInfo.genreIndex);
    return name != nullptr ? name : KeyedText("NoGenre");
}

// A file of no known type sorts by "?".
std::string TypeName(const TFoundRow& row) {
    std::string text = SongTypeText(row.entry.path);
    return text.empty() ? "?" : text;
}

}  // namespace

int CompareFoundRows(int column, const TFoundRow& first, const TFoundRow& second) {
    const CSongEntry& a = first.entry;
    const CSongEntry& b = second.entry;
    switch (column) {
        case 0:
            return Order(first.inSession, second.inSession);
        case 1:
            return Sign(strcasecmp(b.musicInfo.title, a.musicInfo.title));
        case 3:
            return Sign(strcasecmp(b.musicInfo.album, a.musicInfo.album));
        case 4:
            return Sign(strcasecmp(b.musicInfo.artist, a.musicInfo.artist));
        case 10:
            return Sign(strcasecmp(b.path, a.path));
        case 2:
            // The longer first; of equal lengths the larger playlist.
            if (a.lengthMs != b.lengthMs) return Order(b.lengthMs, a.lengthMs);
            return Order(b.playlistCount, a.playlistCount);
        case 5:
            return Order(second.date, first.date);
        case 8:
            return Order(b.size, a.size);
        case 6:
            return Sign(std::strcmp(GenreName(second).c_str(), GenreName(first).c_str()));
        case 7:
            return Sign(std::strcmp(TypeName(second).c_str(), TypeName(first).c_str()));
        case 9:
            return Sign(std::strcmp(a.formatText, b.formatText));
        default:
            return 0;
    }
}

void SortFoundRows(std::vector<TFoundRow>& rows, const TFindSortOrder& order) {
    std::stable_sort(rows.begin(), rows.end(), [&order](const TFoundRow& first, const TFoundRow& second) {
        const int result = order.descending ? CompareFoundRows(order.column, second, first)
                                            : CompareFoundRows(order.column, first, second);
        return result < 0;
    });
}
