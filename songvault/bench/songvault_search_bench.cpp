// Text search speed of the song store at 100,000 songs, next to a plain
// SQLite LIKE scan of the same six columns timed in the same run. Makes the
// songs from a generated vocabulary in a temporary folder, then types 20
// words of the vocabulary key by key: every prefix is one search. Prints the
// median and 95th percentile per search for the engine's search (through its
// index, and through its reference scan of every row) and for the LIKE scan,
// their ratio, and whether the engine and LIKE found the same songs.
//
// Two more rows time the index while the store changes: "after an edit"
// (one song retitled through the engine before each search, the copy then
// checked against LIKE) and "during an import" (another thread adds songs
// through a connection of its own, at an import's pace, while the same
// words are typed).
//
//   songvault_search_bench [SONGS]      SONGS defaults to 100000

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "songvault/records.h"
#include "songvault/search_state.h"
#include "songvault/song_codec.h"
#include "songvault/songvault.h"
#include "songvault/sqlite_db.h"
#include "songvault/bench/generated_store.h"

namespace {

using namespace generated_store;

using Clock = std::chrono::steady_clock;
using Ids = std::vector<std::int32_t>;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Ids EngineResults(SVTENG_CSongvault& vault, std::int32_t count) {
    Ids ids;
    TSVT_Song song;
    for (std::int32_t i = 0; i < count && vault.GetQueryResult(i, &song); ++i)
        ids.push_back(song.id);
    return ids;
}

// An import's pace: a batch of songs committed every few milliseconds
// (about 1,000 songs a second, faster than files are read off a disk).
constexpr int kImportBatch = 20;
constexpr auto kImportPause = std::chrono::milliseconds(20);

// Adds songs on a thread and connection of its own until stopped; joined by
// its owner.
class ImportWriter {
public:
    ImportWriter(const std::string& file, Vocabulary& vocabulary, int firstSong)
        : file_(file), vocabulary_(vocabulary), next_(firstSong), thread_([this] { Run(); }) {}
    ~ImportWriter() {
        stop_.store(true);
        thread_.join();
    }
    int Added() const { return added_.load(); }

private:
    void Run() {
        songvault::SqliteDb db;
        if (db.Open(file_, false) != SQLITE_OK) return;
        sqlite3_busy_timeout(db.Handle(), 2000);
        songvault::Statement insert(db.Handle(), songvault::kInsertSongSql);
        std::mt19937 random(99);
        while (!stop_.load()) {
            if (db.Exec("BEGIN IMMEDIATE") != SQLITE_OK) continue;
            for (int i = 0; i < kImportBatch; ++i, ++next_) {
                TSVT_Song song = MakeSong(vocabulary_, random, next_);
                Put(song.path, "/import/" + std::to_string(next_) + ".mp3");
                songvault::BindSongValues(insert, song);
                insert.Run();
                insert.Reset();
            }
            if (db.Exec("COMMIT") == SQLITE_OK) added_ += kImportBatch;
            std::this_thread::sleep_for(kImportPause);
        }
    }

    std::string file_;
    Vocabulary& vocabulary_;
    int next_;
    std::atomic<bool> stop_{false};
    std::atomic<int> added_{0};
    std::thread thread_;
};

struct Timings {
    std::vector<double> ms;

    double Percentile(double p) const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
        return sorted[at];
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    char folderTemplate[] = "/tmp/songvault_bench_XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folderTemplate;
    const std::string file = folder + "/Marovelle.mdb";

    std::mt19937 random(34);
    Vocabulary vocabulary(random);
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, folder.c_str())) {
        std::fprintf(stderr, "cannot make the store in %s\n", folder.c_str());
        return 1;
    }
    Clock::time_point start = Clock::now();
    if (!FillStore(file, vocabulary, random, songs)) {
        std::fprintf(stderr, "cannot fill the store\n");
        return 1;
    }
    const double fillMs = MsSince(start);
    start = Clock::now();
    vault.FindSongsByText("");
    const double firstSearchMs = MsSince(start);

    // Twenty words typed key by key.
    std::vector<std::string> queries;
    for (std::size_t w = 0; w < 20; ++w) {
        const std::string& word = vocabulary.WordAt(w * 97);
        for (std::size_t n = 1; n <= word.size(); ++n) queries.push_back(word.substr(0, n));
    }

    LikeScan like(file);
    Timings index, exact, likeTimes;
    std::size_t identical = 0;
    std::size_t hits = 0;
    for (const std::string& query : queries) {
        songvault::SetTextSearchPath(songvault::TextSearchPath::kExactScan);
        start = Clock::now();
        const std::int32_t exactCount = vault.FindSongsByText(query.c_str());
        exact.ms.push_back(MsSince(start));

        songvault::SetTextSearchPath(songvault::TextSearchPath::kIndex);
        start = Clock::now();
        const std::int32_t count = vault.FindSongsByText(query.c_str());
        index.ms.push_back(MsSince(start));

        start = Clock::now();
        const Ids likeIds = like.Find(query);
        likeTimes.ms.push_back(MsSince(start));

        const Ids ids = EngineResults(vault, count);
        hits += ids.size();
        if (ids == likeIds && count == exactCount)
            ++identical;
        else
            std::printf("  differs: '%s' engine %d, reference scan %d, LIKE %zu\n", query.c_str(),
                        count, exactCount, likeIds.size());
    }

    // One song retitled before each search, from the words being typed.
    Timings afterEdit;
    std::size_t editedIdentical = 0;
    for (std::size_t q = 0; q < queries.size(); ++q) {
        TSVT_Song song;
        const auto id = static_cast<std::int32_t>(1 + random() % static_cast<std::uint32_t>(songs));
        if (vault.GetSong(id, &song)) {
            Put(song.title, vocabulary.Words(2));
            vault.UpdateSong(&song);
        }
        start = Clock::now();
        const std::int32_t count = vault.FindSongsByText(queries[q].c_str());
        afterEdit.ms.push_back(MsSince(start));
        if (EngineResults(vault, count) == like.Find(queries[q])) ++editedIdentical;
    }

    // The same words typed while another connection imports.
    Timings duringImport;
    int imported = 0;
    {
        ImportWriter writer(file, vocabulary, songs);
        for (const std::string& query : queries) {
            start = Clock::now();
            vault.FindSongsByText(query.c_str());
            duringImport.ms.push_back(MsSince(start));
            // A person types a key every few tens of milliseconds.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        imported = writer.Added();
    }
    vault.Shutdown(nullptr);
    std::filesystem::remove_all(folder);

    std::printf(
        "songvault text search: %d songs, %zu searches (20 words typed key by key), %.1f hits a "
        "search\n",
        songs, queries.size(), static_cast<double>(hits) / static_cast<double>(queries.size()));
    std::printf("filling the store: %.0f ms; first search (builds the index): %.1f ms\n", fillMs,
                firstSearchMs);
    std::printf("%-28s %10s %10s\n", "", "median ms", "p95 ms");
    std::printf("%-28s %10.3f %10.3f\n", "FindSongsByText (index)", index.Percentile(0.5),
                index.Percentile(0.95));
    std::printf("%-28s %10.3f %10.3f\n", "FindSongsByText (row scan)", exact.Percentile(0.5),
                exact.Percentile(0.95));
    std::printf("%-28s %10.3f %10.3f\n", "SQLite LIKE scan", likeTimes.Percentile(0.5),
                likeTimes.Percentile(0.95));
    std::printf("%-28s %10.3f %10.3f\n", "index, after an edit", afterEdit.Percentile(0.5),
                afterEdit.Percentile(0.95));
    std::printf("%-28s %10.3f %10.3f   (%d songs added meanwhile)\n", "index, during an import",
                duringImport.Percentile(0.5), duringImport.Percentile(0.95), imported);
    std::printf("LIKE / index: median %.1fx, p95 %.1fx\n",
                likeTimes.Percentile(0.5) / index.Percentile(0.5),
                likeTimes.Percentile(0.95) / index.Percentile(0.95));
    std::printf("same songs as LIKE: %s (%zu of %zu searches)\n",
                identical == queries.size() ? "yes" : "NO", identical, queries.size());
    std::printf("same songs as LIKE after each edit: %s (%zu of %zu searches)\n",
                editedIdentical == queries.size() ? "yes" : "NO", editedIdentical, queries.size());
    return identical == queries.size() && editedIdentical == queries.size() ? 0 : 2;
}
