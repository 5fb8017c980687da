#include "songsmith/cd/cd_tag_rows.h"

#include "songsmith/library/tag_fields.h"
#include "tonecore/tags/music_info.h"

TCDTagRow CdTagRowFromInfo(const TONECORE_CMusicInfo& info) {
    TCDTagRow row;
    row.title = FieldText(info.title);
    row.artist = FieldText(info.artist);
    row.album = FieldText(info.album);
    row.year = info.year;
    row.genre = FieldText(info.genre);
    row.genreIndex = info.genreIndex;
    row.comment = FieldText(info.comment);
    return row;
}

void StoreCdTagRow(const TCDTagRow& row, TONECORE_CMusicInfo& info) {
    CopyToField(row.title, info.title);
    CopyToField(row.artist, info.artist);
    CopyToField(row.album, info.album);
    info.year = row.year;
    CopyToField(row.genre, info.genre);
    info.genreIndex = row.genreIndex;
    CopyToField(row.comment, info.comment);
}

namespace {

const std::string* SharedText(const TCDTagRow& row, ECdTagShared field) {
    if (field == ECdTagShared::kArtist) return &row.artist;
    if (field == ECdTagShared::kAlbum) return &row.album;
    return nullptr;
}

}  // namespace

bool CdRowsAgree(std::span<const TCDTagRow> rows, ECdTagShared field) {
    if (rows.empty()) return false;
    if (field == ECdTagShared::kYear || field == ECdTagShared::kGenre) {
        for (const TCDTagRow& row : rows) {
            const bool same = field == ECdTagShared::kYear ? row.year == rows[0].year
                                                           : row.genreIndex == rows[0].genreIndex;
            if (!same) return false;
        }
        return true;
    }
    std::size_t first = 0;
    while (first < rows.size() && SharedText(rows[first], field)->empty()) ++first;
    for (std::size_t i = first; i < rows.size(); ++i) {
        if (*SharedText(rows[i], field) != *SharedText(rows[first], field)) return false;
    }
    return true;
}

void ApplyToAllRows(std::vector<TCDTagRow>& rows, ECdTagShared field, const TCDTagRow& value) {
    for (TCDTagRow& row : rows) {
        switch (field) {
            case ECdTagShared::kArtist:
                row.artist = value.artist;
                break;
            case ECdTagShared::kAlbum:
                row.album = value.album;
                break;
            case ECdTagShared::kYear:
                row.year = value.year;
                break;
            case ECdTagShared::kGenre:
                row.genre = value.genre;
                row.genreIndex = value.genreIndex;
                break;
        }
    }
}
