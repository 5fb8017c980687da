// The burn controller reporting to the main window: after start-up's poll
// the status bar names the disc in the image drive and the logo panel shows
// it.
#include <string>

#include "songsmith/bottom_container_window.h"
#include "songsmith/core/burner.h"
#include "songsmith/core/burner_drives.h"
#include "songsmith/logo_panel.h"
#include "songsmith/main_burner_host.h"
#include "songsmith/tests/main_window_fixture.h"
#include "utilities/keyed_text.h"

namespace {

class BurnerHostTest : public MainWindowFixture {};

TEST_F(BurnerHostTest, StartUpsPollShowsTheDiscInTheStatusBarAndTheLogo) {
    struct TCase {
        std::int32_t freshMedia;
        const char* key;
        int logoMode;
    } cases[] = {
        {PLATTER_MEDIA_BLANK_CDR, "BS_BlankCDInDrive", 1},
        {PLATTER_MEDIA_NONE, "BS_NoCDInDrive", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.key);
        main_.reset();
        platter_ = std::make_unique<PLATTER_CPlatter>();
        platter_->listRealDrives = false;
        platter_->imageDrive.freshMedia = c.freshMedia;
        Open(1);
        CLogoPanel* logo = main_->BottomBand()->Logo();
        ASSERT_NE(logo, nullptr);
        logo->SetMode(3);
        CPlatterDrives drives(*platter_);
        CMainBurnerHost host(*main_);
        CBurner burner(drives, *prefs_, host);
        ASSERT_EQ(burner.Initialize(), 1);
        burner.PollDriveState();
        Settle();
        char text[128];
        MyLoadString(c.key, text, sizeof text);
        EXPECT_EQ(main_->StatusBar().Text(), text);
        EXPECT_EQ(logo->Mode(), c.logoMode);
    }
}

}  // namespace
