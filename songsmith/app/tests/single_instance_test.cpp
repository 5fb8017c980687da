// One instance per user: the lock is exclusive and taken in one step, it is
// free again once its holder lets go, it lives in the folder the
// environment names, and a second instance removes its temporary file.
#include "songsmith/app/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "platform/user_folders.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(SingleInstanceTest, OnlyOneHolderAtATimeAndTheLockIsFreeAgainAfterIt) {
    testsupport::TempDir dir;
    const std::string path = dir.File(kSingleInstanceLockName);
    auto first = std::make_unique<CSingleInstanceLock>();
    ASSERT_TRUE(first->Acquire(path));
    EXPECT_TRUE(first->Held());

    CSingleInstanceLock second;
    EXPECT_FALSE(second.Acquire(path)) << "a second holder while the first runs";
    EXPECT_FALSE(second.Held());

    first.reset();  // the holder ends without a word
    EXPECT_TRUE(second.Acquire(path));
    CSingleInstanceLock third;
    EXPECT_FALSE(third.Acquire(path));
    second.Release();
    EXPECT_TRUE(third.Acquire(path));
}

TEST(SingleInstanceTest, InstancesStartedTogetherLeaveExactlyOneRunning) {
    testsupport::TempDir dir;
    const std::string path = dir.File(kSingleInstanceLockName);
    constexpr int kStarts = 16;
    std::vector<CSingleInstanceLock> locks(kStarts);
    std::atomic<int> running{0};
    std::latch ready(kStarts);
    std::vector<std::thread> starts;
    for (int i = 0; i < kStarts; ++i) {
        starts.emplace_back([&, i] {
            ready.arrive_and_wait();
            if (locks[i].Acquire(path)) ++running;
        });
    }
    for (std::thread& start : starts) start.join();
    EXPECT_EQ(running.load(), 1);
}

TEST(SingleInstanceTest, TheLockLivesWhereTheEnvironmentSays) {
    testsupport::TempDir home;
    testsupport::TempDir runtime;
    struct TCase {
        const char* what;
        bool withHome;
        bool withRuntime;
        std::string expected;
    } cases[] = {
        {"home set", true, true, home.Path() + "/"},
        {"runtime folder", false, true, runtime.Path() + "/songsmith/"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::CScopedEnv homeEnv("SONGSMITH_HOME", c.withHome ? home.Path().c_str() : nullptr);
        testsupport::CScopedEnv runtimeEnv("XDG_RUNTIME_DIR", c.withRuntime ? runtime.Path().c_str() : nullptr);
        EXPECT_EQ(SingleInstanceLockFolder(), c.expected);
        EXPECT_TRUE(fs::is_directory(c.expected));
    }
    // Neither: the per-user cache folder (under the test's own home).
    testsupport::CScopedEnv cache("XDG_CACHE_HOME", home.Path() + "/xdg-cache");
    testsupport::CScopedEnv homeEnv("SONGSMITH_HOME", nullptr);
    testsupport::CScopedEnv runtimeEnv("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(SingleInstanceLockFolder(), home.Path() + "/xdg-cache/songsmith/");
}

TEST(SingleInstanceTest, ASecondInstanceDeletesItsTemporaryFileWhenThere) {
    const std::string file = GetUserCacheDir() + kSecondInstanceTempFile;
    testsupport::WriteWholeFile(file, "left over");
    CleanUpAsSecondInstance();
    EXPECT_FALSE(fs::exists(file));
    CleanUpAsSecondInstance();  // nothing there: nothing happens
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
