#pragma once
// The Find page's menu items: which commands its list menu (181) holds, and
// the text key and state of each item for the row under the mouse.

namespace cmd {
inline constexpr int kAdvancedSearch = 40124;
inline constexpr int kFindPlay = 40147;
inline constexpr int kFindSelect = 40148;
inline constexpr int kFindEditTag = 40149;
inline constexpr int kFindOpenFolder = 40150;
inline constexpr int kFindLocate = 40151;
inline constexpr int kFindLibDelete = 40157;
}  // namespace cmd

inline constexpr int kFindContextMenuId = 181;
// The items of menu 181, in order; a separator follows the second.
inline constexpr int kFindMenuItems[] = {40121, cmd::kAdvancedSearch, cmd::kFindPlay,   cmd::kFindSelect,
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
