// The preferences dialog over the real main window, driven offscreen by
// control id with scripted answers to its questions: which page opens, what
// OK, Cancel and the close box leave in the preferences and the registry
// store, the General page's engine and log switches, the Clipboard page's
// masks, help by row, and pictures of the frame.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QToolBar>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "filekit/reg_key.h"
#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "songsmith/app/help_pages.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/prefs/ui/tests/prefs_dialog_fixture.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

constexpr int kGeneralPage = 264;
constexpr int kClipboardPage = 267;
constexpr int kSmallToolbar = 1301;
constexpr int kLogBox = 1303;
constexpr int kZentRadio = 1483;
constexpr int kGoldenHawkRadio = 1484;
constexpr int kZentLogBox = 1507;
constexpr int kAccessBox = 1436;
constexpr int kPageIds[] = {264, 267, 263, 262, 265, 266};

std::string StoreFileBytes() {
    RegistryStoreSave();
    std::ifstream in(RegistryStoreFilePath(HKEY_CURRENT_USER), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The ids of the pages shown.
std::vector<int> ShownPages(QWidget* dialog) {
    std::vector<int> shown;
    for (int id : kPageIds) {
        QWidget* page = FindControl(dialog, id);
        if (page != nullptr && page->isVisible()) shown.push_back(id);
    }
    return shown;
}

void SelectRow(QWidget* dialog, int row) {
    FindControl<QListWidget>(dialog, kPrefsPageList)->setCurrentRow(row);
}

bool Checked(QWidget* dialog, int id) { return FindControl<QAbstractButton>(dialog, id)->isChecked(); }
bool Enabled(QWidget* dialog, int id) { return FindControl(dialog, id)->isEnabled(); }

// A page that records when it applies and answers as told.
class CRecordingPage : public CPrefsPage {
public:
    CRecordingPage(CPrefsDialog& owner, int index, bool answer, std::vector<int>& applied)
        : CPrefsPage(owner), index_(index), answer_(answer), applied_(applied) {}
    bool Apply() override {
        applied_.push_back(index_);
        return answer_;
    }

private:
    int index_;
    bool answer_;
    std::vector<int>& applied_;
};

using PrefsDialogTest = PrefsDialogFixture;

TEST_F(PrefsDialogTest, OpensTheStoredPageWithItsRowAndConfirmingStoresThePageLastShown) {
    struct {
        int stored;
        int page;
        int row;
        std::string title;
    } const cases[] = {
        {3, 262, 3, "Ripping Preferences"},
        {1, kClipboardPage, 1, "Clipboard Preferences"},
        {0, kGeneralPage, 0, "General Preferences"},
        {9, kGeneralPage, 0, "General Preferences"},
        {-1, kGeneralPage, 0, "General Preferences"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        prefs_->CurrentPrefPage = c.stored;
        const int result = Run([&](QWidget* dialog, CPrefsDialog& object) {
            auto* list = FindControl<QListWidget>(dialog, kPrefsPageList);
            ASSERT_EQ(list->selectedItems().size(), 1);
            EXPECT_EQ(list->row(list->selectedItems().front()), c.row);
            EXPECT_EQ(ShownPages(dialog), std::vector<int>{c.page});
            EXPECT_EQ(object.Title().toStdString(), c.title);
            // Centred over the main window, to the rounding of either size.
            const QPoint middle = main_->Window()->geometry().center();
            EXPECT_LE((dialog->geometry().center() - middle).manhattanLength(), 4);
            // Another row brings its page forward, alone.
            SelectRow(dialog, 4);
            EXPECT_EQ(ShownPages(dialog), std::vector<int>{265});
            SelectRow(dialog, 1);
            EXPECT_EQ(ShownPages(dialog), std::vector<int>{kClipboardPage});
            EXPECT_EQ(object.Title().toStdString(), "Clipboard Preferences");
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(prefs_->CurrentPrefPage, 1);
    }
    // The rows, in their order; the Rip row reads its keyed text.
    prefs_->CurrentPrefPage = 3;
    Run([](QWidget* dialog, CPrefsDialog&) {
        auto* list = FindControl<QListWidget>(dialog, kPrefsPageList);
        std::vector<std::string> rows;
        for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
        EXPECT_EQ(rows, (std::vector<std::string>{"General", "Clipboard", "Burning CDs", "Ripping",
                                                  "Importing", "Remote Database"}));
        EXPECT_EQ(dialog->windowTitle().toStdString(), "Preferences");
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(PrefsDialogTest, CancelAndTheCloseBoxLeaveTheStoreByteForByte) {
    prefs_->CurrentPrefPage = 0;
    prefs_->Save(HKEY_CURRENT_USER);
    const std::string before = StoreFileBytes();
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox);
        const int result = Run([&](QWidget* dialog, CPrefsDialog&) {
            ClickControl(dialog, kSmallToolbar);
            ClickControl(dialog, kLogBox);
            ClickControl(dialog, kZentRadio);
            SelectRow(dialog, 1);
            ClickControl(dialog, 1299);
            ClickControl(dialog, 1300);
            if (closeBox) {
                dialog->close();
            } else {
                ClickControl(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(StoreFileBytes(), before);
        EXPECT_EQ(prefs_->ShowSmallToolbar, 0);
        EXPECT_EQ(prefs_->bLogOn, 1);
        EXPECT_EQ(prefs_->copyFlags, 7);
        EXPECT_EQ(prefs_->CurrentPrefPage, 0);
        EXPECT_EQ(prefs_->WhichBurningEngine, kEngineGoldenHawk);
    }
    EXPECT_TRUE(ui_.MessageKeys().empty());
}

TEST_F(PrefsDialogTest, OkStoresExactlyTheChangedValuesAndTheToolbarShrinksAtOnce) {
    prefs_->CurrentPrefPage = 0;
    prefs_->Save(HKEY_CURRENT_USER);
    const TStoredValues before = ReadStoredValues();
    const int result = Run([](QWidget* dialog, CPrefsDialog&) {
        ClickControl(dialog, kSmallToolbar);
        SelectRow(dialog, 1);
        ClickControl(dialog, 1300);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(ChangedValueNames(before, ReadStoredValues()),
              (std::set<std::string>{"ShowSmallToolbar", "copyFlags", "CurrentPrefPage"}));

    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(fresh.ShowSmallToolbar, 1);
    EXPECT_EQ(fresh.copyFlags, 7 | 8);
    EXPECT_EQ(fresh.CurrentPrefPage, 1);

    // The toolbar was rebuilt with the small buttons before anything else ran.
    QToolBar* toolbar = main_->Toolbar().Window();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->iconSize(), QSize(30, 16));
    EXPECT_TRUE(main_->Window()->isVisible());
}

TEST_F(PrefsDialogTest, TheLogBoxAloneSwitchesLoggingAtOnceAndTheProgramRunsOn) {
    const int was = LoggingNow();
    for (int start : {1, 0}) {
        SCOPED_TRACE(start);
        prefs_->bLogOn = start;
        LogOn(start);
        prefs_->CurrentPrefPage = 0;
        const int result = Run([](QWidget* dialog, CPrefsDialog&) {
            ClickControl(dialog, kLogBox);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(prefs_->bLogOn, 1 - start);
        EXPECT_EQ(LoggingNow(), 1 - start);
        EXPECT_TRUE(main_->Window()->isVisible());
    }
    EXPECT_TRUE(ui_.MessageKeys().empty());
    LogOn(was);
}

TEST_F(PrefsDialogTest, TheEngineInUseChoosesTheRadioAndTheRadiosEnableTheirBoxes) {
    struct {
        int inUse;
        int stored;
    } const cases[] = {{kEngineZent, kEngineGoldenHawk}, {kEngineGoldenHawk, kEngineZent},
                       {kEngineNotChosen, kEngineZent}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inUse);
        platter_->burningEngine = c.inUse;
        prefs_->WhichBurningEngine = c.stored;
        prefs_->CurrentPrefPage = 0;
        Run([&](QWidget* dialog, CPrefsDialog&) {
            const bool zent = c.inUse == kEngineZent;
            EXPECT_EQ(Checked(dialog, kZentRadio), zent);
            EXPECT_EQ(Checked(dialog, kGoldenHawkRadio), !zent);
            EXPECT_EQ(Enabled(dialog, kZentLogBox), zent);
            EXPECT_EQ(Enabled(dialog, kAccessBox), !zent);
            for (int radio : {kGoldenHawkRadio, kZentRadio, kGoldenHawkRadio}) {
                ClickControl(dialog, radio);
                EXPECT_EQ(Enabled(dialog, kZentLogBox), radio == kZentRadio);
                EXPECT_EQ(Enabled(dialog, kAccessBox), radio != kZentRadio);
            }
            ClickControl(dialog, IDCANCEL);
        });
    }
}

TEST_F(PrefsDialogTest, TheEnginesOwnLogKeepsItsValueWhileItsBoxIsDisabled) {
    for (int inUse : {kEngineGoldenHawk, kEngineZent}) {
        SCOPED_TRACE(inUse);
        platter_->burningEngine = inUse;
        prefs_->WhichBurningEngine = inUse;
        prefs_->bZentLogging = 1;
        prefs_->CurrentPrefPage = 0;
        Run([](QWidget* dialog, CPrefsDialog&) {
            EXPECT_TRUE(Checked(dialog, kZentLogBox));
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->bZentLogging, 1);
    }
    // Under its engine the box switches the log.
    prefs_->CurrentPrefPage = 0;
    Run([](QWidget* dialog, CPrefsDialog&) {
        ClickControl(dialog, kZentLogBox);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(prefs_->bZentLogging, 0);
}

TEST_F(PrefsDialogTest, ANewEngineOrDriveAccessIsStoredOnlyWhenTheUserLetsTheProgramClose) {
    struct {
        int click;
        const char* question;
        int answer;
    } const cases[] = {
        {kZentRadio, "PFD_EngineChanged", IDCANCEL},
        {kAccessBox, "PFD_ASPIChanged", IDCANCEL},
        {kAccessBox, "PFD_ASPIChanged", IDOK},
        {kZentRadio, "PFD_EngineChanged", IDOK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.question + std::string(c.answer == IDOK ? " OK" : " Cancel"));
        prefs_->CurrentPrefPage = 0;
        prefs_->WhichBurningEngine = kEngineGoldenHawk;
        prefs_->UseMarovelleASPI = 0;
        if (!main_->Window()->isVisible()) main_->Show();
        testsupport::CFakeUiServices ui;
        ui.ExpectMessage(c.question, c.answer);
        if (c.answer == IDOK) ui.ExpectMessage("PFD_ASPIChangedRem", IDOK);
        const int result = Run([&](QWidget* dialog, CPrefsDialog&) {
            ClickControl(dialog, c.click);
            ClickControl(dialog, IDOK);
            if (c.answer != IDOK) {
                // The page is back as it opened.
                EXPECT_TRUE(Checked(dialog, kGoldenHawkRadio));
                EXPECT_FALSE(Checked(dialog, kZentRadio));
                EXPECT_FALSE(Checked(dialog, kAccessBox));
                EXPECT_TRUE(Enabled(dialog, kAccessBox));
                EXPECT_FALSE(Enabled(dialog, kZentLogBox));
            }
        });
        EXPECT_EQ(result, IDOK);
        const bool stored = c.answer == IDOK;
        EXPECT_EQ(prefs_->WhichBurningEngine,
                  stored && c.click == kZentRadio ? kEngineZent : kEngineGoldenHawk);
        EXPECT_EQ(prefs_->UseMarovelleASPI, stored && c.click == kAccessBox ? 1 : 0);
        CPreferences fresh;
        fresh.Load(HKEY_CURRENT_USER);
        EXPECT_EQ(fresh.WhichBurningEngine, prefs_->WhichBurningEngine);
        EXPECT_EQ(fresh.UseMarovelleASPI, prefs_->UseMarovelleASPI);
        // The main window closed through its own close, after the dialog.
        EXPECT_EQ(main_->Window()->isVisible(), !stored);
    }
}

TEST_F(PrefsDialogTest, AFailingPageKeepsTheDialogOpenAfterEveryPageAppliedAndTheStoreSaved) {
    std::vector<int> applied;
    prefs_->CurrentPrefPage = 0;
    const int result = Run(
        [&](QWidget* dialog, CPrefsDialog&) {
            ClickControl(dialog, kSmallToolbar);
            ClickControl(dialog, IDOK);
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(applied, (std::vector<int>{2, 3, 4, 5}));
            CPreferences fresh;
            fresh.Load(HKEY_CURRENT_USER);
            EXPECT_EQ(fresh.ShowSmallToolbar, 1);
            ClickControl(dialog, IDCANCEL);
        },
        [&](CPrefsDialog& dialog) {
            for (int index = 2; index < CPrefsDialog::kPageCount; ++index)
                dialog.SetPage(index, std::make_unique<CRecordingPage>(dialog, index, index != 4, applied));
        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(prefs_->ShowSmallToolbar, 1);
}

TEST_F(PrefsDialogTest, HelpAsksForTheContextOfTheSelectedRowAndNothingWithoutOne) {
    prefs_->CurrentPrefPage = 0;
    Run([](QWidget* dialog, CPrefsDialog&) {
        for (int row = 0; row < CPrefsDialog::kPageCount; ++row) {
            SelectRow(dialog, row);
            ClickControl(dialog, kPrefsHelpButton);
        }
        FindControl<QListWidget>(dialog, kPrefsPageList)->clearSelection();
        ClickControl(dialog, kPrefsHelpButton);
        ClickControl(dialog, IDCANCEL);
    });
    std::vector<int> contexts;
    for (const testsupport::TUiCall& call : ui_.Calls())
        if (call.kind == "help context") contexts.push_back(call.number);
    EXPECT_EQ(contexts, (std::vector<int>{9, 10, 11, 12, 13, 14}));
    // Each of them has its place in the shipped help.
    std::ifstream in(HelpIndexPath());
    std::stringstream index;
    index << in.rdbuf();
    for (int context : contexts)
        EXPECT_NE(index.str().find("id=\"" + HelpContextAnchor(context) + "\""), std::string::npos) << context;
}

TEST_F(PrefsDialogTest, EveryCopyFlagsValueRoundTripsThroughTheClipboardPage) {
    // The boxes and their masks: name 1, number 2, length 4, artist 8.
    const std::pair<int, int> boxes[] = {{1297, 2}, {1298, 4}, {1299, 1}, {1300, 8}};
    for (int value = 0; value < 16; ++value) {
        SCOPED_TRACE(value);
        prefs_->copyFlags = value;
        prefs_->CurrentPrefPage = 1;
        // The page shows the value; the boxes are then set to its complement.
        Run([&](QWidget* dialog, CPrefsDialog&) {
            for (const auto& [id, mask] : boxes) {
                EXPECT_EQ(Checked(dialog, id), (value & mask) != 0) << id;
                ClickControl(dialog, id);
            }
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->copyFlags, 15 - value);
        CPreferences fresh;
        fresh.Load(HKEY_CURRENT_USER);
        EXPECT_EQ(fresh.copyFlags, 15 - value);
    }
}

TEST_F(PrefsDialogTest, TheFrameShowsEachPageUnclippedUnderItsShadedTitle) {
    for (int page : {0, 1}) {
        prefs_->CurrentPrefPage = page;
        Run([&](QWidget* dialog, CPrefsDialog&) {
            QWidget* title = FindControl(dialog, kPrefsTitle);
            const QImage band = title->grab().toImage();
            const QColor face = title->palette().color(QPalette::Button);
            const auto shade = [](int channel) { return channel < 32 ? channel : channel - 32; };
            EXPECT_EQ(band.pixelColor(2, band.height() - 2).rgb(),
                      QColor(shade(face.red()), shade(face.green()), shade(face.blue())).rgb());
            QWidget* shown = FindControl(dialog, kPageIds[page]);
            // The pages fill the room under the title, 8 pixels below it,
            // down to the bottom of the list.
            const QRect holder = shown->parentWidget()->geometry();
            const QRect list = FindControl(dialog, kPrefsPageList)->geometry();
            EXPECT_EQ(holder.left(), title->geometry().left());
            EXPECT_EQ(holder.right(), title->geometry().right());
            EXPECT_EQ(holder.top(), title->geometry().bottom() + 1 + 8);
            EXPECT_EQ(holder.bottom(), list.bottom());
            EXPECT_EQ(shown->geometry(), QRect(QPoint(0, 0), holder.size()));
            for (QWidget* control : shown->findChildren<QWidget*>()) {
                SCOPED_TRACE(control->objectName().toStdString());
                const QRect inside = shown->rect();
                EXPECT_TRUE(inside.contains(control->geometry())) << "past the page's edge";
                const auto* label = qobject_cast<QLabel*>(control);
                if (label != nullptr && label->wordWrap()) {
                    EXPECT_LE(label->heightForWidth(label->width()), label->height());
                } else {
                    EXPECT_LE(control->sizeHint().width(), control->width());
                }
            }
            testsupport::SaveWidgetPng(dialog, page == 0 ? "prefs_general" : "prefs_clipboard");
            ClickControl(dialog, IDCANCEL);
        });
    }
}

}  // namespace
