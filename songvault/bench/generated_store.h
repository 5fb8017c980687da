#pragma once
// Song stores of generated songs for the benchmarks: words made of
// syllables, songs made from them, a store filled in one transaction, and
// the plain LIKE scan the text search is timed against.

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "songvault/records.h"
#include "songvault/song_codec.h"
#include "songvault/sqlite_db.h"

namespace generated_store {

using Ids = std::vector<std::int32_t>;

template <std::size_t N>
void Put(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// Words made of syllables, some capitalised, as tags spell them.
class Vocabulary {
public:
    explicit Vocabulary(std::mt19937& random) : random_(random) {
        static const char* const kSyllables[] = {
            "ka",  "lo", "mi",  "ne",  "ra",  "so", "tu", "vel", "dar", "en",
            "is",  "or", "bri", "sta", "qu",  "an", "to", "li",  "mar", "zen",
            "pho", "ul", "ge",  "ny",  "cho", "wi", "ex", "fa",  "bo",  "ri"};
        while (words_.size() < 4000) {
            std::string word;
            for (std::uint32_t i = 0, n = 2 + random_() % 3; i < n; ++i) {
                word += kSyllables[random_() % std::size(kSyllables)];
            }
            if (random_() % 3 == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
            words_.push_back(word);
        }
    }

    const std::string& Word() { return words_[random_() % words_.size()]; }
    const std::string& WordAt(std::size_t i) const { return words_[i]; }

    std::string Words(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += (i > 0 ? " " : "") + Word();
        return text;
    }

private:
    std::mt19937& random_;
    std::vector<std::string> words_;
};

inline TSVT_Song MakeSong(Vocabulary& vocabulary, std::mt19937& random, int n) {
    TSVT_Song song;
    std::memset(&song, 0, sizeof song);
    const std::string title = vocabulary.Words(1 + static_cast<int>(random() % 4));
    const std::string artist = vocabulary.Words(1 + static_cast<int>(random() % 2));
    const std::string album = vocabulary.Words(1 + static_cast<int>(random() % 3));
    Put(song.title, title);
    Put(song.trackName, random() % 10 == 0 ? vocabulary.Words(2) : title);
    Put(song.artist, artist);
    Put(song.album, album);
    if (random() % 10 < 3) Put(song.comment, vocabulary.Words(2 + static_cast<int>(random() % 4)));
    Put(song.path, "/home/user/Music/" + artist + "/" + album + "/" + std::to_string(n % 20 + 1) +
                       " " + title + (random() % 4 == 0 ? ".wma" : ".mp3"));
    song.genre = static_cast<std::int16_t>(random() % 126);
    song.year = static_cast<std::int16_t>(1950 + random() % 70);
    song.lengthMs = static_cast<std::int32_t>(60000 + random() % 400000);
    song.format = SVT_FORMAT_MP3;
    song.sampleRateHz = 44100;
    song.bitRateKbps = 192;
    song.createDate = 1600000000u + static_cast<std::uint32_t>(n);
    song.trash = (random() % 20 == 0) ? SVT_TRASHED : 0;
    return song;
}

// Adds the songs in one transaction on a connection of its own.
// path, when given, names each song's file instead of the made-up one.
template <class TPath = std::nullptr_t>
bool FillStore(const std::string& file, Vocabulary& vocabulary, std::mt19937& random, int songs,
               TPath path = nullptr) {
    songvault::SqliteDb db;
    if (db.Open(file, false) != SQLITE_OK || db.Exec("BEGIN") != SQLITE_OK) return false;
    songvault::Statement insert(db.Handle(), songvault::kInsertSongSql);
    for (int n = 0; n < songs; ++n) {
        TSVT_Song song = MakeSong(vocabulary, random, n);
        if constexpr (!std::is_same_v<TPath, std::nullptr_t>) Put(song.path, path(n, song));
        songvault::BindSongValues(insert, song);
        if (!insert.Run()) return false;
        insert.Reset();
    }
    return db.Exec("COMMIT") == SQLITE_OK;
}

// The plain scan: LIKE over the six columns, its wildcards escaped.
class LikeScan {
public:
    explicit LikeScan(const std::string& file) {
        db_.Open(file, false);
        query_ = std::make_unique<songvault::Statement>(
            db_.Handle(),
            "SELECT id FROM song WHERE trash >= 0 AND (title LIKE ?1 ESCAPE '\\' OR track_name "
            "LIKE ?1 ESCAPE '\\' "
            "OR artist LIKE ?1 ESCAPE '\\' OR album LIKE ?1 ESCAPE '\\' OR comment LIKE ?1 ESCAPE "
            "'\\' "
            "OR path LIKE ?1 ESCAPE '\\') ORDER BY id");
    }

    Ids Find(const std::string& text) {
        std::string pattern = "%";
        for (const char c : text) {
            if (c == '%' || c == '_' || c == '\\') pattern += '\\';
            pattern += c;
        }
        pattern += '%';
        Ids ids;
        query_->Reset();
        query_->BindText(1, pattern);
        while (query_->Step() == SQLITE_ROW)
            ids.push_back(static_cast<std::int32_t>(query_->Int(0)));
        return ids;
    }

private:
    songvault::SqliteDb db_;
    std::unique_ptr<songvault::Statement> query_;
};


}  // namespace generated_store
