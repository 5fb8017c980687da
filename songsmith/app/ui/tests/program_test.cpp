// The program's run through CProgram, as main runs it: the start-up's steps
// and log lines in their order, the preferences the engine works by, the
// start-up progress window's life, the crash flag in the store while the
// program runs and cleared by a clean close, the command line handed to the
// session, and the drive library's second try with the other layer.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <filesystem>

#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/app/program_title.h"
#include "songsmith/app/startup_log.h"
#include "songsmith/app/system_switches.h"
#include "tonecore/engine/engine_settings.h"

namespace {

namespace fs = std::filesystem;

using ProgramTest = ProgramFixture;

TEST_F(ProgramTest, StartsUpRunsAndShutsDownInOrder) {
    {
        CPreferences earlier;
        earlier.soundSilenceThreshold = 30;
        earlier.partialSongThreshold = 5;
        earlier.DontWarnIntelAppAccelerator = 1;
        StorePreferences(earlier);
    }
    SetMachineValue(kAutoStartRegPath, kAutoStartEntry, REG_SZ, "songsmith");

    TProgramOptions options = Options();
    bool progressShownBeforeDrives = false;
    const auto configure = options.configureDrives;
    CProgram* running = nullptr;
    options.configureDrives = [&](PLATTER_CPlatter& platter) {
        QDialog* progress = running->progressWindow.Window();
        progressShownBeforeDrives = progress != nullptr && progress->isVisible();
        configure(platter);
    };
    struct {
        std::uint32_t silence = 0;
        std::int32_t partial = 0;
        bool progressGone = false;
        bool windowShown = false;
        int storedCrashFlag = -1;
    } seen;
    options.whenShown = [&seen](CProgram& program) {
        seen.silence = GetSilenceThreshold();
        seen.partial = GetPartialSongThreshold();
        seen.progressGone = program.progressWindow.Window() == nullptr;
        seen.windowShown = program.mainWindow.Window()->isVisible();
        seen.storedCrashFlag = StoredPreferences()->bLogFailed;
        program.mainWindow.Window()->close();
    };
    CProgram program(options);
    running = &program;
    std::vector<std::string> loaded;
    program.SetSessionLoader([&loaded](const std::vector<std::string>& names) { loaded = names; });

    EXPECT_EQ(program.Run({"first song.mp3", "list.m3u"}), CProgram::kResultRan);

    EXPECT_EQ(seen.silence, 30u) << "the engine's start-up must not undo the stored thresholds";
    EXPECT_EQ(seen.partial, 5);
    EXPECT_TRUE(progressShownBeforeDrives);
    EXPECT_TRUE(seen.progressGone) << "the first library load ends the progress window";
    EXPECT_TRUE(seen.windowShown);
    EXPECT_EQ(seen.storedCrashFlag, 1) << "a run killed now must be known as a crash next time";
    EXPECT_EQ(loaded, (std::vector<std::string>{"first song.mp3", "list.m3u"}));

    char title[kProgramTitleMax + 1];
    GetProgramTitle(title, sizeof title, true);
    const std::vector<std::string> texts = LoggedTexts();
    EXPECT_TRUE(InOrder(texts, {"Starting up!", title, "*** Using whatever ASPI Layer is available.",
                                "ERR *** wnaspi32.dll does not exist!",
                                "BadIntelAppAcceleratorInstalled() returns 0 prefs.bDontWarn=1",
                                "Before initializing ASPI layer!", "After initializing ASPI layer successfully!",
                                "CMainWindow::WM_CREATE - Checkpoint 1", "CMainWindow::WM_CREATE - Checkpoint 4",
                                "Initializing burner object...", "Shutting down burner object...",
                                "Shutting down!"}))
        << testing::PrintToString(texts);
    EXPECT_EQ(texts.back().rfind("Free virtual", 0), 0u) << "the memory is the last thing logged";

    EXPECT_EQ(StoredPreferences()->bLogFailed, 0);
    EXPECT_FALSE(fs::exists(GetUserDataDir() + kCrashLogFileName));
    HKEY run = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, kAutoStartRegPath, &run), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueEx(run, kAutoStartEntry, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "the automatic-start entry is removed";
    RegCloseKey(run);
}

TEST_F(ProgramTest, ADriveLayerThatFailsIsTriedOnceMoreInTheOtherModeUnlessTheZentEngineRuns) {
    struct TCase {
        const char* what;
        int engine;
        int useOwn;
        const char* line;
        int storedUseOwn;
    } cases[] = {
        {"own layer fails, the system's works", 0, 1,
         "**** Switched the 'Use Marovelle ASPI' mode because the initial setting did not find a device.", 0},
        {"system layer fails, the own works", 0, 0,
         "**** Switched the 'Use Marovelle ASPI' mode because the initial setting did not find a device.", 1},
        {"both fail", 0, 1, "***** NO ASPI LAYER INITIALIZED!! *****", 1},
        {"Zent engine: no second try", 1, 1, "ZENT ASPI did not initialize!", 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        {
            CPreferences earlier;
            earlier.WhichBurningEngine = c.engine;
            earlier.UseMarovelleASPI = c.useOwn;
            // Told before: a run without drives does not ask about them or
            // the recorder.
            earlier.bWarnAboutNoASPI = 0;
            earlier.bWarnAboutNoRecorder = 0;
            StorePreferences(earlier);
        }
        const bool bothFail = std::string(c.line).find("NO ASPI") != std::string::npos;
        TProgramOptions options = Options();
        const auto configure = options.configureDrives;
        options.configureDrives = [configure, bothFail](PLATTER_CPlatter& platter) {
            configure(platter);
            platter.failInitializationsForTest = bothFail ? 2 : 1;
        };
        int drives = -1;
        options.whenShown = [&drives](CProgram& program) {
            drives = program.platter.GetDevices();
            program.mainWindow.Window()->close();
        };
        CProgram program(options);
        EXPECT_EQ(program.Run({}), CProgram::kResultRan) << "the program runs on without drives";
        const std::vector<std::string> texts = LoggedTexts();
        EXPECT_TRUE(InOrder(texts, {"Before initializing ASPI layer!", c.line, "CMainWindow::WM_CREATE - Checkpoint 1"}))
            << testing::PrintToString(texts);
        EXPECT_FALSE(InOrder(texts, {"After initializing ASPI layer successfully!"}));
        EXPECT_EQ(drives, c.storedUseOwn != c.useOwn ? 1 : 0);
        EXPECT_EQ(StoredPreferences()->UseMarovelleASPI, c.storedUseOwn);
    }
}

}  // namespace
