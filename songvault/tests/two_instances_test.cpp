// Two copies of the program on one store: each opens it, writes, searches
// and closes it in a loop, both started at the same moment (on an empty
// folder, where both make the store) and one after the other (the second
// starting while the first is in the middle of its rounds). No call may
// fail, and the store ends with every song of both.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "songvault/songvault.h"
#include "songvault/tests/store_fixture.h"
#include "testsupport/temp_dir.h"

extern char** environ;

namespace {

constexpr int kRounds = 6;

// One running copy, with a pipe to release it and a pipe it prints into.
class Instance {
public:
    Instance(const std::string& folder, int number) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string numberText = std::to_string(number);
        const std::string roundsText = std::to_string(kRounds);
        char* argv[] = {const_cast<char*>(SONGVAULT_INSTANCE_LOOP), const_cast<char*>(folder.c_str()),
                        const_cast<char*>(numberText.c_str()), const_cast<char*>(roundsText.c_str()), nullptr};
        if (posix_spawn(&pid_, SONGVAULT_INSTANCE_LOOP, &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        release_ = in[1];
        output_ = out[0];
    }
    ~Instance() { Finish(); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Started() const { return pid_ > 0; }

    void Release() {
        if (release_ < 0) return;
        const char go = 1;
        EXPECT_EQ(write(release_, &go, 1), 1);
        close(release_);
        release_ = -1;
    }

    // Reads what it prints until line has appeared (or it has ended).
    bool WaitFor(const std::string& line) {
        while (printed_.find(line + "\n") == std::string::npos) {
            if (!ReadSome()) return false;
        }
        return true;
    }

    // Waits for its end; its whole output, with its exit status.
    std::string Finish() {
        Release();
        while (ReadSome()) {
        }
        if (output_ >= 0) close(output_);
        output_ = -1;
        if (pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
        }
        return printed_;
    }
    int ExitCode() const { return exitCode_; }

private:
    bool ReadSome() {
        if (output_ < 0) return false;
        char buffer[512];
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) return false;
        printed_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int release_ = -1;
    int output_ = -1;
    std::string printed_;
    int exitCode_ = -1;
};

struct Start {
    const char* name;
    bool staggered;  // the second starts once the first is part way through
};

TEST(TwoInstances, OpenWriteAndCloseOneStoreInALoop) {
    const Start starts[] = {
        {"started together on an empty folder", false},
        {"the second starting in the middle of the first's rounds", true},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        testsupport::TempDir dir;
        {
            Instance first(dir.Path(), 1);
            Instance second(dir.Path(), 2);
            ASSERT_TRUE(first.Started() && second.Started());
            first.Release();
            if (start.staggered) {
                ASSERT_TRUE(first.WaitFor("open " + std::to_string(kRounds / 3))) << first.Finish();
            }
            second.Release();
            const std::string firstOutput = first.Finish();
            const std::string secondOutput = second.Finish();
            EXPECT_EQ(first.ExitCode(), 0) << firstOutput;
            EXPECT_EQ(second.ExitCode(), 0) << secondOutput;
        }
        for (const std::string& name : svtest::FolderNames(dir.Path())) {
            EXPECT_EQ(name.rfind("Marovelle.mdb.new", 0), std::string::npos) << "a fresh store left behind: " << name;
        }
        SGSMarovelle description;
        SVTENG_CSongvault vault;
        ASSERT_TRUE(vault.Initialize(&description, dir.Path().c_str()));
        EXPECT_FALSE(vault.FoundDamagedStore());
        EXPECT_EQ(vault.GetSongCount(), 2 * kRounds);
        EXPECT_EQ(vault.FindSongsByText("instance1"), kRounds);
        EXPECT_EQ(vault.FindSongsByText("instance2"), kRounds);
    }
}

}  // namespace
