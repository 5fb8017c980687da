#include "songvault/tests/store_fixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "songvault/tests/record_fill.h"

namespace svtest {

TSVT_Song MakeSong(std::string_view path, std::string_view title) {
    TSVT_Song song;
    std::memset(&song, 0, sizeof song);
    song.id = SVT_NEW_RECORD;
    song.genre = 17;
    song.year = 1999;
    song.sampleRateHz = 44100;
    song.lengthMs = 187000;
    song.format = SVT_FORMAT_MP3;
    song.bpm = 128;
    song.track = 3;
    song.trackCount = 12;
    song.bitRateKbps = 192;
    // Past 2038, where a signed 32-bit time would turn negative.
    song.createDate = 0xF0000000u;
    song.changeDate = 0xF0000001u;
    song.tagType = 2;
    FillText(song.title, title);
    FillText(song.trackName, title);
    FillText(song.artist, "An Artist");
    FillText(song.album, "An Album");
    std::memcpy(song.cdId, "9a0b1c2d", 8);
    FillText(song.comment, "a comment");
    FillText(song.path, path);
    return song;
}

bool SameBytes(const TSVT_Song& a, const TSVT_Song& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void RunSql(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message != nullptr ? message : "") << " in " << sql;
    sqlite3_free(message);
    sqlite3_close(db);
}

std::string QueryText(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            if (value != nullptr) text = value;
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return text;
}

void StoreTest::SetUp() { ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str())); }

void StoreTest::TearDown() { vault.Shutdown(nullptr); }

std::int32_t StoreTest::Add(std::string_view path, std::string_view title) {
    TSVT_Song song = MakeSong(path, title);
    return vault.AddSong(&song, false);
}

}  // namespace svtest
