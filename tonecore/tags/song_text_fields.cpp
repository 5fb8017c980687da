#include "tonecore/tags/song_text_fields.h"

#include <cstdio>
#include <cstring>

#include "tonecore/tags/id3_genres.h"
#include "tonecore/tags/id3v1.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/text_copy.h"

void PutGenreText(TMusicInfo& info) {
    if (info.genreIndex < 0 || info.genreIndex >= kNoGenreIndex) return;
    CId3Tag tag;
    tag.setGenreIndex(info.genreIndex);
    char name[256];
    tag.genreString(name, 1);
    char unsupported[256];
    ToneCoreLoadString("ID3_not_supported", unsupported, sizeof unsupported);
    if (std::strcmp(name, unsupported) != 0) {
        std::snprintf(info.genre, sizeof info.genre, "(%d)", static_cast<int>(info.genreIndex));
    } else {
        std::snprintf(info.genre, sizeof info.genre, "%s", name);
    }
}

void SetGenreFromText(std::string_view text, TMusicInfo& info) {
    const std::size_t close = text.find(')');
    if (text.size() >= 3 && text.front() == '(' && close == text.size() - 1 && close >= 2 && close <= 4) {
        const std::string_view digits = text.substr(1, close - 1);
        bool allDigits = true;
        for (char c : digits) allDigits = allDigits && c >= '0' && c <= '9';
        const long number = allDigits ? std::stoi(std::string(digits)) : kNoGenreIndex;
        if (allDigits && number < kNoGenreIndex) {
            // The text stays "(n)" whatever the keyed text file calls the
            // genre: the record's genre text is what tags are written from.
            info.genreIndex = static_cast<std::int32_t>(number);
            std::snprintf(info.genre, sizeof info.genre, "(%d)", static_cast<int>(info.genreIndex));
            return;
        }
    }
    textcopy::CopyTextCut(text, info.genre, sizeof info.genre);
    const std::int32_t index = Id3GenreIndexOf(text);
    if (index < kNoGenreIndex) {
        info.genreIndex = index;
        std::snprintf(info.genre, sizeof info.genre, "(%d)", static_cast<int>(info.genreIndex));
    }
}

long LeadingTextNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    long value = 0;
    for (int digits = 0; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 9; ++at, ++digits) {
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

std::int32_t YearFromText(std::string_view text) {
    const std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string_view::npos || text.size() - at < 4) return 0;
    // Four characters that are not all digits read as a number below 1000.
    const long year = LeadingTextNumber(text.substr(at, 4));
    return year >= 1000 && year <= 3000 ? static_cast<std::int32_t>(year) : 0;
}

std::string YearText(const TMusicInfo& info) {
    return info.year >= 1000 && info.year <= 3000 ? std::to_string(info.year) : std::string();
}

std::string TrackText(const TMusicInfo& info) {
    if (info.trackNumber < 1 || info.trackNumber > 99) return {};
    std::string text = std::to_string(info.trackNumber);
    if (info.trackCount >= 1 && info.trackCount <= 99) text += "/" + std::to_string(info.trackCount);
    return text;
}
