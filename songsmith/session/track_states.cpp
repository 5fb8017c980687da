#include "songsmith/session/track_states.h"

namespace {

constexpr std::array<const char*, kTrackStateCount> kStatusKeys = {
    "Status_NoValidDataYet",       "Status_FileNotFound",
    "Status_InUse",                "Status_Waiting",
    "Status_Prep",                 "Status_Failed_Prep",
    "Status_Ready_But_Not_Loaded", "Status_Ready",
    "Status_CopyingLocally",       "Status_ConvertingToWave",
    "Status_Burning",              "Status_Testing",
    "Status_Failed_Burn",          "Status_Burnt",
    "Status_Ripping",              "Status_Ripped",
    "Status_Failed_Rip",
};

}  // namespace

const char* TrackStatusKey(int state) {
    if (state < 0 || state >= kTrackStateCount) return kStatusKeys[0];
    return kStatusKeys[static_cast<std::size_t>(state)];
}
