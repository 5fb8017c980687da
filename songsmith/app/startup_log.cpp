#include "songsmith/app/startup_log.h"

#include <cstdio>

#include "filekit/log.h"
#include "songsmith/prefs/preferences.h"

namespace {

// Where the note in a crash log sends the user.
constexpr const char* kSupportPage = "https://support.trackpress.example/";

void AppendCrashNote(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    std::fprintf(file,
                 "\r\nPlease send this log file to Marovelle's support.  Go to %s and click on "
                 "'Request Personal Support'.\r\n",
                 kSupportPage);
    std::fclose(file);
}

}  // namespace

void StartProgramLog(CPreferences& prefs, const std::string& folder) {
    const std::string logPath = folder + kLogFileName;
    if (prefs.bLogFailed != 0) {
        // The killed run's log becomes the crash log, replacing an older one,
        // so the newest crash is the one kept; the note goes after it.
        const std::string crashPath = folder + kCrashLogFileName;
        std::rename(logPath.c_str(), crashPath.c_str());
        AppendCrashNote(crashPath);
    }
    prefs.bLogFailed = 1;
    LogInit(logPath.c_str());
}
