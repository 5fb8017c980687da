#include "filekit/path_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "filekit/errors.h"
#include "platform/last_error.h"

namespace {

using SplitFunction = int (*)(const char*, char*, std::size_t);

struct SplitCase {
    const char* path;
    int result;
    const char* out;
};

void RunSplitTable(SplitFunction split, const SplitCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        char out[64];
        std::memset(out, 'x', sizeof(out));
        EXPECT_EQ(split(cases[i].path, out, sizeof(out)), cases[i].result) << cases[i].path;
        EXPECT_STREQ(out, cases[i].out) << cases[i].path;
    }
}

}  // namespace

TEST(PathHelpersTest, ExtractFileName) {
    const SplitCase cases[] = {
        {"/music/album/file.wav", 1, "file.wav"},
        {"/file.wav", 1, "file.wav"},  // a file in the root
        {"/music/album/", 1, ""},
        {"file.wav", 0, ""},
        {"", 1, ""},
        // Written elsewhere, with '\\' and drives.
        {"C:\\dir\\file.wav", 1, "file.wav"},
        {"\\file.wav", 0, ""},  // a '\\' at index 0 does not count
        {"..\\c\\song.mp3", 1, "song.mp3"},
        // A '\\' inside a '/' path is part of a name.
        {"/music/AC\\DC.mp3", 1, "AC\\DC.mp3"},
    };
    RunSplitTable(ExtractFileName, cases, std::size(cases));
}

TEST(PathHelpersTest, ExtractDirectory) {
    const SplitCase cases[] = {
        {"/music/album/file.wav", 1, "/music/album/"},
        {"/file.wav", 1, "/"},
        {"/", 1, "/"},
        {"file.wav", 0, ""},
        {"a", 0, ""},
        {"", 1, ""},
        {"C:\\dir\\file.wav", 1, "C:\\dir\\"},
        {"\\file.wav", 0, ""},
        {"\\", 0, ""},
        {"/music/AC\\DC.mp3", 1, "/music/"},
    };
    RunSplitTable(ExtractDirectory, cases, std::size(cases));
}

TEST(PathHelpersTest, ResultsThatDoNotFitLeaveOutEmpty) {
    char small[8];
    std::memset(small, 'x', sizeof(small));
    SetLastError(0);
    EXPECT_EQ(ExtractFileName("/a/12345678", small), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_PATH_TOO_LONG);
    EXPECT_EQ(ExtractFileName("/a/1234567", small), 1) << "seven characters and the terminator fit";
    EXPECT_STREQ(small, "1234567");
    EXPECT_EQ(ExtractDirectory("/abcdefgh/x", small), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(RelativeToAbsolute("/music/list.m3u", "/song.mp3", small), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(AbsoluteToRelative("/a/b/c/list.m3u", "/a/song.mp3", small), 0)
        << "/../../song.mp3 is 15 characters";
    EXPECT_STREQ(small, "");
}

TEST(PathHelpersTest, RemoveExtensionFromFile) {
    const struct {
        const char* path;
        int result;
        const char* after;
    } cases[] = {
        {"/music/song.mp3", 1, "/music/song."},
        {"/music/my.dir/file", 1, "/music/my."},  // the last dot of the whole path
        {"/music/song", 0, "/music/song"},
        {".hidden", 0, ".hidden"},
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        char path[64];
        std::strcpy(path, c.path);
        EXPECT_EQ(RemoveExtensionFromFile(path), c.result) << c.path;
        EXPECT_STREQ(path, c.after) << c.path;
    }
}

TEST(PathHelpersTest, HasFileExtension) {
    const struct {
        const char* path;
        const char* ext;
        int result;
    } cases[] = {
        {"SONG.MP3", "mp3", 1}, {"/m/song.mp3", "MP3", 1}, {"song", "mp3", 0},
        {"song.mp3", "mp", 0},  {"song.mp3x", "mp3", 0},   {"song.", "", 1},
        {"a.b.wav", "wav", 1},  {"a.b.wav", "b.wav", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasFileExtension(c.path, c.ext), c.result) << c.path << " " << c.ext;
    }
}

TEST(PathHelpersTest, SamePathComparesEveryByte) {
    // Names that differ only in case, in a trailing separator or in the
    // separator kind are different files here.
    const struct {
        const char* a;
        const char* b;
        int result;
    } cases[] = {
        {"/m/Song.mp3", "/m/Song.mp3", 1}, {"/m/Song.mp3", "/m/song.mp3", 0}, {"/m/", "/m", 0},
        {"/m/a.mp3", "\\m\\a.mp3", 0},     {"", "", 1},                       {nullptr, "", 0},
        {"", nullptr, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SamePath(c.a, c.b), c.result) << (c.a ? c.a : "null") << " " << (c.b ? c.b : "null");
    }
}

TEST(PathHelpersTest, DriveHelpersInTheirPosixSense) {
    // Each call with its result and, for the helpers that write one, its out.
    const struct {
        const char* call;
        std::function<int(char*)> run;
        int result;
        const char* out;
    } cases[] = {
        {"IsRelativePath music/song.mp3", [](char*) { return IsRelativePath("music/song.mp3"); }, 1, nullptr},
        {"IsRelativePath /music/song.mp3", [](char*) { return IsRelativePath("/music/song.mp3"); }, 0, nullptr},
        {"HasSameDrive /a /b", [](char*) { return HasSameDrive("/a", "/b"); }, 1, nullptr},
        {"HasSameDrive /a b", [](char*) { return HasSameDrive("/a", "b"); }, 0, nullptr},
        {"HasSameDrive empty", [](char*) { return HasSameDrive("", ""); }, 0, nullptr},
        {"AddDriveLetter /x/y", [](char* out) { return AddDriveLetter("/x/y", "/a/b", out, 64); }, 1, "/a/b"},
        {"AddDriveLetter C:", [](char* out) { return AddDriveLetter("C:\\x\\y", "\\a\\b", out, 64); }, 1,
         "C:\\a\\b"},
        {"AddDriveLetter nothing", [](char* out) { return AddDriveLetter("nothing", "/a", out, 64); }, 0, ""},
        {"StripDriveLetter C:", [](char* out) { return StripDriveLetter("C:\\x\\y", out, 64); }, 1, "\\x\\y"},
        {"StripDriveLetter /x/y", [](char* out) { return StripDriveLetter("/x/y", out, 64); }, 1, "/x/y"},
        {"StripDriveLetter xy", [](char* out) { return StripDriveLetter("xy", out, 64); }, 0, ""},
    };
    for (const auto& c : cases) {
        char out[64] = "untouched";
        EXPECT_EQ(c.run(out), c.result) << c.call;
        EXPECT_STREQ(out, c.out != nullptr ? c.out : "untouched") << c.call;
    }
}

TEST(PathHelpersTest, AbsoluteToRelative) {
    const struct {
        const char* base;
        const char* path;
        int result;
        const char* out;
    } cases[] = {
        {"/a/b/list.m3u", "/a/c/song.mp3", 1, "/../c/song.mp3"},
        {"/a/list.m3u", "/a/song.mp3", 1, "/song.mp3"},
        {"/a/list.m3u", "/a/sub/song.mp3", 1, "/sub/song.mp3"},
        {"/a/b/c/list.m3u", "/x/song.mp3", 1, "/../../../x/song.mp3"},
        {"/list.m3u", "/x/song.mp3", 1, "/x/song.mp3"},
        // Folder names that share a beginning are different folders.
        {"/a/bc/list.m3u", "/a/b/x.mp3", 1, "/../b/x.mp3"},
        {"/a/b/list.m3u", "/a/bc/x.mp3", 1, "/../bc/x.mp3"},
        // Written with drives: another drive cannot be reached.
        {"C:\\a\\b\\list.m3u", "C:\\a\\c\\song.mp3", 1, "\\..\\c\\song.mp3"},
        {"C:\\a\\list.m3u", "D:\\a\\song.mp3", 0, ""},
        {"/a/list.m3u", "a/song.mp3", 0, ""},
        {"list.m3u", "/a/song.mp3", 0, ""},
        // Linux names that begin with dots are names, not climbs.
        {"/a/b/list.m3u", "/a/b/.hidden.mp3", 1, "/.hidden.mp3"},
        {"/a/b/list.m3u", "/a/b/.../x.mp3", 1, "/.../x.mp3"},
        {"/a/b/list.m3u", "/a/b/..x/y.mp3", 1, "/..x/y.mp3"},
        {"/a/b/list.m3u", "/a/.config/x.mp3", 1, "/../.config/x.mp3"},
        {"/home/u/.music/list.m3u", "/home/u/.music/.x/.y.mp3", 1, "/.x/.y.mp3"},
        {"/home/u/.music/list.m3u", "/home/u/song.mp3", 1, "/../song.mp3"},
    };
    for (const auto& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof(out));
        EXPECT_EQ(AbsoluteToRelative(c.base, c.path, out), c.result) << c.base << " " << c.path;
        EXPECT_STREQ(out, c.out) << c.base << " " << c.path;
        if (c.result == 1) {
            // The relative form leads back to the same file.
            char back[64];
            EXPECT_EQ(RelativeToAbsolute(c.base, out, back), 1) << out;
            EXPECT_STREQ(back, c.path) << out;
        }
    }
}

TEST(PathHelpersTest, RelativeToAbsolute) {
    const struct {
        const char* base;
        const char* relative;
        int result;
        const char* out;
    } cases[] = {
        {"/a/list.m3u", "/song.mp3", 1, "/a/song.mp3"},
        {"/a/b/list.m3u", "/../c/song.mp3", 1, "/a/c/song.mp3"},
        {"/a/b/list.m3u", "/../../x.mp3", 1, "/x.mp3"},
        // Climbing past the root stays at the root.
        {"/a/b/list.m3u", "/../../../../x.mp3", 1, "/x.mp3"},
        {"/list.m3u", "/../x.mp3", 1, "/x.mp3"},
        // Relative paths written elsewhere, with '\\'.
        {"/a/b/list.m3u", "\\..\\c\\song.mp3", 1, "/a/c/song.mp3"},
        {"/a/b/list.m3u", "\\sub\\song.mp3", 1, "/a/b/sub/song.mp3"},
        {"C:\\a\\b\\list.m3u", "\\..\\..\\x.mp3", 1, "C:\\x.mp3"},
        {"C:\\a\\b\\list.m3u", "\\..\\..\\..\\x.mp3", 1, "C:\\x.mp3"},
        // Written without the leading separator, and with "." names.
        {"/a/b/list.m3u", "song.mp3", 1, "/a/b/song.mp3"},
        {"/a/b/list.m3u", "../c/song.mp3", 1, "/a/c/song.mp3"},
        {"/a/b/list.m3u", "./.song.mp3", 1, "/a/b/.song.mp3"},
        {"/a/b/list.m3u", "/./../x.mp3", 1, "/a/x.mp3"},
        {"/a/b/list.m3u", "\\.hidden\\song.mp3", 1, "/a/b/.hidden/song.mp3"},
        // Nothing after the climbing, or no folder in the base.
        {"/a/b/list.m3u", "/../..", 0, ""},
        {"/a/b/list.m3u", "", 0, ""},
        {"list.m3u", "/song.mp3", 0, ""},
    };
    for (const auto& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof(out));
        EXPECT_EQ(RelativeToAbsolute(c.base, c.relative, out), c.result)
            << c.base << " " << c.relative;
        EXPECT_STREQ(out, c.out) << c.base << " " << c.relative;
    }
}
