// The main window's frame: the page buttons and the tab pane, the toolbar
// switched off and on, a machine without drives, the saved placement, the
// split, the status line and the title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <regex>
#include <thread>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/registry_store.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/system/placement_rules.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "songsmith/app/ui/tab_page.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

using MainWindowTest = MainWindowFixture;

// Exactly one page button is pressed while the pane shows, the one of the
// page in front; pressing it again hides the pane and releases it.
TEST_F(MainWindowTest, OnePageButtonIsPressedPerPageAndNoneWithThePaneHidden) {
    Open(2);
    ASSERT_EQ(CheckedPageButtons(), std::vector<int>{cmd::kFindPage});
    struct TCase {
        int command;
        int kind;
    } cases[] = {{cmd::kLibraryPage, kTabKindLibrary},
                 {cmd::kCdPage, kTabKindCd},
                 {cmd::kFindPage, kTabKindFind}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_TRUE(testsupport::ClickControl(main_->Toolbar().Window(), c.command));
        Settle();
        EXPECT_EQ(CheckedPageButtons(), std::vector<int>{c.command});
        EXPECT_TRUE(main_->MiddleBand()->TabPaneShown());
        EXPECT_EQ(main_->TabPane()->GetCurrentPage()->Kind(), c.kind);
        EXPECT_EQ(prefs_->CurrentTab, main_->TabPane()->Tabs()->currentIndex());

        ASSERT_TRUE(testsupport::ClickControl(main_->Toolbar().Window(), c.command));
        Settle();
        EXPECT_TRUE(CheckedPageButtons().empty());
        EXPECT_FALSE(main_->MiddleBand()->TabPaneShown());
        EXPECT_EQ(prefs_->ShowFindSoundsWindow, 0);
    }
    // The second drive's menu item brings its page forward; the CD button
    // then means that page.
    MenuItem(cmd::kFirstCdDrive + 1)->trigger();
    Settle();
    EXPECT_EQ(main_->CurrentCdCommand(), cmd::kFirstCdDrive + 1);
    EXPECT_EQ(main_->TabPane()->GetCurrentPage(), main_->TabPane()->CdPages()[1]);
    EXPECT_EQ(CheckedPageButtons(), std::vector<int>{cmd::kCdPage});
    MenuItem(cmd::kLibraryPage)->trigger();
    Settle();
    ASSERT_TRUE(testsupport::ClickControl(main_->Toolbar().Window(), cmd::kCdPage));
    Settle();
    EXPECT_EQ(main_->TabPane()->GetCurrentPage(), main_->TabPane()->CdPages()[1]);
}

TEST_F(MainWindowTest, SwitchingTheToolbarOffMovesTheMiddleBandUpAndBackWithThePageStillPressed) {
    Open(1);
    MenuItem(cmd::kLibraryPage)->trigger();
    Settle();
    const int withToolbar = MiddleBandTop();
    testsupport::SaveWidgetPng(main_->Window(), "main_window");

    MenuItem(cmd::kShowToolbar)->trigger();
    Settle();
    EXPECT_EQ(main_->Toolbar().Window(), nullptr);
    EXPECT_EQ(prefs_->ShowToolbarWindow, 0);
    EXPECT_LT(MiddleBandTop(), withToolbar);
    MenuItem(cmd::kLibraryPage)->trigger();  // the pane goes too
    Settle();
    testsupport::SaveWidgetPng(main_->Window(), "main_window_no_toolbar_no_pane");
    MenuItem(cmd::kLibraryPage)->trigger();
    Settle();

    MenuItem(cmd::kShowToolbar)->trigger();
    Settle();
    EXPECT_EQ(prefs_->ShowToolbarWindow, 1);
    EXPECT_EQ(MiddleBandTop(), withToolbar);
    EXPECT_EQ(CheckedPageButtons(), std::vector<int>{cmd::kLibraryPage});
    // Buttons switched off before keep their state in the rebuilt toolbar.
    EXPECT_FALSE(Button(cmd::kToolbarSave)->isEnabled());
    EXPECT_TRUE(Button(cmd::kToolbarNew)->isEnabled());
}

TEST_F(MainWindowTest, WithoutDrivesTheCdButtonIsOffAndTheDriveMenuHasOneDisabledItem) {
    Open(0);
    EXPECT_TRUE(main_->TabPane()->CdPages().empty());
    ASSERT_NE(Button(cmd::kCdPage), nullptr);
    EXPECT_FALSE(Button(cmd::kCdPage)->isEnabled());
    QAction* none = MenuItem(cmd::kFirstCdDrive);
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->isEnabled());
    EXPECT_EQ(none->text().toStdString(), "(no CD drive found)");
    auto* driveMenu = qobject_cast<QMenu*>(none->parent());
    ASSERT_NE(driveMenu, nullptr);
    EXPECT_EQ(driveMenu->actions().size(), 1);
    // Not even a posted enable brings it back.
    PostAppMessage(main_->Toolbar().ReceiverId(),
                   TAppMessage{TB_ENABLEBUTTON, cmd::kCdPage, 1, nullptr});
    Settle();
    EXPECT_FALSE(Button(cmd::kCdPage)->isEnabled());
    main_->OnCommand(cmd::kCdPage);
    EXPECT_EQ(main_->TabPane()->GetCurrentPage()->Kind(), kTabKindFind);
}

TEST_F(MainWindowTest, TheSavedTabComesBackAndOneBeyondTheLastSelectsTheFindPage) {
    struct TCase {
        int importInitial;
        int savedTab;
        int expectedTab;
        int expectedCdCommand;
    } cases[] = {
        {1, 3, 3, cmd::kFirstCdDrive + 1},  // the second CD page
        {1, 4, 0, -1},                      // a drive that went
        {0, 3, 1, -1},                      // before the first import: the Library
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.savedTab);
        prefs_->ImportInitial = c.importInitial;
        prefs_->CurrentTab = c.savedTab;
        // Before the first import the Library page asks about one.
        if (c.importInitial == 0)
            testsupport::WhenModalShown([](QWidget* dialog) { testsupport::ClickControl(dialog, 2); });
        Open(2);
        EXPECT_EQ(main_->TabPane()->Tabs()->currentIndex(), c.expectedTab);
        EXPECT_EQ(prefs_->CurrentTab, c.expectedTab);
        EXPECT_EQ(main_->CurrentCdCommand(), c.expectedCdCommand);
        main_.reset();
        platter_ = std::make_unique<PLATTER_CPlatter>();
    }
}

TEST_F(MainWindowTest, TheSplitIsKeptWhileThePaneIsHiddenAndChangesOnlyByADrag) {
    prefs_->LastWindowSplitPercentage = 0.5f;
    Open(1);
    QSplitter* band = main_->MiddleBand()->Window();
    const int paneWidth = band->sizes()[0];
    EXPECT_NEAR(paneWidth, band->width() / 2, 8);

    const QSize minimumWithPane = main_->Window()->minimumSize();
    EXPECT_GE(minimumWithPane.width(), 400);
    EXPECT_GE(minimumWithPane.height(), main_->BottomBand()->Height() + 350);
    main_->OnCommand(cmd::kFindPage);  // hide
    Settle();
    EXPECT_LT(main_->Window()->minimumSize().width(), minimumWithPane.width());
    EXPECT_GE(main_->MiddleBand()->SessionList()->Window()->width(), band->width() - 1);
    main_->Window()->resize(main_->Window()->width() + 100, main_->Window()->height());
    Settle();
    main_->OnCommand(cmd::kFindPage);  // show again
    Settle();
    EXPECT_FLOAT_EQ(prefs_->LastWindowSplitPercentage, 0.5f);
    EXPECT_NEAR(band->sizes()[0], band->width() / 2, 8);

    // The user drags the split to the left.
    QWidget* handle = band->handle(1);
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip - QPoint(100, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(100, 0));
    Settle();
    EXPECT_LT(prefs_->LastWindowSplitPercentage, 0.45f);
    EXPECT_NEAR(prefs_->LastWindowSplitPercentage,
                static_cast<float>(band->sizes()[0]) / static_cast<float>(band->width()), 0.02f);
}

TEST_F(MainWindowTest, ASavedPlacementIsUsedOnlyWhenWholeAndComesBackOnTheDesktop) {
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    WINDOWPLACEMENT far{};
    far.length = sizeof far;
    far.showCmd = SW_SHOWNORMAL;
    far.rcNormalPosition = RECT{desktop.right() + 500, 20, desktop.right() + 1100, 520};
    const TPlacementImage image = PackRecord(far);
    struct TCase {
        std::size_t bytes;
        bool applied;
    } cases[] = {{image.size(), true}, {40, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "SOFTWARE\\Marovelle\\Songsmith", &key), 0u);
        ASSERT_EQ(RegSetValueEx(key, "LastMainWinPlacement", REG_BINARY, image.data(),
                                static_cast<std::uint32_t>(c.bytes)),
                  0u);
        RegCloseKey(key);
        prefs_ = std::make_unique<CPreferences>();
        prefs_->Load(HKEY_CURRENT_USER);
        AsAnEarlierRunLeftThem(*prefs_);
        Open(1);
        const QRect geometry = main_->Window()->geometry();
        if (c.applied) {
            EXPECT_EQ(geometry.left(), desktop.left() + desktop.width() - kPlacementEdgeMargin);
            EXPECT_EQ(geometry.top(), 20);
            EXPECT_EQ(geometry.width(), 600);
        } else {
            // Centred at its first size, not where the short record said.
            EXPECT_LT(geometry.left(), desktop.left() + 100);
        }
        main_.reset();
        platter_ = std::make_unique<PLATTER_CPlatter>();
    }
    // Closing stores where the window stands, as a normal window.
    Open(1);
    main_->Window()->setGeometry(30, 40, 640, 480);
    main_->Window()->close();
    EXPECT_EQ(prefs_->LastMainWinPlacementValid, 1);
    EXPECT_EQ(prefs_->LastMainWinPlacement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(prefs_->LastMainWinPlacement.rcNormalPosition.left, 30);
    EXPECT_EQ(prefs_->LastMainWinPlacement.rcNormalPosition.bottom, 40 + 480);
    EXPECT_EQ(prefs_->bLogFailed, 0);
}

TEST_F(MainWindowTest, StatusTextsFromManyThreadsEndWithTheLastOne) {
    Open(1);
    EXPECT_EQ(main_->StatusBar().Text(), "Ready");
    EXPECT_EQ(main_->StatusBar().Window()->objectName(), QString::number(kStatusBarId));
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 50; ++i) {
                main_->StatusBar().PostText(("text " + std::to_string(t * 100 + i)).c_str());
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    main_->StatusBar().PostText("last");
    Settle();
    EXPECT_EQ(main_->StatusBar().Text(), "last");
}

TEST_F(MainWindowTest, TheSessionsModifiedFlagSwitchesSaveAndMarksTheTitle) {
    Open(1);
    EXPECT_FALSE(Button(cmd::kToolbarSave)->isEnabled());
    EXPECT_FALSE(Button(cmd::kToolbarShuffle)->isEnabled());
    const QString clean = main_->Window()->windowTitle();
    EXPECT_TRUE(clean.startsWith("Songsmith ")) << clean.toStdString();
    EXPECT_TRUE(clean.endsWith(" - Untitled")) << clean.toStdString();

    ASSERT_TRUE(PostAppMessage(main_->ReceiverId(), TAppMessage{WM_SESSION_DIRTY, 1, 0, nullptr}));
    Settle();
    EXPECT_TRUE(Button(cmd::kToolbarSave)->isEnabled());
    EXPECT_EQ(main_->Window()->windowTitle(), clean + " *");
    ASSERT_TRUE(
        PostAppMessage(main_->ReceiverId(), TAppMessage{WM_SESSION_DIRTY, 0x10000, 0, nullptr}));
    Settle();
    EXPECT_FALSE(Button(cmd::kToolbarSave)->isEnabled());
    EXPECT_EQ(main_->Window()->windowTitle(), clean);
}

TEST_F(MainWindowTest, EveryMenuAndToolbarTextIsShippedAndEveryItemCarriesItsCommand) {
    Open(1);
    const QList<QAction*> menus = main_->Window()->menuBar()->actions();
    ASSERT_EQ(menus.size(), 8);
    // A text that looks like a key is a key missing from the text file.
    const std::regex keyLike("[A-Za-z]+_[A-Za-z0-9_]+");
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        emit menu->aboutToShow();
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            EXPECT_FALSE(std::regex_match(action->text().toStdString(), keyLike))
                << action->text().toStdString();
            if (action->menu() != nullptr) {
                walk(action->menu());
            } else {
                EXPECT_GE(action->data().toInt(), 40000) << action->text().toStdString();
            }
        }
    };
    for (QAction* top : menus) {
        EXPECT_FALSE(std::regex_match(top->text().toStdString(), keyLike));
        walk(top->menu());
    }
    for (QAction* action : main_->Toolbar().Window()->actions()) {
        if (action->isSeparator()) continue;
        EXPECT_FALSE(action->toolTip().isEmpty());
        EXPECT_FALSE(std::regex_match(action->toolTip().toStdString(), keyLike));
    }
    // The Find item says what it will do.
    QMenu* findMenu = qobject_cast<QMenu*>(MenuItem(cmd::kFindPage)->parent());
    ASSERT_NE(findMenu, nullptr);
    emit findMenu->aboutToShow();
    const QString hide = MenuItem(cmd::kFindPage)->text();
    main_->OnCommand(cmd::kFindPage);
    emit findMenu->aboutToShow();
    EXPECT_NE(MenuItem(cmd::kFindPage)->text(), hide);
    EXPECT_TRUE(MenuItem(cmd::kShowToolbar)->isChecked());
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
    Open(1);
    main_->OnCommand(cmd::kExit);
    Settle();
    EXPECT_FALSE(main_->Window()->isVisible());
    EXPECT_EQ(prefs_->LastMainWinPlacementValid, 1);
}

// A command another part of the program carries out reaches its handler from
// the menu item; a handler that is removed is not called again.
TEST_F(MainWindowTest, MenuItemRunsTheHandlerSetForItsCommand) {
    Open(1);
    int runs = 0;
    main_->SetCommandHandler(cmd::kCheckVersion, [&runs] { ++runs; });
    QAction* item = MenuItem(cmd::kCheckVersion);
    ASSERT_NE(item, nullptr);
    item->trigger();
    Settle();
    EXPECT_EQ(runs, 1);
    // Posted by a dialog, the command runs the same way.
    ASSERT_TRUE(PostAppMessage(main_->ReceiverId(),
                               TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(cmd::kCheckVersion), 0, nullptr}));
    Settle();
    EXPECT_EQ(runs, 2);
    main_->SetCommandHandler(cmd::kCheckVersion, {});
    item->trigger();
    Settle();
    EXPECT_EQ(runs, 2);
}

}  // namespace
