// The store survives the program being killed at any moment: the writer is
// killed with SIGKILL at seeded moments, and every id it printed (each after
// its write returned) must come back with its exact record.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "songvault/songvault.h"
#include "songvault/tests/crash_song.h"
#include "songvault/tests/store_fixture.h"
#include "testsupport/temp_dir.h"

extern char** environ;

namespace {

// Runs the writer on folder from song number first, kills it once it has
// printed printedBefore lines and a further pause has passed, and returns
// every whole line it printed.
std::string RunAndKill(const std::string& folder, long long first, int printedBefore,
                       std::chrono::microseconds pause) {
    int out[2];
    if (pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string firstText = std::to_string(first);
    char* argv[] = {const_cast<char*>(SONGVAULT_CRASH_WRITER), const_cast<char*>(folder.c_str()),
                    const_cast<char*>(firstText.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, SONGVAULT_CRASH_WRITER, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }

    std::string printed;
    int lines = 0;
    char buffer[4096];
    while (lines < printedBefore) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        printed.append(buffer, static_cast<std::size_t>(n));
        lines = static_cast<int>(std::count(printed.begin(), printed.end(), '\n'));
    }
    std::this_thread::sleep_for(pause);
    kill(child, SIGKILL);
    // What it printed before it died is still in the pipe.
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) printed.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    // A line cut off by the kill was never printed whole.
    return printed.substr(0, printed.rfind('\n') + 1);
}

TEST(CrashSafety, EveryReportedWriteSurvivesAKill) {
    testsupport::TempDir dir;
    std::mt19937 random(20261210);
    std::map<std::int32_t, long long> written;  // id -> song number

    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // The first rounds are killed early, while the writer starts and
        // the store is made or opened (that takes tens of milliseconds); the
        // others in the middle of a run of writes.
        const bool early = round < 3;
        const int printedBefore = early ? 0 : std::uniform_int_distribution<int>(1, 60)(random);
        const std::chrono::microseconds pause(std::uniform_int_distribution<int>(0, early ? 100000 : 3000)(random));
        std::istringstream lines(RunAndKill(dir.Path(), round * 1000000LL, printedBefore, pause));
        for (long long n; lines >> n;) {
            std::int32_t id = 0;
            ASSERT_TRUE(lines >> id);
            written[id] = n;
        }

        SGSMarovelle description;
        SVTENG_CSongvault vault;
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        EXPECT_FALSE(vault.FoundDamagedStore());
        // Nothing half-made or moved aside is left behind.
        for (const std::string& name : svtest::FolderNames(dir.Path())) {
            EXPECT_TRUE(name == "Marovelle.mdb" || name == "Marovelle.mdb-wal" || name == "Marovelle.mdb-shm") << name;
        }
        for (const auto& [id, n] : written) {
            TSVT_Song expected = svtest::CrashSong(n);
            expected.id = id;
            TSVT_Song stored;
            ASSERT_TRUE(vault.GetSong(id, &stored)) << "song " << n << ", id " << id;
            ASSERT_TRUE(svtest::SameBytes(stored, expected)) << "song " << n << ", id " << id;
        }
        // Close without saving, as a killed program would not have saved.
        vault.Shutdown(nullptr);
        EXPECT_EQ(svtest::QueryText(dir.File("Marovelle.mdb"), "PRAGMA integrity_check"), "ok");
    }
    EXPECT_GT(written.size(), 50u) << "the kills came too early to test anything";
}

}  // namespace
