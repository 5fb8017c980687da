#pragma once
// INI_TEntry: one disc's titles as the local title cache keeps them. The
// record crosses the library's interface, so its field order and widths are
// fixed. GetCDPlayerINIEntry hands out entries made by the library; they and
// their title strings are freed through DeallocINIEntry. An entry the caller
// builds for AddCDPlayerINIEntry is the caller's to free.
// Text fields hold UTF-8, at most 255 bytes cut on a character boundary.

#include <cstdint>

#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "utilities/com_string.h"

struct INI_TEntry {
    std::uint32_t discId = 0;
    char artist[kSiteTextSize] = {};
    char title[kSiteTextSize] = {};
    // The disc's CDDB genre.
    char category[kSiteTextSize] = {};
    // 0 when unknown.
    std::int32_t year = 0;
    std::int32_t trackCount = 0;
    // One string per track, in track order (track 1 first).
    MvList<CCOMString*> trackTitles;
};
