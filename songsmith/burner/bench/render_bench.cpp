// How long the burn controller takes to render a session to its track WAV
// files: generated MP3 songs are analysed as session tracks, then
// CBurner::MixSessionToWav writes one WAV file per track (the files a burn
// writes from), once with the shipped pacing (its rests every 200 ms and
// after each file, on the real clock) and once with the pacing off; the
// same songs are then decoded to WAV files by `mpg123 -w` in the same run.
// Each is printed with its ratio to mpg123.
//
//   songsmith_render_bench [FOLDER]
//
// Without a folder, 20 songs of 222 s (74 minutes) are made with sox and
// lame (192 kbit/s) in a temporary folder; with a folder, its MP3 files are
// the session. KEEP_BENCH_FILES keeps the work folder.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/track_list.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSongs = 20;
constexpr int kSongSeconds = 222;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Tones under pink noise, made and encoded four at a time.
bool MakeSongs(const fs::path& folder) {
    std::string jobs;
    for (int i = 0; i < kSongs; ++i) {
        const std::string name = (folder / ("song" + std::to_string(100 + i))).string();
        jobs += "sox -R -n -r 44100 -c 2 -b 16 " + name + ".wav synth " + std::to_string(kSongSeconds) +
                " sine " + std::to_string(220 + 20 * i) + " pinknoise vol -12dB && lame --quiet -b 192 " + name +
                ".wav " + name + ".mp3 && rm " + name + ".wav\n";
    }
    const fs::path script = folder / "make.sh";
    if (FILE* file = std::fopen(script.c_str(), "w")) {
        std::fputs(jobs.c_str(), file);
        std::fclose(file);
    }
    return Run("tr '\\n' '\\0' < " + script.string() + " | xargs -0 -P4 -I{} sh -c '{}'");
}

std::vector<fs::path> SongsIn(const fs::path& folder) {
    std::vector<fs::path> songs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".mp3") songs.push_back(entry.path());
    std::sort(songs.begin(), songs.end());
    return songs;
}

void RemoveTrackFiles(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".tmp") fs::remove(entry.path());
}

// One rendering of the session in mode 1 by a controller with the given
// timing; the seconds taken, or a negative number when not every track
// was placed.
double RenderSession(CPreferences& prefs, CTrackList& tracks, const TBurnTiming& timing, const fs::path& temp) {
    burner_test::CTestDrives drives;
    burner_test::CTestHost host;
    PLATTER_CFakeDevice& writer = drives.Add(true);
    writer.ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
    CBurner burner(drives, prefs, host, nullptr, timing);
    if (burner.Initialize() != 1) return -1;
    burner.SetTrackList(&tracks);
    burner.mode = 1;
    RemoveTrackFiles(temp);
    const auto start = std::chrono::steady_clock::now();
    const int placed = burner.MixSessionToWav(BurnPcmSinkCallback, &burner, true, true);
    const double seconds = SecondsSince(start);
    burner.SetTrackList(nullptr);
    if (placed != tracks.GetCount()) {
        std::fprintf(stderr, "%d of %d tracks placed (error %d)\n", placed, tracks.GetCount(),
                     burner.errorIndex.load());
        return -1;
    }
    return seconds;
}

double DecodeWithMpg123(const std::vector<fs::path>& songs, const fs::path& out) {
    fs::create_directories(out);
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& song : songs) {
        if (!Run("mpg123 -q -w " + (out / song.stem()).string() + ".wav " + song.string())) {
            std::fprintf(stderr, "mpg123 failed on %s\n", song.c_str());
            return -1;
        }
    }
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    if (!Run("mpg123 --version")) {
        std::fprintf(stderr, "mpg123 is needed\n");
        return 1;
    }
    char pattern[] = "/tmp/songsmith_render_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path work = pattern;
    fs::path songsFolder = argc > 1 ? fs::path(argv[1]) : work / "songs";
    if (argc <= 1) {
        fs::create_directories(songsFolder);
        std::printf("making %d songs of %d s with sox and lame -b 192...\n", kSongs, kSongSeconds);
        if (!MakeSongs(songsFolder)) {
            std::fprintf(stderr, "sox or lame failed\n");
            return 1;
        }
    }
    const std::vector<fs::path> songs = SongsIn(songsFolder);
    if (songs.empty()) {
        std::fprintf(stderr, "no MP3 files in %s\n", songsFolder.c_str());
        return 1;
    }

    // A disc that holds the whole session, the songs back to back at their
    // own level.
    const fs::path temp = work / "temp";
    fs::create_directories(temp);
    CPreferences prefs;
    std::snprintf(prefs.Marovelle_Temp_Dir, sizeof prefs.Marovelle_Temp_Dir, "%s/", temp.c_str());
    prefs.bAutoDetectMediaSize = 0;
    prefs.iDefaultMediaSize = 99;
    prefs.bNormalizeSounds = 0;
    prefs.bTrimSoundsAutomatically = 0;
    prefs.fadePreferences = TFadePreferences{0, 0, 2500, 1500};

    if (SoundEngineStartup(nullptr) == 0) return 1;
    SetSilenceThreshold(static_cast<std::uint32_t>(prefs.soundSilenceThreshold));
    SetPartialSongThreshold(prefs.partialSongThreshold);
    SetTempSndPath((work / "cache").c_str());
    fs::create_directories(work / "cache");

    int result = 0;
    {
        CTrackList tracks(prefs);
        auto start = std::chrono::steady_clock::now();
        for (const fs::path& song : songs) {
            const int index = tracks.InsertSong(CSongEntry(song.c_str()), tracks.GetCount());
            CCDTrack& track = *tracks.GetAt(index);
            if (!track.Load()) {
                std::fprintf(stderr, "%s was not analysed\n", song.c_str());
                result = 1;
                break;
            }
            track.CloseSound();
        }
        const double analysis = SecondsSince(start);
        if (result == 0) {
            const double audio = double(tracks.GetBurnLength(false, true)) / 1000.0;
            TBurnTiming unpaced;
            unpaced.pacingSliceMs = 0;
            unpaced.afterTrackFileMs = 0;
            const double paced = RenderSession(prefs, tracks, TBurnTiming{}, temp);
            const double free = RenderSession(prefs, tracks, unpaced, temp);
            RemoveTrackFiles(temp);
            const double mpg123 = DecodeWithMpg123(songs, work / "mpg123");
            if (paced < 0 || free < 0 || mpg123 <= 0) {
                result = 1;
            } else {
                std::printf("%zu songs, %.1f min of audio (analysed as session tracks in %.2f s)\n", songs.size(),
                            audio / 60.0, analysis);
                std::printf("  MixSessionToWav, mode 1, shipped pacing: %8.2f s (%3.0fx real time)\n", paced,
                            audio / paced);
                std::printf("  MixSessionToWav, mode 1, pacing off:     %8.2f s (%3.0fx real time)\n", free,
                            audio / free);
                std::printf("  mpg123 -w, same files:                   %8.2f s (%3.0fx real time)\n", mpg123,
                            audio / mpg123);
                std::printf("  paced / mpg123:   %6.2f (goal: at most 1.6)\n", paced / mpg123);
                std::printf("  unpaced / mpg123: %6.2f (goal: at most 1.2)\n", free / mpg123);
            }
        }
        tracks.Clear(false);
    }
    SetTempSndPath(nullptr);
    SoundEngineShutdown();
    if (std::getenv("KEEP_BENCH_FILES") == nullptr) fs::remove_all(work);
    return result;
}
