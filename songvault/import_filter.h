#pragma once
// The import's rules for names and folders: which kind of song a file name
// is, how long a song of that kind must be, and whether a folder lies at or
// below one of a list of folders.

#include <cstdint>
#include <string>
#include <string_view>

#include "songvault/records.h"
#include "titlefetch/mv_list.h"

namespace songvault {

// SVT_IMPORT_MP3 for ".mp3", ".mp2" and ".mp1", SVT_IMPORT_WAV for ".wav",
// SVT_IMPORT_WMA for ".wma" (case ignored); 0 for any other name.
std::uint32_t KindOfName(std::string_view name);

// The TSVT_Song format of a kind bit.
std::int16_t FormatOfKind(std::uint32_t kind);

// The shortest length in ms the flags accept for a kind.
std::int32_t MinimumLengthMs(std::uint32_t flags, std::uint32_t kind);

// folder with a trailing '/'.
std::string WithSlash(std::string_view folder);

// Whether folder (ending in '/') is one of the list's folders or lies below
// one. Paths compare byte for byte; a list path without its trailing
// separator is read as if it had one, so "/a/b" never covers "/a/bc/".
bool IsAtOrBelow(std::string_view folder, const MvList<TMvPath>* list);
// The same for one folder of the list, given as it is.
bool IsAtOrBelowFolder(std::string_view folder, std::string_view top);

// The folder's own path with every link resolved, ending in '/'; empty when
// it cannot be resolved (it is gone, or a part of it cannot be read).
std::string RealFolder(const std::string& folder);

}  // namespace songvault
