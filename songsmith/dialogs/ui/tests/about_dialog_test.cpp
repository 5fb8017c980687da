// The About box offscreen: its texts by control, the link to the home page,
// the picture, the credits line that turns red only after its first timer
// and then flips on each blink, and every way out (also through the main
// window's About command).
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <string>
#include <vector>

#include "songsmith/dialogs/ui/about_dialog.h"
#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/home_page.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/link_control.h"

namespace {

using testsupport::FindControl;
using testsupport::WhenModalShown;

// Counts the credits line's pixels in pure red and in black.
struct TInk {
    int red = 0;
    int black = 0;
};

TInk CreditsInk(QWidget* dialog) {
    QWidget* credits = FindControl(dialog, CAboutDlg::kCredits);
    TInk ink;
    if (credits == nullptr) {
        ADD_FAILURE() << "no credits line";
        return ink;
    }
    const QImage image = credits->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == 0xFF0000) ink.red++;
            if (pixel == 0x000000) ink.black++;
        }
    }
    return ink;
}

class AboutDialogTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        previousHook_ = SetLaunchBrowserHook([this](const char* url) {
            opened_.emplace_back(url);
            return true;
        });
    }
    void TearDown() override {
        SetLaunchBrowserHook(previousHook_);
        MainWindowFixture::TearDown();
    }

    std::vector<std::string> opened_;
    LaunchBrowserHook previousHook_;
};

TEST_F(AboutDialogTest, ShowsItsTextsPictureAndLink) {
    QWidget owner;
    owner.setGeometry(40, 30, 700, 500);
    owner.show();
    CAboutDlg about;
    WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QStringLiteral("172"));
        EXPECT_EQ(modal->windowTitle(), ProgString("AD_Name"));
        // Centred on its owner (the window frame, known once shown, may move
        // it by a pixel or two).
        const QPoint off = modal->frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
        const struct {
            int id;
            const char* key;
        } texts[] = {{1133, "AD_Copyrights"}, {1134, "AD_CopyrightCompanies"}, {1131, "AD_Author"},
                     {1106, "AD_Thanks"},     {1104, "AD_Address"},            {1102, "AD_Website"},
                     {1107, "AD_ThanksWho"}};
        for (const auto& t : texts) {
            auto* label = FindControl<QLabel>(modal, t.id);
            ASSERT_NE(label, nullptr) << t.id;
            EXPECT_EQ(label->text(), ProgString(t.key)) << t.id;
            EXPECT_NE(label->text(), QString::fromLatin1(t.key)) << t.id;
            // Each text fits its place.
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << t.key;
        }

        QWidget* credits = FindControl(modal, CAboutDlg::kCredits);
        ASSERT_NE(credits, nullptr);
        EXPECT_LE(credits->fontMetrics().horizontalAdvance(ProgString("AD_Credits")), credits->width());
        EXPECT_EQ(credits->font().pixelSize(), 14);

        // The picture is drawn where the hidden frame lies.
        QWidget* frame = FindControl(modal, CAboutDlg::kPictureFrame);
        ASSERT_NE(frame, nullptr);
        EXPECT_FALSE(frame->isVisible());
        const QImage picture = LoadProgramBitmap(kPictureAbout);
        const QImage shown = modal->grab().toImage();
        const QPoint inside(picture.width() / 2, picture.height() / 2);
        EXPECT_EQ(shown.pixel(frame->geometry().topLeft() + inside) & 0xFFFFFF,
                  picture.pixel(inside) & 0xFFFFFF);

        // The link shows the site and opens the home page.
        auto* link = FindControl<CLinkControl>(modal, CAboutDlg::kLink);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->text(), QString::fromLatin1(kWebSiteName));
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        // Beside the text the link does nothing.
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(link->width() - 2, 3));
        testsupport::ClickControl(modal, 1);
    });
    EXPECT_TRUE(about.DoModal(&owner));
    EXPECT_EQ(about.Result(), 0);
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], HomePageAddress("index.htm", "src=about"));
    EXPECT_TRUE(opened_[0].ends_with("/index.htm?src=about"));
}

TEST_F(AboutDialogTest, TheCreditsStayBlackUntilTheFirstTimerThenBlinkRed) {
    CAboutDlg about;
    WhenModalShown([&](QWidget* modal) {
        EXPECT_TRUE(about.TimerRunning(CAboutDlg::kStartTimer));
        EXPECT_EQ(about.TimerInterval(CAboutDlg::kStartTimer), 15000);
        EXPECT_FALSE(about.TimerRunning(CAboutDlg::kBlinkTimer));
        TInk ink = CreditsInk(modal);
        EXPECT_GT(ink.black, 0);
        EXPECT_EQ(ink.red, 0);
        testsupport::SaveWidgetPng(modal, QStringLiteral("about_credits_black"));

        // After 15 seconds the blinking starts, the line still black.
        about.OnTimer(CAboutDlg::kStartTimer);
        EXPECT_FALSE(about.TimerRunning(CAboutDlg::kStartTimer));
        EXPECT_TRUE(about.TimerRunning(CAboutDlg::kBlinkTimer));
        EXPECT_EQ(about.TimerInterval(CAboutDlg::kBlinkTimer), 500);
        EXPECT_EQ(CreditsInk(modal).red, 0);

        for (bool red : {true, false, true}) {
            about.OnTimer(CAboutDlg::kBlinkTimer);
            ink = CreditsInk(modal);
            EXPECT_EQ(ink.red > 0, red);
            EXPECT_EQ(ink.black > 0, !red);
        }
        testsupport::SaveWidgetPng(modal, QStringLiteral("about_credits_red"));
        EXPECT_TRUE(about.TimerRunning(CAboutDlg::kBlinkTimer));
        testsupport::ClickControl(modal, 1);
    });
    about.DoModal(nullptr);
    // The timers end with the box.
    EXPECT_FALSE(about.TimerRunning(CAboutDlg::kStartTimer));
    EXPECT_FALSE(about.TimerRunning(CAboutDlg::kBlinkTimer));
}

TEST_F(AboutDialogTest, EveryWayOutEndsWithZero) {
    const struct {
        const char* way;
        void (*close)(QWidget*);
    } ways[] = {
        {"OK", [](QWidget* modal) { testsupport::ClickControl(modal, 1); }},
        {"Escape", [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); }},
        {"close box", [](QWidget* modal) { modal->close(); }},
    };
    for (const auto& way : ways) {
        CAboutDlg about;
        WhenModalShown([&](QWidget* modal) { way.close(modal); });
        EXPECT_TRUE(about.DoModal(nullptr)) << way.way;
        EXPECT_EQ(about.Result(), 0) << way.way;
    }
    CAboutDlg cancelled;
    WhenModalShown([&](QWidget*) { cancelled.OnCommand(2); });
    cancelled.DoModal(nullptr);
    EXPECT_EQ(cancelled.Result(), 0);
}

TEST_F(AboutDialogTest, TheAboutCommandOpensTheBoxOverTheMainWindow) {
    Open(1);
    SetAboutCommand(*main_);
    QWidget* shown = nullptr;
    WhenModalShown([&](QWidget* modal) {
        shown = modal;
        EXPECT_EQ(modal->objectName(), QStringLiteral("172"));
        EXPECT_EQ(modal->parentWidget(), main_->Window());
        modal->close();
    });
    main_->OnCommand(cmd::kAbout);
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
