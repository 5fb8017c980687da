#include "songsmith/app/toolbar_buttons.h"

#include <array>

#include "songsmith/app/command_ids.h"
#include "utilities/keyed_text.h"

namespace {

constexpr TToolbarButton kSeparator{0, -1, nullptr, EToolbarKind::kSeparator};

constexpr std::array<TToolbarButton, 13> kButtons = {{
    {cmd::kToolbarNew, 0, "TB_New", EToolbarKind::kButton},
    {cmd::kToolbarOpen, 1, "TB_Open", EToolbarKind::kButton},
    {cmd::kToolbarSave, 2, "TB_Save", EToolbarKind::kButton},
    {cmd::kBurn, 3, "TB_Burn", EToolbarKind::kButton},
    {cmd::kLabelProduct, 4, "TB_Label", EToolbarKind::kButton},
    kSeparator,
    {cmd::kFindPage, 5, "TB_Find", EToolbarKind::kPageButton},
    {cmd::kLibraryPage, 6, "TB_Library", EToolbarKind::kPageButton},
    {cmd::kCdPage, 7, "TB_CDRip", EToolbarKind::kPageButton},
    kSeparator,
    {cmd::kAddTracks, 8, "TB_Add", EToolbarKind::kButton},
    {cmd::kToolbarFader, 9, "TB_Fader", EToolbarKind::kButton},
    {cmd::kToolbarShuffle, 10, "TB_Shuffle", EToolbarKind::kButton},
}};

// The tool-tip key of a command that has a tip without a button.
constexpr int kClearCommand = cmd::kRemoveAll;

const char* TipKeyOf(int command) {
    if (command == kClearCommand) return "TB_Clear";
    for (const TToolbarButton& button : kButtons) {
        if (button.command == command && button.tipKey != nullptr) return button.tipKey;
    }
    return nullptr;
}

}  // namespace

std::span<const TToolbarButton> ToolbarButtons() {
    return kButtons;
}

void GetToolbarTipText(int command, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    out[0] = '\0';
    const char* key = TipKeyOf(command);
    if (key != nullptr) MyLoadString(key, out, static_cast<int>(size));
}
