// How long the session's analysis of a song takes: generated MP3 songs are
// analysed one after the other through CCDTrack::Load, as the background
// loader does it (with its pauses for the rest of the program on the real
// clock; the song's caches removed first, so every song is decoded), and
// the same files are then decoded by mpg123's generic core without output
// in the same run. Each round prints both times and their ratio.
//
//   songsmith_analysis_bench [ROUNDS]
//
// Makes 20 songs of three minutes with sox and lame (192 kbit/s) in a
// temporary folder; KEEP_BENCH_FILES keeps the folder.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSongs = 20;
constexpr int kSongSeconds = 180;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Tones under pink noise, made and encoded four at a time.
std::vector<fs::path> MakeSongs(const fs::path& folder) {
    std::string jobs;
    std::vector<fs::path> songs;
    for (int i = 0; i < kSongs; ++i) {
        const std::string name = (folder / ("song" + std::to_string(100 + i))).string();
        jobs += "sox -R -n -r 44100 -c 2 -b 16 " + name + ".wav synth " +
                std::to_string(kSongSeconds) + " sine " + std::to_string(220 + 20 * i) +
                " pinknoise vol -12dB && lame --quiet -b 192 " + name + ".wav " + name +
                ".mp3 && rm " + name + ".wav\n";
        songs.push_back(name + ".mp3");
    }
    const fs::path script = folder / "make.sh";
    if (FILE* file = std::fopen(script.c_str(), "w")) {
        std::fputs(jobs.c_str(), file);
        std::fclose(file);
    }
    if (!Run("tr '\\n' '\\0' < " + script.string() + " | xargs -0 -P4 -I{} sh -c '{}'")) return {};
    for (const fs::path& song : songs)
        if (!fs::exists(song)) return {};
    return songs;
}

// Every song analysed as a new session track; the seconds taken, or a
// negative number when a song did not load.
double AnalyseAll(CPreferences& prefs, const std::vector<fs::path>& songs, const fs::path& cache) {
    double seconds = 0;
    for (const fs::path& song : songs) {
        fs::remove_all(cache);
        fs::create_directories(cache);
        CCDTrack track(prefs);
        track.SetFromSongEntry(CSongEntry(song.c_str()));
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = track.Load();
        seconds += SecondsSince(start);
        if (!loaded || track.GetPeakLevel() <= 0) {
            std::fprintf(stderr, "%s was not analysed\n", song.c_str());
            return -1;
        }
    }
    return seconds;
}

double DecodeAllWithMpg123(const std::vector<fs::path>& songs) {
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& song : songs) {
        if (!Run("mpg123 -q -t --cpu generic " + song.string())) {
            std::fprintf(stderr, "mpg123 failed on %s\n", song.c_str());
            return -1;
        }
    }
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (!Run("mpg123 --version")) {
        std::fprintf(stderr, "mpg123 is needed\n");
        return 1;
    }
    char pattern[] = "/tmp/songsmith_analysis_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path work = pattern;
    std::printf("making %d songs of %d s with sox and lame -b 192...\n", kSongs, kSongSeconds);
    const std::vector<fs::path> songs = MakeSongs(work);
    if (songs.empty()) {
        std::fprintf(stderr, "sox or lame failed\n");
        return 1;
    }

    CPreferences prefs;
    if (SoundEngineStartup(nullptr) == 0) return 1;
    SetSilenceThreshold(static_cast<std::uint32_t>(prefs.soundSilenceThreshold));
    SetPartialSongThreshold(prefs.partialSongThreshold);
    const fs::path cache = work / "cache";
    SetTempSndPath(cache.c_str());

    const double audio = double(kSongs) * kSongSeconds;
    std::printf("%d songs, %.0f min of audio\n", kSongs, audio / 60.0);
    std::printf("round  CCDTrack::Load (s)  mpg123 -t --cpu generic (s)  ratio (goal: at most 1.3)\n");
    int result = 0;
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        const double ours = AnalyseAll(prefs, songs, cache);
        const double theirs = DecodeAllWithMpg123(songs);
        if (ours < 0 || theirs <= 0) {
            result = 1;
            break;
        }
        ratios.push_back(ours / theirs);
        std::printf("%5d  %10.2f (%3.0fx)  %18.2f (%3.0fx)  %14.2f\n", round, ours, audio / ours,
                    theirs, audio / theirs, ours / theirs);
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("median ratio: %.2f\n", ratios[ratios.size() / 2]);
    }
    SetTempSndPath(nullptr);
    SoundEngineShutdown();
    if (std::getenv("KEEP_BENCH_FILES") == nullptr) fs::remove_all(work);
    return result;
}
