#pragma once
// What the player panel shows, as plain functions of its state: the title
// that scrolls across the display, the time line and the slider's place.
// Lengths and offsets count characters, not bytes, so a scrolled title
// never splits a character.

#include <cstdint>
#include <string>
#include <string_view>

// Titles longer than this are cut to kPanelTitleCut characters before they
// are shown (the panel's title buffer holds 260).
inline constexpr int kPanelTitleLimit = 260;
inline constexpr int kPanelTitleCut = 256;
// The dots between the title's end and its start while it scrolls.
inline constexpr int kScrollGapDots = 3;

// The title as the panel keeps it: cut to kPanelTitleCut characters when it
// has more than kPanelTitleLimit.
std::string PanelTitle(std::string_view title);

// Number of characters of a UTF-8 text.
int CharacterCount(std::string_view text);

// The title scrolled by offset characters: the title from offset on (none
// once offset passes its end), then three dots while offset is inside the
// title, else (length - offset + 3) of them, then the first
// min(length, offset) characters.
std::string ScrolledTitle(std::string_view title, int offset);

// The offset after one step of the scroll: one more, back to 0 once it is
// past the title's length + 3.
int NextScrollOffset(int offset, int titleLength);

// "elapsed / total", each "MM:SS", or "HH:MM:SS" from one hour on; negative
// times show as 0.
std::string PlayTimeText(std::int64_t elapsedMs, std::int64_t totalMs);

// The slider's place (0 to 100) of a time from the song's start, for a song
// from startMs to endMs. A song without length (end at or before start)
// puts the slider at 0.
int SliderPosition(std::int64_t fromStartMs, std::int32_t startMs, std::int32_t endMs);

// The place in the song (ms) that the slider's value stands for.
std::int32_t SliderToPosition(int slider, std::int32_t startMs, std::int32_t endMs);
