// Fuzz target for the session's file reader: any bytes loaded onto a list
// that holds a track already. A load that fails leaves that one track; one
// that succeeds appends tracks with unique serials, and (every sixteenth
// input, as saving syncs to disk) saves them to a file of exactly 36 bytes
// plus a record per track that loads again to as many tracks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "songsmith/core/cd_track.h"
#include "songsmith/core/preferences.h"
#include "songsmith/core/track_list.h"
#include "testsupport/fuzz_scratch.h"
#include "tonecore/tags/music_info.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
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
    if (size % 16 != 0) return 0;
    Check(list.SaveSession(saved.c_str()));
    const auto bytes = std::filesystem::file_size(saved);
    Check(bytes == 36 + static_cast<std::uintmax_t>(list.GetCount()) * 6175);
    CTrackList reread(prefs);
    Check(reread.LoadSession(saved.c_str()) && reread.GetCount() == list.GetCount());
    return 0;
}
