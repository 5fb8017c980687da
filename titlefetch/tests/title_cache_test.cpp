// The local title cache: reading sections as this program and other CD
// players write them, adding, replacing and deleting entries byte for byte,
// failed writes, and writers in several threads and processes at once.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/user_folders.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/title_cache_file.h"
#include "titlefetch/titlefetch.h"

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;
using namespace std::string_literals;

namespace {

constexpr const char* kNote = "discext0=Entry written by Marovelle Trackpress 2.0\n";

// What an entry should hold; null titles for "no entry".
struct TExpected {
    std::string artist;
    std::string title;
    std::string category;
    std::int32_t year;
    std::vector<std::string> titles;
};

class TitleCacheTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(path); }
    void TearDown() override {
        TitleCacheSetWriteFunction(nullptr);
        std::filesystem::remove(path);
    }

    // An entry the caller builds (and frees) itself.
    struct TOwnEntry : INI_TEntry {
        TOwnEntry(std::uint32_t id, const char* artistText, const char* titleText, std::vector<std::string> texts) {
            discId = id;
            std::snprintf(artist, sizeof artist, "%s", artistText);
            std::snprintf(title, sizeof title, "%s", titleText);
            std::snprintf(category, sizeof category, "rock");
            year = 1999;
            trackCount = static_cast<std::int32_t>(texts.size());
            for (const std::string& text : texts) trackTitles.Append(new CCOMString(text.c_str()));
        }
        ~TOwnEntry() { DeleteRecordTexts(trackTitles); }
    };

    // The entry of a disc as the cache gives it, compared field by field.
    void ExpectEntry(std::uint32_t discId, const TExpected* expected) {
        SCOPED_TRACE(testing::Message() << std::hex << discId);
        INI_TEntry* entry = facade.GetCDPlayerINIEntry(discId);
        if (expected == nullptr) {
            EXPECT_EQ(entry, nullptr);
            facade.DeallocINIEntry(entry);
            return;
        }
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->discId, discId);
        EXPECT_EQ(std::string(entry->artist), expected->artist);
        EXPECT_EQ(std::string(entry->title), expected->title);
        EXPECT_EQ(std::string(entry->category), expected->category);
        EXPECT_EQ(entry->year, expected->year);
        EXPECT_EQ(entry->trackCount, static_cast<std::int32_t>(expected->titles.size()));
        std::vector<std::string> titles;
        for (const CCOMString* text : entry->trackTitles) titles.push_back(text->GetString());
        EXPECT_EQ(titles, expected->titles);
        facade.DeallocINIEntry(entry);
    }

    // Temporary files left beside the cache.
    std::vector<std::string> StrayFiles() const {
        std::vector<std::string> names;
        for (const auto& file : std::filesystem::directory_iterator(GetUserDataDir())) {
            const std::string name = file.path().filename().string();
            if (name.find("cdplayer.ini.") == 0) names.push_back(name);
        }
        return names;
    }

    const std::string path = GetUserDataDir() + "cdplayer.ini";
    TITLEFETCH_CTitlefetch facade;
};

// Sections as this program and others write them, in one file.
std::string HandWrittenCache() {
    const std::string longTitle(120, 'L');
    return
        // A section whose name begins with another disc's.
        "[8000c030]\nartist=Prefix\nnumtracks=1\n0=Wrong disc\n"
        // This program's layout, with a 120-character disc and track title.
        "\n[8000c03]\nEntryType=1\nartist=Test Artist\ntitle=" + longTitle + "\ncategory=rock\nyear=1999\n"
        "numtracks=3\n0=Tone 1\n1=" + longTitle + "\n2=Tone 3\ndiscext0=a note\n"
        // Another player's: no blank line before, other keys, no category or
        // year, CR LF line ends.
        "[a00c102]\r\nartist=Packed\r\ntitle=No Blank Lines\r\nnumtracks=2\r\norder=1,0\r\nnumplay=5\r\n"
        "0=First\r\n1=Second\r\n"
        "[2001e01]\nartist=Empty\nnumtracks=0\n0=Never\n"
        // Track lines before the count and past it.
        "[3002f02]\nartist=Early\n0=Before the count\nnumtracks=2\n1=Second\n2=Past the count\n7=Far past\n"
        "99999999999999999999=Huge\n"
        "[4003a03]\nartist=Too many\nnumtracks=500\n0=x\n"
        // Windows-1252, a NUL byte and a very long line.
        "[5004b04]\nartist=Caf\xe9 \x80\ntitle=Nul\0byte\nnumtracks=1\n0="s + std::string(100000, 'x') +
        "\n"
        // An artist after the count, and no final line end.
        "[6005c05]\nnumtracks=1\nartist=Late\n0=No final newline";
}

TEST_F(TitleCacheTest, SectionsAreReadAsTheyStandInTheFile) {
    const std::string file = HandWrittenCache();
    WriteWholeFile(path, file);
    const std::string longTitle(120, 'L');
    const TExpected ours{"Test Artist", longTitle, "rock", 1999, {"Tone 1", longTitle, "Tone 3"}};
    const TExpected packed{"Packed", "No Blank Lines", "", 0, {"First", "Second"}};
    const TExpected early{"Early", "", "", 0, {"", "Second"}};
    const TExpected old{"Caf\xc3\xa9 \xe2\x82\xac", "Nul", "", 0, {std::string(100000, 'x')}};
    const TExpected late{"Late", "", "", 0, {"No final newline"}};
    const TExpected prefix{"Prefix", "", "", 0, {"Wrong disc"}};
    struct Case {
        std::uint32_t discId;
        const TExpected* expected;
    };
    const Case cases[] = {
        {0x8000c03, &ours}, {0xa00c102, &packed}, {0x2001e01, nullptr}, {0x3002f02, &early},
        {0x4003a03, nullptr}, {0x5004b04, &old},  {0x6005c05, &late},   {0x8000c030, &prefix},
        {0x1234567, nullptr}, {0, nullptr},
    };
    for (const Case& c : cases) ExpectEntry(c.discId, c.expected);

    // Adding a disc keeps every byte of the others, however odd.
    const TOwnEntry added(0x7006d06, "New", "Disc", {"One"});
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(added));
    const std::string now = ReadWholeFile(path);
    EXPECT_EQ(now.substr(0, file.size()), file);
    for (const Case& c : cases) ExpectEntry(c.discId, c.expected);
    const TExpected addedEntry{"New", "Disc", "rock", 1999, {"One"}};
    ExpectEntry(0x7006d06, &addedEntry);
}

TEST_F(TitleCacheTest, AnEntryIsWrittenInTheFilesLayout) {
    SetLastError(1234);
    ExpectEntry(0x8000c03, nullptr);  // no file yet
    EXPECT_FALSE(facade.DeleteCDPlayerINIEntry(0x8000c03));
    EXPECT_EQ(GetLastError(), 1234u) << "cache calls leave the thread's error alone";

    // Line breaks in a value would end its line early.
    TOwnEntry entry(0x8000c03, "Test\r\nArtist", "Test Album", {"Tone 1", "Tone\n2"});
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(entry));
    EXPECT_EQ(ReadWholeFile(path), std::string("\n[8000c03]\nEntryType=1\nartist=Test  Artist\ntitle=Test Album\n"
                                               "category=rock\nyear=1999\nnumtracks=2\n0=Tone 1\n1=Tone 2\n") +
                                       kNote);

    // Entries without tracks, with more than a disc holds, or under disc ID
    // 0 (which no lookup can find) are refused and leave the file as it was.
    const std::string before = ReadWholeFile(path);
    const TOwnEntry refused[] = {
        {0x100, "A", "B", {}},
        {0x200, "A", "B", std::vector<std::string>(100, "t")},
        {0, "No", "Disc", {"t"}},
    };
    for (const TOwnEntry& e : refused) {
        EXPECT_FALSE(facade.AddCDPlayerINIEntry(e)) << std::hex << e.discId;
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    // A title list shorter than the count gives empty titles.
    TOwnEntry shortList(0x300, "A", "B", {"only"});
    shortList.trackCount = 2;
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(shortList));
    const TExpected shortEntry{"A", "B", "rock", 1999, {"only", ""}};
    ExpectEntry(0x300, &shortEntry);
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(TitleCacheTest, ReplacingAnEntryLeavesItOnceAtTheEnd) {
    const TOwnEntry first(0x8000c03, "Old", "Title", {"a", "b"});
    const TOwnEntry other(0xa00c102, "Other", "Disc", {"c"});
    const TOwnEntry replaced(0x8000c03, "New", "Title", {"x", "y", "z"});
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(first));
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(other));
    const std::string otherOnly = ReadWholeFile(path).substr(ReadWholeFile(path).find("\n[a00c102]"));
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(replaced));
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(replaced));
    const std::string file = ReadWholeFile(path);
    EXPECT_EQ(file, otherOnly +
                        "\n[8000c03]\nEntryType=1\nartist=New\ntitle=Title\ncategory=rock\nyear=1999\nnumtracks=3\n"
                        "0=x\n1=y\n2=z\n" + kNote);
    const TExpected now{"New", "Title", "rock", 1999, {"x", "y", "z"}};
    ExpectEntry(0x8000c03, &now);

    // A section without tracks that another program left is replaced too.
    WriteWholeFile(path, "[100]\nnumtracks=0\n[200]\nnumtracks=1\n0=kept\n");
    const TOwnEntry revived(0x100, "Back", "Again", {"t"});
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(revived));
    EXPECT_EQ(ReadWholeFile(path), "[200]\nnumtracks=1\n0=kept\n\n[100]\nEntryType=1\nartist=Back\ntitle=Again\n"
                                   "category=rock\nyear=1999\nnumtracks=1\n0=t\n" + std::string(kNote));
}

TEST_F(TitleCacheTest, DeletingRemovesOnlyTheDiscsSections) {
    struct Case {
        const char* what;
        std::string before;
        std::uint32_t discId;
        std::string after;
    };
    const Case cases[] = {
        {"between blank lines", "\n[1]\nnumtracks=1\n0=a\n\n[2]\nnumtracks=1\n0=b\n\n[3]\nnumtracks=1\n0=c\n", 2,
         "\n[1]\nnumtracks=1\n0=a\n\n[3]\nnumtracks=1\n0=c\n"},
        {"without blank lines the next section ends it", "[1]\nnumtracks=1\n0=a\n[2]\nnumtracks=1\n0=b\n[3]\n0=c\n", 1,
         "[2]\nnumtracks=1\n0=b\n[3]\n0=c\n"},
        {"the last section, CR LF line ends, no final line end", "[1]\r\n0=a\r\n\r\n[2]\r\n0=b", 2, "[1]\r\n0=a\r\n"},
        {"every section of the disc", "[2]\n0=old\n[1]\n0=a\n[2]\n0=b\n", 2, "[1]\n0=a\n"},
        {"an absent disc leaves the bytes unchanged", "\n[1]\n0=a\n\n\n[10]\n0=b\nno key line\n", 0x1000,
         "\n[1]\n0=a\n\n\n[10]\n0=b\nno key line\n"},
        {"a section whose name begins with the disc's stays", "[10]\n0=b\n[1]\n0=a\n", 1, "[10]\n0=b\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(path, c.before);
        EXPECT_TRUE(facade.DeleteCDPlayerINIEntry(c.discId));
        EXPECT_EQ(ReadWholeFile(path), c.after);
    }
}

// Stands in for a disk that fills up during the write.
ssize_t DiskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(TitleCacheTest, AFailedWriteLeavesTheOldFile) {
    const TOwnEntry kept(0x8000c03, "Kept", "Disc", {"a"});
    const TOwnEntry other(0x8000c04, "Other", "Disc", {"b"});
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(kept));
    ASSERT_TRUE(facade.AddCDPlayerINIEntry(other));
    const std::string before = ReadWholeFile(path);
    TitleCacheSetWriteFunction(&DiskFull);
    const TOwnEntry lost(0xa00c102, "Lost", "Disc", {"b"});
    EXPECT_FALSE(facade.AddCDPlayerINIEntry(lost));
    EXPECT_FALSE(facade.DeleteCDPlayerINIEntry(0x8000c03));
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_TRUE(StrayFiles().empty());

    // A file too large to be a title cache is neither read nor replaced.
    TitleCacheSetWriteFunction(nullptr);
    {
        std::FILE* file = std::fopen(path.c_str(), "ab");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        std::filesystem::resize_file(path, kMaxTitleCacheBytes + 1);
    }
    ExpectEntry(0x8000c03, nullptr);
    EXPECT_FALSE(facade.AddCDPlayerINIEntry(lost));
    EXPECT_EQ(std::filesystem::file_size(path), kMaxTitleCacheBytes + 1);
}

// Adds discs first to first + count - 1, each with its own title.
bool AddDiscs(TITLEFETCH_CTitlefetch& facade, std::uint32_t first, int count) {
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        INI_TEntry entry;
        entry.discId = first + static_cast<std::uint32_t>(i);
        std::snprintf(entry.title, sizeof entry.title, "Disc %x", entry.discId);
        entry.trackCount = 1;
        CCOMString title("Track");
        entry.trackTitles.Append(&title);
        ok = facade.AddCDPlayerINIEntry(entry) && ok;
    }
    return ok;
}

TEST_F(TitleCacheTest, WritersInSeveralThreadsAndProcessesLoseNoEntry) {
    constexpr int kEach = 15;
    // A second program: a child process adding discs of its own meanwhile.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TITLEFETCH_CTitlefetch own;
        _exit(AddDiscs(own, 0x3000, kEach) ? 0 : 1);
    }
    std::vector<std::thread> threads;
    std::vector<char> ok(2, 0);
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([this, t, &ok] { ok[t] = AddDiscs(facade, 0x1000u * (t + 1), kEach); });
    }
    for (std::thread& thread : threads) thread.join();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ok[0] && ok[1]);

    const std::string file = ReadWholeFile(path);
    for (std::uint32_t base : {0x1000u, 0x2000u, 0x3000u}) {
        for (int i = 0; i < kEach; ++i) {
            char section[16];
            std::snprintf(section, sizeof section, "[%x]\n", base + i);
            const std::size_t at = file.find(section);
            EXPECT_NE(at, std::string::npos) << section;
            EXPECT_EQ(file.find(section, at + 1), std::string::npos) << section;
        }
    }
}

TEST_F(TitleCacheTest, KeysAndValuesSplitAtTheFirstEqualsSign) {
    struct Case {
        std::string line;
        std::string key;
        std::string value;
    };
    const Case cases[] = {
        {"artist=A=B", "artist", "A=B"},
        {"no equals sign", "", ""},
        {"=value", "", "value"},
        {"key=", "key", ""},
        {"", "", ""},
        {"3=" + std::string(5000, 'v'), "3", std::string(5000, 'v')},
    };
    for (const Case& c : cases) {
        CCOMString key("stale");
        CCOMString value("stale");
        facade.FindKey(c.line.c_str(), key);
        facade.FindValue(c.line.c_str(), value);
        EXPECT_EQ(std::string(key.GetString()), c.key) << c.line.substr(0, 40);
        EXPECT_EQ(std::string(value.GetString()), c.value) << c.line.substr(0, 40);
    }
    facade.DeallocINIEntry(nullptr);
}

}  // namespace
