// The small dialogs around a burn, driven offscreen by control id: the
// insert-disc prompt (its message, and when it closes by itself), the
// will-not-fit choice (its numbers and what OK stores), the success dialog
// (its message and the label command it posts) and the burn-failed choices.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/burn/ui/burn_failed_dialog.h"
#include "songsmith/burn/ui/burn_success_dialog.h"
#include "songsmith/burn/ui/insert_disc_dialog.h"
#include "songsmith/burn/ui/will_not_fit_dialog.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/burn/ui/tests/burn_progress_fixture.h"
#include "songsmith/dialogs/ui/tests/control_help_check.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "testsupport/hang_limit.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

std::string Text(QWidget* window, int id) {
    auto* label = FindControl<QLabel>(window, id);
    if (label != nullptr) return label->text().toStdString();
    return FindControl<QAbstractButton>(window, id)->text().toStdString();
}

// Runs a dialog's DoModal with drive acting on its window once it shows.
int RunModal(const std::function<int()>& doModal, const std::function<void(QWidget*)>& drive) {
    testsupport::WhenModalShown([&](QWidget* modal) {
        drive(modal);
        if (modal->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open";
            qobject_cast<QDialog*>(modal)->done(-1);
        }
    });
    return doModal();
}

class InsertDiscDialogTest : public burn_progress_test::BurnProgressTest {
protected:
    int Run(const std::function<void(CInsertDiscDlg&, QWidget*)>& drive) {
        CInsertDiscDlg dialog(*burner_);
        return RunModal([&] { return dialog.DoModal(nullptr); },
                        [&](QWidget* modal) { drive(*CInsertDiscDlg::FromWindow(modal), modal); });
    }
};

TEST_F(InsertDiscDialogTest, AsksForTheDiscOfThisCopy) {
    struct TCase {
        bool test;
        int copies;
        std::string message;
    };
    const TCase cases[] = {
        {false, 1, KeyedText("IDD_Message")},
        {true, 1, KeyedText("IDD_MessageTest")},
        {false, 3, FormatKeyedText("IDD_MultiMessage", {2})},
        {true, 3, FormatKeyedText("IDD_MultiMessageTest", {2})},
    };
    burner_->copyIndex.store(1);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.message);
        burner_->test.store(c.test);
        burner_->copies.store(c.copies);
        const int result = Run([&](CInsertDiscDlg&, QWidget* window) {
            EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("IDD_Title"));
            EXPECT_EQ(Text(window, CInsertDiscDlg::kMessage), c.message);
            EXPECT_EQ(Text(window, IDOK), KeyedText("IDD_Continue"));
            EXPECT_EQ(Text(window, IDCANCEL), KeyedText("IDD_Abort"));
            ExpectUnclipped(window);
            if (c.copies == 3 && !c.test) testsupport::SaveWidgetPng(window, QStringLiteral("insert_disc_dialog"));
            ClickControl(window, c.test ? IDCANCEL : IDOK);
        });
        EXPECT_EQ(result, c.test ? 0 : 1);
    }
}

// Each look at the writer: a blank disc, or a write that runs, ends the
// prompt with 1; a written disc keeps it open; the worker's end gives up.
TEST_F(InsertDiscDialogTest, EachLookClosesItForABlankDiscOnlyAndGivesUpWithTheWorker) {
    struct TCase {
        std::int32_t media;
        bool writing;
        bool workerRunning;
        int result;  // -1: still open
    };
    const TCase cases[] = {
        {PLATTER_MEDIA_WRITTEN, false, true, -1}, {PLATTER_MEDIA_NONE, false, true, -1},
        {PLATTER_MEDIA_BLANK_CDR, false, true, 1}, {PLATTER_MEDIA_BLANK_CDRW, false, true, 1},
        {PLATTER_MEDIA_WRITTEN, true, true, 1},    {PLATTER_MEDIA_WRITTEN, false, false, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.media) + (c.writing ? " writing" : "") + (c.workerRunning ? "" : " ended"));
        finish_.store(false);
        if (c.workerRunning) StartPass();
        writer_->ScriptStatuses({c.media});
        burner_->writing.store(c.writing);
        const int result = Run([&](CInsertDiscDlg& dialog, QWidget* window) {
            EXPECT_EQ(dialog.Timer()->interval(), burner_->Timing().insertDiscPollMs);
            const int frame = dialog.Frame();
            dialog.OnTimer();
            EXPECT_EQ(dialog.Frame(), (frame + 1) % 8);
            EXPECT_EQ(window->isVisible(), c.result == -1);
            if (window->isVisible()) ClickControl(window, IDCANCEL);
        });
        EXPECT_EQ(result, c.result == -1 ? 0 : c.result);
        burner_->writing.store(false);
        if (c.workerRunning) EndPass();
    }
}

using WillNotFitDialogTest = burn_progress_test::BurnProgressTest;

TEST_F(WillNotFitDialogTest, ShowsHowMuchIsOverAndOkStoresTheChoice) {
    // The preferences say 80 minutes; the disc in the writer says 74.
    prefs_.iDefaultMediaSize = 80;
    writer_->ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
    writer_->capacityMs.store(74 * 60000);
    AddTrack("Long", 90 * 60000);
    prefs_.excessTreatment = CWillNotFitDlg::kTreatmentCut;
    prefs_.excessFadeTime = 2000;
    testsupport::CFakeUiServices& ui = ui_;
    const int result = RunModal([&] { return CWillNotFitDlg(prefs_, *burner_, tracks_).DoModal(nullptr); },
                                [&](QWidget* window) {
        EXPECT_EQ(window->objectName(), QStringLiteral("179"));
        EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("WFD_Title"));
        EXPECT_EQ(Text(window, CWillNotFitDlg::kNotFit), KeyedText("WFD_NotFit"));
        // 90:00 of songs, a 74-minute disc, 16:00 over.
        EXPECT_EQ(Text(window, CWillNotFitDlg::kText), FormatKeyedText("WFD_Text", {90, 0, 74, 16, 0}));
        // The saved choice: cut, so the fade's seconds are off.
        auto* seconds = FindControl<QComboBox>(window, CWillNotFitDlg::kSecondsList);
        EXPECT_TRUE(FindControl<QRadioButton>(window, CWillNotFitDlg::kChopOff)->isChecked());
        EXPECT_FALSE(seconds->isEnabled());
        EXPECT_FALSE(FindControl(window, CWillNotFitDlg::kSecondsLabel)->isEnabled());
        EXPECT_EQ(seconds->count(), 15);
        EXPECT_EQ(seconds->itemText(0), QStringLiteral("1"));
        EXPECT_EQ(seconds->itemText(14), QStringLiteral("15"));
        EXPECT_EQ(seconds->currentText(), QStringLiteral("2"));
        ExpectF1Topic(window, CWillNotFitDlg::kChopOff, 12, ui);
        ClickControl(window, CWillNotFitDlg::kFadeOut);
        EXPECT_TRUE(seconds->isEnabled());
        for (const int id : {CWillNotFitDlg::kFadeOut, CWillNotFitDlg::kSecondsList})
            ExpectF1Topic(window, id, 1, ui);
        seconds->setCurrentIndex(seconds->findText(QStringLiteral("5")));
        ExpectUnclipped(window);
        testsupport::SaveWidgetPng(window, QStringLiteral("will_not_fit_dialog"));
        ClickControl(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(prefs_.excessFadeTime, 5000);
    EXPECT_EQ(prefs_.excessTreatment, CWillNotFitDlg::kTreatmentFade);
}

TEST_F(WillNotFitDialogTest, CutStoresItsTreatmentAndCancelStoresNothing) {
    AddTrack("Long", 80 * 60000);
    for (const int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        prefs_.excessTreatment = CWillNotFitDlg::kTreatmentFade;
        prefs_.excessFadeTime = 3000;
        const int result = RunModal([&] { return CWillNotFitDlg(prefs_, *burner_, tracks_).DoModal(nullptr); },
                                    [&](QWidget* window) {
            EXPECT_TRUE(FindControl<QRadioButton>(window, CWillNotFitDlg::kFadeOut)->isChecked());
            ClickControl(window, CWillNotFitDlg::kChopOff);
            EXPECT_FALSE(FindControl(window, CWillNotFitDlg::kSecondsList)->isEnabled());
            FindControl<QComboBox>(window, CWillNotFitDlg::kSecondsList)->setCurrentIndex(9);
            ClickControl(window, button);
        });
        EXPECT_EQ(result, button == IDOK ? 1 : 0);
        EXPECT_EQ(prefs_.excessTreatment,
                  button == IDOK ? CWillNotFitDlg::kTreatmentCut : CWillNotFitDlg::kTreatmentFade);
        EXPECT_EQ(prefs_.excessFadeTime, button == IDOK ? 10000 : 3000);
    }
}

TEST(BurnSuccessDialogTest, ShowsItsMessageAnimatesAndItsLabelButtonPostsTheLabelCommand) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    std::vector<std::uintptr_t> commands;
    CAppMessageReceiver mainWindow([&](TAppMessage& message) {
        if (message.number == WM_COMMAND) commands.push_back(message.wParam);
        return 0;
    });
    struct TCase {
        bool test;
        int copies;
        const char* key;
        int button;  // 0: the close box
        int result;
    };
    const TCase cases[] = {
        {true, 1, "BSD_TestSuccess", IDOK, 1},
        {false, 1, "BSD_BurnSuccess", CBurnSuccessDlg::kMakeLabel, 1},
        {false, 4, "BSD_BurnSuccessMultiple", 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.key);
        CBurnSuccessDlg dialog(c.test, c.copies, mainWindow.Id(), 50'000'000);
        const int result = RunModal([&] { return dialog.DoModal(nullptr); }, [&](QWidget* window) {
            EXPECT_EQ(window->windowTitle().toStdString(), KeyedText("BSD_Title"));
            EXPECT_EQ(Text(window, CBurnSuccessDlg::kMessage), KeyedText(c.key));
            CBurnSuccessDlg* shown = CBurnSuccessDlg::FromWindow(window);
            std::vector<int> frames = {shown->Frame()};
            for (int i = 0; i < 3; ++i) {
                shown->OnTimer();
                frames.push_back(shown->Frame());
            }
            EXPECT_EQ(frames, (std::vector<int>{16, 17, 18, 16}));
            ExpectUnclipped(window);
            if (c.button == IDOK) testsupport::SaveWidgetPng(window, QStringLiteral("burn_success_dialog"));
            if (c.button == 0)
                window->close();
            else
                ClickControl(window, c.button);
        });
        EXPECT_EQ(result, c.result);
    }
    // Only the label button posted, once; the command arrives.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !commands.empty(); }, testsupport::kHangLimitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(commands, std::vector<std::uintptr_t>{cmd::kLabelProduct});
}

TEST(BurnFailedDialogTest, EachChoiceReturnsItsCodeAndTheSecondTextShowsOnlyWhenGiven) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    struct TCase {
        bool test;
        bool usable;
        std::string second;
        int button;  // 0: the close box
    };
    const TCase cases[] = {
        {false, false, "The writer ran out of data.", CBurnFailedDlg::kRetrySame},
        {true, true, "", CBurnFailedDlg::kRetrySlower},
        {false, true, "", CBurnFailedDlg::kCancel},
        {true, false, "Second line", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.button);
        CBurnFailedDlg dialog("The writer reported an error.", c.second, c.test, c.usable, 16);
        const int result = RunModal([&] { return dialog.DoModal(nullptr); }, [&](QWidget* window) {
            EXPECT_EQ(window->objectName(), QStringLiteral("285"));
            EXPECT_EQ(window->windowTitle().toStdString(),
                      KeyedText(c.test ? "BFD_TestFailedTitle" : "BFD_BurnFailedTitle"));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kErrorText), "The writer reported an error.");
            EXPECT_EQ(FindControl(window, CBurnFailedDlg::kSecondText)->isVisibleTo(window), !c.second.empty());
            EXPECT_EQ(Text(window, CBurnFailedDlg::kSecondText), c.second);
            EXPECT_EQ(Text(window, CBurnFailedDlg::kUsable), KeyedText(c.usable ? "BFD_CDUsable" : "BFD_CDNotUsable"));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kLastSpeed), FormatKeyedText("BFD_LastBurnSpeed", {16}));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kChoices), KeyedText("BFD_Choices"));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kRetrySame),
                      KeyedText(c.test ? "BFD_ChoiceRetryTestSame" : "BFD_ChoiceRetrySame"));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kRetrySlower),
                      KeyedText(c.test ? "BFD_ChoiceRetryTestSlower" : "BFD_ChoiceRetrySlower"));
            EXPECT_EQ(Text(window, CBurnFailedDlg::kCancel), KeyedText("BFD_ChoiceCancel"));
            ExpectUnclipped(window);
            if (!c.second.empty() && c.button != 0)
                testsupport::SaveWidgetPng(window, QStringLiteral("burn_failed_dialog"));
            if (c.button == 0)
                window->close();
            else
                ClickControl(window, c.button);
        });
        EXPECT_EQ(result, c.button);
    }
}

}  // namespace
