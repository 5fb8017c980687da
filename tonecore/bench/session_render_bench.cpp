// Rendering a burn session: songs loaded as PCM sounds, placed one after
// the other in a sound group, rendered to 44100 Hz 16-bit stereo through a
// data sink that writes one WAV file per song, timed beside mpg123 decoding
// the same files to WAV in the same run.
//
//   session_render_bench [FOLDER]
//
// Without a folder, two sessions of 20 MP3 files of 222 s each (74 minutes)
// are made first with sox and lame in a temporary folder: one at a constant
// bitrate, one at a variable bitrate (whose frames differ in size, so reads
// size their source by an average). Loading (the scan that builds each
// song's peaks and seek map) is timed apart from rendering. With
// KEEP_BENCH_FILES set, the work folder (songs made, both sets of WAV
// files) is kept.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMadeSongs = 20;
constexpr int kMadeSongSeconds = 222;
constexpr std::uint32_t kBytesPerSecond = 176400;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Songs of tones and noise, encoded four at a time with the lame settings.
bool MakeSongs(const fs::path& folder, const std::string& lame) {
    std::string jobs;
    for (int i = 0; i < kMadeSongs; ++i) {
        const std::string name = (folder / ("song" + std::to_string(100 + i))).string();
        jobs += "sox -R -n -r 44100 -c 2 -b 16 " + name + ".wav synth " +
                std::to_string(kMadeSongSeconds) + " sine " + std::to_string(220 + 20 * i) +
                " pinknoise vol -12dB && lame --quiet " + lame + " " + name + ".wav " + name +
                ".mp3 && rm " + name + ".wav\n";
    }
    const fs::path script = folder / "make.sh";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(jobs.c_str(), f);
        std::fclose(f);
    }
    return Run("tr '\\n' '\\0' < " + script.string() + " | xargs -0 -P4 -I{} sh -c '{}'");
}

// A WAV file written as the stream arrives; its sizes are set at the end.
class CWavOut {
public:
    explicit CWavOut(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        const unsigned char header[44] = {};
        if (file_ != nullptr) std::fwrite(header, 1, sizeof header, file_);
    }
    ~CWavOut() { Finish(); }
    void Write(const char* data, std::size_t bytes) {
        if (file_ != nullptr) std::fwrite(data, 1, bytes, file_);
        bytes_ += bytes;
    }
    void Finish() {
        if (file_ == nullptr) return;
        unsigned char h[44];
        const auto le = [&h](int at, std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) h[at + i] = static_cast<unsigned char>(v >> (8 * i));
        };
        std::copy_n("RIFF", 4, h);
        le(4, static_cast<std::uint32_t>(36 + bytes_), 4);
        std::copy_n("WAVEfmt ", 8, h + 8);
        le(16, 16, 4);
        le(20, 1, 2);
        le(22, 2, 2);
        le(24, 44100, 4);
        le(28, kBytesPerSecond, 4);
        le(32, 4, 2);
        le(34, 16, 2);
        std::copy_n("data", 4, h + 36);
        le(40, static_cast<std::uint32_t>(bytes_), 4);
        std::fseek(file_, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, file_);
        std::fclose(file_);
        file_ = nullptr;
    }

private:
    std::FILE* file_;
    std::uint64_t bytes_ = 0;
};

// Splits the rendered stream at the songs' ends into their files.
struct TTrackSink {
    std::vector<std::uint64_t> ends;  // byte where each song ends in the stream
    std::vector<std::string> paths;
    std::unique_ptr<CWavOut> out;
    std::size_t track = 0;
    std::uint64_t position = 0;

    static TDataWriteCode Write(char* data, std::int32_t& bytes, void* user) {
        auto& sink = *static_cast<TTrackSink*>(user);
        std::uint64_t left = static_cast<std::uint64_t>(bytes);
        while (left > 0 && sink.track < sink.ends.size()) {
            if (sink.out == nullptr) sink.out = std::make_unique<CWavOut>(sink.paths[sink.track]);
            const std::uint64_t piece = std::min(left, sink.ends[sink.track] - sink.position);
            sink.out->Write(data, piece);
            data += piece;
            left -= piece;
            sink.position += piece;
            if (sink.position == sink.ends[sink.track]) {
                sink.out.reset();
                ++sink.track;
            }
        }
        return 0;
    }
};

int KeepLoading(std::uint32_t, void*) { return 1; }

// Loads the session's songs one after the other, renders them to one WAV
// file per song, then has mpg123 decode the same files; prints the times
// under the title. False when a song does not load.
bool BenchSession(const char* title, const fs::path& songsFolder, const fs::path& work) {
    std::vector<fs::path> songs;
    for (const auto& entry : fs::directory_iterator(songsFolder))
        if (entry.path().extension() == ".mp3") songs.push_back(entry.path());
    std::sort(songs.begin(), songs.end());
    if (songs.empty()) {
        std::fprintf(stderr, "no MP3 files in %s\n", songsFolder.c_str());
        return false;
    }
    fs::create_directories(work / "ours");
    fs::create_directories(work / "mpg123");

    // Loading: each song scanned once, placed after the one before.
    auto start = std::chrono::steady_clock::now();
    auto* group = new CSoundGroup;
    TTrackSink sink;
    std::int64_t position = 0;
    for (const fs::path& song : songs) {
        auto* file = new CFileObj;
        auto* sound = new CPCMSound;
        const bool opened = file->Open(song.c_str(), 0, 0) != 0;
        if (!opened || !sound->InitialLoad(file, 2000, 0, 1, 0, 1, 10, KeepLoading, nullptr)) {
            std::fprintf(stderr, "%s does not load\n", song.c_str());
            return false;
        }
        DeleteRefObject(&file);
        sound->Add(group, static_cast<std::int32_t>(position));
        position += sound->Length(0);
        sink.ends.push_back(static_cast<std::uint64_t>(position) * kBytesPerSecond / 1000 / 4 * 4);
        sink.paths.push_back((work / "ours" / song.stem()).string() + ".wav");
        CAudioAtom* creation = sound;
        DeleteAtom(&creation);
    }
    const double loadSeconds = SecondsSince(start);

    start = std::chrono::steady_clock::now();
    const WAVEFORMATEX cd{WAVE_FORMAT_PCM, 2, 44100, kBytesPerSecond, 4, 16, 0};
    CPCMMixer mixer(nullptr);
    mixer.MixToDataSink(group, &TTrackSink::Write, &sink, &cd, group->Length(0), -1);
    sink.out.reset();
    const double renderSeconds = SecondsSince(start);
    CAudioAtom* root = group;
    DeleteAtom(&root);

    start = std::chrono::steady_clock::now();
    for (const fs::path& song : songs) {
        if (!Run("mpg123 -q -w " + (work / "mpg123" / song.stem()).string() + ".wav " + song.string())) {
            std::fprintf(stderr, "mpg123 failed on %s\n", song.c_str());
        }
    }
    const double mpg123Seconds = SecondsSince(start);

    const double audio = double(position) / 1000.0;
    const auto written = std::distance(fs::directory_iterator(work / "ours"), fs::directory_iterator());
    std::printf("%s: %zu songs, %.1f min of audio, %td WAV files written\n", title, songs.size(),
                audio / 60.0, written);
    std::printf("  load (scan, peaks, seek maps): %8.2f s\n", loadSeconds);
    std::printf("  render to per-track WAVs:      %8.2f s (%.0fx real time)\n", renderSeconds,
                audio / renderSeconds);
    std::printf("  mpg123 -w, same files:         %8.2f s\n", mpg123Seconds);
    std::printf("  render / mpg123:               %8.2f (goal: at most 1.10)\n",
                renderSeconds / mpg123Seconds);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/session_render_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path work = pattern;
    struct TSession {
        const char* title;
        fs::path songs;
        const char* lame;
    };
    std::vector<TSession> sessions;
    if (argc > 1) {
        sessions.push_back({"session", argv[1], nullptr});
    } else {
        sessions.push_back({"CBR 192 kbit/s", work / "cbr", "-b 192"});
        sessions.push_back({"VBR -V 2", work / "vbr", "-V 2"});
    }
    for (const TSession& session : sessions) {
        if (session.lame == nullptr) continue;
        fs::create_directories(session.songs);
        std::printf("making %d songs of %d s with sox and lame %s...\n", kMadeSongs,
                    kMadeSongSeconds, session.lame);
        if (!MakeSongs(session.songs, session.lame)) {
            std::fprintf(stderr, "sox or lame failed\n");
            return 1;
        }
    }
    fs::create_directories(work / "cache");
    static int instance = 0;
    if (SoundEngineStartup(&instance) == 0) return 1;
    SetTempSndPath((work / "cache").c_str());
    int result = 0;
    for (const TSession& session : sessions) {
        if (!BenchSession(session.title, session.songs, work / "out" / session.songs.filename()))
            result = 1;
    }
    SoundEngineShutdown();
    if (std::getenv("KEEP_BENCH_FILES") == nullptr) fs::remove_all(work);
    return result;
}
