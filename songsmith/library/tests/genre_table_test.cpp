#include "songsmith/library/genre_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tonecore/tags/id3_genres.h"

// The table agrees with the sound engine's ID3 list for every number it
// holds, so a genre number read from a tag shows the same name everywhere.
TEST(GenreTable, NamesAreTheEngineId3Names) {
    for (int i = 0; i < kGenreTableCount; ++i) {
        ASSERT_NE(GenreTableName(i), nullptr) << i;
        EXPECT_EQ(GenreTableName(i), Id3GenreName(i)) << i;
        EXPECT_LT(std::strlen(GenreTableName(i)), kGenreNameBytes) << i;
    }
    EXPECT_STREQ(GenreTableName(95), "Slow Rock");
    EXPECT_STREQ(GenreTableName(125), "Dance Hall");
}

TEST(GenreTable, NoNameOutsideTheTable) {
    for (int index : {-1, 126, 147, 254, 255}) EXPECT_EQ(GenreTableName(index), nullptr) << index;
}

TEST(GenreTable, LookUps) {
    struct Case {
        const char* text;
        std::int32_t exact;
        std::int32_t noCase;
        const char* spelled;
    };
    const Case cases[] = {
        {"Rock", 17, 17, "Rock"},
        {"rock", kNoGenre, 17, "Rock"},
        {"ROCK & ROLL", kNoGenre, 78, "Rock & Roll"},
        {"Slow Rock", 95, 95, "Slow Rock"},
        {"Slow Rocko", kNoGenre, kNoGenre, "Slow Rocko"},
        {"Blues", 0, 0, "Blues"},
        {"Dance Hall", 125, 125, "Dance Hall"},
        {"Rock ", kNoGenre, kNoGenre, "Rock "},
        {"", kNoGenre, kNoGenre, ""},
        {"<Unknown>", kNoGenre, kNoGenre, "<Unknown>"},
        {"Goa", kNoGenre, kNoGenre, "Goa"},  // an engine genre past the table
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GenreTableIndex(c.text), c.exact) << c.text;
        EXPECT_EQ(GenreTableIndexNoCase(c.text), c.noCase) << c.text;
        const TGenreMatch match = MatchGenreNoCase(c.text);
        EXPECT_EQ(match.index, c.noCase) << c.text;
        EXPECT_EQ(match.name, c.spelled) << c.text;
    }
}
