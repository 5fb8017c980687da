#include "tonecore/peaks/temp_sound_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <climits>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/peaks/file_age.h"

namespace {

class TempSoundPathTest : public ::testing::Test {
protected:
    void SetUp() override { SetTempSndPath("/cache/snd"); }
    void TearDown() override { SetTempSndPath(nullptr); }

    static std::string Map(const std::string& source, int size = PATH_MAX, int create = 0) {
        std::string out(static_cast<std::size_t>(size), 'x');
        MakeTempPath2(source.c_str(), out.data(), size, create);
        return out.c_str();
    }
};

}  // namespace

TEST(TempSndFolder, SeparatorAddedAndLongFoldersRefused) {
    char out[16];
    SetTempSndPath("/tmp/a");
    GetTempSndPath(out, sizeof out);
    EXPECT_STREQ(out, "/tmp/a/");
    SetTempSndPath("/tmp/b/");
    EXPECT_EQ(TempSndPath(), "/tmp/b/");
    EXPECT_EQ(TempSndPathExists(), 1);
    SetLastError(0);
    SetTempSndPath(std::string(PATH_MAX, 'd').c_str());
    EXPECT_EQ(GetLastError(), TONECORE_ERR_PATH_TOO_LONG);
    EXPECT_EQ(TempSndPath(), "/tmp/b/");  // unchanged, not cut
    SetTempSndPath("");
    EXPECT_EQ(TempSndPathExists(), 0);

    // No folder: the source itself.
    char mapped[64];
    EXPECT_EQ(MakeTempPath2("/music/a.mp3", mapped, sizeof mapped, 0), 1);
    EXPECT_STREQ(mapped, "/music/a.mp3");
}

TEST_F(TempSoundPathTest, MirrorsAndEscapes) {
    struct TCase {
        const char* source;
        const char* mapped;
    };
    const TCase cases[] = {
        {"/music/a.mp3", "/cache/snd/music/a.mp3"},
        {"//music///a.mp3", "/cache/snd/music/a.mp3"},
        {"relative/a.mp3", "/cache/snd/relative/a.mp3"},
        // Characters other systems refuse are escaped, so these stay apart.
        {"/m/a:b.mp3", "/cache/snd/m/a%3Ab.mp3"},
        {"/m/ab.mp3", "/cache/snd/m/ab.mp3"},
        {"/m/a%3Ab.mp3", "/cache/snd/m/a%253Ab.mp3"},
        {"/m/a*?<>|.mp3", "/cache/snd/m/a%2A%3F%3C%3E%7C.mp3"},
        {"/m/a\\b.mp3", "/cache/snd/m/a%5Cb.mp3"},
        // Paths from other systems, with '\' only.
        {"D:\\Music\\a.mp3", "/cache/snd/D%3A/Music/a.mp3"},
        {"\\\\server\\share\\a.mp3", "/cache/snd/server/share/a.mp3"},
        // Never out of the folder.
        {"/../../etc/passwd", "/cache/snd/%2E%2E/%2E%2E/etc/passwd"},
        {"/a/./b", "/cache/snd/a/%2E/b"},
    };
    for (const TCase& c : cases) EXPECT_EQ(Map(c.source), c.mapped) << c.source;
    EXPECT_EQ(MakeTempPath1("/music/", "a.mp3", nullptr, 10, 0), 0);
    char joined[64];
    EXPECT_EQ(MakeTempPath1("/music/", "a.mp3", joined, sizeof joined, 0), 1);
    EXPECT_STREQ(joined, "/cache/snd/music/a.mp3");
}

TEST_F(TempSoundPathTest, LongPathsFallBackWithoutColliding) {
    // Same file name in two long folders: different cache files.
    const std::string folderA = "/" + std::string(60, 'a') + "/";
    const std::string folderB = "/" + std::string(60, 'b') + "/";
    const std::string a = Map(folderA + "song.mp3", 64);
    const std::string b = Map(folderB + "song.mp3", 64);
    EXPECT_NE(a, b);
    for (const std::string& p : {a, b}) {
        EXPECT_EQ(p.rfind("/cache/snd/", 0), 0u) << p;
        EXPECT_EQ(p.substr(p.size() - 8), "song.mp3") << p;
        EXPECT_EQ(p.find('/', 11), std::string::npos) << p;  // flat in the folder
        EXPECT_LE(p.size() + 8, 64u) << p;                   // room for an extension
    }
    EXPECT_EQ(Map(folderA + "song.mp3", 64), a);  // stable

    // A name too long even there is cut from the front.
    const std::string longName = std::string(80, 'n') + "tail.mp3";
    const std::string cut = Map("/" + longName, 64);
    EXPECT_EQ(cut.size() + 8, 64u);
    EXPECT_EQ(cut.substr(cut.size() - 8), "tail.mp3");

    // No file name at all.
    EXPECT_EQ(Map(folderA, 64).rfind("/cache/snd/tmp", 0), 0u);

    // Escapes that push a mirror over the size fall back too.
    const std::string escaped = Map("/" + std::string(20, ':'), 40);
    EXPECT_EQ(escaped.find('/', 11), std::string::npos) << escaped;

    // Not even the fallback fits: an empty result and a reason.
    char tiny[12];
    SetLastError(0);
    EXPECT_EQ(MakeTempPath2("/music/a.mp3", tiny, sizeof tiny, 0), 0);
    EXPECT_STREQ(tiny, "");
    EXPECT_EQ(GetLastError(), TONECORE_ERR_PATH_TOO_LONG);
}

TEST(TempSoundPathFolders, CreatesTheMirroredFolders) {
    testsupport::TempDir dir;
    const std::string folder = dir.Path() + "/cache";
    SetTempSndPath(folder.c_str());
    char out[PATH_MAX];
    ASSERT_EQ(MakeTempPath2("/music/x:y/a.mp3", out, sizeof out, 1), 1);
    EXPECT_EQ(std::string(out), folder + "/music/x%3Ay/a.mp3");
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/music/x%3Ay"));
    EXPECT_FALSE(std::filesystem::exists(out));
    SetTempSndPath(nullptr);
}

TEST(FileAge, ComparesWholeSecondsStrictly) {
    testsupport::TempDir dir;
    const std::string older = dir.File("older"), newer = dir.File("newer"), same = dir.File("same");
    for (const std::string& p : {older, newer, same}) testsupport::WriteWholeFile(p, "x");
    // 31 December of a leap year against 1 January of the next: a day apart
    // although the calendar's day numbers meet.
    struct tm day {};
    day.tm_year = 2024 - 1900;
    day.tm_mon = 11;
    day.tm_mday = 31;
    day.tm_hour = 12;
    day.tm_isdst = -1;
    const time_t lastDay = mktime(&day);
    const time_t nextDay = lastDay + 24 * 3600;
    const auto setTime = [](const std::string& path, time_t t) {
        struct utimbuf times {t, t};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    };
    setTime(older, lastDay);
    setTime(newer, nextDay);
    setTime(same, nextDay);

    EXPECT_EQ(IsRightFileOlder(newer.c_str(), older.c_str()), 1);
    EXPECT_EQ(IsRightFileOlder(older.c_str(), newer.c_str()), 0);
    EXPECT_EQ(IsRightFileOlder(newer.c_str(), same.c_str()), 0);  // same second
    EXPECT_EQ(IsRightFileOlder(dir.File("missing").c_str(), older.c_str()), 0);

    std::tm when {};
    when.tm_year = 5;
    EXPECT_EQ(GetLastModifiedDate(older.c_str(), when), 1);
    EXPECT_EQ(when.tm_year, 124);
    EXPECT_EQ(when.tm_yday, 365);
    EXPECT_EQ(when.tm_hour, 12);
    std::tm untouched {};
    untouched.tm_year = 7;
    EXPECT_EQ(GetLastModifiedDate(dir.File("missing").c_str(), untouched), 0);
    EXPECT_EQ(untouched.tm_year, 7);
}
