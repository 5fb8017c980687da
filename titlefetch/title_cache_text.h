#pragma once
// The text of the local title cache, "cdplayer.ini": one section per disc,
//
//     (an empty line)
//     [8000c03]            the disc ID in lower-case hexadecimal
//     EntryType=1
//     artist=...   title=...   category=...   year=...   numtracks=...
//     0=...  1=...         one title per track, numbered from 0
//     discext0=...         a note naming the program that wrote the entry
//
// Other CD players share the layout and add keys of their own ("order=",
// "numplay=", more "discext" lines), so the reader takes only what it knows
// and passes over the rest, and changes to the file touch nothing but the
// sections of the one disc changed: every other byte is copied as it stands.
//
// Lines end with LF; a CR before it is part of the line end. Lines may be of
// any length. Values that are not valid UTF-8 were written by an older
// program and are read as Windows-1252.

#include <cstdint>
#include <string>
#include <string_view>

#include "titlefetch/ini_entry.h"

// A disc holds at most 99 tracks (Red Book track numbers); a section that
// claims more is not a disc's.
inline constexpr std::int32_t kMaxCachedTracks = 99;

// The text before the first '=' of a line, empty when it has none; and the
// text after it, empty when it has none.
std::string_view CacheLineKey(std::string_view line);
std::string_view CacheLineValue(std::string_view line);

// The entry of discId in the cache text: made with new, its strings with new,
// freed through the facade's DeallocINIEntry. Null when the text holds no
// section for the disc, or when its section gives no track count between 1
// and kMaxCachedTracks.
INI_TEntry* ReadCacheEntry(std::string_view cacheText, std::uint32_t discId);

// The cache text without any section of discId. A removed section takes the
// empty line before it along (the one its writer put there) and ends before
// the next empty line or the next section line.
std::string RemoveCacheSections(std::string_view cacheText, std::uint32_t discId);

// The section of an entry as it is appended to the file, beginning with its
// empty line. Line breaks inside values become blanks, so a value can never
// end its line early; missing title strings are written empty.
std::string FormatCacheEntry(const INI_TEntry& entry);
