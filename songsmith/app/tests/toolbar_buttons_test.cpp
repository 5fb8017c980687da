// The toolbar's tool-tip texts come from the program's text file by command.
#include "songsmith/app/toolbar_buttons.h"

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

TEST(ToolbarButtonsTest, TheTableRowByRow) {
    constexpr EToolbarKind kButton = EToolbarKind::kButton;
    constexpr EToolbarKind kPage = EToolbarKind::kPageButton;
    constexpr EToolbarKind kSeparator = EToolbarKind::kSeparator;
    struct Row {
        int command;
        int image;
        const char* tipKey;
        EToolbarKind kind;
    };
    // Position is the row's index; the commands as the menus number them.
    const Row expected[] = {
        {40044, 0, "TB_New", kButton},     {40063, 1, "TB_Open", kButton},
        {40064, 2, "TB_Save", kButton},    {40021, 3, "TB_Burn", kButton},
        {40101, 4, "TB_Label", kButton},   {0, -1, nullptr, kSeparator},
        {40125, 5, "TB_Find", kPage},      {40126, 6, "TB_Library", kPage},
        {40139, 7, "TB_CDRip", kPage},     {0, -1, nullptr, kSeparator},
        {40095, 8, "TB_Add", kButton},     {40070, 9, "TB_Fader", kButton},
        {40069, 10, "TB_Shuffle", kButton},
    };
    const std::span<const TToolbarButton> buttons = ToolbarButtons();
    ASSERT_EQ(buttons.size(), std::size(expected));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "position " << i);
        EXPECT_EQ(buttons[i].command, expected[i].command);
        EXPECT_EQ(buttons[i].image, expected[i].image);
        EXPECT_EQ(buttons[i].kind, expected[i].kind);
        EXPECT_STREQ(buttons[i].tipKey, expected[i].tipKey);
    }
    EXPECT_EQ(kToolbarImageCount, 14);
}

}  // namespace
