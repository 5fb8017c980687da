// ID3 v2 tags: the frame area and its understood frames, tags of every
// version read from hand-built files, and rewrites that never touch the
// audio.
#include "tonecore/tags/id3_tag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/tag_errors.h"
#include "tonecore/tags/tests/id3_test_bytes.h"

namespace {

using namespace id3test;

// Bytes that stand for audio: recognisable, and never mistaken for a tag.
std::string Audio(std::size_t n) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 31 + 7) % 251);
    return out;
}

// A tag area holding the given frames.
CId3TagV2 AreaWith(const std::string& frames) {
    CId3TagV2 tag(static_cast<std::uint32_t>(frames.size()));
    std::memcpy(tag.Data(), frames.data(), frames.size());
    return tag;
}

TMusicInfo InfoOf(CId3TagV2& tag) {
    TMusicInfo info;
    EXPECT_TRUE(tag.GetMusicInfo(&info));
    return info;
}

class Id3File : public ::testing::Test {
protected:
    // Writes the bytes to a file and opens it.
    CFileObj* Open(const std::string& bytes) {
        path_ = dir_.File("song.mp3");
        testsupport::WriteWholeFile(path_, bytes);
        file_ = new CFileObj();
        EXPECT_TRUE(file_->Open(path_.c_str(), 0, 1));
        return file_;
    }
    std::string Contents() const { return testsupport::ReadWholeFile(path_); }
    void TearDown() override { DeleteRefObject(&file_); }

    testsupport::TempDir dir_;
    std::string path_;
    CFileObj* file_ = nullptr;
};

TEST(Id3TagArea, DataSizesAreWholeStepsOf2048) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {{0, 2048}, {100, 2048}, {2048, 2048}, {2049, 4096}, {3000, 4096}};
    for (const auto& [asked, size] : cases) {
        CId3TagV2 tag(asked);
        EXPECT_EQ(tag.DataSize(), size) << asked;
        EXPECT_EQ(tag.Size(), size + 10);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Header()), 10),
                  std::string("ID3\3\0\0", 6) + Synchsafe(size));
    }
}

TEST(Id3TagArea, EveryUnderstoodFrameRoundTrips) {
    TMusicInfo info;
    std::strcpy(info.artist, "Artist");
    std::strcpy(info.album, "\xE6\x97\xA5\xE6\x9C\xAC");  // two CJK characters: UTF-16 in the tag
    std::strcpy(info.title, "Caf\xC3\xA9");
    const std::string comment(200, 'c');
    std::strcpy(info.comment, comment.c_str());
    std::strcpy(info.encodedBy, "Encoder");
    std::strcpy(info.copyright, "(c) 2001");
    info.cdIdentifierLength = 4;
    std::memcpy(info.cdIdentifier, "\x01\x02\x03\x04", 4);
    info.year = 2001;
    info.genreIndex = 17;
    info.trackNumber = 3;
    info.trackCount = 12;

    CId3TagV2 tag;
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    const TMusicInfo back = InfoOf(tag);
    EXPECT_STREQ(back.artist, "Artist");
    EXPECT_STREQ(back.album, info.album);
    EXPECT_STREQ(back.title, "Caf\xC3\xA9");
    EXPECT_EQ(back.comment, comment);
    EXPECT_STREQ(back.encodedBy, "Encoder");
    EXPECT_STREQ(back.copyright, "(c) 2001");
    EXPECT_EQ(back.cdIdentifierLength, 4u);
    EXPECT_EQ(back.cdIdentifier[3], 4);
    EXPECT_EQ(back.year, 2001);
    EXPECT_EQ(back.genreIndex, 17);
    EXPECT_STREQ(back.genre, "(17)");
    EXPECT_EQ(back.trackNumber, 3);
    EXPECT_EQ(back.trackCount, 12);

    // Sizes are plain 32-bit numbers in v2.3, and Latin-1 text is written as
    // such: encoding 0, 'Caf', 0xE9.
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(tag.FindFrame("COMM", &offset, &size));
    EXPECT_EQ(size, 1u + 3 + 9 + 200);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + offset + 4, 4), Be32(213));
    ASSERT_TRUE(tag.FindFrame("TIT2", &offset, &size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + offset + 10, size), std::string("\0Caf\xE9", 5));
    // Values out of range write no frame.
    info.year = 999;
    info.trackNumber = 100;
    info.trackCount = 0;  // the CD identifier needs a count
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    EXPECT_FALSE(tag.FindFrame("TYER", nullptr, nullptr));
    EXPECT_FALSE(tag.FindFrame("TRCK", nullptr, nullptr));
    EXPECT_FALSE(tag.FindFrame("MCDI", nullptr, nullptr));
}

TEST(Id3TagArea, GenreTrackAndYearTexts) {
    struct TCase {
        const char* id;
        std::string text;
        int genreIndex;
        std::string genre;
        int track;
        int count;
        int year;
    };
    const TCase cases[] = {
        {"TCON", "Rock", 17, "(17)", -1, -1, 0},
        {"TCON", "(17)", 17, "(17)", -1, -1, 0},
        {"TCON", "(255)", 255, "(255)", -1, -1, 0},
        {"TCON", "Chiptune", 255, "Chiptune", -1, -1, 0},
        // Later taggers state a bare number, or the number ahead of a name.
        {"TCON", "12", 12, "(12)", -1, -1, 0},
        {"TCON", "0", 0, "(0)", -1, -1, 0},
        {"TCON", "125", 125, "(125)", -1, -1, 0},
        {"TCON", "255", 255, "(255)", -1, -1, 0},
        {"TCON", "126", 255, "126", -1, -1, 0},
        {"TCON", "1999", 255, "1999", -1, -1, 0},
        {"TCON", "(28)Vocal", 28, "(28)", -1, -1, 0},
        {"TCON", "(17)Garage Rock", 255, "Garage Rock", -1, -1, 0},
        {"TRCK", "7", 255, "", 7, -1, 0},
        {"TRCK", "3/12", 255, "", 3, 12, 0},
        {"TRCK", "100/5", 255, "", -1, 5, 0},
        {"TRCK", "0", 255, "", -1, -1, 0},
        {"TYER", "1999", 255, "", -1, -1, 1999},
        {"TYER", "999", 255, "", -1, -1, 0},
        {"TYER", "2004-05-06", 255, "", -1, -1, 2004},
        {"TYER", "20040506", 255, "", -1, -1, 2004},
        {"TYER", "19x9", 255, "", -1, -1, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        CId3TagV2 tag = AreaWith(Frame23(c.id, Latin1(c.text)));
        const TMusicInfo info = InfoOf(tag);
        EXPECT_EQ(info.genreIndex, c.genreIndex);
        EXPECT_EQ(info.genre, c.genre);
        EXPECT_EQ(info.trackNumber, c.track);
        EXPECT_EQ(info.trackCount, c.count);
        EXPECT_EQ(info.year, c.year);
    }
}

TEST(Id3TagArea, CommentsPreferTheEnginesLanguage) {
    auto comm = [](const char* lang, const std::string& description, const std::string& text) {
        return Frame23("COMM", std::string(1, '\0') + lang + description + '\0' + text);
    };
    struct TCase {
        std::string frames;
        std::string comment;
    };
    const TCase cases[] = {
        {comm("eng", "", "english") + comm("deu", "", "deutsch"), "english"},
        {comm("deu", "", "deutsch") + comm("ENG", "", "english"), "english"},
        {comm("fra", "", "premier") + comm("deu", "", "zweiter"), "premier"},
        {comm("eng", "Only a description", ""), "Only a description"},
    };
    for (const TCase& c : cases) {
        CId3TagV2 tag = AreaWith(c.frames);
        EXPECT_EQ(InfoOf(tag).comment, c.comment);
    }
    // A description without its end: the tag is corrupt.
    CId3TagV2 tag = AreaWith(Frame23("COMM", std::string("\0engno end", 10)));
    TMusicInfo info;
    SetLastError(0);
    EXPECT_FALSE(tag.GetMusicInfo(&info));
    EXPECT_EQ(GetLastError(), TONECORE_ERR_ID3_TAG);
}

TEST(Id3TagArea, Utf16TextsWithEitherByteOrder) {
    struct TCase {
        std::string data;
        std::string text;
    };
    const TCase cases[] = {
        {std::string("\1\xFF\xFE" "A\0", 5), "A"},
        {std::string("\1\xFE\xFF\0A", 5), "A"},
        {std::string("\1\xFF\xFE\xE5\x65\0\0B\0", 9), "\xE6\x97\xA5"},  // U+65E5, then the end
        {std::string("\0\xFF\xFE" "B\0", 5), "B"},  // marked as ISO 8859-1 by its writer
    };
    for (const TCase& c : cases) {
        CId3TagV2 tag = AreaWith(Frame23("TIT2", c.data));
        EXPECT_EQ(InfoOf(tag).title, c.text);
    }
}

TEST(Id3TagArea, CompressedFramesAreKeptButNotRead) {
    CId3TagV2 tag = AreaWith(Frame23("TIT2", Be32(100) + "x\x9c compressed", std::string("\0\x80", 2)) +
                             Frame23("TALB", Latin1("Album")));
    const TMusicInfo info = InfoOf(tag);
    EXPECT_STREQ(info.title, "");
    EXPECT_STREQ(info.album, "Album");
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    EXPECT_TRUE(tag.FindFrame("TALB", nullptr, nullptr));
}

TEST(Id3TagArea, FramesRunningPastTheAreaAreRefused) {
    for (const std::uint32_t over : {1u, 10u, 0xFFFFFFF8u}) {
        SCOPED_TRACE(over);
        std::string frames = Frame23("TIT2", Latin1("x"));
        CId3TagV2 tag(2048);
        // A second frame whose size reaches `over` bytes past the area.
        frames += "TALB" + Be32(over > 0xFFFF ? over : static_cast<std::uint32_t>(2048 - frames.size() - 10 + over)) +
                  std::string(2, '\0');
        std::memcpy(tag.Data(), frames.data(), frames.size());
        TMusicInfo info;
        SetLastError(0);
        EXPECT_FALSE(tag.GetMusicInfo(&info));
        EXPECT_EQ(GetLastError(), TONECORE_ERR_ID3_TAG);
        EXPECT_EQ(tag.GetBytesUsed(), 0u);
    }
}

TEST(Id3TagArea, UpdateFrameEditsInPlaceAndMovesTheFramesBehind) {
    const std::string apic = Frame23("APIC", std::string("\0image/png\0\3\0PNGDATA", 21));
    CId3TagV2 tag = AreaWith(Frame23("TIT2", Latin1("A long title")) + apic + Frame23("TALB", Latin1("Album")));
    const std::uint32_t used = tag.GetBytesUsed();

    EXPECT_TRUE(tag.UpdateTitle("New", false));  // an existing frame is kept
    EXPECT_STREQ(InfoOf(tag).title, "A long title");

    ASSERT_TRUE(tag.UpdateTitle("T", true));
    EXPECT_EQ(tag.GetBytesUsed(), used - 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + 12, apic.size()), apic);
    // The bytes freed at the end are zero.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + used - 11, 11), std::string(11, '\0'));
    TMusicInfo info = InfoOf(tag);
    EXPECT_STREQ(info.title, "T");
    EXPECT_STREQ(info.album, "Album");

    ASSERT_TRUE(tag.UpdateAlbum("", true));  // an empty value removes the frame
    EXPECT_FALSE(tag.FindFrame("TALB", nullptr, nullptr));
    ASSERT_TRUE(tag.UpdateArtist("Artist", false));  // a missing frame goes behind the others
    std::uint32_t offset = 0;
    ASSERT_TRUE(tag.FindFrame("TPE1", &offset, nullptr));
    EXPECT_EQ(offset, 12u + apic.size());

    // Frames beyond the area grow it.
    const std::string text(1000, 'c');
    ASSERT_TRUE(tag.UpdateComments(text.c_str(), true));
    ASSERT_TRUE(tag.UpdateAlbum(text.c_str(), true));
    EXPECT_EQ(tag.DataSize(), 4096u);
    info = InfoOf(tag);
    EXPECT_EQ(info.comment, text);
    EXPECT_EQ(info.album, text);
    EXPECT_STREQ(info.artist, "Artist");
    EXPECT_TRUE(tag.FindFrame("APIC", nullptr, nullptr));
}

TEST(Id3TagArea, FieldGettersGiveEmptyValuesForMissingFrames) {
    CId3TagV2 tag = AreaWith(Frame23("TRCK", Latin1("4/9")));
    char text[1024] = "x";
    int track = 0;
    int count = 0;
    int genre = 0;
    std::int32_t year = 5;
    unsigned int length = 9;
    tag.GetTitle(text);
    tag.GetTrack(&track, &count);
    tag.GetGenreIndex(&genre);
    tag.GetYear(&year);
    tag.GetMCDI(nullptr, &length);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(track, 4);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(genre, 255);
    EXPECT_EQ(year, 0);
    EXPECT_EQ(length, 0u);
    // The CD identifier alone has no track count: no frame is written.
    EXPECT_TRUE(tag.UpdateMCDI(reinterpret_cast<const unsigned char*>("abc"), 3, true));
    EXPECT_FALSE(tag.FindFrame("MCDI", nullptr, nullptr));
}

TEST_F(Id3File, ReadsVersion24Tags) {
    const std::string longTitle(200, 't');  // a frame of 128 bytes or more: its size is synchsafe
    const std::string extended = Synchsafe(6) + std::string("\1\0", 2);
    const std::string unsynced = Unsynchronise(std::string("\3\xC3\xBF\xC3\xBF", 5));  // "ÿÿ" in UTF-8: FF bytes
    const std::string body = extended + Frame24("TIT2", std::string(1, '\3') + longTitle) +
                             Frame24("TPE1", std::string("\3K\xC3\xBCnstler", 10)) +
                             Frame24("TALB", unsynced, 0x02) +
                             Frame24("TCON", std::string(1, '\3') + "Jazz") +
                             Frame24("TDRC", std::string(1, '\3') + "1998-02-03") +
                             Frame24("TRCK", Synchsafe(3) + std::string("\0" "5/8", 4), 0x01) +
                             Frame24("COMM", std::string("\2eng\0\0\0H\0i", 10));
    CFileObj* file = Open(Tag(4, body, body.size() + 100, 0x40) + Audio(500));
    CId3TagV2 tag;
    ASSERT_TRUE(tag.Read(file, 0));
    const TMusicInfo info = InfoOf(tag);
    EXPECT_EQ(info.title, longTitle);
    EXPECT_STREQ(info.artist, "K\xC3\xBCnstler");
    EXPECT_STREQ(info.album, "\xC3\xBF\xC3\xBF");
    EXPECT_EQ(info.genreIndex, 8);
    EXPECT_EQ(info.year, 1998);
    EXPECT_EQ(info.trackNumber, 5);
    EXPECT_EQ(info.trackCount, 8);
    EXPECT_STREQ(info.comment, "Hi");
}

TEST_F(Id3File, ReadsVersion22AndUnsynchronisedVersion23Tags) {
    const std::string v22 = Frame22("TT2", Latin1("Title")) + Frame22("TP1", Latin1("Artist")) +
                            Frame22("COM", std::string("\0eng\0Comment", 12)) + Frame22("TYE", Latin1("1977")) +
                            Frame22("TCO", Latin1("(2)")) + Frame22("TRK", Latin1("2/10")) +
                            Frame22("PIC", std::string("\0PNG\3\0data", 10));
    CFileObj* file = Open(Tag(2, v22, 300) + Audio(100));
    CId3TagV2 tag;
    ASSERT_TRUE(tag.Read(file, 0));
    TMusicInfo info = InfoOf(tag);
    EXPECT_STREQ(info.title, "Title");
    EXPECT_STREQ(info.artist, "Artist");
    EXPECT_STREQ(info.comment, "Comment");
    EXPECT_EQ(info.year, 1977);
    EXPECT_EQ(info.genreIndex, 2);
    EXPECT_EQ(info.trackNumber, 2);
    EXPECT_EQ(info.trackCount, 10);
    // The picture carries over with a MIME type in place of its format.
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(tag.FindFrame("APIC", &offset, &size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.Data()) + offset + 10, size),
              std::string("\0image/png\0\3\0data", 17));
    DeleteRefObject(&file_);

    // v2.3 with an extended header, the whole tag unsynchronised.
    const std::string body = Be32(6) + std::string(6, '\0') + Frame23("TIT2", Latin1("x\xFF\xE0y\xFF"));
    file = Open(Tag(3, Unsynchronise(body), 0, static_cast<char>(0xC0)) + Audio(100));
    CId3TagV2 again;
    ASSERT_TRUE(again.Read(file, 0));
    EXPECT_STREQ(InfoOf(again).title, "x\xC3\xBF\xC3\xA0y\xC3\xBF");
}

// Tags as other programs write them, off the standard's path: a frame whose
// size runs past the tag, the extended-header flag set without an extended
// header, and v2.4 frame sizes written as plain numbers.
TEST_F(Id3File, TagsOtherProgramsWriteKeepTheirFields) {
    const std::string fields = Frame23("TIT2", Latin1("Hello")) + Frame23("TPE1", Latin1("World"));
    const std::string fields24 = Frame24("TIT2", Latin1("Hello")) + Frame24("TPE1", Latin1("World"));
    // A frame that claims 5000 bytes where the tag holds a few.
    const std::string runaway = FrameClaiming("TXXX", 5000, Latin1("mood"));
    // A 36,074-byte picture and a 300-byte album: frame sizes whose plain
    // and synchsafe readings differ.
    std::string picture = std::string("\0image/jpeg\0\3\0", 14);
    for (std::size_t i = 0; picture.size() < 36074; ++i) picture += static_cast<char>(1 + i % 0x2F);
    const std::string album(299, 'b');
    const std::string plain24 = Frame23("TIT2", Latin1("Hello")) + Frame23("APIC", picture) +
                                Frame23("TPE1", Latin1("World")) + Frame23("TALB", Latin1(album));
    struct TCase {
        const char* what;
        std::string tag;
        bool whole;  // read whole; otherwise in front of the break
        const char* title;
        const char* artist;
    };
    const TCase cases[] = {
        {"a v2.3 frame running past the tag", Tag(3, fields + runaway, 200), false, "Hello", "World"},
        {"a v2.4 frame running past the tag", Tag(4, fields24 + runaway, 200), false, "Hello", "World"},
        {"v2.4 flagged with no extended header", Tag(4, fields24, 100, 0x40), true, "Hello", "World"},
        {"v2.3 flagged with no extended header", Tag(3, fields, 100, 0x40), true, "Hello", "World"},
        {"v2.4 with plain frame sizes", Tag(4, plain24, plain24.size() + 100), true, "Hello", "World"},
        {"v2.4 with plain frame sizes and no padding", Tag(4, plain24), true, "Hello", "World"},
        // Neither an extended header the body can hold nor a frame: nothing
        // to go on.
        {"an extended header larger than the tag", Tag(4, Synchsafe(5000) + "\1\0" + fields24, 0, 0x40), false, "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        CFileObj* file = Open(c.tag + Audio(300));
        CId3TagV2 tag;
        EXPECT_EQ(tag.Read(file, 0), c.whole);
        TMusicInfo info;
        tag.GetMusicInfo(&info);
        EXPECT_STREQ(info.title, c.title);
        EXPECT_STREQ(info.artist, c.artist);
        DeleteRefObject(&file_);
    }

    CFileObj* file = Open(Tag(4, plain24) + Audio(300));
    CId3TagV2 tag;
    ASSERT_TRUE(tag.Read(file, 0));
    EXPECT_EQ(InfoOf(tag).album, album);
    std::uint32_t size = 0;
    ASSERT_TRUE(tag.FindFrame("APIC", nullptr, &size));
    EXPECT_EQ(size, picture.size());
}

TEST_F(Id3File, ATagReadInPartIsReplacedWholeNeverEditedFrameByFrame) {
    const std::string picture = Frame23("APIC", std::string("\0image/png\0\3\0PNG", 17));
    const std::string body = Frame23("TIT2", Latin1("Hello")) + FrameClaiming("TXXX", 5000, "xxxxxx") + picture;
    CFileObj* file = Open(Tag(3, body, 300) + Audio(400));
    CId3TagV2 tag;
    ASSERT_FALSE(tag.Read(file, 0));
    // Written back, the tag would lose everything behind the broken frame.
    SetLastError(0);
    EXPECT_FALSE(tag.UpdateTitle("Edited", true));
    EXPECT_EQ(GetLastError(), TONECORE_ERR_ID3_TAG);

    TMusicInfo info = InfoOf(tag);
    std::strcpy(info.artist, "Artist");
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    EXPECT_TRUE(tag.UpdateTitle("Edited", true));
    ASSERT_TRUE(tag.Write(file));
    CId3TagV2 back;
    ASSERT_TRUE(back.Read(file, 0));
    info = InfoOf(back);
    EXPECT_STREQ(info.title, "Edited");
    EXPECT_STREQ(info.artist, "Artist");
}

TEST_F(Id3File, ARewriteOverAForeignTagLeavesTheAudioIdentical) {
    // A 1000-byte tag (990 bytes of body) as another tagger left it.
    const std::string audio = Audio(50000) + "TAG" + std::string(125, 'v');  // with an ID3 v1 tag behind
    const std::string apic = Frame23("APIC", std::string("\0image/png\0\3\0", 13) + std::string(300, '\x89'));
    const std::string uslt = Frame23("USLT", std::string("\0engLyrics\0La la la", 20));
    const std::string body = Frame23("TIT2", Latin1("Old title")) + apic + uslt;
    CFileObj* file = Open(Tag(3, body, 990) + audio);
    ASSERT_EQ(Contents().size(), 1000 + audio.size());

    CId3TagV2 tag(file->Size() > 0 ? tag.ReadSize(file) : 0);
    ASSERT_TRUE(tag.Read(file, 0));
    ASSERT_TRUE(tag.UpdateTitle("New title", true));
    ASSERT_TRUE(tag.UpdateArtist("New artist", true));
    ASSERT_TRUE(tag.Write(file));
    std::string contents = Contents();
    ASSERT_EQ(contents.size(), 2058 + audio.size());
    EXPECT_EQ(contents.substr(2058), audio);
    EXPECT_EQ(file->Tell(), 2058);
    EXPECT_NE(contents.find(apic), std::string::npos);
    EXPECT_NE(contents.find(uslt), std::string::npos);

    // Grown past its step: the audio moves again and stays whole.
    const std::string comment(1000, 'c');
    ASSERT_TRUE(tag.UpdateComments(comment.c_str(), true));
    ASSERT_TRUE(tag.UpdateCopyright(comment.c_str(), true));
    ASSERT_TRUE(tag.Write(file));
    contents = Contents();
    ASSERT_EQ(contents.size(), 4106 + audio.size());
    EXPECT_EQ(contents.substr(4106), audio);

    CId3TagV2 back;
    ASSERT_TRUE(back.Read(file, 0));
    const TMusicInfo info = InfoOf(back);
    EXPECT_STREQ(info.title, "New title");
    EXPECT_STREQ(info.artist, "New artist");
    EXPECT_EQ(info.comment, comment);
}

TEST_F(Id3File, ATagThatCannotBeReadIsReplacedWhole) {
    const std::string audio = Audio(3000);
    struct TCase {
        const char* what;
        std::string file;
    };
    const TCase cases[] = {
        {"unknown version", Tag(5, Frame23("TIT2", Latin1("x")), 700) + audio},
        {"compressed v2.2", Tag(2, Frame22("TT2", Latin1("x")), 700, 0x40) + audio},
        {"v2.4 with a footer", Tag(4, Frame24("TIT2", Latin1("x")), 700, 0x10) + "3DI" + std::string(7, '\0') + audio},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        CFileObj* file = Open(c.file);
        CId3TagV2 tag;
        const bool read = tag.Read(file, 0);
        TMusicInfo info;
        std::strcpy(info.title, "Mine");
        ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
        ASSERT_TRUE(tag.Write(file));
        const std::string contents = Contents();
        ASSERT_EQ(contents.size(), 2058 + audio.size()) << read;
        EXPECT_EQ(contents.substr(2058), audio);
        DeleteRefObject(&file_);
    }
}

TEST_F(Id3File, CutAndMissingTagsFailCleanly) {
    CFileObj* file = Open(Tag(3, Frame23("TIT2", Latin1("Cut")), 5000).substr(0, 300));
    CId3TagV2 tag;
    SetLastError(0);
    EXPECT_FALSE(tag.Read(file, 0));
    EXPECT_EQ(GetLastError(), TONECORE_ERR_ID3_TAG);
    EXPECT_FALSE(tag.ReadValid());
    DeleteRefObject(&file_);

    file = Open(Audio(100));
    CId3TagV2 none;
    EXPECT_FALSE(none.Read(file, 0));
    EXPECT_EQ(none.ReadSize(file), 0u);
    EXPECT_EQ(none.GetBytesUsed(), 0u);
}

TEST_F(Id3File, InitialTagOnANewFileAndATagInFrontOfExistingAudio) {
    CFileObj* file = Open("");
    CId3TagV2 tag;
    ASSERT_TRUE(tag.CreateInitialTagV2(file));
    ASSERT_EQ(file->Write("AUDIO", 5), 5);  // the encoder goes on behind it
    EXPECT_EQ(Contents().size(), 2058u + 5);
    EXPECT_EQ(Contents().substr(2058), "AUDIO");
    DeleteRefObject(&file_);

    const std::string audio = Audio(777);
    file = Open(audio);
    TMusicInfo info;
    std::strcpy(info.title, "Fresh");
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    ASSERT_TRUE(tag.Write(file));
    EXPECT_EQ(Contents().substr(2058), audio);
}

}  // namespace
