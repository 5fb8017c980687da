#include "tonecore/tags/id3v2_frames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/ascii_case.h"
#include "tonecore/tags/id3_text.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/song_text_fields.h"
#include "utilities/text_copy.h"

namespace {

constexpr const char* kFrameIds[kId3UnderstoodFrames] = {"TPE1", "TALB", "TIT2", "COMM", "TENC",
                                                         "TCOP", "MCDI", "TYER", "TCON", "TRCK"};

// Characters kept of the track text.
constexpr std::size_t kTrackChars = 7;

std::mutex& LangLock() {
    static std::mutex lock;
    return lock;
}

char* LangCode() {
    static char code[4] = "eng";
    return code;
}

// The text of a text frame: the encoding byte, then the text up to its end.
std::string FrameText(std::span<const std::uint8_t> data) {
    if (data.empty()) return {};
    return DecodeId3Text(data[0], data.subspan(1)).text;
}

// The first n characters (bytes: these are digits) of a text.
std::string Head(const std::string& text, std::size_t n) {
    return text.substr(0, std::min(n, text.size()));
}

template <std::size_t N>
void SetField(char (&field)[N], const std::string& text) {
    textcopy::CopyTextCut(text, field, N);
}

// A whole number made only of digits, else -1.
int DigitsValue(std::string_view text) {
    if (text.empty() || text.size() > 4) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The genre numbers a tag may state bare: the ID3 v1 list and its Winamp
// extensions (ID3 v2.3, appendix A), and 255 for none.
constexpr int kLastBareGenre = 125;

// A TCON text in the form the engine reads it: later taggers state a genre
// as a bare number ("12", read as "(12)"), or put the number ahead of the
// name that refines it ("(28)Vocal"), of which the name is shown.
std::string GenreForm(std::string_view text) {
    const int number = DigitsValue(text);
    if ((number >= 0 && number <= kLastBareGenre) || number == kNoGenreIndex) {
        return "(" + std::to_string(number) + ")";
    }
    const std::size_t close = text.find(')');
    if (!text.empty() && text.front() == '(' && close != std::string_view::npos && close >= 2 && close <= 4 &&
        close + 1 < text.size() && DigitsValue(text.substr(1, close - 1)) >= 0) {
        return std::string(text.substr(close + 1));
    }
    return std::string(text);
}

void ReadGenre(const std::string& text, TMusicInfo& info) {
    SetGenreFromText(GenreForm(text), info);
}

void ReadTrack(const std::string& text, TMusicInfo& info) {
    const std::size_t slash = text.find('/');
    const int track = DigitsValue(text.substr(0, slash));
    info.trackNumber = track >= 1 && track <= 99 ? track : -1;
    info.trackCount = -1;
    if (slash != std::string::npos) {
        const int count = DigitsValue(text.substr(slash + 1));
        info.trackCount = count >= 1 && count <= 99 ? count : -1;
    }
}

// The description the engine's own comment frames carry.
constexpr std::string_view kCommentDescription = "Comments";

bool ReadComment(std::span<const std::uint8_t> data, TMusicInfo& info, TId3FrameWalk* walk) {
    if (data.size() < 4) return false;
    const std::uint8_t encoding = data[0];
    const std::string_view language(reinterpret_cast<const char*>(data.data() + 1), 3);
    const TId3Text description = DecodeId3Text(encoding, data.subspan(4));
    if (!description.terminated) return false;
    const bool ownLanguage = AsciiEqualNoCase(language, GetLangCode());
    const TId3Text text = DecodeId3Text(encoding, data.subspan(4 + description.consumed));
    const std::string& comment = text.text.empty() ? description.text : text.text;
    if (walk == nullptr) {
        // A frame on its own: the first comment is taken; one in the
        // engine's own language wins.
        if (info.comment[0] != '\0' && !ownLanguage) return true;
        SetField(info.comment, comment);
        return true;
    }
    if (comment.empty()) return true;
    const bool plain = description.text.empty() || AsciiEqualNoCase(description.text, kCommentDescription);
    const int rank = (plain ? 2 : 0) + (ownLanguage ? 1 : 0);
    if (rank < walk->commentRank || (rank == walk->commentRank && !ownLanguage)) return true;
    walk->commentRank = rank;
    SetField(info.comment, comment);
    return true;
}

std::vector<std::uint8_t> TextFrame(std::string_view text) {
    std::vector<std::uint8_t> data;
    if (text.empty()) return data;
    const std::uint8_t encoding = Id3EncodingFor({text});
    data.push_back(encoding);
    AppendId3Text(data, encoding, text, false);
    return data;
}

std::vector<std::uint8_t> CommentFrame(std::string_view comment) {
    std::vector<std::uint8_t> data;
    if (comment.empty()) return data;
    const std::uint8_t encoding = Id3EncodingFor({comment});
    data.push_back(encoding);
    const std::string language = GetLangCode();
    data.insert(data.end(), language.begin(), language.end());
    AppendId3Text(data, encoding, kCommentDescription, true);
    AppendId3Text(data, encoding, comment, false);
    return data;
}

std::string_view Text(const char* field, std::size_t size) {
    return {field, strnlen(field, size)};
}

}  // namespace

const char* Id3FrameId(int index) {
    return index >= 0 && index < kId3UnderstoodFrames ? kFrameIds[index] : nullptr;
}

int Id3FrameIndex(const char id[4]) {
    for (int i = 0; i < kId3UnderstoodFrames; ++i) {
        if (std::memcmp(id, kFrameIds[i], 4) == 0) return i;
    }
    return -1;
}

bool ReadId3Frame(int index, std::span<const std::uint8_t> data, TMusicInfo& info, TId3FrameWalk* walk) {
    switch (index) {
        case kId3Artist:
            SetField(info.artist, FrameText(data));
            return true;
        case kId3Album:
            SetField(info.album, FrameText(data));
            return true;
        case kId3Title:
            SetField(info.title, FrameText(data));
            return true;
        case kId3Comment:
            return ReadComment(data, info, walk);
        case kId3Encoder:
            SetField(info.encodedBy, FrameText(data));
            return true;
        case kId3Copyright:
            SetField(info.copyright, FrameText(data));
            return true;
        case kId3CdIdentifier: {
            const std::size_t n = std::min<std::size_t>(data.size(), kCdIdentifierBytes);
            std::memset(info.cdIdentifier, 0, sizeof info.cdIdentifier);
            if (n > 0) std::memcpy(info.cdIdentifier, data.data(), n);
            info.cdIdentifierLength = static_cast<std::uint32_t>(n);
            return true;
        }
        case kId3Year:
            info.year = YearFromText(FrameText(data));
            return true;
        case kId3Genre:
            ReadGenre(FrameText(data), info);
            return true;
        case kId3Track:
            ReadTrack(Head(FrameText(data), kTrackChars), info);
            return true;
        default:
            return true;
    }
}

std::vector<std::uint8_t> BuildId3Frame(int index, const TMusicInfo& info) {
    switch (index) {
        case kId3Artist:
            return TextFrame(Text(info.artist, sizeof info.artist));
        case kId3Album:
            return TextFrame(Text(info.album, sizeof info.album));
        case kId3Title:
            return TextFrame(Text(info.title, sizeof info.title));
        case kId3Comment:
            return CommentFrame(Text(info.comment, sizeof info.comment));
        case kId3Encoder:
            return TextFrame(Text(info.encodedBy, sizeof info.encodedBy));
        case kId3Copyright:
            return TextFrame(Text(info.copyright, sizeof info.copyright));
        case kId3CdIdentifier: {
            const std::size_t n = std::min<std::size_t>(info.cdIdentifierLength, kCdIdentifierBytes);
            if (n == 0 || info.trackCount < 1) return {};
            return {info.cdIdentifier, info.cdIdentifier + n};
        }
        case kId3Year:
            if (info.year < 1000 || info.year > 3000) return {};
            return TextFrame(std::to_string(info.year));
        case kId3Genre:
            if (info.genreIndex >= 0 && info.genreIndex <= 254) {
                return TextFrame("(" + std::to_string(info.genreIndex) + ")");
            }
            return TextFrame(Text(info.genre, sizeof info.genre));
        case kId3Track:
            if (info.trackNumber < 1 || info.trackNumber > 99) return {};
            if (info.trackCount >= 1 && info.trackCount <= 99) {
                return TextFrame(std::to_string(info.trackNumber) + "/" + std::to_string(info.trackCount));
            }
            return TextFrame(std::to_string(info.trackNumber));
        default:
            return {};
    }
}

std::string GetLangCode() {
    std::lock_guard<std::mutex> guard(LangLock());
    return LangCode();
}

void SetLangCode(const char* code) {
    if (code == nullptr) return;
    std::lock_guard<std::mutex> guard(LangLock());
    char* lang = LangCode();
    std::memset(lang, ' ', 3);
    for (int i = 0; i < 3 && code[i] != '\0'; ++i) lang[i] = code[i];
}
