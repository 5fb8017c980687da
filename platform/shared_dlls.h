#pragma once
// Shared-file counts: installers keep, under HKEY_LOCAL_MACHINE, one 32-bit
// count per installed file that several programs share, named by the file's
// full path. A file is removed only when its count says no other program
// needs it any more.
//
// The full paths are the ones the installers wrote, under the Windows folder;
// on this system that folder exists only to form these names.

#include <string>

// Key of the counts below HKEY_LOCAL_MACHINE.
inline constexpr const char* kSharedDllsKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The Windows folder, without a trailing '\\': always "C:\WINDOWS".
std::string GetWindowsDirectory();

// False only when the count named valueName exists as a 4-byte number and is
// 0 or 1. A missing key or value, a count of 2 or more, or a value that is no
// 4-byte number all mean the file may still be needed: true.
bool SharedDllStillUsed(const char* valueName);
