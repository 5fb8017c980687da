// Fuzz target for the session's file reader: any bytes loaded onto a list
// that holds a track already. A load that fails leaves that one track; one
// that succeeds appends tracks with unique serials whose numbers the
// session, the burn and the player take as they stand: the totals, each
// track's part of the disc and its envelope as the burn renders it and the
// player plays it come out whole and in range. Every sixteenth input (as
// saving syncs to disk) saves the tracks to a file of exactly 36 bytes plus
// a record per track that loads again to the same tracks.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "songsmith/burn/burn_layout.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/track_envelope.h"
#include "songsmith/session/track_list.h"
#include "testsupport/fuzz_scratch.h"
#include "tonecore/tags/music_info.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The loudest gain the loudness rule can give: the loudest volume factor
// times the factor that lifts the quietest peak (one 16-bit step) to full
// scale.
constexpr double kLoudestGain = kLoudestTrackVolume * 32768.0;

void CheckEnvelope(const std::vector<TEnvelopePoint>& points) {
    Check(!points.empty());
    for (std::size_t i = 0; i < points.size(); ++i) {
        Check(std::isfinite(points[i].level) && points[i].level >= 0 && points[i].level <= kLoudestGain);
        if (i > 0) Check(points[i].timeMs >= points[i - 1].timeMs);
    }
}

// What the session shows, the burn lays out and renders, and the player
// plays, for every track of the list: nothing overflows (the sanitizer's
// part) and every length and level is in range.
void TotalRenderAndPlay(CTrackList& list, CPreferences& prefs) {
    Check(list.GetTotalLength() >= 0);
    TFadePreferences fade = prefs.fadePreferences;
    for (const int mode : {0, 1, 2}) {
        fade.transitionMode = mode;
        prefs.fadePreferences.transitionMode = mode;
        for (const bool automatic : {false, true}) Check(list.GetBurnLength(automatic, true) >= 0);
    }
    const double loudest = list.GetLoudestPeak(list.GetCount());
    Check(loudest >= 0 && loudest <= 1);
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        const CCDTrack& track = *list.GetAt(i);
        const double volume = track.GetVolume();
        Check(volume >= 0 && volume <= kLoudestTrackVolume);
        for (const double level : {0.0, 0.5, 1.0}) {
            (void)track.NeedsProcessing(level, false);
            (void)track.NeedsProcessing(level, true);
        }
        const double gain = TrackGain(LoudnessInputsFor(track.GetSerial(), list, prefs));
        Check(std::isfinite(gain) && gain >= 0 && gain <= kLoudestGain);
        // The burn: the track's part of the song, its place on the disc,
        // and its fade over that part.
        for (const bool automatic : {false, true}) {
            const TBurnRange range = BurnRangeOf(track, automatic);
            Check(range.startMs >= 0 && range.lengthMs >= 0);
            Check(BurnKilobytesFor(range.lengthMs) >= 0);
            Check(DiscTrackLengthMs(range.lengthMs, fade, i + 1 == count, true) >= 0);
            CheckEnvelope(FadeEnvelopePoints(gain, 0, range.lengthMs, range.lengthMs, fade.fadeMs, i > 0,
                                             i + 1 < count));
        }
        // The player: from the user's trim start to its end.
        const std::int32_t start = track.GetUserTrimStart();
        const std::int32_t end = track.GetUserTrimEnd();
        Check(start >= 0 && end >= start);
        CheckEnvelope(FadeEnvelopePoints(gain, start, end, end, fade.fadeMs, true, true));
    }
}

// The fields a session file keeps of a track, as the track holds them.
struct TStored {
    std::string path, title;
    std::int32_t length, trims[4];
    double volume, peak;
    int state;
    bool operator==(const TStored&) const = default;
};

std::vector<TStored> Stored(CTrackList& list) {
    std::vector<TStored> stored;
    for (int i = 0; i < list.GetCount(); ++i) {
        const CCDTrack& track = *list.GetAt(i);
        const TONECORE_CMusicInfo info = track.GetMusicInfo();
        stored.push_back({info.path,
                          info.title,
                          info.lengthMs,
                          {info.trimStartMs, info.trimEndMs, info.autoTrimStartMs, info.autoTrimEndMs},
                          track.GetVolume(),
                          track.GetPeakLevel(),
                          track.GetState()});
    }
    return stored;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzsupport::CScratchFolder scratch("session_file_fuzz");
    static const std::string input = scratch.File("input.tps");
    static const std::string saved = scratch.File("saved.tps");
    if (!fuzzsupport::CScratchFolder::Write(input, data, size)) return 0;

    CPreferences prefs;
    CTrackList list(prefs);
    TONECORE_CMusicInfo first;
    std::snprintf(first.path, sizeof first.path, "%s", "/music/first.mp3");
    Check(list.InsertMusicInfo(first, 0) == 0);
    const int firstSerial = list.GetAt(0)->GetSerial();
    if (!list.LoadSession(input.c_str())) {
        Check(list.GetCount() == 1 && list.GetAt(0)->GetSerial() == firstSerial);
        return 0;
    }
    std::set<int> serials;
    for (int i = 0; i < list.GetCount(); ++i) serials.insert(list.GetAt(i)->GetSerial());
    Check(static_cast<int>(serials.size()) == list.GetCount());
    Check(prefs.LastTrackID.load() > *serials.rbegin());
    TotalRenderAndPlay(list, prefs);
    if (size % 16 != 0) return 0;
    Check(list.SaveSession(saved.c_str()));
    const auto bytes = std::filesystem::file_size(saved);
    Check(bytes == 36 + static_cast<std::uintmax_t>(list.GetCount()) * 6175);
    CTrackList reread(prefs);
    Check(reread.LoadSession(saved.c_str()));
    Check(Stored(reread) == Stored(list));
    return 0;
}
