#pragma once
// A main window over scratch preferences and a drive library whose drives
// are image drives in temporary trays (none, one or several).

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/tests/earlier_run_preferences.h"
#include "songsmith/app/ui/main_window.h"
#include "testsupport/temp_dir.h"

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lists drives image drives, then builds and shows the window.
    void Open(int drives = 1);
    // Lets queued messages and layout requests through.
    static void Settle();

    // The toolbar button of command; null when the toolbar has none.
    QToolButton* Button(int command) const;
    // The commands of the checked page buttons.
    std::vector<int> CheckedPageButtons() const;
    // The menu item of command, searched through every menu and submenu.
    QAction* MenuItem(int command) const;
    // The middle band's top edge in the window.
    int MiddleBandTop() const;

    testsupport::TempDir trays_;
    std::unique_ptr<CPreferences> prefs_;
    std::unique_ptr<PLATTER_CPlatter> platter_;
    std::unique_ptr<CMainWindow> main_;
};
