#pragma once
// The lines the program logs about itself and the machine when it starts
// with logging on: its title and version, the memory, the disks' free space,
// the system's version and which drive-access layer files are present.

#include <string>

class CPreferences;

// The system folder the drive-access layer files are looked for in. It
// exists only as a name on this system, so the files are never found there.
std::string AspiLayerSystemFolder();

// The whole report. systemFolder: where the layer files are looked for
// (names below it are joined with '/'). Logs nothing while logging is off.
void LogStartupReport(const CPreferences& prefs, const std::string& systemFolder);

// The layer files' lines alone, unless the Zent engine is chosen.
void LogAspiLayerFiles(const CPreferences& prefs, const std::string& systemFolder);
