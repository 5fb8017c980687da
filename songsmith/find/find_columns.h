#pragma once
// The Find page's found rows and its eleven columns: their header keys,
// initial and least measured widths, and the text each column shows of a
// row.

#include <cstdint>
#include <ctime>
#include <string>

#include "songsmith/session/song_entry.h"

// One found song: the entry loaded from its file, with what the page adds.
struct TFoundRow {
    CSongEntry entry;
    std::time_t date = 0;  // the store's date of the song; 0: none
    int index = 0;         // rows before it when it was added
    bool unusable = false;  // its file is too small to be a song
    bool inSession = false;
};

// A file smaller than this is listed as unusable.
inline constexpr std::uint32_t kSmallestUsableSong = 2048;

inline constexpr int kFindColumnCount = 11;

struct TFindColumn {
    const char* key;
    int width;     // initial width in pixels
    int measured;  // the least width the widest text is measured against
};
const TFindColumn& FindColumn(int column);

// The column's text of row (column 0, the check box and play button, has
// none).
std::string FindColumnText(const TFoundRow& row, int column);
