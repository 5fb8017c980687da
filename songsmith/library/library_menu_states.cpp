#include "songsmith/library/library_menu_states.h"

#include "songsmith/app/command_ids.h"
#include "songsmith/library/library_nodes.h"

bool IsLibraryPageCommand(int command) {
    switch (command) {
        case cmd::kLibPlay:
        case cmd::kLibEmptyTrash:
        case cmd::kLibEditTag:
        case cmd::kLibDelete:
        case cmd::kLibSelect:
        case cmd::kLibUndeleteAll:
        case cmd::kLibOpenFolder:
        case cmd::kLibClean:
            return true;
        default:
            return false;
    }
}

TLibMenuItemState LibraryMenuItemState(int command, const TLibMenuFacts& facts) {
    const CLibNode* node = facts.node;
    const bool song = node != nullptr && node->IsSong();
    // None, a root or a special folder.
    const bool plain = node != nullptr && !node->IsSpecial();
    const bool fullTrash = node != nullptr && node->kind == kLibNodeTrash && facts.trashHasSongs;
    switch (command) {
        case cmd::kLibPlay:
            return {true, song && facts.playing ? "MULT_Stop" : "MULT_Play", !song};
        case cmd::kLibEmptyTrash:
            return {true, "MULT_EmptyTrash", !fullTrash};
        case cmd::kLibEditTag:
            return {true, "MULT_EditTag", !plain};
        case cmd::kLibDelete:
            return {true, node != nullptr && node->inTrash ? "MULT_Undelete" : "MULT_Delete", !plain};
        case cmd::kLibSelect:
            return {true, node != nullptr && node->checked ? "MULT_Deselect" : "MULT_Select", !plain};
        case cmd::kLibUndeleteAll:
            return {true, "MULT_UndeleteAll", !fullTrash};
        case cmd::kLibOpenFolder:
            return {true, "MULT_OpenFolder", !song};
        case cmd::kLibClean:
            return {true, "MULT_Clean", false};
        default:
            return {};
    }
}
