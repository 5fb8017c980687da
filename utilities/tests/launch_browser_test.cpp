#include "utilities/launch_browser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"

TEST(LaunchBrowserTest, GoesThroughTheHook) {
    std::vector<std::string> opened;
    bool answer = true;
    LaunchBrowserHook previous = SetLaunchBrowserHook([&](const char* url) {
        opened.emplace_back(url);
        return answer;
    });
    EXPECT_TRUE(LaunchBrowser("http://example.com/?src=utilm", nullptr, 1));
    answer = false;
    EXPECT_FALSE(LaunchBrowser("/tmp/link.htm"));
    EXPECT_FALSE(LaunchBrowser(nullptr));
    EXPECT_FALSE(LaunchBrowser(""));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.com/?src=utilm", "/tmp/link.htm"}));
    SetLaunchBrowserHook(previous);
}

// The real opener, with a stand-in xdg-open alone on the PATH that writes
// down its argument: no browser is ever started.
TEST(LaunchBrowserTest, StartsXdgOpenWithTheAddressAsItStands) {
    ASSERT_FALSE(SetLaunchBrowserHook({})) << "no hook is left from another test";
    testsupport::TempDir dir;
    const std::string record = dir.File("opened.txt");
    const std::string opener = dir.File("xdg-open");
    testsupport::WriteWholeFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > \"" + record +
                                            ".part\" && /bin/mv \"" + record + ".part\" \"" +
                                            record + "\"\n");
    ASSERT_EQ(chmod(opener.c_str(), 0755), 0);

    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath != nullptr ? oldPath : "";
    // Only the stand-in's folder: the real opener can never be found.
    setenv("PATH", dir.Path().c_str(), 1);
    // Quotes, blanks and a command substitution must reach the opener as text.
    const std::string url = "http://example.com/a b?x='1'&y=\"$(touch " + dir.File("ran") + ")\"";
    const bool started = LaunchBrowser(url.c_str());
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_TRUE(started);

    std::string got;
    const auto giveUp = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while (got.empty() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        got = testsupport::ReadWholeFile(record);
    }
    EXPECT_EQ(got, url);
    struct stat st {};
    EXPECT_NE(stat(dir.File("ran").c_str(), &st), 0) << "the address was run as a command";

    // No opener on the PATH: not started.
    setenv("PATH", dir.File("empty").c_str(), 1);
    EXPECT_FALSE(LaunchBrowser("http://example.com/"));
    setenv("PATH", savedPath.c_str(), 1);
}
