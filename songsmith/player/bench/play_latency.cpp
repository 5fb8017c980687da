// How long a user waits between asking the player for a song and the first
// buffer of it reaching the sound device: PlaySong to the first buffer
// queued on the null wave device, through the loading worker and the
// engine's service thread as in the program. Beside it, mpg123 decoding the
// MP3's first second to /dev/null in the same run, and the ratio (the goal
// is at most 2; more than 100 ms is heard as a lag).
//
//   songsmith_play_latency
//
// It makes its songs with sox and lame (a 60 s tone as WAV and as MP3) in a
// temporary folder, which also serves as the settings folder.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wave_out_null.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "tonecore/engine/engine_startup.h"

namespace {

using TClock = std::chrono::steady_clock;

// The null device, noting when the first buffer of each playback arrives.
class CFirstBufferWatch {
public:
    void Arrived() {
        std::lock_guard<std::mutex> hold(lock_);
        if (!arrived_) {
            arrived_ = true;
            at_ = TClock::now();
        }
        changed_.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> hold(lock_);
        arrived_ = false;
    }
    // The time of the first buffer; false when none came within 10 s.
    bool Wait(TClock::time_point& at) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!changed_.wait_for(hold, std::chrono::seconds(10), [this] { return arrived_; })) return false;
        at = at_;
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool arrived_ = false;
    TClock::time_point at_;
};

class CWatchedNullDevice : public CNullWaveOutDevice {
public:
    CWatchedNullDevice(const WAVEFORMATEX& format, CFirstBufferWatch& watch)
        : CNullWaveOutDevice(format, nullptr, true), watch_(watch) {}

protected:
    void OnWritten(const TSpan& written) override {
        CNullWaveOutDevice::OnWritten(written);
        watch_.Arrived();
    }

private:
    CFirstBufferWatch& watch_;
};

class CWatchedNullBackend : public IWaveOutBackend {
public:
    explicit CWatchedNullBackend(CFirstBufferWatch& watch) : watch_(watch) {}
    MMRESULT Open(std::uint32_t, const WAVEFORMATEX& format, std::unique_ptr<CWaveOutDevice>* device) override {
        *device = std::make_unique<CWatchedNullDevice>(format, watch_);
        return MMSYSERR_NOERROR;
    }
    const char* Name() const override { return "null (watched)"; }

private:
    CFirstBufferWatch& watch_;
};

// Runs a command line through the shell; its exit status.
int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// PlaySong to the first buffer, in ms: the median of runs.
double PlayerLatency(CSongPlayer& player, CFirstBufferWatch& watch, const std::string& song, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        player.Stop();
        watch.Reset();
        const TClock::time_point asked = TClock::now();
        if (!player.PlaySong(song.c_str(), 0, 0, -1, 0, 0)) return -1.0;
        TClock::time_point heard;
        if (!watch.Wait(heard)) return -1.0;
        times.push_back(std::chrono::duration<double, std::milli>(heard - asked).count());
    }
    player.Stop();
    return Median(times);
}

// mpg123 decoding the first second (39 frames of 1152 samples) to
// /dev/null, in ms: the median of runs.
double Mpg123FirstSecond(const std::string& mp3, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const TClock::time_point start = TClock::now();
        if (Run("mpg123 -q -n 39 -w /dev/null '" + mp3 + "' 2>/dev/null") != 0) return -1.0;
        times.push_back(std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    }
    return Median(times);
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/songsmith-latency-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return 1;
    const std::string folder = folderTemplate;
    setenv("SONGSMITH_HOME", folder.c_str(), 1);
    const std::string wav = folder + "/tone.wav";
    const std::string mp3 = folder + "/tone.mp3";
    if (Run("sox -q -n -r 44100 -c 2 -b 16 '" + wav + "' synth 60 sine 440 vol 0.25") != 0) {
        std::fprintf(stderr, "sox is needed to make the songs\n");
        return 1;
    }
    const bool haveMp3 = Run("lame --quiet -b 192 '" + wav + "' '" + mp3 + "'") == 0;
    const bool haveMpg123 = haveMp3 && Run("mpg123 --version > /dev/null 2>&1") == 0;

    static int instance = 0;
    if (!SoundEngineStartup(&instance)) {
        std::fprintf(stderr, "the sound engine did not start\n");
        return 1;
    }
    CFirstBufferWatch watch;
    CWatchedNullBackend backend(watch);
    IWaveOutBackend* previous = SetWaveOutBackend(&backend);
    constexpr int kRuns = 7;
    int result = 0;
    {
        CPreferences prefs;
        CTrackList tracks(prefs);
        CSongPlayer player(prefs, tracks);
        player.InitPlayback(44100, 16, 2);
        player.StartWorker();
        const double reference = haveMpg123 ? Mpg123FirstSecond(mp3, kRuns) : -1.0;
        std::printf("%-5s %14s %14s %7s\n", "song", "player (ms)", "mpg123 (ms)", "ratio");
        for (const auto& [name, path, available] :
             {std::tuple{"WAV", wav, true}, std::tuple{"MP3", mp3, haveMp3}}) {
            if (!available) {
                std::printf("%-5s %14s (lame not found)\n", name, "-");
                continue;
            }
            const double latency = PlayerLatency(player, watch, path, kRuns);
            if (latency < 0) {
                std::printf("%-5s no buffer reached the device\n", name);
                result = 1;
                continue;
            }
            if (reference > 0) {
                std::printf("%-5s %14.1f %14.1f %7.2f\n", name, latency, reference, latency / reference);
            } else {
                std::printf("%-5s %14.1f %14s %7s\n", name, latency, "-", "-");
            }
        }
        std::printf("(median of %d runs; mpg123 decodes the MP3's first second for both rows)\n", kRuns);
    }
    SetWaveOutBackend(previous);
    SoundEngineShutdown();
    std::filesystem::remove_all(folder);
    return result;
}
