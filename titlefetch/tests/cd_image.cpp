#include "titlefetch/tests/cd_image.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "testsupport/temp_dir.h"

namespace cdimage {

namespace {

// Bytes of one raw sector (Red Book).
constexpr std::int64_t kSectorBytes = 2352;

// A CUE time: minutes, seconds and frames (75 a second) of a sector count.
std::string CueTime(std::int64_t sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(sectors / 4500),
                  static_cast<int>(sectors / 75 % 60), static_cast<int>(sectors % 75));
    return text;
}

}  // namespace

std::string WriteImage(const std::string& folder, const std::string& name, const std::vector<TImageTrack>& tracks) {
    std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
    std::int64_t sector = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        sector += tracks[i].gapBefore;
        char number[8];
        std::snprintf(number, sizeof number, "%02d", static_cast<int>(i + 1));
        cue += std::string("  TRACK ") + number + (tracks[i].data ? " MODE1/2352\n" : " AUDIO\n");
        cue += "    INDEX 01 " + CueTime(sector) + "\n";
        sector += tracks[i].sectors;
    }
    return WriteImage(folder, name, cue, sector);
}

std::string WriteImage(const std::string& folder, const std::string& name, const std::string& cueText,
                       std::int64_t binSectors) {
    const std::string cuePath = folder + "/" + name + ".cue";
    const std::string binPath = folder + "/" + name + ".bin";
    testsupport::WriteWholeFile(cuePath, cueText);
    testsupport::WriteWholeFile(binPath, "");
    if (truncate(binPath.c_str(), static_cast<off_t>(binSectors * kSectorBytes)) != 0) std::abort();
    return cuePath;
}

}  // namespace cdimage
