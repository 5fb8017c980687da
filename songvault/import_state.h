#pragma once
// The engine's import settings: the song probe and post hook the program
// installed, and the flag that lets folder walks run.

#include <atomic>

#include "songvault/import_song.h"
#include "songvault/import_types.h"
#include "songvault/song_probe.h"

namespace songvault {

struct TImportSettings {
    // Read by walks without the engine lock: SetImporting(false) must reach
    // a walk that is busy on the disk.
    std::atomic<bool> importing{true};
    // Set and read under the engine lock; not owned.
    ISongProbe* probe = nullptr;
    SVT_PostHook hook;
    // Files the walks' probe refused during this run.
    CRefusedFiles refused;
};

}  // namespace songvault
