#include "songsmith/burn/burn_strategy.h"

#include <algorithm>

#include "songsmith/burner/burner_tables.h"

namespace {

// The fade settings' kind in which consecutive tracks overlap.
constexpr int kTransitionOverlap = 2;
// A speed row the writer cannot use, and the stored "fastest".
constexpr int kFastest = 255;

}  // namespace

TBurnStrategy ChooseBurnStrategy(bool zentEngine, bool convertFirst, int transitionMode, bool mandatoryOnly) {
    const bool overlap = transitionMode == kTransitionOverlap;
    if (zentEngine) {
        if (convertFirst)
            return {kBurnModeRenderSession,
                    overlap ? "Mixing tracks, converting all tracks to wav first. (ZENT)"
                            : "Gap or no silence between tracks. Converting all tracks to wav first. (ZENT)"};
        return {kBurnModeOnTheFly, overlap ? "Mixing tracks, burning on the fly! (ZENT)"
                                           : "Gap or no silence between tracks. burning on the fly! (ZENT)"};
    }
    if (convertFirst) {
        if (overlap) return {kBurnModeRenderSession, "Mixing tracks, converting all tracks to wav first."};
        return {kBurnModeConvertFirst,
                "Gap or no silence between tracks. Converting compressed mp3s or wav files that need to be trimmed "
                "or normalized into CD quality wavs..."};
    }
    if (mandatoryOnly) return {kBurnModeConvertMandatory, "Only converting files that do not decode to CD quality first"};
    return {kBurnModeConvertAsNeeded, "Gap or no silence between tracks. Converting some tracks to CD quality wavs."};
}

int NextLowerSpeed(int current, const std::vector<int>& speeds) {
    // Speed numbers start at 0 (1X), so -1 marks "none".
    int fastest = -1;
    for (const int speed : speeds)
        if (speed != kFastest) fastest = std::max(fastest, speed);
    const int from = current == kFastest ? fastest : current;
    int next = -1;
    for (const int speed : speeds)
        if (speed != kFastest && speed < from) next = std::max(next, speed);
    return next >= 0 ? next : current;
}
