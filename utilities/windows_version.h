#pragma once
// Which Windows release the program runs on, as the callers number them.
// Linux answers as the newest release they know (7), so that every caller
// takes its current-family path, with a description of the real system.

#include <cstddef>
#include <cstdint>
#include <string>

enum TOurWinVersion : std::int32_t {
    kWin95 = 0,
    kWin95OSR2 = 1,
    kWin98 = 2,
    kWin98SE = 3,
    kWinME = 4,
    kWinNT = 5,  // NT before version 5
    kWin2000 = 6,
    kWinXP = 7,
    kWinUnknown = 8,
};

// Bytes the callers give for the description, terminator included.
inline constexpr std::size_t kWindowsVersionTextSize = 300;

// kWinXP; with text (kWindowsVersionTextSize bytes) also a one-line
// description: "<distribution> (Linux <kernel release>)", from os-release
// and the kernel.
TOurWinVersion GetWindowsSystemVersion(char* text);

// The distribution's name from an os-release file: PRETTY_NAME, else NAME,
// else "Linux" (also when the file cannot be read).
std::string OsReleaseName(const char* path);

// The version record Windows reports; kept so that stored and reported codes
// keep their meaning.
struct TWindowsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;  // 1 the 95/98/ME family, 2 NT
    std::string servicePack;       // up to 128 characters
};

// Decodes a version record into a release code and, with text given
// (kWindowsVersionTextSize bytes), its description. info null: the record
// could not be read (8, no text). extendedRead: the extended record was read.
// productType: the registry's product type of an older NT, or null.
TOurWinVersion DecodeWindowsVersion(const TWindowsVersionInfo* info, bool extendedRead,
                                    const char* productType, char* text);
