#include "filekit/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/temp_dir.h"

namespace {

LogClockTime FixedClock() { return LogClockTime{13, 5, 9, 7}; }

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("songsmith-log.txt");
        LogSetClock(&FixedClock);
        LogOn(1);
    }
    void TearDown() override {
        LogDeinit();
        LogSetClock(nullptr);
        LogOn(1);
    }
    std::string Contents() const { return testsupport::ReadWholeFile(path_); }
    bool Exists() const {
        struct stat st{};
        return stat(path_.c_str(), &st) == 0;
    }

    testsupport::TempDir dir_;
    std::string path_;
};

}  // namespace

TEST_F(LogTest, BothWritersUseTheirExactPrefix) {
    LogInit(path_.c_str());
    Log("CMainWindow::OnBurn - start");
    LogFmt("tracks = %d, name = %s", 12, "x");
    EXPECT_EQ(Contents(),
              "13:05:09 [7 mils] : CMainWindow::OnBurn - start\r\n"
              "13:05:09 [  7 ms]: tracks = 12, name = x\r\n");
}

TEST_F(LogTest, FileIsEmptiedByTheFirstLineNotByInit) {
    testsupport::WriteWholeFile(path_, "old run\r\n");
    LogInit(path_.c_str());
    EXPECT_EQ(Contents(), "old run\r\n");
    Log("new");
    EXPECT_EQ(Contents(), "13:05:09 [7 mils] : new\r\n");
}

TEST_F(LogTest, ASecondRunAfterDeinitEmptiesTheFileAgain) {
    LogInit(path_.c_str());
    Log("first run");
    LogDeinit();
    LogInit(path_.c_str());
    EXPECT_EQ(Contents(), "13:05:09 [7 mils] : first run\r\n") << "kept until the first line";
    LogFmt("second run");
    EXPECT_EQ(Contents(), "13:05:09 [  7 ms]: second run\r\n");
}

TEST_F(LogTest, SwitchedOffOrUninitialisedLogWritesNothing) {
    LogDeinit();  // without LogInit: nothing happens
    Log("before init");
    LogInit(path_.c_str());
    LogOn(0);
    EXPECT_EQ(LoggingNow(), 0);
    Log("off");
    LogFmt("off %d", 1);
    LogCurrentMemory();
    EXPECT_FALSE(Exists());
    LogOn(1);
    LogDeinit();
    Log("after deinit");
    EXPECT_FALSE(Exists());
}

TEST_F(LogTest, FormattedTextIsCutAt511Characters) {
    LogInit(path_.c_str());
    const std::string e = "\xc3\xa9";           // 2 bytes
    const std::string clef = "\xf0\x9d\x84\x9e";  // 4 bytes
    const struct {
        std::string text;
        std::string kept;
    } cases[] = {
        {std::string(600, 'q'), std::string(511, 'q')},
        // A character that does not fit whole is left out whole.
        {std::string(509, 'q') + e + "zz", std::string(509, 'q') + e},
        {std::string(510, 'q') + e, std::string(510, 'q')},
        {std::string(508, 'q') + clef, std::string(508, 'q')},
        {std::string(507, 'q') + clef + "z", std::string(507, 'q') + clef},
    };
    for (const auto& c : cases) LogFmt("%s", c.text.c_str());
    const std::vector<std::string> lines = SplitCrLf(Contents());
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(lines[i], "13:05:09 [  7 ms]: " + cases[i].kept) << i;
    }
}

TEST_F(LogTest, LineIsDroppedWhileTheFileCannotBeMadeAndRetriedLater) {
    const std::string folder = dir_.File("later");
    path_ = folder + "/log.txt";
    LogInit(path_.c_str());
    Log("dropped");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    Log("kept");
    EXPECT_EQ(Contents(), "13:05:09 [7 mils] : kept\r\n");
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
    LogInit(path_.c_str());
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 2 == 0) {
                    Log(("thread " + std::to_string(t) + " line " + std::to_string(i)).c_str());
                } else {
                    LogFmt("thread %d line %d", t, i);
                }
            }
        });
    }
    for (std::thread& writer : writers) writer.join();

    const std::regex line(R"(13:05:09 (\[7 mils\] : |\[  7 ms\]: )thread (\d) line (\d+))");
    std::vector<int> seen(kThreads, 0);
    for (const std::string& text : SplitCrLf(Contents())) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, line)) << text;
        ++seen[static_cast<std::size_t>(std::stoi(m[2]))];
    }
    for (int count : seen) EXPECT_EQ(count, kLines);
}

// Closing and opening the log while other threads write lines never touches
// a stream that is gone (the sanitizers watch) and never damages a line.
TEST_F(LogTest, DeinitWhileOtherThreadsLog) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&stop, t] {
            for (int i = 0; !stop; ++i) {
                if (i % 2 == 0) {
                    Log("writer line");
                } else {
                    LogFmt("writer %d line %d", t, i);
                }
            }
        });
    }
    for (int round = 0; round < 50; ++round) {
        LogInit(path_.c_str());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        LogDeinit();
    }
    stop = true;
    for (std::thread& writer : writers) writer.join();

    const std::regex line(R"(13:05:09 (\[7 mils\] : writer line|\[  7 ms\]: writer \d line \d+))");
    for (const std::string& text : SplitCrLf(Contents())) {
        ASSERT_TRUE(std::regex_match(text, line)) << text;
    }
}

// A clock that ticks one millisecond per reading and takes a moment to
// answer, so that a reading made outside the log lock loses its place.
std::atomic<int> gTicks{0};
LogClockTime TickingClock() {
    const int tick = gTicks++;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    return LogClockTime{13, 5, 9, tick};
}

TEST_F(LogTest, TimesInTheFileNeverGoBackwards) {
    gTicks = 0;
    LogSetClock(&TickingClock);
    LogInit(path_.c_str());
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                if ((i + t) % 2 == 0) {
                    Log("line");
                } else {
                    LogFmt("line %d", i);
                }
            }
        });
    }
    for (std::thread& writer : writers) writer.join();

    const std::regex stamp(R"(13:05:09 \[ *(\d+) (mils\] :|ms\]:) line.*)");
    int previous = -1;
    for (const std::string& text : SplitCrLf(Contents())) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, stamp)) << text;
        const int tick = std::stoi(m[1]);
        EXPECT_GT(tick, previous) << "a line stamped earlier comes after a later one";
        previous = tick;
    }
}

TEST_F(LogTest, MemoryReportHasFourLines) {
    LogInit(path_.c_str());
    LogCurrentMemory();
    const std::vector<std::string> lines = SplitCrLf(Contents());
    ASSERT_EQ(lines.size(), 4u);
    const std::string prefix = R"(13:05:09 \[7 mils\] : )";
    const std::string mb = R"(\d+\.\d\d MB)";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(prefix + R"(Mem in use percentage = \d+ %)")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(
        lines[1], std::regex(prefix + "Free physical : " + mb + ", Total physical : " + mb)))
        << lines[1];
    EXPECT_TRUE(std::regex_match(
        lines[2], std::regex(prefix + "Free paging file : " + mb + ", Total paging file : " + mb)))
        << lines[2];
    EXPECT_TRUE(std::regex_match(
        lines[3], std::regex(prefix + "Free virtual : " + mb + ", Total virtual : " + mb)))
        << lines[3];
}
