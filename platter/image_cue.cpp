#include "platter/image_cue.h"

#include <cstdio>

std::string CueTime(std::int64_t sectors) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(sectors / 4500),
                  static_cast<long long>(sectors / 75 % 60), static_cast<long long>(sectors % 75));
    return text;
}

std::string MakeImageCue(const TWritePlan& plan, const std::string& binName) {
    std::string cue;
    if (plan.cdText && !plan.discTitle.empty()) cue += "TITLE \"" + CdTextTitle(plan.discTitle) + "\"\n";
    cue += "FILE \"" + binName + "\" BINARY\n";
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%02zu", i + 1);
        cue += std::string("  TRACK ") + number + " AUDIO\n";
        if (plan.cdText && !plan.tracks[i].title.empty())
            cue += "    TITLE \"" + CdTextTitle(plan.tracks[i].title) + "\"\n";
        const std::int64_t start = plan.TrackStartSector(i);
        const std::int32_t gapBefore = i > 0 ? plan.tracks[i - 1].gapSectors : 0;
        if (gapBefore > 0) cue += "    INDEX 00 " + CueTime(start - gapBefore) + "\n";
        cue += "    INDEX 01 " + CueTime(start) + "\n";
    }
    return cue;
}
