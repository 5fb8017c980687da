#pragma once
// The sound engine running as the program runs it while a test loads songs:
// started (only a running engine makes the decoding objects of MPEG songs),
// with the preferences' silence and partial-song thresholds, and with the
// peaks and seek-map caches in a folder of the test's own.

#include <filesystem>
#include <string>

#include "songsmith/prefs/preferences.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/engine_startup.h"

namespace songfiles {

class CEngineScope {
public:
    CEngineScope(const CPreferences& prefs, const std::string& cacheFolder) {
        started_ = SoundEngineStartup(nullptr) == 1;
        SetSilenceThreshold(static_cast<std::uint32_t>(prefs.soundSilenceThreshold));
        SetPartialSongThreshold(prefs.partialSongThreshold);
        std::filesystem::create_directories(cacheFolder);
        SetTempSndPath(cacheFolder.c_str());
    }
    ~CEngineScope() {
        SetTempSndPath(nullptr);
        SoundEngineShutdown();
    }
    CEngineScope(const CEngineScope&) = delete;
    CEngineScope& operator=(const CEngineScope&) = delete;

    bool Started() const { return started_; }

private:
    bool started_ = false;
};

}  // namespace songfiles
