// filekit's start-up work and its check for the media module.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "filekit/media_support.h"
#include "filekit/ref_obj.h"
#include "platform/user_folders.h"

TEST(MediaSupport, AnswersWhetherTheMediaModuleLoads) {
    setenv("SONGSMITH_WMA_SUPPORT", "1", 1);
    EXPECT_EQ(MV_SupportsWMA(), 1);
    setenv("SONGSMITH_WMA_SUPPORT", "0", 1);
    EXPECT_EQ(MV_SupportsWMA(), 0);
    unsetenv("SONGSMITH_WMA_SUPPORT");
    const int present = DoesFileExist((GetExecutableDir() + "libmediacore.so").c_str());
    EXPECT_EQ(MV_SupportsWMA(), present);
}

TEST(LibraryStartUp, RaisesTheOpenFileLimit) {
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlim_t wanted =
        limit.rlim_max == RLIM_INFINITY ? 2048 : std::min<rlim_t>(2048, limit.rlim_max);
    EXPECT_GE(limit.rlim_cur, wanted);
}

TEST(LibraryStartUp, RaisesALowLimitBeforeMain) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max <= 256)
        GTEST_SKIP() << "hard limit too low";
    // A copy of this test program started with a soft limit of 256 checks
    // the limit it finds in main().
    rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "filekit_tests",
              "--gtest_filter=LibraryStartUp.RaisesTheOpenFileLimit", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
