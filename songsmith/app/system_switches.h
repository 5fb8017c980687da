#pragma once
// The system settings the program switches around a burn and at start-up:
// the audio CD AutoPlay command, the program's automatic-start entry and the
// restart of the computer. This system has none of them, so they act on the
// registry store's stand-ins and change nothing outside the program's own
// files: the classes root is HKEY_LOCAL_MACHINE "SOFTWARE\Classes".

#include <cstdint>

// Key of the AutoPlay command below the classes root, and where its old
// default is kept while it is switched off.
inline constexpr const char* kAutoPlayCommandRegPath = "SOFTWARE\\Classes\\AudioCD\\Shell\\Play\\Command";
inline constexpr const char* kAutoPlayOldDefault = "SGSOldDefault";
// The automatic-start entries (HKEY_LOCAL_MACHINE) and the program's entry.
inline constexpr const char* kAutoStartRegPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kAutoStartEntry = "MV_Songsmith";

// Enabling puts a kept old default back as the command's default and drops
// the kept copy; disabling keeps a non-empty default and then empties it. A
// missing key does nothing.
void SetCDAutoPlayEnabled(bool enabled);

// Deletes the program's automatic-start entry when there is one.
void RemoveAutoStartEntry();

// With addStartEntry, writes the automatic-start entry: the program's full
// path, and a blank and sessionFile when it is not null or empty. Never
// restarts the computer: returns 0, as a refused restart.
std::int32_t RestartWindows(bool addStartEntry, const char* sessionFile);
