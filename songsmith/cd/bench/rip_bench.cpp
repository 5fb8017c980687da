// The CD rip's speed through the program's own rip (CCdRip: the drive
// library's extraction, the buffer, the converter, tags, the temporary file
// renamed) next to the reference programs on the same generated image, in
// one run on the same machine: a 20-minute audio disc of five 4-minute
// tracks in a temporary folder, ripped to WAV beside `cd-paranoia -r`, and
// to MP3 (192 kbit/s stereo, the CD preset) beside `cd-paranoia | lame` at
// the same settings. Both verify their reads (paranoia's checks on, each
// program's default). Prints times real time (the median of the runs) and
// our speed over theirs (goal: at least 0.95).
//
//   songsmith_rip_bench [RUNS]        RUNS defaults to 3

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/cd/cd_rip.h"
#include "songsmith/cd/rip_settings.h"
#include "tonecore/convert/converter_factory.h"

namespace {

constexpr int kTracks = 5;
constexpr std::int32_t kTrackSectors = 4 * 60 * 75;
constexpr double kDiscSeconds = kTracks * kTrackSectors / 75.0;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Rips every track of the disc through the program's rip; its seconds, or
// -1 when a track did not end up in its file.
double RipOurs(PLATTER_CDevice& drive, int format, const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    TRipSettings settings;
    settings.ripPath = folder + "/";
    settings.tempFolder = folder + "/";
    settings.format = format;
    settings.mp3Quality = 9;
    settings.mp3TagType = 2;
    settings.encodedBy = "Songsmith";
    std::vector<TRipTrack> tracks;
    for (int t = 0; t < kTracks; ++t) {
        TRipTrack track;
        track.row = t;
        track.discTrack = t + 1;
        track.frames = drive.trackTable[t].lengthFrames;
        std::snprintf(track.info.title, sizeof track.info.title, "Track %d", t + 1);
        track.info.trackNumber = t + 1;
        track.info.trackCount = kTracks;
        tracks.push_back(track);
    }
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int ripped = 0;
    TRipEvents events;
    events.rowRipped = [&](int, const std::string&) {
        std::lock_guard<std::mutex> hold(lock);
        ++ripped;
    };
    events.finished = [&] {
        std::lock_guard<std::mutex> hold(lock);
        done = true;
        ended.notify_all();
    };
    const auto start = Clock::now();
    CCdRip rip(drive, settings, std::move(tracks), std::move(events));
    if (!rip.Start()) return -1;
    {
        std::unique_lock<std::mutex> hold(lock);
        ended.wait(hold, [&] { return done; });
    }
    rip.Join();
    const double seconds = SecondsSince(start);
    return ripped == kTracks ? seconds : -1;
}

double RipTheirs(const std::string& cue, const std::string& folder, bool mp3) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto start = Clock::now();
    for (int t = 1; t <= kTracks; ++t) {
        const std::string n = std::to_string(t);
        const std::string command =
            mp3 ? "cd-paranoia -q -d '" + cue + "' -r " + n +
                      " - 2>/dev/null | lame --quiet --noreplaygain -r -s 44.1 --bitwidth 16 --signed "
                      "--little-endian -m s -b 192 - '" + folder + "/" + n + ".mp3' 2>/dev/null"
                : "cd-paranoia -q -d '" + cue + "' -r " + n + " '" + folder + "/" + n + ".raw' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return -1;
    }
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    char folderTemplate[] = "/tmp/ripbenchXXXXXX";
    const char* made = mkdtemp(folderTemplate);
    if (made == nullptr) return 1;
    const std::string folder = made;
    platter_test::TImageLayout layout;
    for (int t = 0; t < kTracks; ++t) layout.tracks.push_back({kTrackSectors});
    const platter_test::TDiscImage image = platter_test::WriteDiscImage(folder, "disc", layout);

    PLATTER_CPlatter platter;
    platter.listRealDrives = false;
    platter.imageDrive.enabled = true;
    platter.imageDrive.trays = {folder};
    PLATTER_CDevice* drive = nullptr;
    if (platter.InitializeASPILayer(false, nullptr, nullptr, nullptr)) drive = platter.GetDevice(0);
    if (drive == nullptr || (drive->RefreshStatus(), !drive->ReadDeviceInfo())) {
        std::fprintf(stderr, "the image drive could not read the generated disc\n");
        return 1;
    }
    DetermineConvertersAvailable(MP3_ENCODER_LAME, nullptr);

    struct TCase {
        const char* label;
        int format;
        bool mp3;
    } cases[] = {{"WAV  (cd-paranoia -r)", kRipFormatWav, false}, {"MP3  (cd-paranoia | lame)", kRipFormatMp3, true}};
    std::printf("%.0f-minute generated disc, %d tracks, median of %d runs\n", kDiscSeconds / 60, kTracks, runs);
    std::printf("%-28s %12s %12s %8s\n", "case", "ours x RT", "theirs x RT", "ratio");
    int status = 0;
    for (const TCase& c : cases) {
        std::vector<double> ours, theirs;
        for (int run = 0; run < runs; ++run) {
            ours.push_back(RipOurs(*drive, c.format, folder + "/ours"));
            theirs.push_back(RipTheirs(image.cuePath, folder + "/theirs", c.mp3));
        }
        const double a = Median(ours);
        const double b = Median(theirs);
        if (a <= 0 || b <= 0) {
            std::printf("%-28s failed\n", c.label);
            status = 1;
            continue;
        }
        std::printf("%-28s %12.1f %12.1f %8.3f\n", c.label, kDiscSeconds / a, kDiscSeconds / b, b / a);
    }
    FreeConversionLibraries();
    std::filesystem::remove_all(folder);
    return status;
}
