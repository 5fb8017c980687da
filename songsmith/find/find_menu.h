#pragma once
// The Find page's menu items: which commands its list menu (181) holds, and
// the text key and state of each item for the row under the mouse.

#include "songsmith/app/command_ids.h"

inline constexpr int kFindContextMenuId = 181;
// The items of menu 181, in order; a separator follows the second.
inline constexpr int kFindMenuItems[] = {cmd::kStartSearch, cmd::kAdvancedSearch, cmd::kFindPlay,   cmd::kFindSelect,
                                         cmd::kFindEditTag, cmd::kFindOpenFolder, cmd::kFindLocate,
                                         cmd::kFindLibDelete};

// What an item depends on.
struct TFindMenuFacts {
    bool hotRow = false;     // the mouse is over a row
    bool playing = false;    // that row plays
    bool inSession = false;  // that row is in the session
};

struct TFindMenuItemState {
    bool known = false;  // the command is one of the page's
    const char* key = "";
    bool grey = true;
};
TFindMenuItemState FindMenuItemState(int command, const TFindMenuFacts& facts);
