// The toolbar's tool-tip texts come from the program's text file by command.
#include "songsmith/core/toolbar_buttons.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/user_folders.h"
#include "utilities/keyed_text.h"

namespace {

std::string Tip(int command, std::size_t size = 80) {
    char text[80] = "untouched";
    GetToolbarTipText(command, text, size);
    return text;
}

TEST(ToolbarButtonsTest, EveryButtonAndTheClearCommandHaveAShippedTipAndOthersNone) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    int buttons = 0;
    for (const TToolbarButton& button : ToolbarButtons()) {
        if (button.kind == EToolbarKind::kSeparator) continue;
        ++buttons;
        const std::string tip = Tip(button.command);
        EXPECT_FALSE(tip.empty());
        EXPECT_NE(tip, button.tipKey) << "missing from progstrings.txt";
        EXPECT_LT(button.image, kToolbarImageCount);
    }
    EXPECT_EQ(buttons, 11);
    EXPECT_NE(Tip(40054), "TB_Clear");
    EXPECT_FALSE(Tip(40054).empty());
    EXPECT_EQ(Tip(40055), "");
    EXPECT_EQ(Tip(0), "");
    // Cut to the caller's buffer.
    EXPECT_EQ(Tip(40044, 5).size(), 4u);
}

}  // namespace
