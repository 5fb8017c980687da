#include "songsmith/cd/cd_menu_states.h"

#include "songsmith/app/command_ids.h"

bool IsBurnStepState(int driveState) { return driveState >= 5 && driveState <= 9; }

bool IsCdPageCommand(int command) {
    switch (command) {
        case cmd::kCdSelectOne:
        case cmd::kCdEditTag:
        case cmd::kCdPlay:
        case cmd::kCdSelectAll:
        case cmd::kCdClearAll:
        case cmd::kCdLookup:
        case kCdSpareCommand:
            return true;
        default:
            return false;
    }
}

TCdMenuItemState CdMenuItemState(int command, const TCdMenuFacts& facts) {
    TCdMenuItemState item;
    item.known = true;
    switch (command) {
        case cmd::kCdSelectOne:
            item.key = facts.hasCurrentRow && facts.currentMarked ? "MUCT_Deselect1" : "MUCT_Select1";
            item.grey = !facts.hasCurrentRow;
            break;
        case cmd::kCdEditTag:
            item.key = "MUCT_EditTag";
            item.grey = !facts.hasCurrentRow;
            break;
        case cmd::kCdPlay:
            item.key = facts.hasCurrentRow && facts.currentPlaying ? "MUCT_Stop" : "MUCT_Play";
            item.grey = !facts.hasCurrentRow;
            break;
        case cmd::kRip:
            item.key = facts.ripping ? "MUCT_StopRip" : "MUCT_Rip";
            item.grey = !facts.anyToRip;
            break;
        case cmd::kCdSelectAll:
            item.key = facts.anyMarked ? "MUCT_DeselectAll" : "MUCT_SelectAll";
            item.grey = !facts.anyRows;
            break;
        case cmd::kCdClearAll:
            item.key = "MUCT_ClearAll";
            item.grey = !facts.anyRipped;
            break;
        case kCdSpareCommand:
            item.grey = true;
            break;
        case cmd::kCdLookup:
            item.grey = !facts.lookUpEnabled;
            break;
        default:
            item.known = false;
            return item;
    }
    if (IsBurnStepState(facts.driveState)) item.grey = true;
    return item;
}
