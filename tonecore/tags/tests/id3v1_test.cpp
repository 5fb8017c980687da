// ID3 v1 and v1.1 blocks, and the genre list behind them.
#include "tonecore/tags/id3v1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testsupport/temp_dir.h"
#include "tonecore/tags/id3_genres.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

// A v1 block from its fields, as another tagger writes it (space padding).
std::string Block(const std::string& title, const std::string& year, const std::string& comment, char genre) {
    auto field = [](std::string text, std::size_t width, char pad) {
        text.resize(width, pad);
        return text;
    };
    return "TAG" + field(title, 30, ' ') + field("Artist", 30, '\0') + field("Album", 30, ' ') + field(year, 4, ' ') +
           field(comment, 30, '\0') + std::string(1, genre);
}

TEST(Id3v1, ReadsVersion1And11Blocks) {
    CId3Tag tag;
    std::string block = Block("Title  ", "2004", "A comment that fills it all up", 17);
    ASSERT_EQ(block.size(), 128u);
    ASSERT_EQ(tag.loadTag(block.data()), 1);
    EXPECT_STREQ(tag.TitleString(), "Title");
    EXPECT_STREQ(tag.ArtistString(), "Artist");
    EXPECT_STREQ(tag.AlbumString(), "Album");
    EXPECT_EQ(tag.getYear(), 2004);
    EXPECT_STREQ(tag.CommentString(), "A comment that fills it all up");
    EXPECT_EQ(tag.getVersion(), 1.0f);
    EXPECT_EQ(tag.getTrackNumber(), -1);
    EXPECT_EQ(tag.getGenreIndex(), 17);

    // v1.1: byte 125 zero and byte 126 the track.
    block = Block("T", "1999", "Twenty-eight characters ....", 0);
    block[125] = 0;
    block[126] = 7;
    ASSERT_EQ(tag.loadTag(block.data()), 1);
    EXPECT_EQ(tag.getVersion(), 1.1f);
    EXPECT_EQ(tag.getTrackNumber(), 7);
    EXPECT_STREQ(tag.CommentString(), "Twenty-eight characters ....");

    // Not a tag: nothing changes.
    block[0] = 'X';
    EXPECT_EQ(tag.loadTag(block.data()), 0);
    EXPECT_EQ(tag.getTrackNumber(), 7);
}

TEST(Id3v1, TheYearIsExactlyFourBytesAndTextsAreIso88591) {
    CId3Tag tag;
    // The comment runs straight on from the year: no terminator between.
    std::string block = Block("Caf\xE9", "1987", "123", 12);
    ASSERT_EQ(tag.loadTag(block.data()), 1);
    EXPECT_EQ(tag.getYear(), 1987);
    EXPECT_STREQ(tag.TitleString(), "Caf\xC3\xA9");

    tag.setTitle("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5");  // e acute, t, e acute, space, a CJK character
    char saved[128];
    ASSERT_EQ(tag.saveTag(saved), 1);
    EXPECT_EQ(std::string(saved + 3, 6), std::string("\xE9t\xE9 ?\0", 6));
}

TEST(Id3v1, SettersKeepTheirRanges) {
    CId3Tag tag;
    tag.setYear(999);
    EXPECT_EQ(tag.getYear(), 0);
    tag.setYear(3000);
    EXPECT_EQ(tag.getYear(), 3000);
    tag.setTrackNumber(100);
    EXPECT_EQ(tag.getVersion(), 1.0f);
    EXPECT_EQ(tag.getTrackNumber(), -1);
    tag.setComment("0123456789012345678901234567890123");
    EXPECT_EQ(std::strlen(tag.CommentString()), 30u);
    tag.setTrackNumber(5);
    EXPECT_EQ(tag.getVersion(), 1.1f);
    EXPECT_EQ(std::strlen(tag.CommentString()), 28u);
    tag.setGenreIndex(0x1FF);
    EXPECT_EQ(tag.getGenreIndex(), 255);
}

TEST(Id3v1, SavedBlocksReadBack) {
    CId3Tag tag;
    tag.setTitle("A title that is longer than thirty characters");
    tag.setArtist("Artist");
    tag.setTrackNumber(9);
    tag.setComment("Comment");
    tag.setGenreIndex(80);
    char block[128];
    tag.saveTag(block);
    EXPECT_EQ(std::string(block + 93, 4), "    ");  // year 0: four spaces
    EXPECT_EQ(block[125], 0);
    EXPECT_EQ(block[126], 9);
    CId3Tag back;
    ASSERT_EQ(back.loadTag(block), 1);
    EXPECT_STREQ(back.TitleString(), "A title that is longer than th");
    EXPECT_EQ(back.getTrackNumber(), 9);
    EXPECT_STREQ(back.CommentString(), "Comment");
    EXPECT_EQ(back.getGenreIndex(), 80);
    EXPECT_EQ(back.getYear(), 0);
}

TEST(Id3Genres, KeysTextsAndLookUp) {
    EXPECT_STREQ(Id3GenreKey(0), "ID3_Blues");
    EXPECT_STREQ(Id3GenreKey(67), "ID3_Psychadelic");
    EXPECT_STREQ(Id3GenreKey(147), "ID3_Synthpop");
    EXPECT_STREQ(Id3GenreKey(148), "ID3_not_supported");
    EXPECT_STREQ(Id3GenreKey(255), "ID3_not_supported");
    EXPECT_EQ(Id3GenreName(1), "Classic Rock");
    EXPECT_EQ(Id3GenreName(78), "Rock & Roll");

    CId3Tag tag;
    char text[256] = "classic rock";
    tag.genreString(text, 0);
    EXPECT_EQ(tag.getGenreIndex(), 1);
    std::strcpy(text, "Not a genre");
    tag.genreString(text, 0);
    EXPECT_EQ(tag.getGenreIndex(), 255);
    tag.setGenreIndex(17);
    tag.genreString(text, 1);
    EXPECT_STREQ(text, "Rock");
}

TEST(Id3Genres, TextsComeFromTheEnginesKeyedTextFile) {
    testsupport::TempDir dir;
    const std::string file = dir.File("tonecore-strings.ini");
    testsupport::WriteWholeFile(file, "[Strings]\nID3_Rock=Felsen\nID3_not_supported=Unbekannt\n");
    SetToneCoreStringFile(file.c_str());
    EXPECT_EQ(Id3GenreName(17), "Felsen");
    EXPECT_EQ(Id3GenreName(200), "Unbekannt");
    EXPECT_EQ(Id3GenreName(0), "Blues");  // a text the file lacks
    EXPECT_EQ(Id3GenreIndexOf("FELSEN"), 17);
    EXPECT_EQ(Id3GenreIndexOf("Rock"), 255);
    SetToneCoreStringFile("");
    EXPECT_EQ(Id3GenreName(17), "Rock");
}

}  // namespace
