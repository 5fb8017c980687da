#pragma once
// TITLEFETCH_TRResult: one disc's record as the CDDB server keeps it in xmcd
// text (the read command fills it, the submit command sends it). The record
// crosses the library's interface, so its field order and widths are fixed.
// The caller owns the record and its three lists; the strings in the two text
// lists are made by the library (or through the facade's AddTitleToRecord and
// AddExtDataToRecord) and freed through the facade's DeallocRecord.
// Text fields hold UTF-8, at most 255 bytes cut on a character boundary.

#include <cstdint>

#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "utilities/com_string.h"

struct TITLEFETCH_TRResult {
    // Seconds, from the "Disc length:" comment.
    std::uint32_t discLength = 0;
    // DISCID.
    std::uint32_t discId = 0;
    // The "Revision:" comment.
    std::int32_t revision = 0;
    // DTITLE, before and after its " / ".
    char artist[kSiteTextSize] = {};
    char title[kSiteTextSize] = {};
    // DGENRE.
    char genre[kSiteTextSize] = {};
    // EXTD.
    char extendedData[kSiteTextSize] = {};
    // TTITLEn, one string per track.
    MvList<CCOMString*> trackTitles;
    // EXTTn, as many as there are track titles.
    MvList<CCOMString*> extendedTrackData;
    // DYEAR; 0 when none.
    std::int32_t year = 0;
    // PLAYORDER: track numbers as the server lists them.
    MvList<std::int32_t> playOrder;
    // The three words of the "Submitted via:" comment.
    char clientName[kSiteTextSize] = {};
    char clientVersion[kSiteTextSize] = {};
    char clientComment[kSiteTextSize] = {};
};

// Deletes the strings of a list of texts and empties it.
inline void DeleteRecordTexts(MvList<CCOMString*>& list) { DeleteRecordsAndEmpty(list); }
