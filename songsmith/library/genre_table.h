#pragma once
// The program's genre table: the names of the genre numbers 0 to 125 that
// every page and dialog shows and reads back, and the number 255 for none.
// Names are at most 31 bytes, so each fits a 32-byte row.

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kGenreTableCount = 126;
inline constexpr std::int32_t kNoGenre = 255;
// The bytes of one row, terminator included.
inline constexpr std::size_t kGenreNameBytes = 32;

// The name of genre index, or nullptr outside 0..125 (255 included).
const char* GenreTableName(int index);

// The index of the first name exactly equal to name, or kNoGenre.
std::int32_t GenreTableIndex(std::string_view name);

// The index of the first name equal to name without regard to ASCII case,
// or kNoGenre.
std::int32_t GenreTableIndexNoCase(std::string_view name);

// A genre text matched without regard to case: its number and the text in
// the table's spelling; kNoGenre and the text as it was when no name matches.
struct TGenreMatch {
    std::int32_t index = kNoGenre;
    std::string name;
};
TGenreMatch MatchGenreNoCase(std::string_view name);
