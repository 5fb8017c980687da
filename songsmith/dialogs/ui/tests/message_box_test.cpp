// The program's message box, driven offscreen by control id: which buttons,
// icon and check box each flags value shows, where the focus goes, what each
// button and the close button answer, and how a long text grows the box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <string>
#include <vector>

#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/dialogs/ui/message_box_dialog.h"
#include "songsmith/app/ui/tests/qt_services_fixture.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::FindControl;

constexpr int kButtonIds[] = {IDOK, IDCANCEL, IDYES, IDNO};
// Leaving the box by its close button rather than by a button.
constexpr int kCloseButton = 0;

// What the test saw in the open box.
struct TSeenBox {
    std::vector<int> buttons;  // ids of the buttons shown, left to right
    int focus = -1;            // id of the button with the focus
    std::string icon;
    bool checkShown = false;
    int lastStateWhileOpen = -1;
};

class MessageBoxTest : public QtServicesFixture {
protected:
    // Shows the box for flags through ShowMessageText, ticks its check box
    // when tick is set, leaves it by the button id (or the close button) and
    // returns the answer; seen receives what the box showed.
    int Run(std::uint32_t flags, bool tick, int leaveBy, TSeenBox& seen) {
        testsupport::WhenModalShown([&](QWidget* modal) {
            seen = Inspect(modal);
            if (tick) FindControl<QCheckBox>(modal, kMessageBoxCheck)->setChecked(true);
            if (leaveBy == kCloseButton) {
                modal->close();
            } else {
                testsupport::ClickControl(modal, leaveBy);
            }
        });
        return ShowMessageText(nullptr, "Short text", flags, "Caption");
    }

    static TSeenBox Inspect(QWidget* modal) {
        TSeenBox seen;
        std::vector<QPushButton*> shown;
        for (int id : kButtonIds) {
            auto* button = FindControl<QPushButton>(modal, id);
            if (button != nullptr && button->isVisible()) shown.push_back(button);
        }
        std::sort(shown.begin(), shown.end(), [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
        for (QPushButton* button : shown) seen.buttons.push_back(button->objectName().toInt());
        if (QWidget* focus = modal->focusWidget(); focus != nullptr) seen.focus = focus->objectName().toInt();
        seen.icon = FindControl<QLabel>(modal, kMessageBoxIcon)->property("icon").toString().toStdString();
        seen.checkShown = FindControl<QCheckBox>(modal, kMessageBoxCheck)->isVisible();
        seen.lastStateWhileOpen = GetLastDontAskAgain();
        return seen;
    }

};

TEST_F(MessageBoxTest, FlagsChooseButtonsFocusIconAndCheckBoxAndEveryWayOutAnswers) {
    struct {
        std::uint32_t flags;
        std::vector<int> buttons;
        std::string icon;
    } const cases[] = {
        {0x00000, {IDOK}, ""},
        {0x00011, {IDOK, IDCANCEL}, "exclamation"},
        {0x10023, {IDYES, IDNO, IDCANCEL}, "question"},
        {0x10034, {IDYES, IDNO}, "exclamation"},
        {0x00047, {IDOK}, "information"},
        {0x00044, {IDYES, IDNO}, "information"},
        {0x10001, {IDOK, IDCANCEL}, ""},
        {0x10000, {IDOK}, ""},
    };
    for (const auto& c : cases) {
        const bool withCheck = (c.flags & kMessageBoxDontAskAgain) != 0;
        std::vector<int> waysOut = c.buttons;
        waysOut.push_back(kCloseButton);
        for (int leaveBy : waysOut) {
            // With the check box, each way out is tried ticked and unticked.
            for (bool tick : withCheck ? std::vector<bool>{false, true} : std::vector<bool>{false}) {
                SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags << std::dec
                                                << " leave by " << leaveBy << " tick " << tick);
                TSeenBox seen;
                const int answer = Run(c.flags, tick, leaveBy, seen);
                EXPECT_EQ(seen.buttons, c.buttons);
                EXPECT_EQ(seen.focus, c.buttons.front());
                EXPECT_EQ(seen.icon, c.icon);
                EXPECT_EQ(seen.checkShown, withCheck);
                EXPECT_EQ(seen.lastStateWhileOpen, 1);
                // The close button is Cancel; the state is the box's as the
                // user left it, also after the close button.
                EXPECT_EQ(answer, leaveBy == kCloseButton ? IDCANCEL : leaveBy);
                EXPECT_EQ(GetLastDontAskAgain(), tick ? 1 : 0);
            }
        }
    }
}

TEST_F(MessageBoxTest, LongTextGrowsTheBoxWithCheckBoxAndButtonsBelowIt) {
    std::string lines;
    for (int i = 1; i <= 40; ++i) lines += "Line " + std::to_string(i) + " of a long message\\n";
    struct TGeometry {
        int boxHeight = 0;
        QRect text, check;
        std::vector<QRect> buttons;
        int textNeeds = 0;
        int icon = 0;
    };
    auto measure = [](QWidget* modal) {
        TGeometry g;
        g.boxHeight = modal->height();
        auto* text = FindControl<QLabel>(modal, kMessageBoxText);
        g.text = text->geometry();
        g.textNeeds = text->heightForWidth(text->width());
        g.icon = FindControl<QLabel>(modal, kMessageBoxIcon)->height();
        g.check = FindControl<QWidget>(modal, kMessageBoxCheck)->geometry();
        for (int id : kButtonIds) {
            auto* button = FindControl<QPushButton>(modal, id);
            if (button->isVisible()) g.buttons.push_back(button->geometry());
        }
        return g;
    };
    TGeometry shortBox, longBox, checkBox;
    testsupport::WhenModalShown([&](QWidget* modal) {
        shortBox = measure(modal);
        testsupport::SaveWidgetPng(modal, "message_box_short_ok");
        testsupport::ClickControl(modal, IDOK);
    });
    ShowMessageText(nullptr, "One line", MB_OK, nullptr);
    testsupport::WhenModalShown([&](QWidget* modal) {
        longBox = measure(modal);
        testsupport::SaveWidgetPng(modal, "message_box_long_ok");
        testsupport::ClickControl(modal, IDOK);
    });
    ShowMessageText(nullptr, lines.c_str(), MB_OK | MB_ICONINFORMATION, nullptr);
    testsupport::WhenModalShown([&](QWidget* modal) {
        checkBox = measure(modal);
        testsupport::SaveWidgetPng(modal, "message_box_yes_no_check");
        testsupport::ClickControl(modal, IDNO);
    });
    ShowMessageText(nullptr,
                    "Writing a disc takes the drive for several minutes.\\nDo you want to start now?",
                    MB_YESNO | MB_ICONQUESTION | kMessageBoxDontAskAgain, nullptr);

    // The text takes what it needs, at least twice the icon's height.
    EXPECT_GE(shortBox.text.height(), 2 * shortBox.icon);
    EXPECT_GE(longBox.text.height(), longBox.textNeeds);
    EXPECT_GT(longBox.boxHeight, shortBox.boxHeight + 20 * 8);
    ASSERT_EQ(longBox.buttons.size(), 1u);
    EXPECT_GE(longBox.buttons[0].top(), longBox.text.bottom());
    EXPECT_LE(longBox.buttons[0].bottom(), longBox.boxHeight);
    // The check box sits between the text and the buttons.
    EXPECT_GE(checkBox.check.top(), checkBox.text.bottom());
    ASSERT_EQ(checkBox.buttons.size(), 2u);
    for (const QRect& button : checkBox.buttons) {
        EXPECT_GE(button.top(), checkBox.check.bottom());
        EXPECT_LE(button.bottom(), checkBox.boxHeight);
    }
    // Without the check box the box loses its row.
    EXPECT_LT(shortBox.boxHeight, checkBox.boxHeight);
}

TEST_F(MessageBoxTest, CaptionTextAndButtonTextsComeFromTheRequestAndTheKeysOverTheOwner) {
    QWidget owner;
    owner.setGeometry(60, 40, 600, 420);
    owner.show();
    QString title, text, cancel, yes, no, check;
    QPoint boxCentre;
    testsupport::WhenModalShown([&](QWidget* modal) {
        boxCentre = modal->geometry().center();
        title = modal->windowTitle();
        text = FindControl<QLabel>(modal, kMessageBoxText)->text();
        cancel = FindControl<QPushButton>(modal, IDCANCEL)->text();
        yes = FindControl<QPushButton>(modal, IDYES)->text();
        no = FindControl<QPushButton>(modal, IDNO)->text();
        check = FindControl<QCheckBox>(modal, kMessageBoxCheck)->text();
        testsupport::ClickControl(modal, IDCANCEL);
    });
    EXPECT_EQ(ShowMessageText(&owner, "First\\nSecond\\rThird", MB_YESNOCANCEL, ""), IDCANCEL);
    EXPECT_LE((boxCentre - owner.geometry().center()).manhattanLength(), 4);
    EXPECT_EQ(title, "Songsmith");
    EXPECT_EQ(text, "First\nSecond\nThird");
    EXPECT_EQ(cancel, "Cancel");
    EXPECT_EQ(yes, "Yes");
    EXPECT_EQ(no, "No");
    EXPECT_EQ(check, "Do not ask this again.");
}

}  // namespace
