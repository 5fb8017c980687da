// The fader settings dialog, driven offscreen by control id: which
// controls each kind enables, the lengths OK accepts and refuses, what it
// makes of the settings and whom it tells, that Cancel changes nothing,
// its help, and that it reads and shows lengths the same under a locale
// with a decimal comma.
#include "songsmith/burn/ui/fader_settings_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/dialogs/ui/tests/control_help_check.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using Dlg = CFaderSettingsDlg;

constexpr int kGapControls[] = {Dlg::kGapBox, Dlg::kGapLabel};
constexpr int kMixControls[] = {Dlg::kOverlapLabel, Dlg::kOverlapBox, Dlg::kOverlapSecs,
                                Dlg::kFadeLabel,    Dlg::kFadeBox,    Dlg::kFadeSecs};

QComboBox* Box(QWidget* dialog, int id) {
    return FindControl<QComboBox>(dialog, id);
}

// Replaces a length box's text by typing, key by key.
void TypeLength(QWidget* dialog, int id, const char* text) {
    QLineEdit* edit = Box(dialog, id)->lineEdit();
    edit->setFocus();
    edit->selectAll();
    if (text[0] == '\0') {
        QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
}

std::string Shown(QWidget* dialog, int id) {
    return Box(dialog, id)->currentText().toStdString();
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool SameFade(const TFadePreferences& a, const TFadePreferences& b) {
    return a.transitionMode == b.transitionMode && a.gapMs == b.gapMs &&
           a.overlapMs == b.overlapMs && a.fadeMs == b.fadeMs;
}

class FaderSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        prefs_.fadePreferences = {1, 1000, 2500, 1500};
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
    }

    // Runs the dialog; drive acts on it once the kind's posted click has
    // arrived and must close it. Its result.
    int Run(const std::function<void(QWidget* dialog)>& drive) {
        TFaderContext context{prefs_};
        context.zentEngine = zent_;
        context.queuePointChanged = [this] { ++queuePoints_; };
        context.updateTotals = [this] { ++totals_; };
        context.conversionOutdated = [this] { ++outdated_; };
        CFaderSettingsDlg dialog(context);
        testsupport::WhenModalShown([&](QWidget* modal) {
            QCoreApplication::processEvents();
            drive(modal);
        });
        return dialog.DoModal(nullptr);
    }

    CPreferences prefs_;
    testsupport::CFakeUiServices ui_;
    bool zent_ = false;
    int queuePoints_ = 0;
    int totals_ = 0;
    int outdated_ = 0;
};

TEST_F(FaderSettingsDialogTest, OpensOnTheWorkingSettingsWithTheKindsControlsEnabled) {
    struct TCase {
        std::int32_t kind;
        int radio;
    } cases[] = {{0, Dlg::kNoSilence}, {1, Dlg::kSeparate}, {2, Dlg::kMix}, {7, Dlg::kNoSilence}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.kind);
        prefs_.fadePreferences = {c.kind, 3000, 2250, 7500};
        const int result = Run([&](QWidget* dialog) {
            EXPECT_EQ(dialog->objectName(), QStringLiteral("105"));
            EXPECT_EQ(dialog->windowTitle().toStdString(), KeyedText("FD_Title"));
            for (const int radio : {Dlg::kNoSilence, Dlg::kSeparate, Dlg::kMix})
                EXPECT_EQ(FindControl<QAbstractButton>(dialog, radio)->isChecked(),
                          radio == c.radio)
                    << radio;
            for (const int id : kGapControls)
                EXPECT_EQ(FindControl(dialog, id)->isEnabled(), c.kind == 1) << id;
            for (const int id : kMixControls)
                EXPECT_EQ(FindControl(dialog, id)->isEnabled(), c.kind == 2) << id;
            EXPECT_EQ(Shown(dialog, Dlg::kGapBox), "3.0");
            // A length between the list's half seconds keeps its digits.
            EXPECT_EQ(Shown(dialog, Dlg::kOverlapBox), "2.25");
            EXPECT_EQ(Shown(dialog, Dlg::kFadeBox), "7.5");
            QComboBox* gaps = Box(dialog, Dlg::kGapBox);
            ASSERT_EQ(gaps->count(), 14);
            EXPECT_EQ(gaps->itemText(0), QStringLiteral("1.0"));
            EXPECT_EQ(gaps->itemText(3), QStringLiteral("2.5"));
            EXPECT_EQ(gaps->itemText(13), QStringLiteral("7.5"));
            if (c.kind == 2) {
                ExpectUnclipped(dialog);
                testsupport::SaveWidgetPng(dialog, QStringLiteral("fader_settings_dialog"));
            }
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        // Shown and confirmed unchanged, the lengths are kept to the ms.
        EXPECT_EQ(prefs_.fadePreferences.gapMs, 3000);
        EXPECT_EQ(prefs_.fadePreferences.overlapMs, 2250);
        EXPECT_EQ(prefs_.fadePreferences.fadeMs, 7500);
    }
}

TEST_F(FaderSettingsDialogTest, ChoosingAKindEnablesOnlyItsControls) {
    Run([&](QWidget* dialog) {
        for (const int radio : {Dlg::kMix, Dlg::kNoSilence, Dlg::kSeparate}) {
            SCOPED_TRACE(radio);
            ClickControl(dialog, radio);
            for (const int id : kGapControls)
                EXPECT_EQ(FindControl(dialog, id)->isEnabled(), radio == Dlg::kSeparate);
            for (const int id : kMixControls)
                EXPECT_EQ(FindControl(dialog, id)->isEnabled(), radio == Dlg::kMix);
        }
        ClickControl(dialog, IDCANCEL);
    });
}

// A length of the chosen kind outside 0.1 to 120 seconds is refused with
// its error; the box shows the old length and the dialog stays. Lengths of
// other kinds are not checked.
TEST_F(FaderSettingsDialogTest, OkRefusesABadLengthOfTheChosenKindOnly) {
    struct TCase {
        const char* name;
        int radio;
        int box;
        const char* typed;
        std::vector<const char*> errors;
        const char* shownAfter;
    } cases[] = {
        {"gap too short", Dlg::kSeparate, Dlg::kGapBox, "0.05", {"FDE_GapError"}, "1.0"},
        {"gap too long", Dlg::kSeparate, Dlg::kGapBox, "121", {"FDE_GapError"}, "1.0"},
        {"gap no number", Dlg::kSeparate, Dlg::kGapBox, "two", {"FDE_GapError"}, "1.0"},
        {"gap with a comma", Dlg::kSeparate, Dlg::kGapBox, "2,5", {"FDE_GapError"}, "1.0"},
        {"gap empty", Dlg::kSeparate, Dlg::kGapBox, "", {"FDE_GapError"}, "1.0"},
        {"overlap too long", Dlg::kMix, Dlg::kOverlapBox, "500", {"FDE_OverlapError"}, "2.5"},
        {"fade zero", Dlg::kMix, Dlg::kFadeBox, "0", {"FDE_FadeError"}, "1.5"},
        {"bad gap, no silence", Dlg::kNoSilence, Dlg::kGapBox, "0.05", {}, nullptr},
        {"bad gap, mixing", Dlg::kMix, Dlg::kGapBox, "121", {}, nullptr},
        {"bad fade, separate", Dlg::kSeparate, Dlg::kFadeBox, "0.01", {}, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TFadePreferences before = prefs_.fadePreferences;
        for (const char* error : c.errors) ui_.ExpectMessage(error, IDOK);
        bool stayedOpen = false;
        const int result = Run([&](QWidget* dialog) {
            ClickControl(dialog, c.radio);
            TypeLength(dialog, c.box, c.typed);
            ClickControl(dialog, IDOK);
            stayedOpen = dialog->isVisible();
            if (stayedOpen) {
                EXPECT_EQ(Shown(dialog, c.box), c.shownAfter);
                ClickControl(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(stayedOpen, !c.errors.empty());
        EXPECT_EQ(result, c.errors.empty() ? 1 : 0);
        // The refused length is never stored; neither is the ignored one.
        EXPECT_EQ(prefs_.fadePreferences.gapMs, before.gapMs);
        EXPECT_EQ(prefs_.fadePreferences.overlapMs, before.overlapMs);
        EXPECT_EQ(prefs_.fadePreferences.fadeMs, before.fadeMs);
        prefs_.fadePreferences = before;
    }
    for (const testsupport::TUiCall& call : ui_.Calls()) {
        if (call.kind == "message") {
            EXPECT_EQ(call.flags & MB_ICONMASK, MB_ICONERROR) << call.key;
        }
    }
}

TEST_F(FaderSettingsDialogTest, BadOverlapAndFadeAreBothReportedInTurn) {
    ui_.ExpectMessage("FDE_OverlapError", IDOK);
    ui_.ExpectMessage("FDE_FadeError", IDOK);
    Run([&](QWidget* dialog) {
        ClickControl(dialog, Dlg::kMix);
        TypeLength(dialog, Dlg::kOverlapBox, "0");
        TypeLength(dialog, Dlg::kFadeBox, "200");
        ClickControl(dialog, IDOK);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(Shown(dialog, Dlg::kOverlapBox), "2.5");
        EXPECT_EQ(Shown(dialog, Dlg::kFadeBox), "1.5");
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(FaderSettingsDialogTest, TypedSecondsBecomeWholeMilliseconds) {
    struct TCase {
        const char* typed;
        std::int32_t ms;
    } cases[] = {{"2.25", 2250},  {"2.3", 2300}, {"0.1", 100},
                 {"120", 120000}, {" 7 ", 7000}, {"3.0004", 3000}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.typed);
        Run([&](QWidget* dialog) {
            ClickControl(dialog, Dlg::kSeparate);
            TypeLength(dialog, Dlg::kGapBox, c.typed);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_.fadePreferences.transitionMode, 1);
        EXPECT_EQ(prefs_.fadePreferences.gapMs, c.ms);
    }
}

// Mixed tracks need converted files unless the Zent engine writes them;
// the player and the session list hear of every confirmed change.
TEST_F(FaderSettingsDialogTest, OkMakesTheSettingsWorkingAndTellsThePlayerAndTheSession) {
    struct TCase {
        const char* name;
        std::int32_t kindBefore;
        int radio;
        bool zent;
        int convertFirst;
        int outdated;
    } cases[] = {
        {"mix, other engine", 1, Dlg::kMix, false, 1, 1},
        {"mix, zent engine", 1, Dlg::kMix, true, 0, 1},
        {"mix again, other engine: converting first now", 2, Dlg::kMix, false, 1, 1},
        {"mix again, zent engine", 2, Dlg::kMix, true, 0, 0},
        {"gap, other engine", 1, Dlg::kSeparate, false, 0, 0},
        {"none, other engine", 1, Dlg::kNoSilence, false, 0, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        prefs_.fadePreferences = {c.kindBefore, 1000, 2500, 1500};
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
        zent_ = c.zent;
        queuePoints_ = totals_ = outdated_ = 0;
        const int result = Run([&](QWidget* dialog) {
            ClickControl(dialog, c.radio);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(prefs_.fadePreferences.transitionMode, c.radio == Dlg::kMix        ? 2
                                                         : c.radio == Dlg::kSeparate ? 1
                                                                                     : 0);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerConvertFirst], c.convertFirst);
        EXPECT_EQ(queuePoints_, 1);
        EXPECT_EQ(totals_, 1);
        EXPECT_EQ(outdated_, c.outdated);
    }
}

TEST_F(FaderSettingsDialogTest, CancelAndTheCloseBoxLeaveTheStoreFileUnchanged) {
    prefs_.Save(HKEY_CURRENT_USER);
    ASSERT_EQ(RegistryStoreSave(), ERROR_SUCCESS);
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    const std::string before = FileBytes(path);
    ASSERT_FALSE(before.empty());
    const TFadePreferences working = prefs_.fadePreferences;
    for (const bool closeBox : {false, true}) {
        const int result = Run([&](QWidget* dialog) {
            ClickControl(dialog, Dlg::kMix);
            TypeLength(dialog, Dlg::kOverlapBox, "4.5");
            if (closeBox) {
                dialog->close();
            } else {
                ClickControl(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(result, 0);
    }
    EXPECT_TRUE(SameFade(prefs_.fadePreferences, working));
    EXPECT_EQ(prefs_.BurnerPrefs[kBurnerConvertFirst], 0);
    EXPECT_EQ(queuePoints_ + totals_ + outdated_, 0);
    // Saved again as the program does on its way out.
    prefs_.Save(HKEY_CURRENT_USER);
    ASSERT_EQ(RegistryStoreSave(), ERROR_SUCCESS);
    EXPECT_EQ(FileBytes(path), before);
}

// Whatever the C library's numeric locale, a point is the decimal mark of
// the boxes.
TEST_F(FaderSettingsDialogTest, LengthsReadAndShowAlikeUnderADecimalCommaLocale) {
    testsupport::TempDir locales;
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        // Built for this run when the system lacks it.
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + locales.Path() + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", locales.Path().c_str(), 1);
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
            unsetenv("LOCPATH");
        }
    }
    char comma[8] = {};
    std::snprintf(comma, sizeof comma, "%.1f", 2.5);
    if (std::string(comma) != "2,5") {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "no German locale here";
    }
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Run([&](QWidget* dialog) {
        EXPECT_EQ(Box(dialog, Dlg::kOverlapBox)->itemText(3), QStringLiteral("2.5"));
        EXPECT_EQ(Shown(dialog, Dlg::kFadeBox), "1.5");
        TypeLength(dialog, Dlg::kGapBox, "2.5");
        ClickControl(dialog, IDOK);
    });
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(previous);
    EXPECT_EQ(prefs_.fadePreferences.gapMs, 2500);
}

TEST_F(FaderSettingsDialogTest, F1OnAControlShowsItsHelpTopic) {
    // The kind whose controls are enabled first, then the control.
    struct TCase {
        int kind;
        int control;
        int topic;
    } cases[] = {{Dlg::kMix, Dlg::kNoSilence, 14}, {Dlg::kMix, Dlg::kSeparate, 14},
                 {Dlg::kMix, Dlg::kMix, 15},       {Dlg::kMix, Dlg::kOverlapBox, 15},
                 {Dlg::kMix, Dlg::kFadeBox, 15},   {Dlg::kSeparate, Dlg::kGapBox, 13}};
    Run([&](QWidget* dialog) {
        for (const TCase& c : cases) {
            ClickControl(dialog, c.kind);
            ExpectF1Topic(dialog, c.control, c.topic, ui_);
        }
        ClickControl(dialog, IDCANCEL);
    });
}

}  // namespace
