#pragma once
// The ID3 v1 tag: the 128-byte block at the end of an MP3 file, with the
// v1.1 track number kept in the comment's last two bytes. The block's texts
// are ISO 8859-1; in memory they are UTF-8 (a character that ISO 8859-1
// cannot hold is saved as '?').

#include <cstddef>
#include <cstdint>

inline constexpr int kId3v1Bytes = 128;

class CId3Tag {
public:
    // Characters a text field of the block holds.
    static constexpr int kFieldChars = 30;
    // The comment's characters when the block carries a track number.
    static constexpr int kTrackCommentChars = 28;
    // In memory: 30 characters of at most 2 UTF-8 bytes each (ISO 8859-1
    // needs no more), and the terminator.
    static constexpr int kFieldBytes = kFieldChars * 2 + 1;

    CId3Tag();

    // 1 when the block starts with "TAG" (the tag is then taken from it),
    // else 0 and the tag is unchanged.
    int loadTag(const char block[kId3v1Bytes]);
    // Fills the block; 1.
    int saveTag(char block[kId3v1Bytes]) const;

    // Copies a text out into out of outSize bytes, terminated.
    void getTitle(char* out, std::size_t outSize) const;
    void getArtist(char* out, std::size_t outSize) const;
    void getAlbum(char* out, std::size_t outSize) const;
    void getComment(char* out, std::size_t outSize) const;
    // Take at most 30 characters (28 for the comment of a v1.1 tag).
    void setTitle(const char* text);
    void setArtist(const char* text);
    void setAlbum(const char* text);
    void setComment(const char* text);
    const char* TitleString() const { return title_; }
    const char* ArtistString() const { return artist_; }
    const char* AlbumString() const { return album_; }
    const char* CommentString() const { return comment_; }

    std::int32_t getYear() const { return year_; }
    std::int32_t getTrackNumber() const { return trackNumber_; }
    // 1.0, or 1.1 while a track number is held.
    float getVersion() const { return version_; }
    int getGenreIndex() const { return genreIndex_; }

    // 0-99: version 1.1 with that track; anything else: 1.0 without one.
    void setTrackNumber(int track);
    // A year outside 1000-3000 is stored as 0 (none).
    void setYear(int year);
    // Keeps the low 8 bits.
    void setGenreIndex(int index);

    // direction 1: the text of the tag's genre into text (at most 255
    // characters, so text holds 256 bytes); direction 0: the genre whose
    // text equals text (ASCII case folded) becomes the genre index, 255 when
    // none does.
    void genreString(char* text, int direction);

private:
    char title_[kFieldBytes];
    char artist_[kFieldBytes];
    char album_[kFieldBytes];
    char comment_[kFieldBytes];
    std::int32_t year_;
    std::int32_t trackNumber_;
    float version_;
    std::uint8_t genreIndex_;
};
