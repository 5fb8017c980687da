#include "platter/testsupport/disc_image_maker.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace platter_test {

namespace {

constexpr std::int32_t kSectorBytes = 2352;
constexpr std::int32_t kSamplesPerSector = 588;  // 2352 / 4
constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

void PutSample(std::string& out, std::size_t at, double value) {
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

// "mm:ss:ff" of a sector address.
std::string CueTime(std::int32_t lsn) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", lsn / 4500, lsn / 75 % 60, lsn % 75);
    return text;
}

std::string DataSector(std::int32_t track, std::int32_t sector) {
    std::string out(kSectorBytes, static_cast<char>(0x40 + track));
    // The sync pattern of a data sector (ECMA-130), then the sector number.
    out[0] = '\0';
    for (int i = 1; i <= 10; ++i) out[static_cast<std::size_t>(i)] = '\xFF';
    out[11] = '\0';
    out[12] = static_cast<char>(sector & 0xFF);
    out[13] = static_cast<char>((sector >> 8) & 0xFF);
    return out;
}

}  // namespace

std::string FixtureAudioSector(std::int32_t track, std::int32_t sector) {
    std::string out(kSectorBytes, '\0');
    const double start = 180.0 + 70.0 * track;  // Hz at the track's start
    const double sweep = 40.0;                  // Hz gained each second
    for (std::int32_t i = 0; i < kSamplesPerSector; ++i) {
        const double t = (static_cast<double>(sector) * kSamplesPerSector + i) / kRate;
        const double phase = 2.0 * kPi * (start * t + sweep * t * t / 2.0);
        const auto at = static_cast<std::size_t>(i) * 4;
        PutSample(out, at, 11000.0 * std::sin(phase));
        PutSample(out, at + 2, 7000.0 * std::sin(1.5 * phase + 0.3 * track));
    }
    return out;
}

std::string TDiscImage::Sectors(std::int32_t firstLsn, std::int32_t endLsn) const {
    std::ifstream in(binPath, std::ios::binary);
    in.seekg(std::int64_t{firstLsn} * kSectorBytes);
    std::string out(static_cast<std::size_t>(endLsn - firstLsn) * kSectorBytes, '\0');
    in.read(out.data(), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

TDiscImage WriteDiscImage(const std::string& folder, const std::string& name, const TImageSpec& spec) {
    TDiscImage image;
    image.cuePath = folder + "/" + name + ".cue";
    image.binPath = folder + "/" + name + ".bin";
    std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
    std::ofstream bin(image.binPath, std::ios::binary | std::ios::trunc);
    std::int32_t next = 0;
    for (std::size_t i = 0; i < spec.tracks.size(); ++i) {
        const TImageTrack& track = spec.tracks[i];
        const std::int32_t start = track.startLsn >= 0 ? track.startLsn : next;
        const auto number = static_cast<std::int32_t>(i + 1);
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02d %s\n", number, track.data ? "MODE1/2352" : "AUDIO");
        cue += line;
        cue += "    INDEX 01 " + CueTime(start) + "\n";
        image.startLsn.push_back(start);
        bin.seekp(std::int64_t{start} * kSectorBytes);
        if (track.data || !spec.sparseAudio) {
            for (std::int32_t s = 0; s < track.sectors; ++s)
                bin << (track.data ? DataSector(number, s) : FixtureAudioSector(number, s));
        }
        next = start + track.sectors;
    }
    bin.close();
    image.leadoutLsn = next;
    const std::int64_t size = std::int64_t{next} * kSectorBytes - spec.cutBytes;
    if (truncate(image.binPath.c_str(), static_cast<off_t>(size)) != 0)
        throw std::runtime_error("cannot size " + image.binPath);
    std::ofstream(image.cuePath, std::ios::binary | std::ios::trunc) << cue;
    return image;
}

TImageSpec AudioDiscSpec() { return TImageSpec{{{253}, {384}, {315}}}; }

TImageSpec MixedModeSpec() { return TImageSpec{{{300, true}, {151}, {227}}}; }

TImageSpec EnhancedCdSpec() {
    // The data track follows the audio session's lead-out, the data
    // session's lead-in and its pregap.
    return TImageSpec{{{201}, {163}, {120, true, 201 + 163 + 11400}}};
}

TImageSpec DataOnlySpec() { return TImageSpec{{{200, true}, {100, true}}}; }

TImageSpec TruncatedSpec() {
    TImageSpec spec = AudioDiscSpec();
    spec.cutBytes = 350 * kSectorBytes + kSectorBytes / 2;
    return spec;
}

}  // namespace platter_test
