#pragma once
// A song store as a loaded library holds it, for the benchmarks of the
// Library page and of the program's start: generated songs by artists of 50
// songs in albums of 10, in 40 genres, with their artist, album and genre
// records, written in one transaction.

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "songsmith/library/genre_table.h"
#include "songvault/catalog_codec.h"
#include "songvault/song_codec.h"
#include "songvault/songvault.h"
#include "songvault/sqlite_db.h"

namespace library_bench {

template <std::size_t N>
inline void Put(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// Fills a new store with songs by artists of 50 songs in albums of 10, and
// the artist, album and genre records a loaded library holds.
inline bool MakeStore(const std::string& folder, int songs) {
    SGSMarovelle description;
    {
        SVTENG_CSongvault vault;
        if (!vault.Initialize(&description, folder.c_str())) return false;
        vault.Shutdown(folder.c_str());
    }
    songvault::SqliteDb db;
    if (db.Open(folder + "/" + description.FileName(), false) != SQLITE_OK || db.Exec("BEGIN") != SQLITE_OK)
        return false;
    std::mt19937 random(11);
    songvault::Statement song(db.Handle(), songvault::kInsertSongSql);
    songvault::Statement artist(db.Handle(), songvault::CatalogTraits<TSVT_Artist>::kInsert);
    songvault::Statement album(db.Handle(), songvault::CatalogTraits<TSVT_Album>::kInsert);
    songvault::Statement genre(db.Handle(), songvault::CatalogTraits<TSVT_Genre>::kInsert);
    std::vector<bool> genreMade(kGenreTableCount, false);
    for (int n = 0; n < songs; ++n) {
        const std::string artistName = "Artist " + std::to_string(n / 50);
        const std::string albumName = "Album " + std::to_string(n / 10 % 5);
        const int genreNumber = static_cast<int>(random() % 40);
        if (n % 50 == 0) {
            TSVT_Artist record{};
            Put(record.name, artistName);
            songvault::CatalogTraits<TSVT_Artist>::BindValues(artist, record);
            if (!artist.Run()) return false;
            artist.Reset();
        }
        if (n % 10 == 0) {
            TSVT_Album record{};
            Put(record.name, albumName);
            Put(record.artist, artistName);
            songvault::CatalogTraits<TSVT_Album>::BindValues(album, record);
            if (!album.Run()) return false;
            album.Reset();
        }
        if (!genreMade[static_cast<std::size_t>(genreNumber)]) {
            genreMade[static_cast<std::size_t>(genreNumber)] = true;
            TSVT_Genre record{};
            record.genre = static_cast<std::int16_t>(genreNumber);
            Put(record.name, GenreTableName(genreNumber));
            songvault::CatalogTraits<TSVT_Genre>::BindValues(genre, record);
            if (!genre.Run()) return false;
            genre.Reset();
        }
        TSVT_Song record{};
        Put(record.title, "Song " + std::to_string(n));
        Put(record.artist, artistName);
        Put(record.album, albumName);
        Put(record.path, "/music/" + artistName + "/" + albumName + "/" + std::to_string(n) + ".mp3");
        record.genre = static_cast<std::int16_t>(genreNumber);
        record.format = SVT_FORMAT_MP3;
        songvault::BindSongValues(song, record);
        if (!song.Run()) return false;
        song.Reset();
    }
    return db.Exec("COMMIT") == SQLITE_OK;
}

}  // namespace library_bench
