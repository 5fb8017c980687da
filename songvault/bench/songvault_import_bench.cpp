// Import speed: makes a tree of small tagged song files (MP3 with an ID3 v2
// tag, WAV with a LIST "INFO" chunk, and one in ten a WMA file with its
// attributes when ffmpeg is there), then times, on a warm cache, a plain
// walk with stat of every file, ImportAllFolders into a fresh store with
// the engine-backed probe, a second walk of the same tree into that store
// (nothing new: the walk a search for new songs makes; goal: 2 s at 50,000
// files), and an import with a probe that reads nothing.
//
// Usage: songvault_import_bench [files] (default 10000). Needs lame; WMA
// files need ffmpeg, and the media module beside the bench to be read.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "testsupport/song_tree.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testsupport::Id3v2Tag;
using testsupport::Le16;
using testsupport::Le32;
using testsupport::RiffChunk;

constexpr int kFilesPerFolder = 100;

// Half a second of quiet noise: 8 kHz, mono, 16 bits.
std::string WaveFile(const std::string& title, const std::string& artist, const std::string& album) {
    const std::string format = Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(2) + Le16(16);
    std::string samples(8000, '\0');
    for (std::size_t i = 0; i < samples.size(); i += 2) samples[i] = static_cast<char>(i * 7);
    const std::string info = RiffChunk("INAM", title) + RiffChunk("IART", artist) + RiffChunk("IPRD", album);
    const std::string body = "WAVE" + RiffChunk("fmt ", format) + RiffChunk("LIST", "INFO" + info) + RiffChunk("data", samples);
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// One MP3 without tags, made by lame from half a second of the WAV's sound.
bool MakeMp3Audio(const std::string& folder, std::string& audio) {
    const std::string wav = folder + "/source.wav";
    const std::string mp3 = folder + "/source.mp3";
    testsupport::WriteBytes(wav, WaveFile("", "", ""));
    const std::string command = "lame --silent -b 64 '" + wav + "' '" + mp3 + "'";
    if (std::system(command.c_str()) != 0) return false;
    audio = testsupport::ReadBytes(mp3);
    fs::remove(wav);
    fs::remove(mp3);
    return !audio.empty();
}

// One WMA file of half a second with its attributes, made by ffmpeg; empty
// without it.
std::string MakeWma(const std::string& folder) {
    const std::string wma = folder + "/source.wma";
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=0.5' -c:a wmav2 -b:a 64k "
        "-metadata title='Windows song' -metadata artist='Windows artist' -metadata album=Album '" + wma +
        "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    std::string bytes = testsupport::ReadBytes(wma);
    fs::remove(wma);
    return bytes;
}

void MakeTree(const std::string& root, int files, const std::string& mp3Audio, const std::string& wma) {
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/artist" + std::to_string(i / kFilesPerFolder);
        if (i % kFilesPerFolder == 0) fs::create_directories(folder);
        const std::string title = "Song number " + std::to_string(i);
        const std::string artist = "Artist " + std::to_string(i / kFilesPerFolder);
        if (!wma.empty() && i % 10 == 9) {
            testsupport::WriteBytes(folder + "/" + std::to_string(i) + ".wma", wma);
        } else if (i % 2 == 0) {
            testsupport::WriteBytes(folder + "/" + std::to_string(i) + ".mp3", Id3v2Tag(title, artist, "Album", i % 20 + 1) + mp3Audio);
        } else {
            testsupport::WriteBytes(folder + "/" + std::to_string(i) + ".wav", WaveFile(title, artist, "Album"));
        }
    }
}

// Reads every file once, so each timed pass finds them in the page cache.
long WarmCache(const std::string& root) {
    long bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) bytes += static_cast<long>(testsupport::ReadBytes(entry.path()).size());
    return bytes;
}

int WalkAndStat(const std::string& folder) {
    int files = 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) files += WalkAndStat(path);
        else if (S_ISREG(info.st_mode)) ++files;
    }
    closedir(dir);
    return files;
}

class CNullProbe : public ISongProbe {
public:
    bool Probe(const char*, TSongProbeResult& result) override {
        result.lengthMs = 180000;
        return true;
    }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void PrintRow(const char* what, int files, double seconds) {
    std::printf("%-36s %6d files %8.3f s %10.0f files/s\n", what, files, seconds, files / seconds);
}

// Imports root into a fresh store; stored receives the songs it holds then.
// Files the probe cannot read (WMA without the media module) are reported,
// not counted as a failure.
bool TimeImport(const char* what, const std::string& root, const std::string& storeDir, ISongProbe& probe, int files,
                int& stored) {
    fs::remove_all(storeDir);
    fs::create_directories(storeDir);
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, storeDir.c_str())) return false;
    vault.SetSongProbe(&probe);
    const auto start = Clock::now();
    const bool done = vault.ImportAllFolders(nullptr, SVT_IMPORT_KINDS, root.c_str(), nullptr, SVT_IMPORT_ANY_DEPTH);
    const double seconds = Seconds(Clock::now() - start);
    stored = vault.GetSongCount();
    vault.Shutdown(storeDir.c_str());
    if (!done || stored <= 0) {
        std::fprintf(stderr, "%s: import stored %d of %d files\n", what, stored, files);
        return false;
    }
    if (stored != files) std::printf("%s: %d files the probe did not take\n", what, files - stored);
    PrintRow(what, stored, seconds);
    return true;
}

// The same walk again into the store TimeImport left: every file is known
// (or was refused), so nothing is probed and nothing stored.
bool TimeWalkAgain(const char* what, const std::string& root, const std::string& storeDir, ISongProbe& probe,
                   int files, int stored) {
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, storeDir.c_str())) return false;
    vault.SetSongProbe(&probe);
    // Once to fill what a run learns (the files the probe refused), then timed.
    bool done = vault.ImportAllFolders(nullptr, SVT_IMPORT_KINDS, root.c_str(), nullptr, SVT_IMPORT_ANY_DEPTH);
    const auto start = Clock::now();
    done = done && vault.ImportAllFolders(nullptr, SVT_IMPORT_KINDS, root.c_str(), nullptr, SVT_IMPORT_ANY_DEPTH);
    const double seconds = Seconds(Clock::now() - start);
    const int holds = vault.GetSongCount();
    vault.Shutdown(storeDir.c_str());
    if (!done || holds != stored) {
        std::fprintf(stderr, "%s: the store holds %d songs, not %d\n", what, holds, stored);
        return false;
    }
    PrintRow(what, files, seconds);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (files <= 0) return 2;
    char pattern[] = "/tmp/songvault_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string work = pattern;
    const std::string root = work + "/music";
    const std::string storeDir = work + "/store";
    // The store's default folder would be the user's: keep it in the scratch folder.
    setenv("SONGSMITH_HOME", work.c_str(), 1);

    std::string mp3Audio;
    if (!MakeMp3Audio(work, mp3Audio)) {
        std::fprintf(stderr, "lame is needed to make the MP3 files\n");
        fs::remove_all(work);
        return 1;
    }
    const std::string wma = MakeWma(work);
    MakeTree(root, files, mp3Audio, wma);
    const long bytes = WarmCache(root);
    // Every tenth file, an odd one, is a WMA file in place of a WAV file.
    const int wmaFiles = wma.empty() ? 0 : (files + 1) / 10;
    std::printf("%d files (%d MP3 with ID3 v2, %d WAV with LIST INFO, %d WMA), %.1f MB, in %s\n", files,
                (files + 1) / 2, files / 2 - wmaFiles, wmaFiles, bytes / 1e6, root.c_str());

    auto start = Clock::now();
    const int walked = WalkAndStat(root);
    PrintRow("plain walk + stat", walked, Seconds(Clock::now() - start));

    CTonecoreSongProbe engineProbe;
    CNullProbe nullProbe;
    int stored = 0;
    const bool ok = TimeImport("ImportAllFolders, engine probe", root, storeDir, engineProbe, files, stored) &&
                    TimeWalkAgain("walk again, nothing new (engine probe)", root, storeDir, engineProbe, files,
                                  stored) &&
                    TimeImport("ImportAllFolders, fake probe", root, storeDir, nullProbe, files, stored);
    fs::remove_all(work);
    return ok ? 0 : 1;
}
