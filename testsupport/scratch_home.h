#pragma once
// Runs a test executable's tests with the per-user folders pointed at a
// scratch folder, so no test reads or writes the real user's settings.

namespace testsupport {

// Sets $SONGSMITH_HOME to a fresh folder, runs every test and removes the
// folder again. Returns what RUN_ALL_TESTS returns.
int RunAllTestsWithScratchHome(int argc, char** argv);

}  // namespace testsupport
