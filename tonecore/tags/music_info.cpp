#include "tonecore/tags/music_info.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "filekit/errors.h"
#include "filekit/riff.h"
#include "platform/last_error.h"
#include "tonecore/engine/byte_fields.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

namespace {

using bytefields::CByteReader;
using bytefields::CByteWriter;

template <std::size_t N>
void SetText(char (&field)[N], std::string_view text) {
    textcopy::CopyTextCut(text, field, N);
}

// A stored text field of `width` bytes: the text up to its first zero, at
// most width - 1 bytes of it, into a member of its own width. Records written
// by older programs hold Windows-1252 text; anything that is not UTF-8 is
// read as that.
template <std::size_t N>
void _readString(CByteReader& in, char (&dest)[N], std::size_t width) {
    std::memset(dest, 0, N);
    const auto bytes = in.Take(width);
    if (bytes.empty()) return;
    const char* text = reinterpret_cast<const char*>(bytes.data());
    const std::size_t length = strnlen(text, width - 1);
    const std::string_view stored(text, length);
    if (IsValidUtf8(stored)) {
        SetText(dest, stored);
    } else {
        SetText(dest, Windows1252ToUtf8(stored));
    }
}

template <std::size_t N>
void _writeString(CByteWriter& out, const char (&src)[N], std::size_t width) {
    out.FixedText(std::string_view(src, strnlen(src, N)), width);
}

// Older layouts store booleans as 32-bit words.
bool _readOldBool(CByteReader& in) {
    return in.Le32() != 0;
}

void _wasteBytes(CByteReader& in, std::size_t n) {
    in.Skip(n);
}

void ReadWaveFormat(CByteReader& in, WAVEFORMATEX& format) {
    in.Bytes(&format, sizeof format);
}

// Field widths of each layout, summed, against the record sizes the files
// hold.
static_assert(256 + 512 + 256 * 3 + 4 + 2048 + 1024 + 4 * 4 + kCdIdentifierBytes + 4 * 3 + 9 + 260 + 4 * 2 +
                      128 + 256 + sizeof(WAVEFORMATEX) + 8 + 4 * 5 + 8 + 4 * 3 + 4 ==
              TONECORE_CMusicInfo::kVersion5Bytes);
static_assert(TONECORE_CMusicInfo::kVersion5Bytes + 4 == TONECORE_CMusicInfo::kVersion4Bytes);
// Shared tail of layouts 0-3: wave format, 2 spare bytes, flag 1, length,
// first word, display text, volume, four trims, play data, three words, flags
// 3-7.
constexpr std::size_t kOldTailBytes = sizeof(WAVEFORMATEX) + 2 + 4 + 4 + 4 + 512 + 8 + 16 + 8 + 12 + 20;
static_assert(260 + 128 + 8 + 1024 * 7 + kCdIdentifierBytes + 4 + 4 + 4 * 3 + 4 * 5 + kOldTailBytes ==
              TONECORE_CMusicInfo::kVersion3Bytes);
static_assert(260 + 128 + 8 + 1024 * 5 + 4 * 3 + kOldTailBytes == TONECORE_CMusicInfo::kVersion0To2Bytes);

}  // namespace

TMusicInfo::TMusicInfo() {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    genreIndex = kNoGenreIndex;
    trackNumber = -1;
    trackCount = -1;
}

TONECORE_CMusicInfo::TONECORE_CMusicInfo() {
    Initialize();
}

void TONECORE_CMusicInfo::Initialize() {
    std::memset(title, 0, sizeof title);
    std::memset(displayText, 0, sizeof displayText);
    std::memset(artist, 0, sizeof artist);
    std::memset(album, 0, sizeof album);
    std::memset(genre, 0, sizeof genre);
    std::memset(comment, 0, sizeof comment);
    std::memset(copyright, 0, sizeof copyright);
    std::memset(path, 0, sizeof path);
    std::memset(formatText, 0, sizeof formatText);
    std::memset(encodedBy, 0, sizeof encodedBy);
    genreIndex = 0;
    year = 0;
    tagSize = 0;
    tagType = TAG_TYPE_NONE;
    spareWord = 0;
    std::memset(cdIdentifier, 0, sizeof cdIdentifier);
    cdIdentifierLength = 0;
    trackNumber = -1;
    trackCount = -1;
    copyrighted = false;
    std::fill(std::begin(flags), std::end(flags), false);
    original = false;
    pathWords[0] = pathWords[1] = 0;
    std::memset(&waveFormat, 0, sizeof waveFormat);
    volume = 0;
    lengthMs = 0;
    trimStartMs = trimEndMs = 0;
    autoTrimStartMs = autoTrimEndMs = 0;
    playData = 0;
    stateWords[0] = stateWords[1] = stateWords[2] = 0;
    databaseId = 0;
}

void TONECORE_CMusicInfo::CopySlim(const TONECORE_CMusicInfo& other) {
    if (&other == this) return;
    std::memcpy(title, other.title, sizeof title);
    std::memcpy(artist, other.artist, sizeof artist);
    std::memcpy(album, other.album, sizeof album);
    std::memcpy(genre, other.genre, sizeof genre);
    genreIndex = other.genreIndex;
    std::memcpy(comment, other.comment, sizeof comment);
    std::memcpy(copyright, other.copyright, sizeof copyright);
    // The year is as descriptive as the title; a copy without it would drop
    // it from every record the program rebuilds this way.
    year = other.year;
    std::memcpy(cdIdentifier, other.cdIdentifier, sizeof cdIdentifier);
    cdIdentifierLength = other.cdIdentifierLength;
    trackNumber = other.trackNumber;
    trackCount = other.trackCount;
    copyrighted = other.copyrighted;
    flags[0] = other.flags[0];
    original = other.original;
    std::memcpy(path, other.path, sizeof path);
    pathWords[0] = other.pathWords[0];
    pathWords[1] = other.pathWords[1];
    std::memcpy(formatText, other.formatText, sizeof formatText);
    std::memcpy(encodedBy, other.encodedBy, sizeof encodedBy);
    waveFormat = other.waveFormat;
    lengthMs = other.lengthMs;
    databaseId = other.databaseId;
}

TONECORE_CMusicInfo& TONECORE_CMusicInfo::operator=(const TMusicInfo& info) {
    SetText(title, std::string_view(info.title, strnlen(info.title, sizeof info.title)));
    SetText(artist, std::string_view(info.artist, strnlen(info.artist, sizeof info.artist)));
    SetText(album, std::string_view(info.album, strnlen(info.album, sizeof info.album)));
    SetText(genre, std::string_view(info.genre, strnlen(info.genre, sizeof info.genre)));
    SetText(comment, std::string_view(info.comment, strnlen(info.comment, sizeof info.comment)));
    SetText(encodedBy, std::string_view(info.encodedBy, strnlen(info.encodedBy, sizeof info.encodedBy)));
    SetText(copyright, std::string_view(info.copyright, strnlen(info.copyright, sizeof info.copyright)));
    std::memcpy(cdIdentifier, info.cdIdentifier, sizeof cdIdentifier);
    cdIdentifierLength = std::min<std::uint32_t>(info.cdIdentifierLength, kCdIdentifierBytes);
    year = info.year;
    copyrighted = info.copyrighted != 0;
    original = info.original != 0;
    genreIndex = info.genreIndex;
    trackNumber = info.trackNumber;
    trackCount = info.trackCount;
    tagSize = info.tagSize;
    tagType = info.tagType;
    return *this;
}

void TONECORE_CMusicInfo::CopyToTMusicInfo(TMusicInfo& info) const {
    SetText(info.title, title);
    SetText(info.artist, artist);
    SetText(info.album, album);
    SetText(info.genre, genre);
    SetText(info.comment, comment);
    SetText(info.encodedBy, encodedBy);
    SetText(info.copyright, copyright);
    std::memcpy(info.cdIdentifier, cdIdentifier, sizeof info.cdIdentifier);
    info.cdIdentifierLength = cdIdentifierLength;
    info.year = year;
    info.copyrighted = copyrighted ? 1 : 0;
    info.original = original ? 1 : 0;
    info.genreIndex = genreIndex;
    info.trackNumber = trackNumber;
    info.trackCount = trackCount;
    info.tagSize = tagSize;
    info.tagType = tagType;
}

bool TONECORE_CMusicInfo::Read(CRIFF& stream, TTPSVersion version) {
    const auto size = static_cast<std::size_t>(RecordBytes(version));
    if (size == 0) return false;

    std::vector<std::uint8_t> bytes(size);
    if (stream.Read(bytes.data(), static_cast<std::int64_t>(size)) != static_cast<std::int64_t>(size)) {
        SetLastError(FILEKIT_ERR_RIFF_READ);
        return false;
    }
    // Parsed into a copy, so that a record that turns out bad leaves this
    // one as it was.
    TONECORE_CMusicInfo read(*this);
    bool ok = false;
    if (version >= 4) {
        ok = read.ReadVersion5(bytes.data(), size, version == 5);
    } else if (version == 3) {
        ok = read.ReadVersion3(bytes.data(), size);
    } else {
        ok = read.ReadVersion0To2(bytes.data(), size);
    }
    if (!ok) {
        SetLastError(FILEKIT_ERR_RIFF_READ);
        return false;
    }
    *this = read;
    return true;
}

bool TONECORE_CMusicInfo::ReadVersion5(const std::uint8_t* bytes, std::size_t size, bool secondWordStored) {
    CByteReader in({bytes, size});
    _readString(in, title, 256);
    _readString(in, displayText, 512);
    _readString(in, artist, 256);
    _readString(in, album, 256);
    _readString(in, genre, 256);
    genreIndex = in.LeI32();
    _readString(in, comment, 2048);
    _readString(in, copyright, 1024);
    year = in.LeI32();
    tagSize = in.LeI32();
    tagType = in.LeI32();
    spareWord = in.LeI32();
    in.Bytes(cdIdentifier, sizeof cdIdentifier);
    cdIdentifierLength = std::min<std::uint32_t>(in.Le32(), kCdIdentifierBytes);
    trackNumber = in.LeI32();
    trackCount = in.LeI32();
    copyrighted = in.U8() != 0;
    for (bool& flag : flags) flag = in.U8() != 0;
    original = in.U8() != 0;
    _readString(in, path, kStoredPathChars);
    pathWords[0] = in.LeI32();
    if (secondWordStored) {
        pathWords[1] = in.LeI32();
    } else {
        // Layout 4 kept 8 bytes here that meant nothing.
        _wasteBytes(in, 8);
        pathWords[1] = 0;
    }
    _readString(in, formatText, 128);
    _readString(in, encodedBy, 256);
    ReadWaveFormat(in, waveFormat);
    volume = in.LeDouble();
    lengthMs = in.LeI32();
    trimStartMs = in.LeI32();
    trimEndMs = in.LeI32();
    autoTrimStartMs = in.LeI32();
    autoTrimEndMs = in.LeI32();
    playData = in.Le64();
    for (std::int32_t& word : stateWords) word = in.LeI32();
    databaseId = in.LeI32();
    return in.Ok() && in.Left() == 0;
}

namespace {

// The fields layouts 0-3 share at their end: the wave format and everything
// behind it.
struct TOldTail {
    WAVEFORMATEX waveFormat;
    bool flag1;
    std::int32_t lengthMs;
    std::int32_t firstWord;
    double volume;
    std::int32_t trims[4];
    std::uint64_t playData;
    std::int32_t stateWords[3];
    bool flags3To7[5];
};

TOldTail ReadOldTail(CByteReader& in, char (&displayText)[512]) {
    TOldTail tail{};
    ReadWaveFormat(in, tail.waveFormat);
    _wasteBytes(in, 2);
    tail.flag1 = _readOldBool(in);
    tail.lengthMs = in.LeI32();
    tail.firstWord = in.LeI32();
    _readString(in, displayText, 512);
    tail.volume = in.LeDouble();
    for (std::int32_t& trim : tail.trims) trim = in.LeI32();
    tail.playData = in.Le64();
    for (std::int32_t& word : tail.stateWords) word = in.LeI32();
    for (bool& flag : tail.flags3To7) flag = _readOldBool(in);
    return tail;
}

void ApplyOldTail(TONECORE_CMusicInfo& info, const TOldTail& tail) {
    info.waveFormat = tail.waveFormat;
    info.flags[0] = tail.flag1;
    info.flags[1] = false;
    for (int i = 0; i < 5; ++i) info.flags[2 + i] = tail.flags3To7[i];
    info.lengthMs = tail.lengthMs;
    info.pathWords[0] = tail.firstWord;
    info.pathWords[1] = 0;
    info.volume = tail.volume;
    info.trimStartMs = tail.trims[0];
    info.trimEndMs = tail.trims[1];
    info.autoTrimStartMs = tail.trims[2];
    info.autoTrimEndMs = tail.trims[3];
    info.playData = tail.playData;
    for (int i = 0; i < 3; ++i) info.stateWords[i] = tail.stateWords[i];
    info.spareWord = 0;
    info.databaseId = 0;
}

}  // namespace

void TONECORE_CMusicInfo::ReadOldHead(CByteReader& in) {
    _readString(in, path, kStoredPathChars);
    _readString(in, formatText, 128);
    _wasteBytes(in, 8);
    _readString(in, title, 1024);
    _readString(in, artist, 1024);
    _readString(in, album, 1024);
    _readString(in, genre, 1024);
    _readString(in, comment, 1024);
}

bool TONECORE_CMusicInfo::ReadVersion3(const std::uint8_t* bytes, std::size_t size) {
    CByteReader in({bytes, size});
    ReadOldHead(in);
    _readString(in, encodedBy, 1024);
    _readString(in, copyright, 1024);
    in.Bytes(cdIdentifier, sizeof cdIdentifier);
    cdIdentifierLength = std::min<std::uint32_t>(in.Le32(), kCdIdentifierBytes);
    year = in.LeI32();
    _readOldBool(in);  // a flag this record no longer keeps
    copyrighted = _readOldBool(in);
    original = _readOldBool(in);
    genreIndex = in.LeI32();
    trackNumber = in.LeI32();
    trackCount = in.LeI32();
    tagSize = in.LeI32();
    tagType = in.LeI32();
    ApplyOldTail(*this, ReadOldTail(in, displayText));
    return in.Ok() && in.Left() == 0;
}

bool TONECORE_CMusicInfo::ReadVersion0To2(const std::uint8_t* bytes, std::size_t size) {
    CByteReader in({bytes, size});
    ReadOldHead(in);
    year = in.LeI32();
    copyrighted = _readOldBool(in);
    genreIndex = in.LeI32();
    ApplyOldTail(*this, ReadOldTail(in, displayText));
    // What these layouts did not have.
    std::memset(encodedBy, 0, sizeof encodedBy);
    std::memset(copyright, 0, sizeof copyright);
    std::memset(cdIdentifier, 0, sizeof cdIdentifier);
    cdIdentifierLength = 0;
    original = false;
    trackNumber = -1;
    trackCount = -1;
    tagSize = 0;
    tagType = TAG_TYPE_NONE;
    return in.Ok() && in.Left() == 0;
}

bool TONECORE_CMusicInfo::StoredPathBytes(std::string& bytes) const {
    const auto field = static_cast<std::size_t>(kStoredPathChars);
    const std::string_view text(path, strnlen(path, sizeof path));
    if (text.size() < field) {
        bytes.assign(text);
        return true;
    }
    // Bytes that are UTF-8 would be read as UTF-8, not converted back.
    std::string narrow;
    if (!Utf8ToWindows1252(text, narrow) || narrow.size() >= field || IsValidUtf8(narrow)) return false;
    bytes = std::move(narrow);
    return true;
}

bool TONECORE_CMusicInfo::Write(CRIFF& stream, TTPSVersion version) {
    (void)version;  // the newest layout is always written
    std::string storedPath;
    if (!StoredPathBytes(storedPath)) {
        // A cut path would name another file.
        SetLastError(FILEKIT_ERR_PATH_TOO_LONG);
        return false;
    }
    if (trimEndMs == 0) {
        trimEndMs = lengthMs;
        autoTrimEndMs = lengthMs;
    }
    CByteWriter out;
    out.Reserve(kVersion5Bytes);
    _writeString(out, title, 256);
    _writeString(out, displayText, 512);
    _writeString(out, artist, 256);
    _writeString(out, album, 256);
    _writeString(out, genre, 256);
    out.Le32(static_cast<std::uint32_t>(genreIndex));
    _writeString(out, comment, 2048);
    _writeString(out, copyright, 1024);
    out.Le32(static_cast<std::uint32_t>(year));
    out.Le32(static_cast<std::uint32_t>(tagSize));
    out.Le32(static_cast<std::uint32_t>(tagType));
    out.Le32(static_cast<std::uint32_t>(spareWord));
    out.Bytes(cdIdentifier, sizeof cdIdentifier);
    out.Le32(cdIdentifierLength);
    out.Le32(static_cast<std::uint32_t>(trackNumber));
    out.Le32(static_cast<std::uint32_t>(trackCount));
    out.U8(copyrighted ? 1 : 0);
    for (bool flag : flags) out.U8(flag ? 1 : 0);
    out.U8(original ? 1 : 0);
    out.FixedText(storedPath, kStoredPathChars);
    out.Le32(static_cast<std::uint32_t>(pathWords[0]));
    out.Le32(static_cast<std::uint32_t>(pathWords[1]));
    _writeString(out, formatText, 128);
    _writeString(out, encodedBy, 256);
    out.Bytes(&waveFormat, sizeof waveFormat);
    out.LeDouble(volume);
    out.Le32(static_cast<std::uint32_t>(lengthMs));
    out.Le32(static_cast<std::uint32_t>(trimStartMs));
    out.Le32(static_cast<std::uint32_t>(trimEndMs));
    out.Le32(static_cast<std::uint32_t>(autoTrimStartMs));
    out.Le32(static_cast<std::uint32_t>(autoTrimEndMs));
    out.Le64(playData);
    for (std::int32_t word : stateWords) out.Le32(static_cast<std::uint32_t>(word));
    out.Le32(static_cast<std::uint32_t>(databaseId));
    const auto& data = out.Data();
    return stream.Write(data.data(), static_cast<std::int64_t>(data.size())) ==
           static_cast<std::int64_t>(data.size());
}
