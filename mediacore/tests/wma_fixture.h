#pragma once
// Songs made by the ffmpeg program for the reader and writer tests, and the
// program's own decode of them as the reference.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "utilities/unicode.h"

namespace mediatest {

inline bool HaveFfmpeg() {
    return std::system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") == 0;
}

inline std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[1 << 16];
        while (std::size_t got = fread(block, 1, sizeof block, pipe)) out.append(block, got);
        pclose(pipe);
    }
    return out;
}

struct TWmaSpec {
    const char* codec;  // wmav1 or wmav2
    int rate;
    int channels;
    int kbps;
};

inline std::string SpecName(const TWmaSpec& spec) {
    return std::string(spec.codec) + "_" + std::to_string(spec.rate) + "_" + std::to_string(spec.channels) + "ch";
}

// Two tones per channel and a little noise, so every band carries something.
inline std::string MakeWma(const testsupport::TempDir& dir, const TWmaSpec& spec, double seconds) {
    const std::string path = dir.File(SpecName(spec) + ".wma");
    const std::string left = "0.4*sin(2*PI*440*t)+0.2*sin(2*PI*1250*t)+0.05*random(0)";
    const std::string right = "0.3*sin(2*PI*660*t)+0.1*sin(2*PI*3100*t)+0.05*random(1)";
    const std::string exprs = spec.channels == 2 ? left + "|" + right : left;
    const std::string command = "ffmpeg -v error -y -f lavfi -i \"aevalsrc=exprs='" + exprs +
                                "':s=" + std::to_string(spec.rate) + ":d=" + std::to_string(seconds) +
                                "\" -c:a " + spec.codec + " -b:a " + std::to_string(spec.kbps) + "k '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

// The ffmpeg program's decode: 16-bit interleaved samples.
inline std::vector<std::int16_t> FfmpegDecode(const std::string& path) {
    const std::string bytes = Capture("ffmpeg -v error -i '" + path + "' -f s16le -acodec pcm_s16le -");
    std::vector<std::int16_t> pcm(bytes.size() / 2);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                           (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    }
    return pcm;
}

inline std::u16string Wide(const std::string& path) { return Utf8ToUtf16(path); }

}  // namespace mediatest
