#pragma once
// Runs the program in the test's process through CProgram, in a per-user
// home of the test's own (its store, log and library), with one image drive
// in a tray of its own and the machine's drives left out.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "songsmith/app/ui/program.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture();
    ~ProgramFixture() override;

    // Writes these preferences to the store as an earlier run would have
    // (one that made the first library import); that run's user accepted
    // the agreement unless agreed is false.
    static void StorePreferences(CPreferences& prefs, bool agreed = true);
    // The preferences as the store holds them now.
    static std::unique_ptr<CPreferences> StoredPreferences();
    // The texts of the log's lines, without their time prefixes.
    std::vector<std::string> LoggedTexts() const;
    // Whether wanted appear in texts in this order (others may lie between).
    static bool InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& wanted);
    static void SetMachineValue(const std::string& path, const char* name, std::uint32_t type,
                                const std::string& bytes);
    static bool MachineKeyExists(const std::string& path);
    static std::string Dword(std::uint32_t n);

    // Runs the event loop until done() holds, woken by each event; false
    // when it does not hold within the limit.
    static bool WaitFor(const std::function<bool()>& done, int limitMs = testsupport::kHangLimitMs);

    // Holds the session's loader back: it is stopped and tracks added do
    // not start it, so no track is analysed (nor asked about) until
    // ResumeLoader starts it again. A test that must see a track before its
    // analysis, or that must not meet the loader's own questions, holds it.
    static void HoldLoader(CProgram& program);
    static void ResumeLoader(CProgram& program);

    // Chooses the main window's menu item of command as a user does: every
    // menu is about to show (so the items take their states), then the item
    // is triggered. False when the item is missing or greyed.
    static bool ChooseMenuItem(CProgram& program, int command);

    // The options a test run starts from: the tray, no real drives.
    TProgramOptions Options() const;

    testsupport::TempDir home_;
    testsupport::CScopedEnv homeEnv_{"SONGSMITH_HOME", home_.Path()};
    testsupport::CFakeUiServices ui_;
};
