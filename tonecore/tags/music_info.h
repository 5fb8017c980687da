#pragma once
// The two song-information records. TMusicInfo is what the engine fills when
// it reads a file's tags and what the converters write back as tags.
// TONECORE_CMusicInfo is what every song entry of the program and of the
// playlists holds: the same information in narrower fields plus the song's
// path, format and play data; it stores itself in RIFF streams (session and
// playlist files) in the six historical layouts 0 to 5.
//
// Texts are UTF-8, zero-terminated, in fixed fields whose width counts the
// terminator; a text too long for a field is cut on a character boundary.

#include <climits>
#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/wave_format.h"

class CRIFF;
namespace bytefields {
class CByteReader;
}

// Where a record's tag information came from.
enum _tTagTypedef : std::int32_t {
    TAG_TYPE_NONE = 0,
    TAG_TYPE_ID3V1 = 1,
    TAG_TYPE_ID3V2 = 2,
    TAG_TYPE_WAV_INFO = 4,
};

// The fields of a song's tag that an edit of a tagged file may name; the
// others keep what the file holds (CConv2FileObj::SetTagFields).
enum ETagField : std::uint32_t {
    kTagFieldTitle = 1u << 0,
    kTagFieldArtist = 1u << 1,
    kTagFieldAlbum = 1u << 2,
    kTagFieldComment = 1u << 3,
    kTagFieldYear = 1u << 4,
    kTagFieldGenre = 1u << 5,
    // Every field from the record: a new file's tag.
    kTagFieldsAll = 0xFFFFFFFFu,
};

// The ID3 v1 genre number that means "no genre".
inline constexpr std::int32_t kNoGenreIndex = 255;
// Bytes of an ID3 v2 "MCDI" frame (a CD's table of contents) a record holds.
inline constexpr int kCdIdentifierBytes = 804;

struct TMusicInfo {
    static constexpr int kTextChars = 1024;

    TMusicInfo();

    char title[kTextChars];
    char artist[kTextChars];
    char album[kTextChars];
    char genre[kTextChars];  // "(n)" when it is ID3 genre n
    char comment[kTextChars];
    char encodedBy[kTextChars];
    char copyright[kTextChars];
    std::uint8_t cdIdentifier[kCdIdentifierBytes];
    std::uint32_t cdIdentifierLength;  // bytes used of cdIdentifier
    std::int32_t year;                 // 0: none
    std::int32_t privateBit;           // MPEG header bits
    std::int32_t copyrighted;          // also set by a copyright text
    std::int32_t original;
    std::int32_t genreIndex;   // kNoGenreIndex: none
    std::int32_t trackNumber;  // -1: none
    std::int32_t trackCount;   // -1: none
    std::int32_t tagSize;      // bytes of the tag found in the file
    std::int32_t tagType;      // _tTagTypedef
};

// The layout number of a stored TONECORE_CMusicInfo (0 to 5).
using TTPSVersion = std::int32_t;

class TONECORE_CMusicInfo {
public:
    static constexpr TTPSVersion kNewestVersion = 5;
    // Bytes of one record in each layout.
    static constexpr int kVersion5Bytes = 6175;
    static constexpr int kVersion4Bytes = 6179;
    static constexpr int kVersion3Bytes = 9016;
    static constexpr int kVersion0To2Bytes = 6136;
    // Width of the stored path field, terminator included.
    static constexpr int kStoredPathChars = MAX_PATH;
    // Bytes of one stored record in the layout of version; 0 for a layout
    // that does not exist.
    static constexpr int RecordBytes(TTPSVersion version) {
        switch (version) {
            case 5: return kVersion5Bytes;
            case 4: return kVersion4Bytes;
            case 3: return kVersion3Bytes;
            case 0:
            case 1:
            case 2: return kVersion0To2Bytes;
            default: return 0;
        }
    }

    TONECORE_CMusicInfo();
    // Copies are whole: containers copy records, and a copy that dropped the
    // play data would lose it silently.
    TONECORE_CMusicInfo(const TONECORE_CMusicInfo& other) = default;
    TONECORE_CMusicInfo& operator=(const TONECORE_CMusicInfo& other) = default;
    virtual ~TONECORE_CMusicInfo() = default;

    // Every text empty, every number 0 except track number and count (-1).
    void Initialize();
    // Copies the descriptive and file fields into this record, leaving the
    // display text, the flags 2-7 and the play data alone.
    void CopySlim(const TONECORE_CMusicInfo& other);
    // Takes the tag fields of a tag record, texts cut to the narrower fields.
    TONECORE_CMusicInfo& operator=(const TMusicInfo& info);
    void CopyToTMusicInfo(TMusicInfo& info) const;

    // Reads one record in the layout of `version` at the stream's position.
    // False (the record unchanged) for a version outside 0-5 or when the
    // stream ends before the record does (last error FILEKIT_ERR_RIFF_READ).
    bool Read(CRIFF& stream, TTPSVersion version);
    // Writes the version-5 layout whatever `version` says. A zero trim end
    // becomes the length first (with the automatic trim end). False, with
    // nothing written, when the path does not fit the stored field
    // (FILEKIT_ERR_PATH_TOO_LONG); false when the stream took fewer bytes.
    bool Write(CRIFF& stream, TTPSVersion version);
    // The path's bytes as the stored field takes them: the UTF-8 text when
    // it fits. A path that a reader took from an older program's
    // Windows-1252 bytes can be longer as UTF-8 than the field; it is
    // stored in that code page again, which reads back to the same text.
    // False when neither fits.
    bool StoredPathBytes(std::string& bytes) const;

    char title[256];
    char displayText[512];  // the program's own text, not filled from tags
    char artist[256];
    char album[256];
    char genre[256];
    std::int32_t genreIndex;
    char comment[2048];
    char copyright[1024];
    std::int32_t year;
    std::int32_t tagSize;
    std::int32_t tagType;
    std::int32_t spareWord;  // only stored and reloaded
    std::uint8_t cdIdentifier[kCdIdentifierBytes];
    std::uint32_t cdIdentifierLength;
    std::int32_t trackNumber;
    std::int32_t trackCount;
    bool copyrighted;
    bool flags[7];  // the program's flags 1 to 7 (flags[0] is flag 1)
    bool original;
    // Kept at the system's path length in memory; only a path that fits the
    // stored field can be written.
    char path[PATH_MAX];
    std::int32_t pathWords[2];  // the program's two words after the path
    char formatText[128];
    char encodedBy[256];
    WAVEFORMATEX waveFormat;
    double volume;  // gain factor, 1.0 unchanged
    std::int32_t lengthMs;
    std::int32_t trimStartMs;
    std::int32_t trimEndMs;
    std::int32_t autoTrimStartMs;
    std::int32_t autoTrimEndMs;
    std::uint64_t playData;       // the program's
    std::int32_t stateWords[3];   // the program's; the third is the play state code
    std::int32_t databaseId;      // the song database's key

private:
    bool ReadVersion5(const std::uint8_t* bytes, std::size_t size, bool secondWordStored);
    bool ReadVersion3(const std::uint8_t* bytes, std::size_t size);
    bool ReadVersion0To2(const std::uint8_t* bytes, std::size_t size);
    // What layouts 0-3 begin with: path, format text and the five texts
    // they share.
    void ReadOldHead(bytefields::CByteReader& in);
};
