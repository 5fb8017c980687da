#pragma once
// The stream interface of an MP3 encoder module, shared by the sound engine,
// which loads a module by name and binds these entry points, and by our own
// module over libmp3lame (lame_enc/). A stream is set up from a packed
// 331-byte configuration record of one of two kinds, then fed 16-bit PCM one
// chunk at a time; each call hands back the MP3 bytes it produced.
//
// Results are 0 for success and one of the codes below otherwise.

#include <cstddef>
#include <cstdint>

// The configuration record kinds: the plain constant-bitrate record, and the
// extended record with VBR and ABR settings.
inline constexpr std::uint32_t kEncoderConfigMP3 = 0;
inline constexpr std::uint32_t kEncoderConfigLame = 256;
// The extended record's own version and size fields.
inline constexpr std::uint32_t kLameConfigVersion = 1;
inline constexpr std::size_t kEncoderConfigBytes = 331;

// Stereo modes as the records carry them.
enum TEncoderMode : std::int32_t {
    ENCODER_MODE_STEREO = 0,
    ENCODER_MODE_JOINT_STEREO = 1,
    ENCODER_MODE_DUAL_CHANNEL = 2,
    ENCODER_MODE_MONO = 3,
};

// The VBR method of the extended record.
enum TEncoderVbrMethod : std::int32_t {
    ENCODER_VBR_NONE = -1,
    ENCODER_VBR_DEFAULT = 0,
    ENCODER_VBR_OLD = 1,
    ENCODER_VBR_NEW = 2,
    ENCODER_VBR_MTRH = 3,
    ENCODER_VBR_ABR = 4,
};

#pragma pack(push, 1)
// The plain record: MPEG-1 at a constant bitrate; the input rate is the
// output rate.
struct TEncoderConfigMP3 {
    std::uint32_t configKind;  // kEncoderConfigMP3
    std::uint32_t sampleRate;  // Hz
    std::uint8_t mode;         // TEncoderMode
    std::uint16_t bitrate;     // kbps
    std::int32_t privateBit;
    std::int32_t crc;
    std::int32_t copyright;
    std::int32_t original;
};

// The extended record. Bitrates are kbps except the ABR bitrate.
struct TEncoderConfigLame {
    std::uint32_t configKind;     // kEncoderConfigLame
    std::uint32_t structVersion;  // kLameConfigVersion
    std::uint32_t structSize;     // kEncoderConfigBytes
    std::uint32_t sampleRate;     // of the PCM handed in, Hz
    std::uint32_t reSampleRate;   // of the MP3 stream, Hz; 0: the encoder's choice
    std::int32_t mode;            // TEncoderMode
    std::uint32_t bitrate;        // constant bitrate, or the VBR minimum
    std::uint32_t maxBitrate;     // the VBR maximum; 0 without VBR
    std::int32_t preset;          // -1: none
    std::int32_t mpegVersion;     // 1 MPEG-1, 0 MPEG-2, 2 MPEG-2.5
    std::int32_t psyModel;
    std::int32_t emphasis;
    std::int32_t privateBit;
    std::int32_t crc;
    std::int32_t copyright;
    std::int32_t original;
    std::int32_t writeVBRHeader;
    std::int32_t enableVBR;
    std::int32_t vbrQuality;      // 0 best ... 9
    std::uint32_t abrBitrateBps;  // bits per second; 0 without ABR
    std::int32_t vbrMethod;       // TEncoderVbrMethod
    std::int32_t noReservoir;
};

struct TEncoderConfig {
    union {
        TEncoderConfigMP3 mp3;
        TEncoderConfigLame lame;
        std::uint8_t bytes[kEncoderConfigBytes];
    };
};
#pragma pack(pop)

static_assert(sizeof(TEncoderConfig) == kEncoderConfigBytes, "the configuration record is 331 bytes");
static_assert(offsetof(TEncoderConfigMP3, mode) == 8 && offsetof(TEncoderConfigMP3, bitrate) == 9 &&
              offsetof(TEncoderConfigMP3, privateBit) == 11 && offsetof(TEncoderConfigMP3, original) == 23);
static_assert(offsetof(TEncoderConfigLame, sampleRate) == 12 && offsetof(TEncoderConfigLame, preset) == 32 &&
              offsetof(TEncoderConfigLame, writeVBRHeader) == 64 && offsetof(TEncoderConfigLame, vbrMethod) == 80 &&
              offsetof(TEncoderConfigLame, noReservoir) == 84);

// The version record's first four bytes: the module's major and minor
// version, then the encoding engine's.
struct TEncoderVersion {
    std::uint8_t moduleMajor;
    std::uint8_t moduleMinor;
    std::uint8_t engineMajor;
    std::uint8_t engineMinor;
};

// Results of the entry points.
enum TEncoderResult : std::uint32_t {
    ENCODER_OK = 0,
    ENCODER_ERR_INVALID_FORMAT = 1,             // unknown record kind, version or size
    ENCODER_ERR_INVALID_FORMAT_PARAMETERS = 2,  // a rate, bitrate or mode the encoder refuses
    ENCODER_ERR_NO_MORE_HANDLES = 3,
    ENCODER_ERR_INVALID_HANDLE = 4,
    ENCODER_ERR_BUFFER_TOO_SMALL = 5,           // more samples than one chunk
    ENCODER_ERR_ENCODING = 6,                   // the encoding engine failed
    ENCODER_ERR_NO_MEMORY = 7,
    ENCODER_ERR_FILE = 8,                       // the VBR header could not be written
};

// The entry points, bound by these names.
//
// beInitStream: *samplesPerChunk is the number of 16-bit values (both
// channels counted) each beEncodeChunk takes; *outputBytes the size of the
// output buffer every call needs; *stream the new stream's handle.
using PFN_beInitStream = std::uint32_t (*)(const TEncoderConfig* config, std::uint32_t* samplesPerChunk,
                                           std::uint32_t* outputBytes, std::uint32_t* stream);
// Encodes samples 16-bit values (at most one chunk; interleaved when the
// stream is not mono).
using PFN_beEncodeChunk = std::uint32_t (*)(std::uint32_t stream, std::uint32_t samples, const std::int16_t* pcm,
                                            std::uint8_t* output, std::uint32_t* produced);
// Encodes what the stream still holds and ends it; the last MP3 bytes.
using PFN_beDeinitStream = std::uint32_t (*)(std::uint32_t stream, std::uint8_t* output, std::uint32_t* produced);
using PFN_beCloseStream = std::uint32_t (*)(std::uint32_t stream);
// Writes the VBR header of the stream ended last into the finished file.
using PFN_beWriteVBRHeader = std::uint32_t (*)(const char* path);
using PFN_beVersion = void (*)(TEncoderVersion* version);
