#pragma once
// The ID3 v1 genre list: numbers 0 to 147, their keys in the engine's keyed
// text file ("ID3_" and the name with spaces written as underscores), and the
// texts shown for them.

#include <cstdint>
#include <string>
#include <string_view>

// Genres with a name; 148 to 254 are numbers without one and 255 is none.
inline constexpr int kId3GenreCount = 148;

// The text key of genre n: "ID3_Blues" for 0; "ID3_not_supported" for any
// number without a name.
const char* Id3GenreKey(int index);

// The text shown for genre n: the keyed text file's text for its key, or,
// when the file does not have it, the name the key spells.
std::string Id3GenreName(int index);

// The number of the genre whose shown text equals text (ASCII case folded),
// or 255 when none does.
std::int32_t Id3GenreIndexOf(std::string_view text);
