#pragma once
// Artist, album and genre records as rows of their tables. Each record type
// has one traits class naming its table and statements, so the calls of the
// three kinds share one implementation (catalog_calls.cpp).

#include "songvault/records.h"
#include "songvault/sqlite_db.h"

namespace songvault {

template <class Record>
struct CatalogTraits;

template <>
struct CatalogTraits<TSVT_Artist> {
    static constexpr const char* kCount = "SELECT count(*) FROM artist";
    static constexpr const char* kSelectAll = "SELECT id, number, name FROM artist ORDER BY id";
    static constexpr const char* kSelectOne = "SELECT id, number, name FROM artist WHERE id = ?1";
    static constexpr const char* kInsert = "INSERT INTO artist(number, name) VALUES(?1, ?2)";
    static constexpr const char* kUpdate = "UPDATE artist SET number = ?1, name = ?2 WHERE id = ?3";
    static constexpr const char* kDelete = "DELETE FROM artist WHERE id = ?1";
    // The parameter of the id in kUpdate.
    static constexpr int kUpdateId = 3;

    static void Read(const Statement& row, TSVT_Artist& artist);
    static void BindValues(Statement& statement, const TSVT_Artist& artist);
    static void Fit(TSVT_Artist& artist);
};

template <>
struct CatalogTraits<TSVT_Album> {
    static constexpr const char* kCount = "SELECT count(*) FROM album";
    static constexpr const char* kSelectAll =
        "SELECT id, year, genre, number, name, artist FROM album ORDER BY id";
    static constexpr const char* kSelectOne =
        "SELECT id, year, genre, number, name, artist FROM album WHERE id = ?1";
    static constexpr const char* kInsert =
        "INSERT INTO album(year, genre, number, name, artist) VALUES(?1, ?2, ?3, ?4, ?5)";
    static constexpr const char* kUpdate =
        "UPDATE album SET year = ?1, genre = ?2, number = ?3, name = ?4, artist = ?5 WHERE id = ?6";
    static constexpr const char* kDelete = "DELETE FROM album WHERE id = ?1";
    static constexpr int kUpdateId = 6;

    static void Read(const Statement& row, TSVT_Album& album);
    static void BindValues(Statement& statement, const TSVT_Album& album);
    static void Fit(TSVT_Album& album);
};

template <>
struct CatalogTraits<TSVT_Genre> {
    static constexpr const char* kCount = "SELECT count(*) FROM genre";
    static constexpr const char* kSelectAll = "SELECT id, number, genre, name FROM genre ORDER BY id";
    static constexpr const char* kSelectOne = "SELECT id, number, genre, name FROM genre WHERE id = ?1";
    static constexpr const char* kInsert = "INSERT INTO genre(number, genre, name) VALUES(?1, ?2, ?3)";
    static constexpr const char* kUpdate =
        "UPDATE genre SET number = ?1, genre = ?2, name = ?3 WHERE id = ?4";
    static constexpr const char* kDelete = "DELETE FROM genre WHERE id = ?1";
    static constexpr int kUpdateId = 4;

    static void Read(const Statement& row, TSVT_Genre& genre);
    static void BindValues(Statement& statement, const TSVT_Genre& genre);
    static void Fit(TSVT_Genre& genre);
};

}  // namespace songvault
