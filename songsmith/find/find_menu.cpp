#include "songsmith/find/find_menu.h"

#include "songsmith/app/command_ids.h"

TFindMenuItemState FindMenuItemState(int command, const TFindMenuFacts& facts) {
    TFindMenuItemState state;
    state.known = true;
    // Every item acts on the row under the mouse.
    state.grey = !facts.hotRow;
    switch (command) {
        case cmd::kStartSearch: state.key = "MUFT_Find"; break;
        case cmd::kAdvancedSearch:
            // Reached only through the page's own button.
            state.key = "MUFT_AdvFind";
            state.grey = true;
            break;
        case cmd::kFindPlay: state.key = facts.playing ? "MUFT_Stop" : "MUFT_Play"; break;
        case cmd::kFindSelect: state.key = facts.inSession ? "MUFT_Deselect" : "MUFT_Select"; break;
        case cmd::kFindEditTag: state.key = "MUFT_EditTag"; break;
        case cmd::kFindOpenFolder: state.key = "MUFT_OpenFolder"; break;
        case cmd::kFindLocate: state.key = "MUFT_Locate"; break;
        case cmd::kFindLibDelete: state.key = "MUFT_LibDelete"; break;
        default: state.known = false; break;
    }
    return state;
}
