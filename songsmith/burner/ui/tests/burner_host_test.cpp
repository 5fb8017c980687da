// The burn controller reporting to the main window as the program starts:
// the status bar shows the controller's state as soon as it is made, and
// after start-up's poll it names the disc in the image drive, the logo panel
// shows it, and the writer's CD page is the image drive's.
#include <string>

#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/system/drive_setup.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/drawing/ui/logo_panel.h"
#include "songsmith/burner/ui/main_burner_host.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "testsupport/scoped_env.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

std::string TextOf(const char* key) {
    char text[256] = {};
    MyLoadString(key, text, sizeof text);
    return text;
}

class BurnerHostTest : public MainWindowFixture {};

TEST_F(BurnerHostTest, StartUpsPollShowsTheDiscInTheStatusBarAndTheLogo) {
    struct TCase {
        const char* media;  // PLATTER_IMAGE_MEDIA; null: the tray's default, a blank CD-R
        const char* key;
        int state;
        int logoMode;
    } cases[] = {
        {nullptr, "BS_BlankCDInDrive", kBurnStateBlankDisc, 1},
        {"none", "BS_NoCDInDrive", kBurnStateNoDisc, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string tray = trays_.Path() + "/tray-" + (c.media == nullptr ? "blank" : c.media);
        const testsupport::CScopedEnv trays("PLATTER_IMAGE_TRAYS", tray.c_str());
        const testsupport::CScopedEnv media("PLATTER_IMAGE_MEDIA", c.media);
        // The drive library as the program sets it up, from the environment.
        platter_ = std::make_unique<PLATTER_CPlatter>();
        platter_->listRealDrives = false;
        SetUpDriveLibrary(*prefs_, *platter_);
        main_ = std::make_unique<CMainWindow>(*prefs_, *platter_);
        CPlatterDrives drives(*platter_);
        CMainBurnerHost host(*main_);
        CBurner burner(drives, *prefs_, host);
        main_->SetBurnStatus(&burner);
        ASSERT_TRUE(main_->Create());
        main_->Show();
        CLogoPanel* logo = main_->BottomBand()->Logo();
        ASSERT_NE(logo, nullptr);
        logo->SetMode(3);
        Settle();
        // Before the first poll the controller knows of no disc.
        EXPECT_EQ(main_->StatusBar().Text(), TextOf("BS_NoCDInDrive"));

        ASSERT_EQ(burner.Initialize(), 1);
        burner.PollDriveState();
        Settle();
        EXPECT_EQ(main_->StatusBar().Text(), TextOf(c.key));
        EXPECT_EQ(logo->Mode(), c.logoMode);
        EXPECT_EQ(main_->DriveState(), c.state);
        ASSERT_EQ(main_->TabPane()->CdPages().size(), 1u);
        EXPECT_EQ(host.WriterPage(), main_->TabPane()->CdPages()[0]);
        EXPECT_FALSE(burner.BurnOrRipRunning());
        EXPECT_EQ(host.WindowReceiver(), main_->ReceiverId());
        if (c.media == nullptr) testsupport::SaveWidgetPng(main_->Window(), "main_window_blank_disc");
        main_.reset();
    }
}

}  // namespace
