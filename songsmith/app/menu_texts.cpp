#include "songsmith/app/menu_texts.h"

#include <array>

#include "songsmith/app/command_ids.h"

namespace {

using K = EMenuItemKind;
constexpr TMenuItemText kSep{K::kSeparator, nullptr, 0};

constexpr TMenuItemText Item(const char* key, int command) {
    return {K::kCommand, key, command};
}

constexpr std::array kFile = {
    Item("MUF_NewSession", cmd::kNewSession),
    Item("MUF_OpenSession", cmd::kOpenSession),
    kSep,
    Item("MUF_Save", cmd::kSave),
    Item("MUF_SaveAs", cmd::kSaveAs),
    kSep,
    Item("MUF_Preferences", cmd::kPreferences),
    kSep,
    Item("MUF_Exit", cmd::kExit),
};
static_assert(kFile.size() == kFileMenuExitPosition + 1, "Exit is the File menu's last item");

constexpr std::array kEdit = {
    Item("MUE_Undo", cmd::kUndo),
    Item("MUE_Redo", cmd::kRedo),
    kSep,
    Item("MUE_Cut", cmd::kCut),
    Item("MUE_Copy", cmd::kCopy),
    Item("MUE_Paste", cmd::kPaste),
    Item("MUE_Delete", cmd::kDelete),
    kSep,
    Item("MUE_SelectAll", cmd::kSelectAll),
    Item("MUE_CopyTrackInfo", cmd::kCopyTrackInfo),
    kSep,
    Item("MUE_ShowToolbar", cmd::kShowToolbar),
};

constexpr std::array kFind = {
    Item("MUFT_Show", cmd::kFindPage),
    kSep,
    Item("MUFT_Find", cmd::kStartSearch),
    Item("MUFT_AddAll", cmd::kAddAllFound),
};

constexpr std::array kLibrary = {
    Item("MULT_Show", cmd::kLibraryPage),
    kSep,
    Item("MULT_Play", cmd::kLibPlay),
    Item("MULT_Delete", cmd::kLibDelete),
    Item("MULT_UndeleteAll", cmd::kLibUndeleteAll),
    Item("MULT_Select", cmd::kLibSelect),
    Item("MULT_EditTag", cmd::kLibEditTag),
    Item("MULT_OpenFolder", cmd::kLibOpenFolder),
    kSep,
    Item("MULT_EmptyTrash", cmd::kLibEmptyTrash),
    Item("MULT_Clean", cmd::kLibClean),
};

constexpr std::array kCd = {
    TMenuItemText{K::kCdDriveSubmenu, "MUCT_Show", 0},
    kSep,
    Item("MUCT_Play", cmd::kCdPlay),
    Item("MUCT_Rip", cmd::kRip),
    Item("MUCT_Select1", cmd::kCdSelectOne),
    Item("MUCT_SelectAll", cmd::kCdSelectAll),
    Item("MUCT_EditTag", cmd::kCdEditTag),
    Item("MUCT_ClearAll", cmd::kCdClearAll),
    kSep,
    Item("MUCT_Lookup", cmd::kCdLookup),
};

constexpr std::array kSession = {
    Item("MUC_Fader", cmd::kFader),
    Item("MUC_Shuffle", cmd::kShuffle),
    Item("MUC_Add", cmd::kAddTracks),
    Item("MUC_DeleteAll", cmd::kRemoveAll),
    kSep,
    Item("MUC_EditTag", cmd::kTrackEditTag),
    Item("MUC_TrackVol", cmd::kTrackVolume),
    Item("MUC_Links", cmd::kTrackLinks),
    Item("MUC_Folder", cmd::kOpenTrackFolder),
    kSep,
    Item("MUC_Burn", cmd::kBurn),
};

constexpr std::array kPlayer = {
    Item("MUP_Play", cmd::kPlay),
    Item("MUP_RW", cmd::kRewind),
    Item("MUP_FF", cmd::kFastForward),
    kSep,
    Item("MUP_Random", cmd::kRandomPlayback),
    Item("MUP_Continuous", cmd::kContinuousPlayback),
    kSep,
    Item("MUP_Master", cmd::kMasterVolume),
};

constexpr std::array kHelp = {
    Item("MUH_HelpSoftware", cmd::kHelp),
    kSep,
    Item("MUH_GotoSongsmith", cmd::kProductPage),
    Item("MUH_CheckForNewVersion", cmd::kCheckVersion),
    TMenuItemText{K::kProductsSubmenu, "MUH_MarovelleProducts", 0},
    kSep,
    Item("MUH_About", cmd::kAbout),
};

const std::array<TMenuText, 8> kMenus = {{
    {"MU_File", kFile},
    {"MU_Edit", kEdit},
    {"MU_FindTab", kFind},
    {"MU_LibTab", kLibrary},
    {"MU_CDTab", kCd},
    {"MU_Session", kSession},
    {"MU_Player", kPlayer},
    {"MU_Help", kHelp},
}};

}  // namespace

std::span<const TMenuText> MainMenuTexts() {
    return kMenus;
}
