#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "songvault/errors.h"
#include "songvault/songvault.h"
#include "songvault/tests/record_fill.h"
#include "songvault/tests/store_fixture.h"

namespace {

class CatalogCalls : public svtest::StoreTest {};

TSVT_Artist NewArtist(const std::string& name) {
    TSVT_Artist artist;
    std::memset(&artist, 0, sizeof artist);
    artist.id = SVT_NEW_RECORD;
    artist.number = 5;
    svtest::FillText(artist.name, name);
    return artist;
}

TSVT_Album NewAlbum(const std::string& name, const std::string& artist) {
    TSVT_Album album;
    std::memset(&album, 0, sizeof album);
    album.id = SVT_NEW_RECORD;
    album.year = 1987;
    album.genre = SVT_GENRE_NONE;
    album.number = 9;
    svtest::FillText(album.name, name);
    svtest::FillText(album.artist, artist);
    return album;
}

TSVT_Genre NewGenre(const std::string& name, std::int16_t number) {
    TSVT_Genre genre;
    std::memset(&genre, 0, sizeof genre);
    genre.id = SVT_NEW_RECORD;
    genre.genre = number;
    svtest::FillText(genre.name, name);
    return genre;
}

TEST_F(CatalogCalls, AddingWritesTheNewIdBackAndNamesMayRepeat) {
    // The Library tab merges equal names itself, so the store keeps both.
    TSVT_Artist first = NewArtist("Same Name");
    TSVT_Artist second = NewArtist("Same Name");
    ASSERT_TRUE(vault.UpdateArtist(&first));
    ASSERT_TRUE(vault.UpdateArtist(&second));
    EXPECT_EQ(first.id, 1);
    EXPECT_EQ(second.id, 2);

    TSVT_Album album = NewAlbum("Album", "Same Name");
    ASSERT_TRUE(vault.UpdateAlbum(&album));
    TSVT_Genre genre = NewGenre("Rock", 17);
    ASSERT_TRUE(vault.UpdateGenre(&genre));

    TSVT_Album storedAlbum;
    ASSERT_TRUE(vault.GetAlbum(album.id, &storedAlbum, false));
    EXPECT_EQ(std::memcmp(&storedAlbum, &album, sizeof album), 0);
    TSVT_Genre storedGenre;
    ASSERT_TRUE(vault.GetGenre(genre.id, &storedGenre, false));
    EXPECT_EQ(std::memcmp(&storedGenre, &genre, sizeof genre), 0);
    EXPECT_EQ(vault.GetArtistCount(), 2);
    EXPECT_EQ(vault.GetAlbumCount(), 1);
    EXPECT_EQ(vault.GetGenreCount(), 1);
}

TEST_F(CatalogCalls, UpdatingChangesOnlyAnExistingRecord) {
    TSVT_Album album = NewAlbum("Old", "Artist");
    ASSERT_TRUE(vault.UpdateAlbum(&album));
    svtest::FillText(album.name, std::string(62, 'x') + "\xe2\x82\xac");  // a 3-byte character across byte 63
    album.year = 2004;
    ASSERT_TRUE(vault.UpdateAlbum(&album));
    EXPECT_EQ(std::string(album.name), std::string(62, 'x'));

    TSVT_Album stored;
    ASSERT_TRUE(vault.GetAlbum(album.id, &stored));
    EXPECT_EQ(std::string(stored.name), std::string(62, 'x'));
    EXPECT_EQ(stored.year, 2004);

    album.id = 42;
    EXPECT_FALSE(vault.UpdateAlbum(&album));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);
    EXPECT_EQ(vault.GetAlbumCount(), 1);
}

TEST_F(CatalogCalls, ListsHoldEveryRecordAndMatchTheCounts) {
    for (const char* name : {"C", "A", "B"}) {
        TSVT_Artist artist = NewArtist(name);
        ASSERT_TRUE(vault.UpdateArtist(&artist));
    }
    ASSERT_TRUE(vault.DeleteArtist(2));
    TSVT_Genre genre = NewGenre("Blues", 0);
    ASSERT_TRUE(vault.UpdateGenre(&genre));

    MvList<TSVT_Artist*> artists;
    ASSERT_TRUE(vault.FindArtists(artists));
    ASSERT_EQ(artists.count, vault.GetArtistCount());
    ASSERT_EQ(artists.count, 2);
    EXPECT_EQ(artists.items[0]->id, 1);
    EXPECT_STREQ(artists.items[0]->name, "C");
    EXPECT_EQ(artists.items[1]->id, 3);
    EXPECT_STREQ(artists.items[1]->name, "B");
    vault.DeallocArtistList(&artists, false);
    EXPECT_EQ(artists.count, 0);
    EXPECT_EQ(artists.items, nullptr);

    // A list the program made with new can be handed back whole.
    auto* genres = new MvList<TSVT_Genre*>;
    ASSERT_TRUE(vault.FindGenres(*genres));
    EXPECT_EQ(genres->count, 1);
    vault.DeallocGenreList(genres, true);

    MvList<TSVT_Album*> albums;
    ASSERT_TRUE(vault.FindAlbums(albums));
    EXPECT_EQ(albums.count, 0);
    vault.DeallocAlbumList(&albums);
}

TEST_F(CatalogCalls, DeletingTwiceIsHarmless) {
    TSVT_Artist artist = NewArtist("A");
    TSVT_Album album = NewAlbum("B", "A");
    TSVT_Genre genre = NewGenre("C", 3);
    ASSERT_TRUE(vault.UpdateArtist(&artist) && vault.UpdateAlbum(&album) && vault.UpdateGenre(&genre));
    TSVT_Artist keep = NewArtist("Kept");
    ASSERT_TRUE(vault.UpdateArtist(&keep));

    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(vault.DeleteArtist(artist.id));
        EXPECT_TRUE(vault.DeleteAlbum(album.id));
        EXPECT_TRUE(vault.DeleteGenre(genre.id));
    }
    EXPECT_FALSE(vault.GetArtist(artist.id, &artist));
    EXPECT_EQ(GetLastError(), SONGVAULT_ERR_NOT_FOUND);
    EXPECT_EQ(vault.GetArtistCount(), 1);
    EXPECT_EQ(vault.GetAlbumCount(), 0);
    EXPECT_EQ(vault.GetGenreCount(), 0);
    ASSERT_TRUE(vault.GetArtist(keep.id, &artist));
    EXPECT_STREQ(artist.name, "Kept");
}

}  // namespace
