#pragma once
// The Rip page and its format dialogs over scratch preferences, with the
// encoder libraries and the media module placed beside the test executable
// as a test asks, and the converter probe run over them as the program runs
// it at start-up. The encoder libraries are a stand-in that only tells its
// version; the media module is the real one.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "testsupport/gui_input.h"

class RipPrefsFixture : public ::testing::Test {
protected:
    // The Rip page's place among the pages.
    static constexpr int kRipPage = 3;

    void SetUp() override;
    void TearDown() override;

    // Which modules lie beside the program; then the probe.
    struct TModules {
        bool lame = true;
        bool blade = false;
        bool media = true;
    };
    void UseModules(TModules modules);

    // Runs the preferences dialog on the Rip page; drive works on the open
    // dialog and must close it. prepare may set pages first. The result.
    int RunPrefs(const std::function<void(QWidget* dialog)>& drive,
                 const std::function<void(CPrefsDialog&)>& prepare = {});
    // Runs a format dialog made by run (which calls its DoModal) with drive
    // on it once it shows; the dialog's result.
    static int RunModal(const std::function<int()>& run, const std::function<void(QWidget* dialog)>& drive);

    // Where a window's controls are looked for: on the Rip page when the
    // window holds it, since other pages use some of its numbers too.
    static QWidget* In(QWidget* window);
    // The user picks a row of a list.
    static void ChooseRow(QWidget* window, int id, int row);
    static void ChooseText(QWidget* window, int id, const QString& text);
    static std::vector<std::string> Rows(QWidget* window, int id);
    static std::string Shown(QWidget* window, int id);
    static bool Checked(QWidget* window, int id);
    static bool Enabled(QWidget* window, int id);
    // Replaces an edit field's text as the user would type it.
    static void Retype(QWidget* window, int id, const QString& text);

    std::unique_ptr<CPreferences> prefs_;
    std::unique_ptr<PLATTER_CPlatter> platter_;
};
