// The question asked on quitting during a rip, offscreen by control id:
// Yes and No with and without the box, and the close box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTest>

#include "platform/user_folders.h"
#include "songsmith/cd/ui/copy_in_progress_dialog.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/tests/clipped_text.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

class CopyInProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        owner_.setGeometry(0, 0, 500, 300);
        owner_.show();
    }
    QWidget owner_;
};

TEST_F(CopyInProgressTest, YesAndNoStoreTheBoxAndClosingStoresNothing) {
    const struct {
        int button;
        bool ticked;
        int stored;
    } cases[] = {{CCopyInProgressDlg::kYes, true, 0},
                 {CCopyInProgressDlg::kYes, false, 1},
                 {CCopyInProgressDlg::kNo, true, 0},
                 {CCopyInProgressDlg::kNo, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << (c.ticked ? " ticked" : ""));
        CPreferences prefs;
        prefs.RipConfirmQuit = 7;
        CCopyInProgressDlg dlg(prefs);
        QDialog* dialog = dlg.Open(&owner_);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QString::number(CCopyInProgressDlg::kDialogId));
        EXPECT_EQ(FindControl<QLabel>(dialog, CCopyInProgressDlg::kFirstText)->text(), ProgString("CIP_Text1"));
        EXPECT_EQ(FindControl<QLabel>(dialog, CCopyInProgressDlg::kSecondText)->text(), ProgString("CIP_Text2"));
        EXPECT_FALSE(FindControl<QCheckBox>(dialog, CCopyInProgressDlg::kDontAsk)->isChecked());
        if (c.button == CCopyInProgressDlg::kYes && c.ticked) {
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("copy_in_progress"));
        }
        if (c.ticked) ClickControl(dialog, CCopyInProgressDlg::kDontAsk);
        ClickControl(dialog, c.button);
        EXPECT_EQ(dlg.Result(), c.button);
        EXPECT_EQ(prefs.RipConfirmQuit, c.stored);
    }
    // The close box and Escape end it with 0 and leave the preference.
    for (const bool escape : {false, true}) {
        CPreferences prefs;
        prefs.RipConfirmQuit = 1;
        CCopyInProgressDlg dlg(prefs);
        QDialog* dialog = dlg.Open(&owner_);
        ClickControl(dialog, CCopyInProgressDlg::kDontAsk);
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        EXPECT_EQ(dlg.Result(), 0);
        EXPECT_EQ(prefs.RipConfirmQuit, 1);
    }
}

}  // namespace
