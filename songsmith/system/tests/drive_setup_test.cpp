// Setting up the drive library: the engine the preferences end up with, and
// the log lines of the set-up.
#include "songsmith/system/drive_setup.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "filekit/log.h"
#include "platter/platter.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/temp_dir.h"

namespace {

TEST(DriveSetupTest, TheEngineIsAdoptedOnlyWhenTheLibraryMayChooseAndAMissingDriveIsLogged) {
    struct TCase {
        int preferred;
        bool imageDrive;
        int expectedPreference;
        int expectedEngine;
        const char* logged;
    } cases[] = {
        {2, true, 1, 1, "After initializing ASPI layer successfully!"},
        {0, true, 0, 0, "After initializing ASPI layer successfully!"},
        {1, true, 1, 1, "Using Zent engine"},
        {2, false, 1, 1, "No CD devices found!!!! (READ or WRITE)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.preferred);
        testsupport::TempDir dir;
        const std::string logPath = dir.Path() + "/log.txt";
        LogInit(logPath.c_str());
        LogOn(1);
        CPreferences prefs;
        prefs.WhichBurningEngine = c.preferred;
        prefs.BurnerPrefs[kBurnerWriterFirst] = 4;
        prefs.BurnerPrefs[kBurnerWriterSecond] = 5;
        prefs.BurnerPrefs[kBurnerWriterThird] = 6;
        PLATTER_CPlatter platter;
        platter.imageDrive.enabled = c.imageDrive;
        platter.imageDrive.trays = {dir.Path() + "/tray"};
        SetUpDriveLibrary(prefs, platter);
        LogDeinit();

        EXPECT_EQ(prefs.WhichBurningEngine, c.expectedPreference);
        EXPECT_EQ(platter.burningEngine.load(), c.expectedEngine);
        EXPECT_EQ(platter.GetDevices(), c.imageDrive ? 1 : 0);
        // Only the Zent engine is told which writer the user chose.
        const std::array<std::int32_t, 3> writer =
            c.preferred == 1 ? std::array<std::int32_t, 3>{4, 5, 6} : std::array<std::int32_t, 3>{-1, -1, -1};
        EXPECT_EQ(platter.WriterDrive(), writer);
        const std::string log = testsupport::ReadWholeFile(logPath);
        EXPECT_NE(log.find("Before initializing ASPI layer!"), std::string::npos);
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    }
}

}  // namespace
