// Rewriting a file through the shared replace helper: the new bytes arrive
// whole, the file keeps its permissions, and a symbolic link stays a link to
// the file it named.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/file_replace.h"
#include "testsupport/temp_dir.h"

using testsupport::ReadWholeFile;
using testsupport::TempDir;
using testsupport::WriteWholeFile;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Names in the folder other than the ones a case made.
std::size_t EntriesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

}  // namespace

TEST(FileReplace, AFileKeepsItsPermissions) {
    TempDir dir;
    for (const mode_t mode : {0644, 0640, 0600, 0664, 0444}) {
        SCOPED_TRACE(testing::Message() << std::oct << mode);
        const std::string path = dir.File("cdplayer.ini");
        std::filesystem::remove(path);
        WriteWholeFile(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(ReplaceFileContents(path, "new bytes"), 0);
        EXPECT_EQ(ReadWholeFile(path), "new bytes");
        EXPECT_EQ(ModeOf(path), mode);
    }
    // A new file is its owner's alone.
    const std::string fresh = dir.File("fresh.reg");
    EXPECT_EQ(ReplaceFileContents(fresh, "first"), 0);
    EXPECT_EQ(ModeOf(fresh), 0600u);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(FileReplace, ANewDocumentIsReadableAsTheUsersUmaskSays) {
    TempDir dir;
    const mode_t before = umask(022);
    for (const mode_t mask : {022, 077, 002, 027}) {
        SCOPED_TRACE(testing::Message() << std::oct << mask);
        umask(mask);
        const std::string path = dir.File("song list.tps");
        std::filesystem::remove(path);
        EXPECT_EQ(ReplaceFileContents(path, "first", nullptr, ENewFileAccess::kUserDocument), 0);
        EXPECT_EQ(ModeOf(path), 0666u & ~mask);
        // An existing document keeps what it has.
        ASSERT_EQ(chmod(path.c_str(), 0640), 0);
        EXPECT_EQ(ReplaceFileContents(path, "second", nullptr, ENewFileAccess::kUserDocument), 0);
        EXPECT_EQ(ModeOf(path), 0640u);
    }
    umask(before);
}

TEST(FileReplace, ALinkStaysALinkAndItsFileIsRewritten) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("store"));
    WriteWholeFile(dir.File("store/real.ini"), "old");
    ASSERT_EQ(chmod(dir.File("store/real.ini").c_str(), 0644), 0);
    struct Case {
        const char* what;
        std::string link;
        std::string target;  // as the link holds it
    };
    const Case cases[] = {
        {"a relative link", dir.File("relative.ini"), "store/real.ini"},
        {"an absolute link", dir.File("absolute.ini"), dir.File("store/real.ini")},
        {"a link to a link", dir.File("chain.ini"), "relative.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_symlink(c.target, c.link);
        const std::string text = std::string("through ") + c.what;
        EXPECT_EQ(ReplaceFileContents(c.link, text), 0);
        EXPECT_TRUE(IsLink(c.link));
        EXPECT_EQ(ReadWholeFile(dir.File("store/real.ini")), text);
        EXPECT_EQ(ModeOf(dir.File("store/real.ini")), 0644u);
    }
    // Nothing was left beside the file or the links.
    EXPECT_EQ(EntriesIn(dir.File("store")), 1u);

    // A link whose file is not there yet makes it; a loop of links is refused.
    std::filesystem::create_symlink("store/later.ini", dir.File("dangling.ini"));
    EXPECT_EQ(ReplaceFileContents(dir.File("dangling.ini"), "made"), 0);
    EXPECT_TRUE(IsLink(dir.File("dangling.ini")));
    EXPECT_EQ(ReadWholeFile(dir.File("store/later.ini")), "made");
    std::filesystem::create_symlink("loop-b", dir.File("loop-a"));
    std::filesystem::create_symlink("loop-a", dir.File("loop-b"));
    EXPECT_EQ(ReplaceFileContents(dir.File("loop-a"), "never"), ELOOP);
    EXPECT_TRUE(IsLink(dir.File("loop-a")));
}
