// Decoding speed of the MPEG audio decoder next to the reference program,
// measured in one run on the same machine. Makes 600-second test streams
// with sox, lame and twolame in a temporary folder (layer III: 192 kbit/s
// CBR, V2 VBR, 320 kbit/s and 22.05 kHz MPEG-2 mono; layer II: 192 and
// 384 kbit/s stereo and 22.05 kHz MPEG-2 mono), decodes each from memory
// through the decoder's public interface, and times "mpg123 -t" (decode
// without output) with its generic core and with its default core. Prints
// times real time (the median of the runs) and the ratios. The decoder's
// vector path is the one it picks for the machine (TRACKPRESS_MPEG_SIMD
// names another).
//
//   mpeg_decode_bench [RUNS]        RUNS defaults to 3

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tonecore/mpeg/mpeg_simd.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"

namespace {

constexpr int kSeconds = 600;

struct TCase {
    const char* label;
    int rateHz;
    int channels;
    const char* encoder;  // the command and its options before the input and output
    const char* extension;
};

// The sound: pink noise under a few tones and clicks, loud enough that the
// encoder spends its bits (a stand-in for dense music).
bool MakeSound(const std::string& wav, int rateHz, int channels) {
    const std::string command = "sox -R -D -n -r " + std::to_string(rateHz) + " -c " + std::to_string(channels) +
                                " -b 16 '" + wav + "' synth " + std::to_string(kSeconds) +
                                " pinknoise synth " + std::to_string(kSeconds) +
                                " sine mix 440 synth " + std::to_string(kSeconds) +
                                " square mix 3 vol -10dB >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Decodes the whole stream once from memory; the seconds taken, or a
// negative value when decoding failed.
double DecodeOnce(const std::vector<std::uint8_t>& bytes, double& audioSeconds) {
    const mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* control = decoder.get();
    if (control == nullptr) return -1.0;
    char name[64];
    std::snprintf(name, sizeof(name), "%zx@%jx", bytes.size(),
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(bytes.data())));
    std::vector<std::int16_t> pcm(2 * 1152);
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t samples = 0;
    std::uint32_t rateHz = 0;
    if (DecoderInputNew(control, name, -1) != 0 || DecoderInputOpen(control) != 0) return -1.0;
    for (;;) {
        const std::int32_t result = DecoderDecode(control, pcm.data());
        if (result == 0) {
            samples += control->outputBuffer->samplesPerChannel;
            rateHz = control->outputBuffer->sampleRate;
        } else if (result != DECODER_ERR_NO_FRAME) {
            break;
        }
    }
    const double seconds = SecondsSince(start);
    audioSeconds = rateHz != 0 ? static_cast<double>(samples) / rateHz : 0.0;
    return seconds;
}

double TimeCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1.0;
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (std::system("command -v sox >/dev/null && command -v lame >/dev/null && command -v twolame >/dev/null && "
                    "command -v mpg123 >/dev/null") != 0) {
        std::fprintf(stderr, "sox, lame, twolame and mpg123 are needed\n");
        return 2;
    }
    char pattern[] = "/tmp/mpeg-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 2;
    const std::string folder = pattern;

    const TCase cases[] = {
        {"III 192 kbit/s CBR, 44.1 kHz stereo", 44100, 2, "lame --quiet -m j -b 192", "mp3"},
        {"III V2 VBR, 44.1 kHz stereo", 44100, 2, "lame --quiet -m j -V 2", "mp3"},
        {"III 320 kbit/s CBR, 44.1 kHz stereo", 44100, 2, "lame --quiet -m j -b 320", "mp3"},
        {"III 64 kbit/s, 22.05 kHz MPEG-2 mono", 22050, 1, "lame --quiet -m m -b 64", "mp3"},
        {"II 192 kbit/s, 44.1 kHz stereo", 44100, 2, "twolame --quiet -m j -b 192", "mp2"},
        {"II 384 kbit/s, 48 kHz stereo", 48000, 2, "twolame --quiet -m s -b 384", "mp2"},
        {"II 64 kbit/s, 22.05 kHz MPEG-2 mono", 22050, 1, "twolame --quiet -m m -b 64", "mp2"},
    };
    std::fprintf(stderr, "making %d-second streams in %s ...\n", kSeconds, folder.c_str());
    // Encode all at once: the encoders are the slow part of the set-up.
    std::string encodeAll;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TCase& c = cases[i];
        const std::string wav = folder + "/sound-" + std::to_string(c.rateHz) + "-" + std::to_string(c.channels) + ".wav";
        std::ifstream existing(wav);
        if (!existing && !MakeSound(wav, c.rateHz, c.channels)) {
            std::fprintf(stderr, "sox failed\n");
            return 1;
        }
        encodeAll += std::string(c.encoder) + " '" + wav + "' '" + folder + "/case" + std::to_string(i) + "." +
                     c.extension + "' & ";
    }
    encodeAll += "wait";
    if (std::system(encodeAll.c_str()) != 0) {
        std::fprintf(stderr, "an encoder failed\n");
        return 1;
    }

    const EMpegSimdPath path = MpegSimdPath();
    std::printf("decoder's vector path: %s\n", path == EMpegSimdPath::kAvx2   ? "AVX2"
                                                : path == EMpegSimdPath::kSse2 ? "SSE2"
                                                                               : "scalar");
    std::printf("%-38s %10s %10s %10s %12s %12s\n", "stream", "ours", "mpg123 gen", "mpg123 def", "ours/generic",
                "ours/default");
    int status = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string mp3 = folder + "/case" + std::to_string(i) + "." + cases[i].extension;
        std::ifstream in(mp3, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<double> ours;
        std::vector<double> generic;
        std::vector<double> defaultCore;
        double audioSeconds = 0.0;
        for (int run = 0; run < runs; ++run) {
            ours.push_back(DecodeOnce(bytes, audioSeconds));
            generic.push_back(TimeCommand("mpg123 -q -t --cpu generic '" + mp3 + "'"));
            defaultCore.push_back(TimeCommand("mpg123 -q -t '" + mp3 + "'"));
        }
        const double oursX = audioSeconds / Median(ours);
        const double genericX = kSeconds / Median(generic);
        const double defaultX = kSeconds / Median(defaultCore);
        if (Median(ours) <= 0.0 || audioSeconds < kSeconds) status = 1;
        std::printf("%-38s %9.0fx %9.0fx %9.0fx %12.2f %12.2f\n", cases[i].label, oursX, genericX, defaultX,
                    oursX / genericX, oursX / defaultX);
    }
    std::system(("rm -rf '" + folder + "'").c_str());
    return status;
}
