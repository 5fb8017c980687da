#include "tonecore/load/wma_attribute_fields.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "tonecore/tags/music_info.h"
#include "tonecore/tags/song_text_fields.h"
#include "tonecore/convert/conv2file_types.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace {

// The year and track texts are short numbers: 15 characters are plenty.
constexpr std::size_t kNumberTextBytes = 16;

std::u16string WideText(std::span<const BYTE> value) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        const auto unit = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

std::string NumberText(std::span<const BYTE> value) {
    char text[kNumberTextBytes];
    WmaTextToField(value, text, sizeof text);
    return text;
}

std::int32_t TrackValue(long value) { return value >= 1 && value <= 99 ? static_cast<std::int32_t>(value) : -1; }

bool NameIs(std::u16string_view name, std::u16string_view wanted) {
    return CompareWideStringsIgnoreCase(name, wanted) == 0;
}

// A number stored as a WORD, DWORD or QWORD (little-endian); -1 for any
// other type or a value of the wrong size.
long long StoredNumber(WMT_ATTR_DATATYPE type, std::span<const BYTE> value) {
    std::size_t bytes = 0;
    if (type == WMT_TYPE_WORD) bytes = 2;
    if (type == WMT_TYPE_DWORD) bytes = 4;
    if (type == WMT_TYPE_QWORD) bytes = 8;
    if (bytes == 0 || value.size() != bytes) return -1;
    unsigned long long number = 0;
    for (std::size_t i = bytes; i-- > 0;) number = (number << 8) | value[i];
    return number > 1000 ? 1000 : static_cast<long long>(number);
}

// The track attributes. "WM/TrackNumber" counts from 1, as text ("n" or
// "n/m") or as a number. "WM/Track" is the older name: as a number (the form
// other players write) it counts from 0; as text (the form this engine's
// converter writes) it is "n" or "n/m" counting from 1. The newer name wins
// whichever comes first: the older one only fills a track still missing.
void ApplyTrack(bool newerName, WMT_ATTR_DATATYPE type, std::span<const BYTE> value, TMusicInfo& info) {
    if (!newerName && info.trackNumber != -1) return;
    if (const long long number = StoredNumber(type, value); number >= 0) {
        info.trackNumber = TrackValue(static_cast<long>(newerName ? number : number + 1));
        info.trackCount = -1;
        return;
    }
    SetTrackFromText(NumberText(value), info);
}

}  // namespace

int CompareWideStringsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = fold(a[i]);
        const char16_t y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

void WmaTextToField(std::span<const BYTE> value, char* field, std::size_t limit) {
    textcopy::CopyTextCut(Utf16ToUtf8(WideText(value)), field, limit);
}

void SetTrackFromText(std::string_view text, TMusicInfo& info) {
    info.trackNumber = TrackValue(LeadingTextNumber(text));
    const std::size_t slash = text.find('/');
    info.trackCount = slash == std::string_view::npos ? -1 : TrackValue(LeadingTextNumber(text.substr(slash + 1)));
}

bool ApplyWmaAttribute(std::u16string_view name, WMT_ATTR_DATATYPE type, std::span<const BYTE> value,
                       TMusicInfo& info) {
    struct TTextField {
        std::u16string_view name;
        char* field;
        std::size_t size;
    };
    const TTextField texts[] = {
        {u"Title", info.title, sizeof info.title},
        {u"Author", info.artist, sizeof info.artist},
        {u"WM/AlbumTitle", info.album, sizeof info.album},
        {u"Description", info.comment, sizeof info.comment},
        {u"Copyright", info.copyright, sizeof info.copyright},
    };
    bool matched = false;
    for (const TTextField& text : texts) {
        if (!NameIs(name, text.name)) continue;
        WmaTextToField(value, text.field, text.size);
        matched = true;
    }
    if (NameIs(name, u"WM/MCDI")) {
        // Bounded by the record's field: a longer identifier is cut.
        const std::size_t bytes = std::min<std::size_t>(value.size(), sizeof info.cdIdentifier);
        if (bytes > 0) std::memcpy(info.cdIdentifier, value.data(), bytes);
        info.cdIdentifierLength = static_cast<std::uint32_t>(bytes);
        matched = true;
    } else if (NameIs(name, u"WM/Genre")) {
        char genre[TMusicInfo::kTextChars];
        WmaTextToField(value, genre, sizeof genre);
        SetGenreFromText(genre, info);
        matched = true;
    } else if (NameIs(name, u"WM/Year")) {
        info.year = YearFromText(NumberText(value));
        matched = true;
    } else if (NameIs(name, u"WM/TrackNumber") || NameIs(name, u"WM/Track")) {
        ApplyTrack(NameIs(name, u"WM/TrackNumber"), type, value, info);
        matched = true;
    }
    if (matched) info.tagType = TAG_TYPE_WMA_ATTRIBUTES;
    return matched;
}
