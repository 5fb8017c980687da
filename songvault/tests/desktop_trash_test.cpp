// Deleting a song's file into the desktop trash.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/file_trash.h"
#include "songvault/tests/store_fixture.h"

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

class DesktopTrash : public svtest::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        setenv("XDG_DATA_HOME", dataHome.Path().c_str(), 1);
    }
    std::string Trash(const std::string& relative) const { return dataHome.Path() + "/Trash/" + relative; }
    // A song whose file exists, put in the library's trash.
    std::int32_t TrashedSong(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteWholeFile(path, "sound of " + path);
        const std::int32_t id = Add(path);
        EXPECT_TRUE(vault.DeleteSong(id, false));
        return id;
    }

    testsupport::TempDir dataHome;
    testsupport::TempDir music;
};

TEST_F(DesktopTrash, TheFileMovesWithAnInfoFileAndTheSongLeaves) {
    const std::string path = music.Path() + "/My Songs/50% off.mp3";
    const std::int32_t id = TrashedSong(path);

    ASSERT_TRUE(vault.DeleteSong(id, true));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadWholeFile(Trash("files/50% off.mp3")), "sound of " + path);
    const std::string info = ReadWholeFile(Trash("info/50% off.mp3.trashinfo"));
    const std::string escaped = music.Path() + "/My%20Songs/50%25%20off.mp3";
    const std::regex layout("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, layout)) << info;
    EXPECT_EQ(match[1], escaped);
    TSVT_Song song;
    EXPECT_FALSE(vault.GetSong(id, &song));
}

TEST_F(DesktopTrash, ASecondFileOfTheSameNameGetsANameOfItsOwn) {
    const std::int32_t first = TrashedSong(music.Path() + "/a/song.mp3");
    const std::int32_t second = TrashedSong(music.Path() + "/b/song.mp3");
    // A file left in the trash without its info file keeps its name too.
    std::filesystem::create_directories(Trash("files"));
    WriteWholeFile(Trash("files/song.mp3.2"), "orphan");

    ASSERT_TRUE(vault.DeleteSong(first, true));
    ASSERT_TRUE(vault.DeleteSong(second, true));
    EXPECT_EQ(ReadWholeFile(Trash("files/song.mp3")), "sound of " + music.Path() + "/a/song.mp3");
    EXPECT_EQ(ReadWholeFile(Trash("files/song.mp3.3")), "sound of " + music.Path() + "/b/song.mp3");
    EXPECT_EQ(ReadWholeFile(Trash("files/song.mp3.2")), "orphan");
    EXPECT_NE(ReadWholeFile(Trash("info/song.mp3.3.trashinfo")).find("/b/song.mp3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Trash("info/song.mp3.2.trashinfo")));
}

// A name near the file system's 255 bytes has no room for ".trashinfo":
// the trash name is shortened (on a character boundary), keeping the
// extension; the info file still names the whole original path.
TEST_F(DesktopTrash, LongNamesAreShortenedKeepingTheirExtension) {
    std::string accents;
    for (int i = 0; i < 124; ++i) accents += "\xc3\xa9";
    const std::string names[] = {std::string(247, 'x') + ".mp3", accents + ".mp3", std::string(250, 'y')};
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        const std::string path = music.Path() + "/" + name;
        WriteWholeFile(path, "sound of " + path);
        ASSERT_TRUE(songvault::MoveFileToTrash(path));
        EXPECT_FALSE(std::filesystem::exists(path));
        bool found = false;
        for (const auto& entry : std::filesystem::directory_iterator(Trash("files"))) {
            const std::string trashName = entry.path().filename();
            if (ReadWholeFile(entry.path()) != "sound of " + path) continue;
            found = true;
            EXPECT_LE(trashName.size() + std::string(".trashinfo").size(), 255u);
            EXPECT_EQ(trashName.substr(0, 2), name.substr(0, 2));
            if (name.find('.') != std::string::npos) {
                EXPECT_EQ(trashName.substr(trashName.size() - 4), ".mp3");
            }
            EXPECT_TRUE(std::filesystem::exists(Trash("info/" + trashName + ".trashinfo")));
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(DesktopTrash, AFailedMoveLeavesFileAndSongAndNoInfoFile) {
    const std::string path = music.Path() + "/keep.mp3";
    const std::int32_t id = TrashedSong(path);
    // "files" is no folder, so the rename into it fails after the info
    // file was made.
    std::filesystem::create_directories(Trash("info"));
    WriteWholeFile(Trash("files"), "in the way");

    EXPECT_FALSE(vault.DeleteSong(id, true));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_FILE_TRASH);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(Trash("info")));
    TSVT_Song song;
    ASSERT_TRUE(vault.GetSong(id, &song));
    EXPECT_EQ(song.trash, SVT_TRASHED);
}

}  // namespace
