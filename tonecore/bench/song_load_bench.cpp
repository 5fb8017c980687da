// Load times of a folder of songs: the first load of each song (its scan
// builds the length, the peaks at 10 ms and the seek map, and writes the
// cache files) and the second load (which takes them from the cache files).
// Songs must be older than the run, or their caches are not taken as fresh.
//
//   song_load_bench FOLDER [CACHE_FOLDER]
//
// The caches go to CACHE_FOLDER, or to a new temporary folder removed at the
// end. Prints each song's times and the totals with their ratio.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/load/initial_load.h"

namespace {

constexpr std::int32_t kMsPerPeak = 10;

struct TLoadTime {
    double seconds = -1.0;  // negative: the load failed
    std::int32_t lengthMs = 0;
    int progressCalls = 0;
};

int CountCalls(std::uint32_t /*bytes*/, void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

TLoadTime LoadOnce(const std::string& path) {
    TLoadTime out;
    CFileObj* file = new CFileObj;
    if (file->Open(path.c_str(), 0, 0) == 0) {
        DeleteRefObject(&file);
        return out;
    }
    const auto start = std::chrono::steady_clock::now();
    CInitialLoad load;
    const int loaded =
        load.DoInitialLoad(file, 1, 0, 1, 0, kMsPerPeak, CountCalls, &out.progressCalls);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (loaded == 1) {
        out.seconds = seconds;
        out.lengthMs = load.Length();
    }
    DeleteRefObject(&file);
    return out;
}

bool IsSong(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    for (const char* known : {".mp3", ".mp2", ".mp1", ".wav", ".MP3", ".MP2", ".MP1", ".WAV"})
        if (ext == known) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [CACHE_FOLDER]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> songs;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file() && IsSong(entry.path())) songs.push_back(entry.path().string());
    std::sort(songs.begin(), songs.end());
    if (songs.empty()) {
        std::fprintf(stderr, "%s: no songs in %s\n", argv[0], argv[1]);
        return 1;
    }
    std::string cache;
    bool ownCache = false;
    if (argc > 2) {
        cache = argv[2];
    } else {
        char pattern[] = "/tmp/song_load_bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return 1;
        cache = pattern;
        ownCache = true;
    }
    static int instance = 0;
    if (SoundEngineStartup(&instance) == 0) return 1;
    SetTempSndPath(cache.c_str());

    double firstTotal = 0;
    double cachedTotal = 0;
    double audioSeconds = 0;
    int failed = 0;
    std::printf("%-40s %10s %12s %12s %8s\n", "song", "length s", "first ms", "cached ms", "ratio");
    for (const std::string& song : songs) {
        const TLoadTime first = LoadOnce(song);
        const TLoadTime cached = LoadOnce(song);
        const std::string name = std::filesystem::path(song).filename().string();
        if (first.seconds < 0 || cached.seconds < 0) {
            std::printf("%-40s failed to load\n", name.c_str());
            ++failed;
            continue;
        }
        firstTotal += first.seconds;
        cachedTotal += cached.seconds;
        audioSeconds += first.lengthMs / 1000.0;
        // A cached load calls back twice (start and end); more means it
        // scanned again (a song newer than its caches).
        std::printf(
            "%-40s %10.1f %12.2f %12.2f %8.1f%s\n", name.c_str(), first.lengthMs / 1000.0,
            first.seconds * 1000, cached.seconds * 1000, first.seconds / cached.seconds,
            cached.progressCalls > 2 ? "  (scanned again: song not older than its caches)" : "");
    }
    std::printf(
        "\n%zu songs, %.0f s of audio: first loads %.3f s (%.0fx real time), cached loads %.3f s, "
        "ratio %.1f\n",
        songs.size() - static_cast<std::size_t>(failed), audioSeconds, firstTotal,
        firstTotal > 0 ? audioSeconds / firstTotal : 0.0, cachedTotal,
        cachedTotal > 0 ? firstTotal / cachedTotal : 0.0);
    SoundEngineShutdown();
    if (ownCache) std::filesystem::remove_all(cache);
    return failed == 0 ? 0 : 1;
}
