// Reading the "INFO" list of a WAV file into the song information.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/tags/song_text_fields.h"
#include "tonecore/tags/wave_info_list.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace {

// No text field holds more than this; a longer sub-chunk is read only so far.
constexpr std::size_t kMaxFieldBytes = 4096;

// The text up to its terminating zero, or the whole bytes when there is none.
std::string FieldText(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
    return IsValidUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A track number or count of 1-99, else -1.
std::int32_t TrackValue(std::string_view text) {
    if (!AllDigits(text) || text.size() > 2) return -1;
    const int value = std::stoi(std::string(text));
    return value >= 1 && value <= 99 ? value : -1;
}

void TakeTrack(const std::string& text, TMusicInfo& info) {
    if (text.size() > 15) return;
    const std::size_t slash = text.find('/');
    info.trackNumber = TrackValue(std::string_view(text).substr(0, slash));
    info.trackCount =
        slash == std::string::npos ? -1 : TrackValue(std::string_view(text).substr(slash + 1));
}

void TakeCdIdentifier(std::string_view bytes, TMusicInfo& info) {
    // A length word, then the identifier; the word is believed only as far
    // as the bytes and the field go.
    std::uint32_t stated = 0;
    if (bytes.size() >= 4) stated = LoadLe32(reinterpret_cast<const unsigned char*>(bytes.data()));
    const std::size_t present = bytes.size() >= 4 ? bytes.size() - 4 : 0;
    const std::size_t length = std::min<std::size_t>({stated, present, sizeof info.cdIdentifier});
    std::memset(info.cdIdentifier, 0, sizeof info.cdIdentifier);
    if (length > 0) std::memcpy(info.cdIdentifier, bytes.data() + 4, length);
    info.cdIdentifierLength = static_cast<std::uint32_t>(length);
}

}  // namespace

bool TakeWaveInfoField(std::uint32_t id, std::string_view bytes, TMusicInfo& info) {
    struct TTextField {
        std::uint32_t id;
        char (TMusicInfo::*field)[TMusicInfo::kTextChars];
    };
    static constexpr TTextField kTextFields[] = {
        {FourCC("INAM"), &TMusicInfo::title},     {FourCC("IART"), &TMusicInfo::artist},
        {FourCC("IALB"), &TMusicInfo::album},     {FourCC("ICMT"), &TMusicInfo::comment},
        {FourCC("ICOP"), &TMusicInfo::copyright}, {FourCC("IENG"), &TMusicInfo::encodedBy},
    };
    char* field = nullptr;
    for (const TTextField& text : kTextFields)
        if (text.id == id) field = info.*text.field;
    if (field != nullptr) {
        textcopy::CopyTextCut(FieldText(bytes), field, TMusicInfo::kTextChars);
    } else if (id == FourCC("ICRD")) {
        // A date ("2004-05-03") gives its year.
        info.year = YearFromText(FieldText(bytes));
    } else if (id == FourCC("IGNR")) {
        SetGenreFromText(FieldText(bytes), info);
    } else if (id == FourCC("ITRK")) {
        TakeTrack(FieldText(bytes), info);
    } else if (id == FourCC("IMCD")) {
        TakeCdIdentifier(bytes, info);
    } else {
        return false;
    }
    info.tagType = TAG_TYPE_WAV_INFO;
    return true;
}

bool ReadWaveInfoList(CRIFF& riff, TMusicInfo& info) {
    if (riff.SeekToLevelBeginning() == 0) return false;
    int searchPast = 0;
    for (;;) {
        if (riff.SeekToChunk(RIFF_ID_LIST, searchPast, 0) == 0) return false;
        searchPast = 1;
        if (riff.Descend() == 0) continue;
        _chunkInfo list;
        _subChunk chunk;
        riff.GetCurrentChunkInfo(&list, &chunk);
        if (list.type == FourCC("INFO")) break;
        riff.Ascend();
    }
    std::vector<char> bytes;
    for (bool more = riff.SeekToLevelBeginning() != 0; more; more = riff.SeekToNextChunk() != 0) {
        _chunkInfo list;
        _subChunk chunk;
        riff.GetCurrentChunkInfo(&list, &chunk);
        bytes.assign(std::min<std::size_t>(chunk.size, kMaxFieldBytes), '\0');
        const std::int64_t got =
            riff.ReadCurrentSubChunk(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        if (got < 0) continue;
        TakeWaveInfoField(chunk.id, std::string_view(bytes.data(), static_cast<std::size_t>(got)),
                          info);
    }
    riff.Ascend();
    return true;
}
