#pragma once
// The program's log at start-up: "songsmith-log.txt" in the per-user data
// folder. When the last run did not end cleanly ("bLogFailed" still set),
// its log becomes "songsmith-crash.txt" (replacing an older one) with a note
// for the user, before this run's first line empties the log.

#include <string>

class CPreferences;

inline constexpr const char* kLogFileName = "songsmith-log.txt";
inline constexpr const char* kCrashLogFileName = "songsmith-crash.txt";

// Keeps the crash log when there was a crash, sets "bLogFailed" for this run
// (in memory) and starts the log in folder (with a trailing '/').
void StartProgramLog(CPreferences& prefs, const std::string& folder);
