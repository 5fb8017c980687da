#pragma once
// Registry value names of the preference lists: a count and one value per
// entry, named by a prefix and the entry's index in decimal from 0.

#include <string>

#include "titlefetch/site.h"

inline constexpr char kMusicDirCountName[] = "NumMusicDirectories";
inline constexpr char kMusicDirPrefix[] = "ZY_MusicDir";
inline constexpr char kSiteCountName[] = "CDDBNumSites";
inline constexpr char kSitePrefix[] = "ZS_Site";
inline constexpr char kExcludeDirCountName[] = "NumImportExcludeDirs";
inline constexpr char kExcludeDirPrefix[] = "ZI_ExcludeDir";
inline constexpr char kRecentFilePrefix[] = "recentFile";

// prefix followed by index ("ZS_Site3").
std::string IndexedValueName(const char* prefix, int index);

// The one site known before any list was fetched: the default server with
// its location text and description.
TITLEFETCH_TSite MakeDefaultPreferenceSite();
