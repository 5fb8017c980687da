// Ripping speed of ExtractTrack next to cd-paranoia, in one run on the same
// machine and the same generated image: a 20-minute audio disc of five
// 4-minute tracks in a temporary folder. Each program rips every track
// with jitter checks on (cd-paranoia's default) and off (its -Z); the rips
// are compared byte for byte. Prints times real time (the median of the
// runs) and our speed over cd-paranoia's.
//
//   rip_bench [RUNS]        RUNS defaults to 3

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "platter/testsupport/disc_image_maker.h"

namespace {

constexpr int kTracks = 5;
constexpr std::int32_t kTrackSectors = 4 * 60 * 75;
constexpr double kDiscSeconds = kTracks * kTrackSectors / 75.0;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::int32_t Collect(void* context, const void* data, std::int32_t count, std::int32_t size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
    return count * size;
}

// Rips every track; the rips in out. False when a rip failed.
bool RipOurs(PLATTER_CDevice& drive, bool checks, std::vector<std::string>& out) {
    out.assign(kTracks, std::string());
    for (int t = 0; t < kTracks; ++t) {
        out[static_cast<std::size_t>(t)].reserve(static_cast<std::size_t>(kTrackSectors) * 2352);
        TExtractParams params;
        params.dataCallback = &Collect;
        params.dataContext = &out[static_cast<std::size_t>(t)];
        params.trackNumber = t + 1;
        params.jitterCorrection = checks ? PLATTER_JITTER_ON : PLATTER_JITTER_OFF;
        if (!drive.ExtractTrack(&params)) return false;
    }
    return true;
}

bool RipTheirs(const std::string& cue, const std::string& folder, bool checks, std::vector<std::string>& out) {
    out.assign(kTracks, std::string());
    for (int t = 0; t < kTracks; ++t) {
        const std::string raw = folder + "/paranoia.raw";
        const std::string command = std::string("cd-paranoia -q ") + (checks ? "" : "-Z ") + "-d '" + cue + "' -r " +
                                    std::to_string(t + 1) + " '" + raw + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return false;
        out[static_cast<std::size_t>(t)] = ReadAll(raw);
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (std::system("command -v cd-paranoia >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "cd-paranoia is not installed\n");
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "rip_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 2;
    const std::string folder = pattern;

    platter_test::TImageSpec spec;
    for (int t = 0; t < kTracks; ++t) spec.tracks.push_back(platter_test::TImageTrack{kTrackSectors});
    const auto made = Clock::now();
    const platter_test::TDiscImage image = platter_test::WriteDiscImage(folder, "disc", spec);
    std::printf("20-minute image made in %.1f s (%s)\n", SecondsSince(made), image.cuePath.c_str());

    PLATTER_CPlatter engine;
    engine.listRealDrives = false;
    engine.imageDrive.trays = {folder};
    engine.imageDrive.paced = false;
    engine.imageDrive.swapDelayMs = 0;
    TBurningEngine asked = kEngineNotChosen;
    if (!engine.InitializeASPILayer(false, nullptr, nullptr, &asked) || engine.GetDevices() != 1) return 2;
    PLATTER_CDevice& drive = *engine.GetDevice(0);

    int status = 0;
    for (bool checks : {true, false}) {
        std::vector<double> ours;
        std::vector<double> theirs;
        bool same = true;
        for (int run = 0; run < runs; ++run) {
            std::vector<std::string> ourRips;
            std::vector<std::string> theirRips;
            auto start = Clock::now();
            if (!RipOurs(drive, checks, ourRips)) {
                std::fprintf(stderr, "ExtractTrack failed\n");
                return 1;
            }
            ours.push_back(SecondsSince(start));
            start = Clock::now();
            if (!RipTheirs(image.cuePath, folder, checks, theirRips)) {
                std::fprintf(stderr, "cd-paranoia failed\n");
                return 1;
            }
            theirs.push_back(SecondsSince(start));
            same = same && ourRips == theirRips;
        }
        const double oursX = kDiscSeconds / Median(ours);
        const double theirsX = kDiscSeconds / Median(theirs);
        std::printf("%-22s ExtractTrack %6.1fx real time, cd-paranoia %6.1fx, ratio %.2f, rips %s\n",
                    checks ? "jitter checks on:" : "jitter checks off (-Z):", oursX, theirsX, oursX / theirsX,
                    same ? "identical" : "DIFFER");
        if (!same) status = 1;
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return status;
}
