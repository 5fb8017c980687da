// The Qt UI services' launches: help pages at their anchors and folders, as
// the desktop's opener receives them.
#include "songsmith/app/ui/qt_ui_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QUrl>
#include <QWhatsThis>

#include <string>
#include <vector>

#include "songsmith/app/help_pages.h"
#include "utilities/launch_browser.h"

namespace {

class QtUiServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetLaunchBrowserHook([this](const char* url) {
            opened_.emplace_back(QString::fromUtf8(url), QUrl::StrictMode);
            return true;
        });
    }
    void TearDown() override { SetLaunchBrowserHook(previous_); }

    CQtUiServices services_;
    std::vector<QUrl> opened_;
    LaunchBrowserHook previous_;
};

TEST_F(QtUiServicesTest, HelpOpensTheIndexPageAtTheContextsAnchor) {
    services_.ShowHelpContents();
    services_.ShowHelpContext(16);
    ASSERT_EQ(opened_.size(), 2u);
    for (const QUrl& url : opened_) {
        ASSERT_TRUE(url.isValid());
        EXPECT_TRUE(url.isLocalFile());
        EXPECT_EQ(url.toLocalFile().toStdString(), HelpIndexPath());
    }
    EXPECT_TRUE(opened_[0].fragment().isEmpty());
    EXPECT_EQ(opened_[1].fragment(), "ctx16");
}

TEST_F(QtUiServicesTest, FolderWithBlanksAndHashReachesTheOpenerIntact) {
    EXPECT_TRUE(services_.OpenFolder("/home/ann/My Songs #2"));
    EXPECT_FALSE(services_.OpenFolder(""));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].toLocalFile(), "/home/ann/My Songs #2");
}

// The short help pops up as What's This text; a topic without a text shows
// nothing.
TEST_F(QtUiServicesTest, PopupTopicShowsItsTextAtTheControl) {
    auto whatsThisShown = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->inherits("QWhatsThat")) return true;
        }
        return false;
    };
    QWidget window;
    auto* control = new QPushButton("Start", &window);
    window.show();
    services_.ShowHelpPopup(99, control);
    EXPECT_FALSE(whatsThisShown());
    services_.ShowHelpPopup(11, control);
    EXPECT_TRUE(whatsThisShown());
    QWhatsThis::hideText();
}

}  // namespace
