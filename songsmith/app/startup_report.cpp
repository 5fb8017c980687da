#include "songsmith/app/startup_report.h"

#include <unistd.h>

#include "filekit/log.h"
#include "platform/shared_dlls.h"
#include "platter/types.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/program_title.h"
#include "utilities/file_system.h"
#include "utilities/windows_version.h"

namespace {

bool FileThere(const std::string& folder, const char* name) {
    return ::access((folder + "/" + name).c_str(), F_OK) == 0;
}

}  // namespace

std::string AspiLayerSystemFolder() { return GetWindowsDirectory() + "\\System32"; }

void LogAspiLayerFiles(const CPreferences& prefs, const std::string& systemFolder) {
    if (prefs.WhichBurningEngine == kEngineZent) return;
    // The maker's own layer: the NT file, else the 9x file with its driver.
    bool lastFound = FileThere(systemFolder, "wnaspint.dll");
    if (lastFound) {
        Log("**** Marovelle wnaspint.dll exists!");
    } else if (FileThere(systemFolder, "WNASPI9X.DLL")) {
        Log("***** Marovelle wnaspi9x.dll exists!");
        lastFound = FileThere(systemFolder, "IOSUBSYS/WNASPI9X.VXD");
        Log(lastFound ? "Marovelle IOSUBSYS\\WNASPI9X.VXD exists!"
                      : "ERR *****> MISSING Marovelle IOSUBSYS\\WNASPI9X.VXD!");
    }
    if (prefs.UseMarovelleASPI != 0 && lastFound) {
        Log("*** Using Marovelle ASPI Layer");
        return;
    }
    Log("*** Using whatever ASPI Layer is available.");
    Log(FileThere(systemFolder, "wnaspi32.dll") ? "*** wnaspi32.dll exists!" : "ERR *** wnaspi32.dll does not exist!");
}

void LogStartupReport(const CPreferences& prefs, const std::string& systemFolder) {
    if (LoggingNow() == 0) return;
    Log("Starting up!");
    char title[kProgramTitleMax + 1];
    GetProgramTitle(title, sizeof title, true);
    Log(title);
    LogCurrentMemory();
    LogCurrentHardDriveSpace();
    char version[kWindowsVersionTextSize];
    GetWindowsSystemVersion(version);
    Log(version);
    LogAspiLayerFiles(prefs, systemFolder);
}
