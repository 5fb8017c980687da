#include "utilities/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/time.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "utilities/errors.h"

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, bytes);
        return path;
    }
    static std::string Get(const char* section, const char* key, const std::string& path,
                           int size = 256) {
        std::vector<char> out(static_cast<std::size_t>(size) + 1, 'x');
        const int n =
            GetPrivateProfileString(section, key, "(default)", out.data(), size, path.c_str());
        EXPECT_EQ(n, static_cast<int>(std::string(out.data()).size())) << key;
        return out.data();
    }
    testsupport::TempDir dir_;
};

}  // namespace

TEST_F(ProfileFileTest, LayoutRules) {
    const std::string path = Write("rules.ini",
                                   "\xEF\xBB\xBF"  // byte-order mark
                                   "loose=before any section\r\n"
                                   "[Strings]\r\n"
                                   "; Hello=a comment\r\n"
                                   "  Hello  =  Hello there  \r\n"
                                   "hello=second Hello\r\n"
                                   "Empty=\r\n"
                                   "Quoted=\"kept\"\r\n"
                                   "Equals=a=b\r\n"
                                   "no equals sign here\r\n"
                                   "\tTabbed\t=\ttab\t\r\n"
                                   "[ other ]\n"
                                   "Key=other section\r"
                                   "[STRINGS]\n"
                                   "Late=from the repeated section\n"
                                   "Hello=not the first\n");
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"Strings", "Hello", "Hello there"},  // trimmed; the first of two wins
        {"strings", "HELLO", "Hello there"},  // names ignore case
        {"Strings", "Empty", ""},
        {"Strings", "Quoted", "\"kept\""},  // no quoting
        {"Strings", "Equals", "a=b"},
        {"Strings", "Tabbed", "tab"},
        {"Strings", "Late", "from the repeated section"},
        {"Other", "key", "other section"},  // CR alone ends a line
        {"Strings", "; Hello", "(default)"},
        {"Strings", "no equals sign here", "(default)"},
        {"Strings", "loose", "(default)"},
        {"Missing", "Hello", "(default)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Get(c.section, c.key, path), c.value) << c.section << "/" << c.key;
    }
    EXPECT_EQ(GetPrivateProfileSectionNames(path.c_str()),
              (std::vector<std::string>{"Strings", "other"}));
    EXPECT_EQ(GetPrivateProfileKeyNames("STRINGS", path.c_str()),
              (std::vector<std::string>{"Hello", "Empty", "Quoted", "Equals", "Tabbed", "Late"}));
    EXPECT_TRUE(GetPrivateProfileKeyNames("Missing", path.c_str()).empty());
}

TEST_F(ProfileFileTest, MissingFileGivesTheDefault) {
    char out[16] = "x";
    EXPECT_EQ(GetPrivateProfileString("Strings", "Key", "fallback", out, sizeof(out),
                                      dir_.File("none.ini").c_str()),
              8);
    EXPECT_STREQ(out, "fallback");
    EXPECT_EQ(GetPrivateProfileString("Strings", "Key", nullptr, out, sizeof(out), nullptr), 0);
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(GetPrivateProfileSectionNames(dir_.File("none.ini").c_str()).empty());
    EXPECT_EQ(GetPrivateProfileString("Strings", "Key", "x", nullptr, 16, nullptr), 0);
    EXPECT_EQ(GetPrivateProfileString("Strings", "Key", "x", out, 0, nullptr), 0);
}

TEST_F(ProfileFileTest, OversizedFilesAreRefusedWithTheirCode) {
    // One long comment line takes the file to the limit, or one byte past it.
    const std::string start = "[Strings]\nKey=value\n;";
    const std::string limit(16 * 1024 * 1024, 'x');
    const std::string fits = Write("fits.ini", start + limit.substr(start.size()));
    const std::string over = Write("over.ini", start + limit.substr(start.size() - 1));
    SetLastError(0);
    EXPECT_EQ(Get("Strings", "Key", fits), "value");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(Get("Strings", "Key", over), "(default)");
    EXPECT_EQ(GetLastError(), UTILITIES_ERR_FILE_TOO_LARGE);
    EXPECT_TRUE(GetPrivateProfileSectionNames(over.c_str()).empty());
}

// A file of many short lines costs a few times its size, not the fifty and
// more times that heap objects per name and value cost. The peak resident
// size is what is measured; the sanitizers' bookkeeping inflates it, so the
// bound is loose.
TEST_F(ProfileFileTest, MemoryGrowsWithTheFileNotWithItsLines) {
    constexpr std::size_t kLines = 1 << 18;
    std::string text = "[s]\n";
    text.reserve(kLines * 4 + 8);
    for (std::size_t i = 0; i < kLines; ++i) {
        text += static_cast<char>('a' + i % 26);
        text += "=\n";
    }
    const std::string path = Write("many.ini", text);
    const auto peakKb = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long before = peakKb();
    EXPECT_EQ(Get("s", "z", path), "");
    EXPECT_EQ(GetPrivateProfileKeyNames("s", path.c_str()).size(), 26u);
    const long grownKb = peakKb() - before;
    EXPECT_LT(grownKb, static_cast<long>(text.size() * 32 / 1024)) << "peak grew by " << grownKb << " KiB";
}

TEST_F(ProfileFileTest, LongValuesAreCutOnACharacterBoundary) {
    // "Grüße" is G r (C3 BC) (C3 9F) e.
    const std::string path = Write("cut.ini",
                                   "[s]\nk=Gr\xC3\xBC\xC3\x9F"
                                   "e\n");
    const struct {
        int size;
        const char* out;
    } cases[] = {
        {1, ""},
        {3, "Gr"},
        {4, "Gr"},
        {5, "Gr\xC3\xBC"},
        {6, "Gr\xC3\xBC"},
        {7, "Gr\xC3\xBC\xC3\x9F"},
        {8,
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
    };
    for (const auto& c : cases) EXPECT_EQ(Get("s", "k", path, c.size), c.out) << c.size;
}

TEST_F(ProfileFileTest, OlderFilesThatAreNotUtf8AreReadAsWindows1252) {
    const std::string path = Write("old.pls", "[playlist]\nFile1=Caf\xE9 \x80 \x93mix\x94.mp3\n");
    EXPECT_EQ(Get("playlist", "File1", path),
              "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cmix\xE2\x80\x9D.mp3");
}

TEST_F(ProfileFileTest, IntegerReads) {
    const std::string path = Write("num.pls",
                                   "[playlist]\nNumberOfEntries= 12 \nNegative=-7\nPlus=+3\n"
                                   "Trailing=42abc\nWord=abc\nEmpty=\nHuge=99999999999999\n");
    const struct {
        const char* key;
        int value;
    } cases[] = {
        {"numberofentries", 12}, {"Negative", -7},     {"Plus", 3},
        {"Trailing", 42},        {"Word", 0},          {"Empty", -1},
        {"Missing", -1},         {"Huge", 2147483647},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetPrivateProfileInt("Playlist", c.key, -1, path.c_str()), c.value) << c.key;
    }
}

TEST_F(ProfileFileTest, ChangedFileIsReadAgain) {
    const std::string path = Write("change.ini", "[s]\nk=one\n");
    EXPECT_EQ(Get("s", "k", path), "one");
    testsupport::WriteWholeFile(path, "[s]\nk=two\n");
    // Same size; give it another modification time for file systems with
    // coarse time stamps.
    struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
    EXPECT_EQ(Get("s", "k", path), "two");
    // Replaced by another file under the same name.
    const std::string other = Write("other.ini", "[s]\nk=three\n");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    EXPECT_EQ(Get("s", "k", path), "three");
}

TEST_F(ProfileFileTest, ReadsFromManyThreads) {
    std::string text = "[Strings]\n";
    for (int i = 0; i < 200; ++i)
        text += "Key" + std::to_string(i) + "=Value " + std::to_string(i) + "\n";
    const std::string path = Write("threads.ini", text);
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                char out[32];
                const std::string number = std::to_string((i * 7 + t) % 200);
                const std::string key = std::string("key").append(number);
                GetPrivateProfileString("strings", key.c_str(), "", out, sizeof(out), path.c_str());
                if (std::string(out) != std::string("Value ").append(number)) {
                    ++wrong[static_cast<std::size_t>(t)];
                }
                if (i % 50 == 0) {
                    // Other files come and go in the cache meanwhile.
                    const std::string own = dir_.File(std::string("t")
                                                          .append(std::to_string(t))
                                                          .append(1, '_')
                                                          .append(std::to_string(i)));
                    testsupport::WriteWholeFile(own, "[a]\nb=c\n");
                    GetPrivateProfileString("a", "b", "", out, sizeof(out), own.c_str());
                    if (std::string(out) != "c") ++wrong[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& th : threads) th.join();
    for (int w : wrong) EXPECT_EQ(w, 0);
}
