// The log at start-up: a run that did not end cleanly leaves its log behind
// as the crash log (the newest crash replaces an older one), with a note; a
// clean one leaves nothing.
#include "songsmith/app/startup_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "filekit/log.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(StartupLogTest, TheLastRunsLogBecomesTheCrashLogOnlyAfterACrash) {
    struct TCase {
        const char* what;
        int logFailed;
        const char* oldCrashLog;  // null: none there
        bool crashLogWithNote;
        const char* crashLogStarts;
    } cases[] = {
        {"clean close", 0, nullptr, false, nullptr},
        {"crash", 1, nullptr, true, "last run"},
        {"crash, older crash log replaced", 1, "older crash", true, "last run"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string folder = dir.Path() + "/";
        testsupport::WriteWholeFile(folder + kLogFileName, "last run");
        if (c.oldCrashLog != nullptr) {
            testsupport::WriteWholeFile(folder + kCrashLogFileName, c.oldCrashLog);
        }
        CPreferences prefs;
        prefs.bLogFailed = c.logFailed;
        StartProgramLog(prefs, folder);
        Log("this run");
        LogDeinit();

        EXPECT_EQ(prefs.bLogFailed, 1);
        const std::string log = testsupport::ReadWholeFile(folder + kLogFileName);
        EXPECT_NE(log.find("this run"), std::string::npos);
        EXPECT_EQ(log.find("last run"), std::string::npos);
        ASSERT_EQ(fs::exists(folder + kCrashLogFileName), c.crashLogWithNote);
        if (!c.crashLogWithNote) continue;
        const std::string crash = testsupport::ReadWholeFile(folder + kCrashLogFileName);
        EXPECT_EQ(crash.rfind(c.crashLogStarts, 0), 0u) << crash;
        EXPECT_EQ(crash.find("older crash"), std::string::npos) << crash;
        // One note, after the log.
        const std::size_t note = crash.find("Request Personal Support");
        ASSERT_NE(note, std::string::npos);
        EXPECT_GT(note, crash.find("last run"));
        EXPECT_EQ(crash.find("Request Personal Support", note + 1), std::string::npos);
    }
}

}  // namespace
