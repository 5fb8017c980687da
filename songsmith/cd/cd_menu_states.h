#pragma once
// The text and grey state of one item of a CD page's menu (its context menu
// and the main window's CD menu), worked out from what the page shows.

#include <cstdint>

// Command of the main window's CD menu that no CD page offers; always grey.
inline constexpr int kCdSpareCommand = 40141;

// What the items depend on.
struct TCdMenuFacts {
    bool hasCurrentRow = false;
    bool currentMarked = false;
    bool currentPlaying = false;
    bool ripping = false;
    bool anyToRip = false;
    bool anyRows = false;
    bool anyMarked = false;
    bool anyRipped = false;  // a row at 100 %
    bool lookUpEnabled = false;
    // The burn controller's state; 5 to 9 while a burn step runs.
    int driveState = 0;
};

struct TCdMenuItemState {
    // The item's text key; null: the item keeps its own text.
    const char* key = nullptr;
    bool grey = false;
    // False for a command that is not one of the page's items.
    bool known = false;
};

TCdMenuItemState CdMenuItemState(int command, const TCdMenuFacts& facts);

// The commands the main window hands to the CD page in front (all but Rip,
// which goes to the page of the current CD command).
bool IsCdPageCommand(int command);

// A burn step runs in these burn controller states.
bool IsBurnStepState(int driveState);
