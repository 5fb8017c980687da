#include "songvault/catalog_codec.h"

#include <cstring>

#include "songvault/record_text.h"

namespace songvault {

void CatalogTraits<TSVT_Artist>::Read(const Statement& row, TSVT_Artist& artist) {
    std::memset(&artist, 0, sizeof artist);
    artist.id = static_cast<std::int32_t>(row.Int(0));
    artist.number = static_cast<std::int32_t>(row.Int(1));
    PutText(row.Text(2), artist.name);
}

void CatalogTraits<TSVT_Artist>::BindValues(Statement& statement, const TSVT_Artist& artist) {
    statement.Bind(1, artist.number);
    statement.BindText(2, FieldText(artist.name));
}

void CatalogTraits<TSVT_Artist>::Fit(TSVT_Artist& artist) { FitField(artist.name); }

void CatalogTraits<TSVT_Album>::Read(const Statement& row, TSVT_Album& album) {
    std::memset(&album, 0, sizeof album);
    album.id = static_cast<std::int32_t>(row.Int(0));
    album.year = static_cast<std::int16_t>(row.Int(1));
    album.genre = static_cast<std::int16_t>(row.Int(2));
    album.number = static_cast<std::int32_t>(row.Int(3));
    PutText(row.Text(4), album.name);
    PutText(row.Text(5), album.artist);
}

void CatalogTraits<TSVT_Album>::BindValues(Statement& statement, const TSVT_Album& album) {
    statement.Bind(1, album.year);
    statement.Bind(2, album.genre);
    statement.Bind(3, album.number);
    statement.BindText(4, FieldText(album.name));
    statement.BindText(5, FieldText(album.artist));
}

void CatalogTraits<TSVT_Album>::Fit(TSVT_Album& album) {
    FitField(album.name);
    FitField(album.artist);
}

void CatalogTraits<TSVT_Genre>::Read(const Statement& row, TSVT_Genre& genre) {
    std::memset(&genre, 0, sizeof genre);
    genre.id = static_cast<std::int32_t>(row.Int(0));
    genre.number = static_cast<std::int32_t>(row.Int(1));
    genre.genre = static_cast<std::int16_t>(row.Int(2));
    PutText(row.Text(3), genre.name);
}

void CatalogTraits<TSVT_Genre>::BindValues(Statement& statement, const TSVT_Genre& genre) {
    statement.Bind(1, genre.number);
    statement.Bind(2, genre.genre);
    statement.BindText(3, FieldText(genre.name));
}

void CatalogTraits<TSVT_Genre>::Fit(TSVT_Genre& genre) {
    FitField(genre.name);
    genre.reserved10 = 0;
}

}  // namespace songvault
