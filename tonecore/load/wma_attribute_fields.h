#pragma once
// How the attributes of a WMA file become song information: the texts, the
// CD identifier, the genre, the year and the track. Shared by the decoding
// object's LoadInfo and kept apart from it so the rules read (and are
// tested) without a file.

#include <cstdint>
#include <span>
#include <string_view>

#include "mediacore/wm_types.h"

struct TMusicInfo;

// Text attributes arrive as UTF-16 of valueBytes bytes, perhaps with their
// terminator; the text ends at the first zero or at the last whole unit.
// The result is UTF-8, cut on a character boundary to fit limit - 1 bytes.
void WmaTextToField(std::span<const BYTE> value, char* field, std::size_t limit);

// "n/m" (or "n"): track number n and track count m, each -1 outside 1-99.
void SetTrackFromText(std::string_view text, TMusicInfo& info);

// Applies one attribute to the record; false when its name is none of the
// song-information names (Duration and Bitrate are the object's own).
// Matched names set the tag type to the WMA attributes. The track comes from
// "WM/TrackNumber" (counting from 1) or, when that is missing, "WM/Track"
// (a number counting from 0, or text counting from 1).
bool ApplyWmaAttribute(std::u16string_view name, WMT_ATTR_DATATYPE type, std::span<const BYTE> value,
                       TMusicInfo& info);

// Wide names compared with ASCII case folding: -1, 0 or 1.
int CompareWideStringsIgnoreCase(std::u16string_view a, std::u16string_view b);
