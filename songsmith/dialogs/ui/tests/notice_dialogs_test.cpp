// The agreement, the rip error notice and the library space question
// offscreen, by control id: Continue following the box, acceptance kept
// through a save and a fresh load, a missing agreement, the error code in the
// user's own text, hostile texts shown as they stand, and how each ends.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <string>

#include "filekit/reg_key.h"
#include "platform/user_folders.h"
#include "songsmith/dialogs/ui/agreement_dialog.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/cd/ui/rip_error_dialog.h"
#include "songsmith/library/ui/save_database_dialog.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using testsupport::WhenModalShown;

class NoticeDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        owner_.setGeometry(0, 0, 240, 160);
        owner_.show();
    }
    void TearDown() override { SetStringFile(FindResourceFile("progstrings.txt").c_str()); }

    // The dialog lies in the middle of the screen, not over its owner in a
    // corner (the window frame, known once shown, may move it by a pixel or
    // two).
    static void ExpectCentredOnScreen(QWidget* modal) {
        const QPoint off = modal->frameGeometry().center() - modal->screen()->geometry().center();
        EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
    }

    QWidget owner_;
};

TEST_F(NoticeDialogsTest, ContinueFollowsTheBoxAndAcceptanceIsKeptBySaving) {
    CPreferences prefs;
    prefs.bAgreedToLicense = 0;
    prefs.Save(HKEY_CURRENT_USER);
    CAgreementDlg agreement(prefs);
    WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QStringLiteral("202"));
        EXPECT_EQ(modal->windowTitle(), ProgString("LD_Title"));
        auto* text = FindControl<QTextBrowser>(modal, CAgreementDlg::kText);
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Songsmith User Agreement")));
        auto* box = FindControl<QCheckBox>(modal, CAgreementDlg::kCheckbox);
        auto* go = FindControl<QPushButton>(modal, CAgreementDlg::kContinue);
        ASSERT_NE(box, nullptr);
        ASSERT_NE(go, nullptr);
        EXPECT_EQ(box->text(), ProgString("LD_Checkbox"));
        EXPECT_EQ(go->text(), ProgString("LD_Continue"));
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(go->isEnabled());
        for (bool ticked : {true, false, true, false, true}) {
            ClickControl(modal, CAgreementDlg::kCheckbox);
            EXPECT_EQ(box->isChecked(), ticked);
            EXPECT_EQ(go->isEnabled(), ticked);
        }
        testsupport::SaveWidgetPng(modal, QStringLiteral("agreement_ticked"));
        ClickControl(modal, CAgreementDlg::kContinue);
    });
    EXPECT_TRUE(agreement.DoModal(&owner_));
    EXPECT_EQ(prefs.bAgreedToLicense, 1);

    // Nothing is written until the preferences are saved.
    CPreferences unsaved;
    unsaved.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(unsaved.bAgreedToLicense, 0);
    prefs.Save(HKEY_CURRENT_USER);
    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(fresh.bAgreedToLicense, 1);
}

TEST_F(NoticeDialogsTest, CancelAndTheCloseBoxLeaveTheAgreementUnaccepted) {
    const struct {
        const char* way;
        void (*close)(QWidget*);
    } ways[] = {
        {"Cancel", [](QWidget* modal) { ClickControl(modal, 2); }},
        {"close box", [](QWidget* modal) { modal->close(); }},
        {"Escape", [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); }},
    };
    for (const auto& way : ways) {
        CPreferences prefs;
        prefs.bAgreedToLicense = 0;
        CAgreementDlg agreement(prefs);
        WhenModalShown([&](QWidget* modal) {
            // A ticked box is not an acceptance.
            ClickControl(modal, CAgreementDlg::kCheckbox);
            way.close(modal);
        });
        EXPECT_TRUE(agreement.DoModal(&owner_)) << way.way;
        EXPECT_EQ(prefs.bAgreedToLicense, 0) << way.way;
    }
}

TEST_F(NoticeDialogsTest, AMissingAgreementLeavesTheTextEmptyAndTheDialogUsable) {
    testsupport::TempDir dir;
    for (const std::string& path : {dir.File("missing.htm"), dir.Path(), std::string()}) {
        CPreferences prefs;
        CAgreementDlg agreement(prefs, path);
        WhenModalShown([&](QWidget* modal) {
            auto* text = FindControl<QTextBrowser>(modal, CAgreementDlg::kText);
            ASSERT_NE(text, nullptr);
            EXPECT_TRUE(text->toPlainText().isEmpty()) << path;
            ClickControl(modal, CAgreementDlg::kCheckbox);
            ClickControl(modal, CAgreementDlg::kContinue);
        });
        EXPECT_TRUE(agreement.DoModal(&owner_));
        EXPECT_EQ(prefs.bAgreedToLicense, 1) << path;
    }
}

TEST_F(NoticeDialogsTest, TheRipErrorShowsTheCodeAndTextAndOnlyOkClosesIt) {
    const std::string hostile = "<b>%s%n%d</b> & \\n";
    CRipErrorDlg notice;
    WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QStringLiteral("282"));
        ExpectCentredOnScreen(modal);
        auto* code = FindControl<QLabel>(modal, CRipErrorDlg::kCodeLine);
        auto* second = FindControl<QLabel>(modal, CRipErrorDlg::kSecondLine);
        auto* text = FindControl<QLabel>(modal, CRipErrorDlg::kErrorText);
        auto* icon = FindControl<QLabel>(modal, CRipErrorDlg::kIcon);
        ASSERT_TRUE(code != nullptr && second != nullptr && text != nullptr && icon != nullptr);
        // The shipped text holds "%d" where the code goes.
        EXPECT_EQ(code->text(), ProgString("CDTab_RipError1").replace(QStringLiteral("%d"), QStringLiteral("5")));
        EXPECT_TRUE(code->text().contains(QStringLiteral("5")));
        EXPECT_EQ(second->text(), ProgString("CDTab_RipError2"));
        EXPECT_EQ(text->text(), QString::fromStdString(hostile));
        EXPECT_EQ(text->textFormat(), Qt::PlainText);
        EXPECT_FALSE(icon->pixmap().isNull());
        for (QLabel* label : {code, second, text}) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->objectName().toStdString();
        }
        testsupport::SaveWidgetPng(modal, QStringLiteral("rip_error_notice"));

        // The close box and Escape leave it open.
        EXPECT_FALSE(modal->close());
        QTest::keyClick(modal, Qt::Key_Escape);
        EXPECT_TRUE(modal->isVisible());
        ClickControl(modal, 1);
    });
    EXPECT_EQ(notice.DoModal(&owner_, hostile.c_str(), 5), 1);
}

TEST_F(NoticeDialogsTest, TheRipErrorUsesAnEditedKeyTextOnlyWhenItTakesTheCode) {
    testsupport::TempDir dir;
    const std::string strings = dir.File("progstrings.txt");
    const struct {
        const char* keyText;
        const char* shown;
    } cases[] = {
        {"Drive error %d (code)", "Drive error 7 (code)"},
        {"Drive error %04d", "Drive error 0007"},
        // A conversion that does not take a number is shown as written.
        {"Drive error %s", "Drive error %s"},
        {"Drive error %d and %d", "Drive error %d and %d"},
        {"No code here", "No code here"},
    };
    for (const auto& c : cases) {
        testsupport::WriteWholeFile(strings, std::string("[Strings]\nCDTab_RipError1=") + c.keyText + "\n");
        SetStringFile(strings.c_str());
        CRipErrorDlg notice;
        QString shown;
        WhenModalShown([&](QWidget* modal) {
            shown = FindControl<QLabel>(modal, CRipErrorDlg::kCodeLine)->text();
            ClickControl(modal, 1);
        });
        notice.DoModal(&owner_, "text", 7);
        EXPECT_EQ(shown, QString::fromLatin1(c.shown)) << c.keyText;
    }
}

// Words of the drive's complaint repeated to length bytes.
std::string Complaint(std::size_t length) {
    std::string text;
    while (text.size() < length) text += "sense key 3 medium error ";
    text.resize(length);
    return text;
}

TEST_F(NoticeDialogsTest, ALongRipErrorTextIsCutOnACharacterBoundary) {
    const struct {
        std::string text;
        std::size_t kept;
    } cases[] = {
        {Complaint(1023), 1023},
        {Complaint(1024), 1023},
        // A two-byte character that would end at byte 1024 goes whole.
        {Complaint(1022) + "\xC3\xA9" + "tail", 1022},
        {Complaint(1021) + "\xC3\xA9" + "tail", 1023},
    };
    for (const auto& c : cases) {
        CRipErrorDlg notice;
        QByteArray shown;
        WhenModalShown([&](QWidget* modal) {
            auto* label = FindControl<QLabel>(modal, CRipErrorDlg::kErrorText);
            shown = label->text().toUtf8();
            // The whole text shows.
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
            EXPECT_LE(label->geometry().bottom(), FindControl(modal, 1)->geometry().top());
            if (c.kept == 1023) testsupport::SaveWidgetPng(modal, QStringLiteral("rip_error_long"));
            ClickControl(modal, 1);
        });
        notice.DoModal(&owner_, c.text.c_str(), 1);
        EXPECT_EQ(static_cast<std::size_t>(shown.size()), c.kept);
        EXPECT_EQ(shown.toStdString(), c.text.substr(0, c.kept));
    }
}

TEST_F(NoticeDialogsTest, TheLibrarySpaceQuestionEndsWithTheButtonsNumber) {
    const struct {
        const char* way;
        void (*close)(QWidget*);
        int result;
    } ways[] = {
        {"Retry", [](QWidget* modal) { ClickControl(modal, CSaveDatabaseDlg::kRetry); }, 1469},
        {"New Drive", [](QWidget* modal) { ClickControl(modal, CSaveDatabaseDlg::kNewDrive); }, 1470},
        {"Cancel", [](QWidget* modal) { ClickControl(modal, CSaveDatabaseDlg::kCancel); }, 2},
        {"close box", [](QWidget* modal) { modal->close(); }, 2},
    };
    for (const auto& way : ways) {
        CSaveDatabaseDlg question;
        WhenModalShown([&](QWidget* modal) {
            EXPECT_EQ(modal->objectName(), QStringLiteral("280"));
            ExpectCentredOnScreen(modal);
            // Other commands leave the question open.
            question.OnCommand(1);
            question.OnCommand(1471);
            EXPECT_TRUE(modal->isVisible());
            int line = 1;
            for (int id : {1471, 1472, 1473}) {
                auto* label = FindControl<QLabel>(modal, id);
                ASSERT_NE(label, nullptr) << id;
                EXPECT_EQ(label->text(), ProgString(("LibTab_SaveDBLabel" + std::to_string(line++)).c_str()));
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << id;
            }
            if (way.result == 1469) testsupport::SaveWidgetPng(modal, QStringLiteral("library_space_question"));
            way.close(modal);
        });
        EXPECT_EQ(question.DoModal(&owner_), way.result) << way.way;
    }
}

}  // namespace
