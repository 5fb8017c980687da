#include "tonecore/tags/wave_info_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/tags/id3v1.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/song_text_fields.h"
#include "tonecore/engine/tonecore_strings.h"

namespace {

constexpr std::int64_t kFailed = -1;

// A text chunk holds the text, its terminator and zeros up to an even
// length rounded from the text, plus two: "abc" takes 6 bytes.
std::size_t TextChunkBytes(std::size_t length) { return (length + 1) / 2 * 2 + 2; }

// Writes one text chunk; the bytes it adds to the list, or -1.
std::int64_t WriteTextChunk(CRIFF& riff, std::uint32_t id, std::string_view text) {
    std::vector<char> data(TextChunkBytes(text.size()), '\0');
    std::copy(text.begin(), text.end(), data.begin());
    if (riff.WriteSubChunk(id, data.data(), static_cast<std::int64_t>(data.size())) == 0) return kFailed;
    return static_cast<std::int64_t>(data.size()) + kRiffChunkHeaderBytes;
}

// The CD identifier: its 32-bit length, then exactly that many bytes (the
// writer pads an odd count). The bytes it adds, or -1.
std::int64_t WriteCdIdentifier(CRIFF& riff, const TMusicInfo& info) {
    const std::uint32_t length = std::min<std::uint32_t>(info.cdIdentifierLength, kCdIdentifierBytes);
    unsigned char word[4];
    StoreLe32(word, length);
    if (riff.StartWriteStream(FourCC("IMCD")) == 0 || riff.WriteStreamData(word, 4) != 4) return kFailed;
    if (length > 0 && riff.WriteStreamData(info.cdIdentifier, length) != static_cast<std::int64_t>(length)) {
        return kFailed;
    }
    if (riff.EndWriteStream() == 0) return kFailed;
    const std::int64_t data = 4 + static_cast<std::int64_t>(length);
    return data + (data & 1) + kRiffChunkHeaderBytes;
}

// The sub-chunk of each field an edit may name.
struct TFieldChunk {
    std::uint32_t field;
    std::uint32_t id;
};
constexpr TFieldChunk kFieldChunks[] = {
    {kTagFieldTitle, FourCC("INAM")},   {kTagFieldArtist, FourCC("IART")}, {kTagFieldAlbum, FourCC("IALB")},
    {kTagFieldComment, FourCC("ICMT")}, {kTagFieldYear, FourCC("ICRD")},  {kTagFieldGenre, FourCC("IGNR")},
};

bool NamedChunk(std::uint32_t id, std::uint32_t fields) {
    for (const TFieldChunk& named : kFieldChunks)
        if (named.id == id) return (fields & named.field) != 0;
    return false;
}

// The texts of the song, in the order readers expect (of an edit, only the
// fields it names); the bytes they add, or -1.
std::int64_t WriteSongTexts(CRIFF& riff, TMusicInfo& info, std::uint32_t fields) {
    const bool whole = fields == kTagFieldsAll;
    PutGenreText(info);
    const std::string year = YearText(info);
    const std::string track = TrackText(info);
    const struct {
        std::uint32_t id;
        const char* text;
    } texts[] = {
        {FourCC("ICMT"), info.comment}, {FourCC("ICOP"), info.copyright}, {FourCC("IART"), info.artist},
        {FourCC("IENG"), info.encodedBy}, {FourCC("INAM"), info.title}, {FourCC("IGNR"), info.genre},
        {FourCC("ICRD"), year.c_str()}, {FourCC("IALB"), info.album}, {FourCC("ITRK"), track.c_str()},
    };
    std::int64_t total = 0;
    for (const auto& [id, text] : texts) {
        const std::string_view value(text, strnlen(text, TMusicInfo::kTextChars));
        if (value.empty() || (!whole && !NamedChunk(id, fields))) continue;
        const std::int64_t added = WriteTextChunk(riff, id, value);
        if (added < 0) return kFailed;
        total += added;
    }
    if (whole && info.cdIdentifierLength != 0) {
        const std::int64_t added = WriteCdIdentifier(riff, info);
        if (added < 0) return kFailed;
        total += added;
    }
    return total;
}

}  // namespace

std::int64_t WriteWaveInfoList(CRIFF& riff, const char* software, int* done, TMusicInfo* info) {
    const int headerWritten = riff.WriteListChunkHeader(FourCC("INFO"));
    if (done != nullptr) *done = headerWritten;
    if (headerWritten == 0) return 0;
    if (riff.Descend() == 0) return kFailed;
    std::int64_t total = 4;  // the list type
    if (info != nullptr && info->tagType != TAG_TYPE_NONE) {
        const std::int64_t added = WriteSongTexts(riff, *info, kTagFieldsAll);
        if (added < 0) return kFailed;
        total += added;
    }
    const std::string_view tool = software != nullptr ? software : "";
    if (WriteTextChunk(riff, FourCC("ISFT"), tool) < 0) return kFailed;
    if (riff.Ascend() == 0) return kFailed;
    return total + static_cast<std::int64_t>(tool.size()) + 10;
}

std::vector<TWaveInfoItem> SplitWaveInfoList(std::string_view items) {
    std::vector<TWaveInfoItem> list;
    constexpr auto kHeader = static_cast<std::size_t>(kRiffChunkHeaderBytes);
    std::size_t at = 0;
    while (items.size() - at >= kHeader) {
        const auto* head = reinterpret_cast<const unsigned char*>(items.data() + at);
        const std::uint32_t id = LoadLe32(head);
        const std::uint64_t size = LoadLe32(head + 4);
        at += kHeader;
        // Only the bytes present: a sub-chunk that claims more ends the list.
        if (size > items.size() - at) break;
        list.push_back({id, std::string(items.substr(at, static_cast<std::size_t>(size)))});
        at += static_cast<std::size_t>(size + (size & 1));
        if (at > items.size()) break;
    }
    return list;
}

std::int64_t WriteWaveInfoListEdit(CRIFF& riff, const std::vector<TWaveInfoItem>& kept, std::uint32_t fields,
                                   TMusicInfo& info) {
    if (riff.WriteListChunkHeader(FourCC("INFO")) == 0 || riff.Descend() == 0) return kFailed;
    std::int64_t total = 4;  // the list type
    for (const TWaveInfoItem& item : kept) {
        if (NamedChunk(item.id, fields)) continue;
        if (riff.WriteSubChunk(item.id, item.bytes.data(), static_cast<std::int64_t>(item.bytes.size())) == 0)
            return kFailed;
        total += static_cast<std::int64_t>(item.bytes.size() + (item.bytes.size() & 1)) + kRiffChunkHeaderBytes;
    }
    const std::int64_t added = WriteSongTexts(riff, info, fields);
    if (added < 0 || riff.Ascend() == 0) return kFailed;
    return total + added;
}
