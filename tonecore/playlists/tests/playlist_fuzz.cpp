// Fuzz target for one playlist reader, chosen by the extension the build
// gives (PLAYLIST_FUZZ_EXTENSION): the input is loaded with and without
// checking and counted, and a list that loaded is saved as a session (see
// below) and read back to the same number of entries.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testsupport/fuzz_scratch.h"
#include "tonecore/playlists/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The readers take paths, so each input goes through a scratch folder.
    static const fuzzsupport::CScratchFolder scratch("playlist_fuzz");
    static const std::string input = scratch.File("input." PLAYLIST_FUZZ_EXTENSION);
    static const std::string session = scratch.File("saved.tps");
    if (!fuzzsupport::CScratchFolder::Write(input, data, size)) return 0;

    CPlaylist checked;
    checked.LoadFromFile(input.c_str(), true);
    CPlaylist counted;
    const int count = counted.GetSongCount(input.c_str());
    if (count < 0) std::abort();

    CPlaylist list;
    if (!list.LoadFromFile(input.c_str(), false)) return 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.GetTrackFilePath(i) == nullptr || list.GetTrackTitle(i) == nullptr) std::abort();
    }
    // Saving syncs a file to disk, which is slow: the session target's
    // inputs, and every sixteenth of the others, are saved.
    if (std::strcmp(PLAYLIST_FUZZ_EXTENSION, "tps") != 0 && (size % 16) != 0) return 0;
    if (!list.SaveToFile(session.c_str())) return 0;
    CPlaylist reread;
    if (!reread.LoadFromFile(session.c_str(), false) || reread.Count() != list.Count()) std::abort();
    return 0;
}
