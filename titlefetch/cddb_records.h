#pragma once
// Records the CDDB client fills from a server's answers. The query and genre
// records cross the library's interface: field order and widths are fixed.
// Text fields hold UTF-8, at most 255 bytes cut on a character boundary.

#include <cstdint>

#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "utilities/com_string.h"

// One match of a query. A fresh record is all zero.
struct TITLEFETCH_TQResult {
    std::uint32_t discId = 0;
    char artist[kSiteTextSize] = {};
    char title[kSiteTextSize] = {};
    char genre[kSiteTextSize] = {};
};
static_assert(sizeof(TITLEFETCH_TQResult) == 4 + 3 * 256);

// One genre (category) the server knows.
struct TITLEFETCH_TGenre {
    // Always -1: servers number no genres.
    std::int32_t id = -1;
    char name[kSiteTextSize] = {};
};
static_assert(sizeof(TITLEFETCH_TGenre) == 4 + 256);

// The answer of the status command. The lists' strings are made by the
// client and freed by the caller; the status parse releases the lists'
// arrays but never the strings they held.
struct TCDDBStatus {
    std::int32_t currentProtocolLevel = 0;
    std::int32_t maxProtocolLevel = 0;
    std::uint8_t gets = 0;
    std::uint8_t updates = 0;
    std::uint8_t posting = 0;
    std::uint8_t quotes = 0;
    std::int32_t currentUsers = 0;
    std::int32_t maxUsers = 0;
    std::uint8_t stripExt = 0;
    std::int32_t databaseEntries = 0;
    // "Database entries by genre:"
    MvList<CCOMString*> genreNames;
    MvList<std::int32_t> genreCounts;
    // "Pending File transmissions:"
    MvList<CCOMString*> pendingNames;
    MvList<std::int32_t> pendingCounts;
};
