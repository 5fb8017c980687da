#pragma once
// The song fields that file tags store as text (WAV INFO lists, WMA
// attributes): the genre as "(n)", the year and the track. Writers of every
// format word them alike.

#include <cstdint>
#include <string>
#include <string_view>

struct TMusicInfo;

// A genre number with a name is written as "(n)"; a number without one as
// the text the engine shows for it. No number: the genre text stays.
void PutGenreText(TMusicInfo& info);
// A genre text read from a file: "(n)" with 1 to 3 digits and n below 255
// is genre n and keeps the text "(n)"; any other text is stored as it is,
// and a name of the genre list sets the genre number and the text "(n)".
void SetGenreFromText(std::string_view text, TMusicInfo& info);
// The decimal number a text begins with (blanks ahead of it skipped, at
// most 9 digits), or 0.
long LeadingTextNumber(std::string_view text);
// The year a text gives: its first four characters (after blanks) when they
// are digits of 1000 to 3000 ("2004", "2004-05-03", "20040503"), else 0.
std::int32_t YearFromText(std::string_view text);
// "%d" for a year of 1000 to 3000; empty otherwise.
std::string YearText(const TMusicInfo& info);
// "n/m" for a track of 1 to 99 with a count of 1 to 99, "n" without such a
// count, empty without such a track.
std::string TrackText(const TMusicInfo& info);
