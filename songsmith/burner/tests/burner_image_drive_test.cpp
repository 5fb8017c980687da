// The burn controller on the drive library's image drive: the writer is
// found through the library, and the first poll tells a blank disc from an
// empty tray.
#include <gtest/gtest.h>

#include <string>

#include "platform/user_folders.h"
#include "platter/platter.h"
#include "platter/types.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "testsupport/temp_dir.h"
#include "utilities/keyed_text.h"

namespace {

TEST(BurnerImageDriveTest, TheFirstPollShowsABlankDiscOrAnEmptyTray) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    struct TCase {
        std::int32_t freshMedia;
        int state;
        const char* key;
    } cases[] = {
        {PLATTER_MEDIA_BLANK_CDR, kBurnStateBlankDisc, "BS_BlankCDInDrive"},
        {PLATTER_MEDIA_NONE, kBurnStateNoDisc, "BS_NoCDInDrive"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.key);
        testsupport::TempDir dir;
        PLATTER_CPlatter platter;
        platter.listRealDrives = false;
        platter.imageDrive.trays = {dir.Path() + "/tray"};
        platter.imageDrive.freshMedia = c.freshMedia;
        platter.imageDrive.capacityMinutes = 80;
        TBurningEngine engine = kEngineZent;
        ASSERT_TRUE(platter.InitializeASPILayer(false, nullptr, nullptr, &engine));
        platter.burningEngine = engine;
        CPreferences prefs;
        CPlatterDrives drives(platter);
        burner_test::CTestHost host;
        CBurner burner(drives, prefs, host);
        ASSERT_EQ(burner.Initialize(), 1);
        EXPECT_EQ(prefs.BurnerPrefs[kBurnerWriterFirst], burner.Device()->hostAdapter);
        burner.PollDriveState();
        EXPECT_EQ(burner.State(), c.state);
        char text[128];
        MyLoadString(c.key, text, sizeof text);
        ASSERT_EQ(host.texts.size(), 1u);
        EXPECT_EQ(host.texts[0], text);
        // A blank disc's capacity comes from the drive.
        if (c.state == kBurnStateBlankDisc) {
            EXPECT_GT(burner.storedCapacity.load(), 79 * 60000);
        } else {
            EXPECT_EQ(burner.storedCapacity.load(), kBurnDefaultCapacityMs);
        }
    }
}

}  // namespace
