// Speed of MP3 conversion through the encoder module next to the lame
// program encoding the same PCM, measured in one run on the same machine.
// Makes a 120-second 44.1 kHz stereo test sound with sox (pink noise under a
// tone and a square wave, so the encoder spends its bits), then converts it
// from memory through the engine's LAME converter (the encoder module beside
// this program) and times "lame" on the same raw PCM with the same
// settings: 192 kbit/s stereo CBR, and VBR quality 2 within 128-320 kbit/s.
// Prints the median of the runs and the ratio (goal: at most 1.05).
//
//   mp3_conversion_bench [RUNS]        RUNS defaults to 3

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/conv2file_obj.h"

namespace {

constexpr int kSeconds = 120;

struct TCase {
    const char* label;
    bool vbr;
    const char* lameOptions;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

CConv2FileFormat Target(bool vbr) {
    CConv2FileFormat target(WAVE_FORMAT_MPEGLAYER3);
    target.usePreset = 0;
    target.mode = 0;
    target.bitrate = 192;
    target.enableVBR = vbr ? 1 : 0;
    target.vbrQuality = 2;
    target.minBitrate = 128;
    target.maxBitrate = 320;
    target.tagType = 0;
    return target;
}

// One conversion from memory; the seconds taken, negative on failure.
double ConvertOnce(const std::vector<char>& pcm, bool vbr, const std::string& out) {
    WAVEFORMATEX source{};
    source.wFormatTag = WAVE_FORMAT_PCM;
    source.nChannels = 2;
    source.nSamplesPerSec = 44100;
    source.wBitsPerSample = 16;
    source.nBlockAlign = 4;
    source.nAvgBytesPerSec = 176400;
    CConv2FileFormat target = Target(vbr);
    const auto start = std::chrono::steady_clock::now();
    CConv2FileObj* conv = NewCConv2FileObj(FILE_CONVERSION_MP3, MP3_ENCODER_LAME);
    if (conv == nullptr || conv->Create(out.c_str(), &target, &source) != 1) return -1;
    const auto block = static_cast<std::size_t>(conv->GetDesiredBufferSize());
    for (std::size_t at = 0; at < pcm.size(); at += block) {
        const std::size_t n = std::min(block, pcm.size() - at);
        if (conv->WriteStreamData(pcm.data() + at, static_cast<std::int64_t>(n), nullptr) < 0) return -1;
    }
    conv->EndWriteStream();
    int done = 0;
    conv->FinalData(out.c_str(), "", &done, nullptr);
    conv->Close();
    DeleteRefObject(&conv);
    return done == 1 ? SecondsSince(start) : -1;
}

double LameOnce(const std::string& options, const std::string& raw, const std::string& out) {
    // No ReplayGain analysis: the engine's conversion does none either.
    const std::string command = "lame --quiet --noreplaygain -r -s 44.1 --bitwidth 16 --signed --little-endian " +
                                options + " '" + raw + "' '" + out + "' 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    return std::system(command.c_str()) == 0 ? SecondsSince(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    char folderTemplate[] = "/tmp/mp3benchXXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (folder == nullptr) return 1;
    const std::string raw = std::string(folder) + "/sound.raw";
    const std::string command = "sox -R -D -n -r 44100 -c 2 -b 16 -e signed -t raw '" + raw + "' synth " +
                                std::to_string(kSeconds) + " pinknoise synth " + std::to_string(kSeconds) +
                                " sine mix 440 synth " + std::to_string(kSeconds) +
                                " square mix 3 vol -10dB >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "sox could not make the test sound\n");
        return 1;
    }
    std::ifstream in(raw, std::ios::binary);
    const std::vector<char> pcm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DetermineConvertersAvailable(MP3_ENCODER_LAME, nullptr);

    const TCase cases[] = {
        {"192 kbit/s CBR stereo", false, "-m s -b 192"},
        {"VBR quality 2, 128-320 kbit/s", true, "-m s -V 2 -b 128 -B 320"},
    };
    std::printf("%d s of 44.1 kHz stereo, median of %d runs\n", kSeconds, runs);
    std::printf("%-32s %12s %12s %8s\n", "case", "engine s", "lame s", "ratio");
    int status = 0;
    for (const TCase& c : cases) {
        std::vector<double> ours, lame;
        for (int run = 0; run < runs; ++run) {
            ours.push_back(ConvertOnce(pcm, c.vbr, std::string(folder) + "/engine.mp3"));
            lame.push_back(LameOnce(c.lameOptions, raw, std::string(folder) + "/lame.mp3"));
        }
        const double a = Median(ours);
        const double b = Median(lame);
        if (a < 0 || b < 0) {
            std::printf("%-32s failed\n", c.label);
            status = 1;
            continue;
        }
        std::printf("%-32s %12.3f %12.3f %8.3f\n", c.label, a, b, a / b);
    }
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    FreeConversionLibraries();
    return status;
}
