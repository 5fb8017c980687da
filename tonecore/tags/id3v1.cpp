#include "tonecore/tags/id3v1.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "tonecore/tags/id3_genres.h"
#include "tonecore/tags/id3_text.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace {

// Block layout: "TAG", title 30, artist 30, album 30, year 4, comment 30
// (v1.1: 28, a zero byte, the track), genre 1.
constexpr int kTitleAt = 3;
constexpr int kArtistAt = 33;
constexpr int kAlbumAt = 63;
constexpr int kYearAt = 93;
constexpr int kCommentAt = 97;
constexpr int kTrackMarkAt = 125;
constexpr int kTrackAt = 126;
constexpr int kGenreAt = 127;

// A block field without its trailing spaces and zero bytes, as UTF-8.
std::string TrimmedField(const char* block, int at, int width) {
    std::string_view field(block + at, static_cast<std::size_t>(width));
    while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.remove_suffix(1);
    // A zero inside the field ends the text.
    field = field.substr(0, strnlen(field.data(), field.size()));
    return Latin1ToUtf8(field);
}

// The first maxChars characters of a UTF-8 text.
std::string_view FirstChars(std::string_view text, int maxChars) {
    std::size_t pos = 0;
    for (int n = 0; n < maxChars && pos < text.size(); ++n) DecodeUtf8(text, pos);
    return text.substr(0, pos);
}

void SetField(char* field, const char* text, int maxChars) {
    const std::string_view source = text == nullptr ? std::string_view() : std::string_view(text);
    textcopy::CopyTextCut(FirstChars(source, maxChars), field, CId3Tag::kFieldBytes);
}

void PutField(char* block, int at, int width, const char* text) {
    const std::string latin1 = Utf8ToLatin1(FirstChars(text, width));
    std::memcpy(block + at, latin1.data(), latin1.size());
}

void CopyOut(const char* field, char* out, std::size_t outSize) {
    textcopy::CopyTextCut(field, out, outSize);
}

}  // namespace

CId3Tag::CId3Tag() {
    std::memset(title_, 0, sizeof title_);
    std::memset(artist_, 0, sizeof artist_);
    std::memset(album_, 0, sizeof album_);
    std::memset(comment_, 0, sizeof comment_);
    year_ = 0;
    trackNumber_ = -1;
    version_ = 1.0f;
    genreIndex_ = 255;
}

int CId3Tag::loadTag(const char block[kId3v1Bytes]) {
    if (std::memcmp(block, "TAG", 3) != 0) return 0;
    SetField(title_, TrimmedField(block, kTitleAt, kFieldChars).c_str(), kFieldChars);
    SetField(artist_, TrimmedField(block, kArtistAt, kFieldChars).c_str(), kFieldChars);
    SetField(album_, TrimmedField(block, kAlbumAt, kFieldChars).c_str(), kFieldChars);
    // The year is exactly four bytes, with no terminator of its own.
    char year[5] = {};
    std::memcpy(year, block + kYearAt, 4);
    year_ = static_cast<std::int32_t>(std::strtol(year, nullptr, 10));
    if (block[kTrackMarkAt] == 0 && block[kTrackAt] != 0) {
        version_ = 1.1f;
        trackNumber_ = static_cast<unsigned char>(block[kTrackAt]);
        SetField(comment_, TrimmedField(block, kCommentAt, kTrackCommentChars).c_str(), kTrackCommentChars);
    } else {
        version_ = 1.0f;
        trackNumber_ = -1;
        SetField(comment_, TrimmedField(block, kCommentAt, kFieldChars).c_str(), kFieldChars);
    }
    genreIndex_ = static_cast<std::uint8_t>(block[kGenreAt]);
    return 1;
}

int CId3Tag::saveTag(char block[kId3v1Bytes]) const {
    std::memset(block, 0, kId3v1Bytes);
    std::memcpy(block, "TAG", 3);
    PutField(block, kTitleAt, kFieldChars, title_);
    PutField(block, kArtistAt, kFieldChars, artist_);
    PutField(block, kAlbumAt, kFieldChars, album_);
    if (year_ == 0) {
        std::memcpy(block + kYearAt, "    ", 4);
    } else {
        char year[16];
        std::snprintf(year, sizeof year, "%d", static_cast<int>(year_));
        std::memcpy(block + kYearAt, year, 4);  // setYear keeps it to four digits
    }
    const bool withTrack = trackNumber_ >= 0;
    PutField(block, kCommentAt, withTrack ? kTrackCommentChars : kFieldChars, comment_);
    if (withTrack) {
        block[kTrackMarkAt] = 0;
        block[kTrackAt] = static_cast<char>(trackNumber_);
    }
    block[kGenreAt] = static_cast<char>(genreIndex_);
    return 1;
}

void CId3Tag::getTitle(char* out, std::size_t outSize) const { CopyOut(title_, out, outSize); }
void CId3Tag::getArtist(char* out, std::size_t outSize) const { CopyOut(artist_, out, outSize); }
void CId3Tag::getAlbum(char* out, std::size_t outSize) const { CopyOut(album_, out, outSize); }
void CId3Tag::getComment(char* out, std::size_t outSize) const { CopyOut(comment_, out, outSize); }

void CId3Tag::setTitle(const char* text) { SetField(title_, text, kFieldChars); }
void CId3Tag::setArtist(const char* text) { SetField(artist_, text, kFieldChars); }
void CId3Tag::setAlbum(const char* text) { SetField(album_, text, kFieldChars); }

void CId3Tag::setComment(const char* text) {
    SetField(comment_, text, trackNumber_ >= 0 ? kTrackCommentChars : kFieldChars);
}

void CId3Tag::setTrackNumber(int track) {
    if (track >= 0 && track <= 99) {
        version_ = 1.1f;
        trackNumber_ = track;
        const std::string comment(comment_);  // the field is both source and target
        SetField(comment_, comment.c_str(), kTrackCommentChars);
    } else {
        version_ = 1.0f;
        trackNumber_ = -1;
    }
}

void CId3Tag::setYear(int year) {
    year_ = year >= 1000 && year <= 3000 ? year : 0;
}

void CId3Tag::setGenreIndex(int index) {
    genreIndex_ = static_cast<std::uint8_t>(index & 0xFF);
}

void CId3Tag::genreString(char* text, int direction) {
    if (text == nullptr) return;
    if (direction == 1) {
        textcopy::CopyTextCut(Id3GenreName(genreIndex_), text, 256);
    } else {
        genreIndex_ = static_cast<std::uint8_t>(Id3GenreIndexOf(text));
    }
}
