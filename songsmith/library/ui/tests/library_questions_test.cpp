// The Library page's questions offscreen by control id: the Empty Trash
// choice, the Corrupted Music Library answer (and its close box), and the
// Delete Empty Folders question with its standing answer.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <string>

#include "platform/user_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/library/ui/library_maintenance_dlgs.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/tests/clipped_text.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

class LibraryQuestionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        owner_.setGeometry(0, 0, 300, 200);
        owner_.show();
    }
    static bool Checked(QDialog* dialog, int id) {
        return FindControl<QRadioButton>(dialog, id)->isChecked();
    }

    QWidget owner_;
};

TEST_F(LibraryQuestionsTest, EmptyTrashShowsAndStoresEachChoice) {
    constexpr int kRadios[] = {CEmptyTrashDlg::kDeleteFiles, CEmptyTrashDlg::kKeepFiles,
                               CEmptyTrashDlg::kLibraryOnly};
    for (int given = 0; given < 3; ++given) {
        for (int chosen = 0; chosen < 3; ++chosen) {
            int choice = given;
            CEmptyTrashDlg dlg(choice);
            QDialog* dialog = dlg.Open(&owner_);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(Checked(dialog, kRadios[i]), i == given) << given;
            if (given == 1 && chosen == 0) {
                EXPECT_EQ(dialog->objectName(), QStringLiteral("257"));
                EXPECT_EQ(FindControl<QLabel>(dialog, CEmptyTrashDlg::kText1)->text(),
                          ProgString("LibTab_ConfirmEmptyTrash1"));
                EXPECT_EQ(FindControl<QLabel>(dialog, CEmptyTrashDlg::kText2)->text(),
                          ProgString("LibTab_ConfirmEmptyTrash2"));
                testsupport::ExpectNoClippedText(dialog);
                testsupport::SaveWidgetPng(dialog, QStringLiteral("empty_trash"));
            }
            ClickControl(dialog, kRadios[chosen]);
            ClickControl(dialog, 1);
            EXPECT_EQ(dlg.Result(), 1);
            EXPECT_EQ(choice, chosen) << "given " << given;
        }
    }
    // Cancel keeps the choice whatever was clicked.
    int choice = 1;
    CEmptyTrashDlg dlg(choice);
    QDialog* dialog = dlg.Open(&owner_);
    ClickControl(dialog, CEmptyTrashDlg::kDeleteFiles);
    ClickControl(dialog, 2);
    EXPECT_EQ(dlg.Result(), 2);
    EXPECT_EQ(choice, 1);
}

TEST_F(LibraryQuestionsTest, CorruptedLibraryAnswersAndHowItEnds) {
    const struct {
        const char* way;
        int click;  // the option clicked first; 0: none
        void (*end)(QDialog*);
        int result;
        int answer;
    } ways[] = {
        {"OK as offered", 0, [](QDialog* d) { ClickControl(d, 1); }, 1, 0},
        {"OK to start over", CCorruptLibraryDlg::kStartOver, [](QDialog* d) { ClickControl(d, 1); },
         1, 1},
        {"Cancel", CCorruptLibraryDlg::kStartOver, [](QDialog* d) { ClickControl(d, 2); }, 2, 0},
        {"close box", CCorruptLibraryDlg::kStartOver, [](QDialog* d) { d->close(); }, 0, 0},
        {"Escape", CCorruptLibraryDlg::kStartOver,
         [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }, 2, 0},
    };
    for (const auto& way : ways) {
        CCorruptLibraryDlg dlg;
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_FALSE(Checked(dialog, CCorruptLibraryDlg::kStartOver));
        EXPECT_TRUE(Checked(dialog, CCorruptLibraryDlg::kTryAgain));
        if (way.click == 0) {
            EXPECT_EQ(dialog->objectName(), QStringLiteral("279"));
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Corrupted Music Library"));
            for (int id : {CCorruptLibraryDlg::kLabel1, CCorruptLibraryDlg::kLabel2,
                           CCorruptLibraryDlg::kLabel3, CCorruptLibraryDlg::kLabel4})
                EXPECT_FALSE(FindControl<QLabel>(dialog, id)->text().isEmpty()) << id;
            // Centred on the screen, not on the small owner in its corner.
            const QPoint off =
                dialog->geometry().center() - dialog->screen()->availableGeometry().center();
            EXPECT_LE(off.manhattanLength(), 20) << off.x() << "," << off.y();
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("corrupt_library"));
        } else {
            ClickControl(dialog, way.click);
        }
        way.end(dialog);
        EXPECT_EQ(dlg.Result(), way.result) << way.way;
        EXPECT_EQ(dlg.Answer(), way.answer) << way.way;
    }
}

TEST_F(LibraryQuestionsTest, DeleteEmptyFolderStoresTheStandingAnswerOnlyOnYes) {
    const struct {
        const char* way;
        int preference;  // before
        bool tick;       // click the box
        int button;      // 6, 7, or 0 for the close box
        int result;
        int after;
    } ways[] = {
        {"Yes with the box", 0, true, CDeleteEmptyFolderDlg::kYes, 6, 1},
        {"Yes without it", 0, false, CDeleteEmptyFolderDlg::kYes, 6, 0},
        {"Yes unticking it", 1, true, CDeleteEmptyFolderDlg::kYes, 6, 0},
        {"No with the box", 0, true, CDeleteEmptyFolderDlg::kNo, 7, 0},
        {"No unticking it", 1, true, CDeleteEmptyFolderDlg::kNo, 7, 1},
        {"close box", 0, true, 0, 0, 0},
    };
    for (const auto& way : ways) {
        CPreferences prefs;
        prefs.ImportDelEmptyFolder = way.preference;
        CDeleteEmptyFolderDlg dlg(prefs, "Album", "Greatest Hits");
        QDialog* dialog = dlg.Open(&owner_);
        EXPECT_EQ(
            FindControl<QLabel>(dialog, CDeleteEmptyFolderDlg::kText)->text(),
            QStringLiteral("The Album folder 'Greatest Hits' is empty.  Delete this folder?"));
        auto* box = FindControl<QCheckBox>(dialog, CDeleteEmptyFolderDlg::kAlways);
        EXPECT_EQ(box->isChecked(), way.preference != 0) << way.way;
        EXPECT_EQ(box->text(), QStringLiteral("Always delete empty folders"));
        if (way.button == CDeleteEmptyFolderDlg::kYes && way.preference == 0 && way.tick) {
            testsupport::ExpectNoClippedText(dialog);
            testsupport::SaveWidgetPng(dialog, QStringLiteral("delete_empty_folder"));
        }
        if (way.tick) ClickControl(dialog, CDeleteEmptyFolderDlg::kAlways);
        if (way.button != 0)
            ClickControl(dialog, way.button);
        else
            dialog->close();
        EXPECT_EQ(dlg.Result(), way.result) << way.way;
        EXPECT_EQ(prefs.ImportDelEmptyFolder, way.after) << way.way;
    }
}

TEST_F(LibraryQuestionsTest, FolderNamesAreShownAsTheyStandAndHeldToTheLimit) {
    CPreferences prefs;
    const std::string hostile = "%s%n%d <b>bold</b>";
    CDeleteEmptyFolderDlg dlg(prefs, "Artist", hostile);
    QDialog* dialog = dlg.Open(&owner_);
    EXPECT_EQ(FindControl<QLabel>(dialog, CDeleteEmptyFolderDlg::kText)->text().toStdString(),
              "The Artist folder '" + hostile + "' is empty.  Delete this folder?");

    // A name of 600 two-byte characters: the question is cut within its
    // 1024 bytes, on a character boundary.
    std::string longName;
    for (int i = 0; i < 600; ++i) longName += "\xC3\xA9";
    CDeleteEmptyFolderDlg cut(prefs, "Genre", longName);
    QDialog* cutDialog = cut.Open(&owner_);
    const QByteArray shown =
        FindControl<QLabel>(cutDialog, CDeleteEmptyFolderDlg::kText)->text().toUtf8();
    EXPECT_LE(shown.size(), 1023);
    EXPECT_GE(shown.size(), 1022);
    EXPECT_EQ(QString::fromUtf8(shown).toUtf8(), shown) << "valid UTF-8";
    QTest::keyClick(cutDialog, Qt::Key_Escape);
    EXPECT_EQ(cut.Result(), 0) << "without Cancel, Escape closes";
}

}  // namespace
