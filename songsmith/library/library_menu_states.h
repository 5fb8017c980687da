#pragma once
// The texts and grey states of the Library page's commands, in its context
// menu and in the main window's Library menu, from what the page knows of
// the node the user clicked.

struct CLibNode;

struct TLibMenuFacts {
    // The clicked node; null: none.
    const CLibNode* node = nullptr;
    // The clicked node is the song that plays.
    bool playing = false;
    // The trash holds songs.
    bool trashHasSongs = false;
};

struct TLibMenuItemState {
    bool known = false;  // a command of the page
    const char* key = nullptr;
    bool grey = false;
};

TLibMenuItemState LibraryMenuItemState(int command, const TLibMenuFacts& facts);

// The page's commands in its context menu (180), in order.
inline constexpr int kLibraryContextMenuId = 180;
bool IsLibraryPageCommand(int command);
