#pragma once
// Turning a disc record into a CD page's rows, and the rows into the local
// title cache's entry and back. Titles are indexed like the drive's track
// table (a data track keeps its place), and read only where the record has
// them: a track without one is named "Track %02d".

#include <cstdint>
#include <vector>

#include "platter/types.h"
#include "songsmith/cd/cd_rows.h"
#include "titlefetch/ini_entry.h"

class CDiscRecord;

// One row per audio track of the first count entries of table, named from
// the record: its disc ID (as the CD identifier text "%x"), artist, album,
// year, genre (its number from the genre table, else 255) and the title of
// the track's table index. Row i keeps marks[i]; rows beyond marks are
// unmarked.
TCDRows MakeRecordRows(const PLATTER_TTrackInfo* table, std::int32_t count, const CDiscRecord& record,
                       const std::vector<std::uint8_t>& marks);

// Titles that several rows share (ignoring ASCII case) get their row's
// position: tracks 1 and 3 titled "Intro" become "Intro 1" and "Intro 3".
// Each title is first cut to 59 bytes on a character boundary.
void NumberDuplicateTitles(TCDRows& rows);

// The cache entry of the rows under discId: the first row's artist, album,
// genre and year, and one title per track of a disc of count tracks (a data
// track's empty). The entry's title strings are freed with FreeCacheTitles.
void FillCacheEntry(INI_TEntry& entry, std::uint32_t discId, const TCDRows& rows, std::int32_t count);
void FreeCacheTitles(INI_TEntry& entry);

// The record refilled from a cache entry: its disc ID, texts and year, and
// per title of the entry one track title and one empty extended text.
void FillRecordFromCache(CDiscRecord& record, const INI_TEntry& entry);
