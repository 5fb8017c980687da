// The engine: engine choice, the drive list, addresses, speeds and the image
// drive's configuration from the environment.
#include "platter/platter.h"

#include <gtest/gtest.h>

#include <libburn/libburn.h>

#include <array>
#include <cstdlib>
#include <string>

#include "filekit/log.h"
#include "platter/burn_library.h"
#include "platter/image_drive.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

TImageDriveConfig QuietConfig(const std::vector<std::string>& trays) {
    TImageDriveConfig config;
    config.trays = trays;
    config.paced = false;
    return config;
}

TEST(PlatterEngine, AskedEngineZeroStaysAndOneOrTwoBecomeOne) {
    testsupport::TempDir tray;
    struct {
        std::int32_t asked;
        bool throughPointer;
        std::int32_t used;
    } cases[] = {{0, true, 0}, {1, true, 1}, {2, true, 1}, {0, false, 0}, {2, false, 1}};
    for (const auto& c : cases) {
        PLATTER_CPlatter engine;
        engine.listRealDrives = false;
        engine.imageDrive = QuietConfig({tray.Path()});
        TBurningEngine value = static_cast<TBurningEngine>(c.asked);
        if (!c.throughPointer) engine.burningEngine = c.asked;
        EXPECT_EQ(engine.ready.load(), 0);
        ASSERT_TRUE(engine.InitializeASPILayer(true, nullptr, nullptr, c.throughPointer ? &value : nullptr));
        EXPECT_EQ(engine.ready.load(), 1);
        EXPECT_EQ(engine.burningEngine.load(), c.used) << c.asked;
        if (c.throughPointer) {
            EXPECT_EQ(value, c.used) << c.asked;
        }
    }
}

TEST(PlatterEngine, SpeedNumbersAreXUnderEngineOneAndIndexesUnderZero) {
    testsupport::TempDir tray;
    struct {
        std::int32_t engine;
        std::int32_t lowest, highest, count;
        std::int32_t speed0, speed3, speedPastEnd;
        std::int32_t xOf3, xOfMax;
        std::int32_t closestTo10, closestTo0, closestToMax;
    } cases[] = {
        {1, 1, 48, 11, 1, 8, 255, 3, 48, 8, 1, 255},
        {0, 0, 10, 11, 0, 3, 255, 8, 48, 10, 0, 255},
    };
    for (const auto& c : cases) {
        PLATTER_CPlatter engine;
        engine.listRealDrives = false;
        engine.imageDrive = QuietConfig({tray.Path()});
        TBurningEngine asked = static_cast<TBurningEngine>(c.engine);
        ASSERT_TRUE(engine.InitializeASPILayer(false, nullptr, nullptr, &asked));
        PLATTER_CDevice* drive = engine.GetDevice(0);
        EXPECT_EQ(drive->lowestSpeed, c.lowest);
        EXPECT_EQ(drive->highestSpeed, c.highest);
        EXPECT_EQ(drive->GetNumWriteSpeeds(), c.count);
        EXPECT_EQ(drive->GetWriteSpeed(0), c.speed0);
        EXPECT_EQ(drive->GetWriteSpeed(3), c.speed3);
        EXPECT_EQ(drive->GetWriteSpeed(11), c.speedPastEnd);
        EXPECT_EQ(drive->GetWriteSpeed(-1), c.speedPastEnd);
        EXPECT_EQ(drive->GetSpeedOfSpeedNumber(3), c.xOf3);
        EXPECT_EQ(drive->GetSpeedOfSpeedNumber(255), c.xOfMax);
        EXPECT_EQ(drive->GetClosestSupportedSpeed(10), c.closestTo10);
        EXPECT_EQ(drive->GetClosestSupportedSpeed(0), c.closestTo0);
        EXPECT_EQ(drive->GetClosestSupportedSpeed(255), c.closestToMax);
    }
}

TEST(PlatterEngine, ImageDrivesAreListedWithTheirAddressesAndCapabilities) {
    testsupport::TempDir a, b;
    PLATTER_CPlatter engine;
    engine.listRealDrives = false;
    engine.imageDrive = QuietConfig({a.Path(), b.Path()});
    struct TProgress {
        std::vector<std::int32_t> types;
    } progress;
    auto onProgress = [](void* context, TProgressTypes type, std::intptr_t) {
        static_cast<TProgress*>(context)->types.push_back(type);
    };
    ASSERT_TRUE(engine.InitializeASPILayer(false, onProgress, &progress, nullptr));
    EXPECT_EQ(progress.types.front(), kProgressShow);
    EXPECT_EQ(progress.types.back(), kProgressHide);
    ASSERT_EQ(engine.GetDevices(), 2);
    EXPECT_EQ(engine.NumWriters(false, true), 2);
    for (std::int32_t i = 0; i < 2; ++i) {
        PLATTER_CDevice* drive = engine.GetDevice(i);
        EXPECT_EQ(engine.FindDeviceByParams(1000, i, 0), drive);
        EXPECT_EQ(drive->capabilities, 0x200u | 0x40u | 0x800u);
        EXPECT_EQ(drive->driveText, (i == 0 ? a : b).Path() + "/disc.cue");
        EXPECT_STREQ(drive->GetName(), "Trackpress Image Writer");
        EXPECT_EQ(drive->GetCapacity(1), 80 * 60 * 1000);
    }
    EXPECT_EQ(engine.GetDevice(2), nullptr);
    EXPECT_EQ(engine.GetDevice(-1), nullptr);
    EXPECT_EQ(engine.FindDeviceByParams(1000, 2, 0), nullptr);
    // A second initialisation keeps the drives the program already holds.
    PLATTER_CDevice* first = engine.GetDevice(0);
    ASSERT_TRUE(engine.InitializeASPILayer(true, nullptr, nullptr, nullptr));
    EXPECT_EQ(engine.GetDevice(0), first);
    char text[64];
    EXPECT_EQ(engine.GetLastError(text, sizeof text), 0);
}

TEST(PlatterEngine, WithoutImageDrivesTheEngineIsReadyWithNoDrives) {
    PLATTER_CPlatter engine;
    engine.listRealDrives = false;
    char text[64];
    EXPECT_NE(engine.GetLastError(text, sizeof text), 0);
    engine.imageDrive.enabled = false;
    ASSERT_TRUE(engine.InitializeASPILayer(false, nullptr, nullptr, nullptr));
    EXPECT_EQ(engine.GetDevices(), 0);
    EXPECT_EQ(engine.NumWriters(false, true), 0);
    EXPECT_EQ(engine.CalcBurnTimeRemaining(), 0);
}

TEST(PlatterEngine, TheDefaultTrayLiesInThePerUserDataFolder) {
    PLATTER_CPlatter engine;
    engine.listRealDrives = false;
    engine.imageDrive = QuietConfig({});
    ASSERT_TRUE(engine.InitializeASPILayer(false, nullptr, nullptr, nullptr));
    ASSERT_EQ(engine.GetDevices(), 1);
    const std::string home = std::getenv("SONGSMITH_HOME");
    EXPECT_EQ(static_cast<PLATTER_CImageDrive*>(engine.GetDevice(0))->TrayFolder().rfind(home, 0), 0u);
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedEnv() { unsetenv(name_); }

private:
    const char* name_;
};

TEST(ImageDriveConfig, TheEnvironmentOverridesTheDefaults) {
    ScopedEnv drive("PLATTER_IMAGE_DRIVE", "0");
    ScopedEnv trays("PLATTER_IMAGE_TRAYS", "/tmp/one::/tmp/two");
    ScopedEnv media("PLATTER_IMAGE_MEDIA", "cdrw");
    ScopedEnv minutes("PLATTER_IMAGE_MINUTES", "74");
    ScopedEnv paced("PLATTER_IMAGE_PACED", "off");
    ScopedEnv swap("PLATTER_IMAGE_SWAP_MS", "2500");
    ScopedEnv fault("PLATTER_IMAGE_FAULT", "underrun:3");
    ScopedEnv bad("PLATTER_IMAGE_BAD_SECTOR", "1234");
    const TImageDriveConfig config = DefaultImageDriveConfig();
    EXPECT_FALSE(config.enabled);
    EXPECT_EQ(config.trays, (std::vector<std::string>{"/tmp/one", "/tmp/two"}));
    EXPECT_EQ(config.freshMedia, PLATTER_MEDIA_BLANK_CDRW);
    EXPECT_EQ(config.capacityMinutes, 74);
    EXPECT_FALSE(config.paced);
    EXPECT_EQ(config.swapDelayMs, 2500);
    EXPECT_EQ(config.fault.kind, TImageFaultKind::kUnderrun);
    EXPECT_EQ(config.fault.track, 3);
    EXPECT_EQ(config.badSectorLba, 1234);
}

TEST(ImageDriveConfig, UnusableValuesLeaveTheDefaults) {
    const TImageDriveConfig defaults;
    const char* cases[][2] = {
        {"PLATTER_IMAGE_DRIVE", "maybe"},    {"PLATTER_IMAGE_MEDIA", "dvd"},
        {"PLATTER_IMAGE_MINUTES", "90"},     {"PLATTER_IMAGE_MINUTES", "74x"},
        {"PLATTER_IMAGE_SWAP_MS", "-5"},     {"PLATTER_IMAGE_FAULT", "underrun"},
        {"PLATTER_IMAGE_FAULT", "melt:2"},   {"PLATTER_IMAGE_FAULT", "write:100"},
        {"PLATTER_IMAGE_BAD_SECTOR", "x1"},
    };
    for (const auto& c : cases) {
        ScopedEnv env(c[0], c[1]);
        const TImageDriveConfig config = DefaultImageDriveConfig();
        EXPECT_EQ(config.enabled, defaults.enabled) << c[0] << "=" << c[1];
        EXPECT_EQ(config.freshMedia, defaults.freshMedia) << c[0] << "=" << c[1];
        EXPECT_EQ(config.capacityMinutes, defaults.capacityMinutes) << c[0] << "=" << c[1];
        EXPECT_EQ(config.swapDelayMs, defaults.swapDelayMs) << c[0] << "=" << c[1];
        EXPECT_EQ(config.fault.kind, TImageFaultKind::kNone) << c[0] << "=" << c[1];
        EXPECT_EQ(config.badSectorLba, -1) << c[0] << "=" << c[1];
    }
}

}  // namespace
}  // namespace platter_test

namespace platter_test {
namespace {

TEST(PlatterEngine, TheWriterAddressIsKeptAsSet) {
    PLATTER_CPlatter engine;
    EXPECT_EQ(engine.WriterDrive(), (std::array<std::int32_t, 3>{-1, -1, -1}));
    engine.SetWriterDrive(1, 2, 3);
    EXPECT_EQ(engine.WriterDrive(), (std::array<std::int32_t, 3>{1, 2, 3}));
}

TEST(PlatterEngine, PrivateLoggingLetsEveryLibburnSeverityIntoTheLog) {
    CBurnLibraryUse library;
    ASSERT_TRUE(library.Ready());
    testsupport::TempDir dir;
    const std::string logPath = dir.File("log.txt");
    LogInit(logPath.c_str());
    LogOn(1);
    PLATTER_CPlatter engine;
    struct Case {
        const char* severity;
        bool loggedQuietly;  // with private logging off
    };
    const Case cases[] = {
        {"DEBUG", false},  {"UPDATE", false}, {"NOTE", false},    {"HINT", false},
        {"WARNING", true}, {"SORRY", true},   {"FAILURE", true},  {"FATAL", true},
    };
    for (const bool privateLogging : {false, true}) {
        engine.EnableZentPrivateLogging(privateLogging);
        for (const Case& c : cases) {
            std::string text = std::string(privateLogging ? "private " : "quiet ") + c.severity;
            std::string severity = c.severity;
            ASSERT_EQ(burn::burn_msgs_submit(0, text.data(), 0, severity.data(), nullptr), 1);
        }
        DrainBurnMessages("EngineTest");
    }
    engine.EnableZentPrivateLogging(false);
    ForgetBurnComplaint();
    LogDeinit();
    const std::string log = testsupport::ReadWholeFile(logPath);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.severity);
        EXPECT_EQ(log.find(std::string("quiet ") + c.severity) != std::string::npos, c.loggedQuietly) << log;
        EXPECT_NE(log.find(std::string("EngineTest - libburn ") + c.severity + " 0x"), std::string::npos) << log;
        EXPECT_NE(log.find(std::string(": private ") + c.severity + "\r\n"), std::string::npos) << log;
    }
}

}  // namespace
}  // namespace platter_test
