#pragma once
// The records that cross between the program and the drive library: the
// write parameter block with its track entries and burn events, the
// extraction block with its rip events, and the track table a drive fills.
//
// Both sides are built from this header, so the records are typed structs
// with their fields in the interface's order rather than byte images: the
// contexts and callbacks are pointer-sized on a 64-bit system.

#include <cstdint>

#include "platform/types.h"

// ------------------------------------------------------------ engine set-up

// The engine the program asks for and the one the library uses. A request
// for either of the last two is served by the Zent engine, under which
// speed numbers are X values; under the GoldenHawk engine they are indexes
// into the drive's ascending speed list.
enum TBurningEngine : std::int32_t {
    kEngineGoldenHawk = 0,
    kEngineZent = 1,
    kEngineNotChosen = 2,
};

// The kinds of report the set-up progress callback receives.
enum TProgressTypes : std::int32_t {
    kProgressShow = 0,
    kProgressHide = 1,
    kProgressCaption = 2,  // data: the caption text (a const char*), or 0
    kProgressRange = 3,    // data: the upper end of the range
    kProgressStepSize = 4, // data: the step
    kProgressStep = 5,
};

using TPlatterProgressCallback = void (*)(void* context, TProgressTypes type, std::intptr_t data);

// -------------------------------------------------------- drive properties

// Capability bits of a drive.
inline constexpr std::uint32_t PLATTER_CAP_CDTEXT = 0x40;
inline constexpr std::uint32_t PLATTER_CAP_WRITER = 0x200;
inline constexpr std::uint32_t PLATTER_CAP_BURNPROOF = 0x800;

// Media status after a refresh. 0 is never reported: the program takes only
// 1 as "no disc".
inline constexpr std::int32_t PLATTER_MEDIA_NONE = 1;
inline constexpr std::int32_t PLATTER_MEDIA_WRITTEN = 2;  // a disc that cannot be written
inline constexpr std::int32_t PLATTER_MEDIA_BLANK_CDR = 3;
inline constexpr std::int32_t PLATTER_MEDIA_BLANK_CDRW = 4;

// A write speed the drive lists but cannot use.
inline constexpr std::uint8_t PLATTER_SPEED_UNUSABLE = 255;
// The speed byte of a write block that asks for the drive's fastest speed.
inline constexpr std::uint8_t PLATTER_SPEED_MAXIMUM = 255;

// Red Book audio: 2352 bytes a sector, 75 sectors a second.
inline constexpr std::int32_t PLATTER_SECTOR_BYTES = 2352;
inline constexpr std::int32_t PLATTER_SECTORS_PER_SECOND = 75;
inline constexpr std::int32_t PLATTER_BYTES_PER_SECOND = 176400;

// Tracks a disc can hold (Red Book: track numbers 1 to 99).
inline constexpr int PLATTER_MAX_TRACKS = 99;

// One row of a drive's track table. Frames are sectors; start frames count
// the 150-frame lead-in (logical block address + 150), as the disc ID and
// the CDDB query take them.
struct PLATTER_TTrackInfo {
    std::int32_t startFrame = 0;
    std::int32_t lengthFrames = 0;
    std::int32_t minutes = 0;  // length
    std::int32_t seconds = 0;
    std::int32_t frames = 0;
    std::uint8_t dataTrack = 0;  // 1 for a data (not audio) track
};

// ------------------------------------------------------------ write block

// Kinds of file a track entry names.
inline constexpr std::uint8_t PLATTER_FILE_WAV_CONVERTED = 4;
inline constexpr std::uint8_t PLATTER_FILE_WAV_ORIGINAL = 5;
inline constexpr std::uint8_t PLATTER_FILE_MP3 = 8;

struct TWriteTrackEntry {
    const char* path = nullptr;      // the file to write (modes with files)
    std::int32_t reserved4 = 0;
    std::int32_t reserved8 = 0;
    std::int32_t gapSectors = 0;     // silence after the track
    std::int16_t bytesPerSector = PLATTER_SECTOR_BYTES;
    std::uint8_t fileType = 0;       // PLATTER_FILE_*
    std::uint8_t reserved19 = 0;
    std::int32_t reserved20 = 0;
    std::int32_t reserved24 = 0;
    std::int32_t reserved28 = 0;
    std::int32_t reserved32[2] = {};
    std::int32_t reserved40 = 0;
    std::int32_t reserved44[3] = {};
    std::int32_t lengthBytes = 0;    // the track's length as the program laid it out
};

// The event record the library hands to the block's event callback.
struct TBurnEvent {
    std::int32_t code = 0;
    std::int32_t reserved4 = 0;
    std::int32_t trackNumber = 0;
    std::int32_t blocksToRecord = 0;
};

// Burn event codes the library reports.
enum TBurnEventCode : std::int32_t {
    EVENT_GAPTYPE_PREGAP = 0,
    EVENT_GAPTYPE_POSTGAP = 1,
    EVENT_GAPTYPE_LEADIN = 2,
    EVENT_GAPTYPE_LEADOUT = 3,
    EVENT_EXCHANGE_DISC_START = 9,
    EVENT_EXCHANGE_DISC_END = 10,
    EVENT_RECORD_GAP_START = 20,
    EVENT_RECORD_USERDATA_START = 23,
    EVENT_RECORD_USERDATA_END = 24,
    EVENT_RECORD_TRACK_START = 25,
    EVENT_RECORD_TRACK_END = 27,
    EVENT_RECORD_LEADIN_START = 28,
    EVENT_RECORD_LEADIN_END = 29,
    EVENT_RECORD_LEADOUT_START = 30,
    EVENT_RECORD_LEADOUT_END = 31,
    EVENT_COMPILE_CUESHEET_START = 43,
    EVENT_COMPILE_CUESHEET_END = 44,
};

using TBurnEventCallback = std::int32_t (*)(void* context, TBurnEvent* event);
// The sink the audio callback renders into: 0 goes on, 1 stops the
// rendering. length is the byte count offered; the sink may lower it to what
// it took.
using TPcmSink = std::int32_t (*)(void* buffer, std::int32_t& length, void* sinkContext);
using TBurnAudioCallback = std::int32_t (*)(void* context, TPcmSink sink, void* sinkContext);

struct TWriteDiscParams {
    std::uint8_t reserved0[18] = {};
    std::uint8_t firstTrack = 1;
    std::uint8_t trackCount = 0;
    TWriteTrackEntry tracks[PLATTER_MAX_TRACKS] = {};
    std::uint8_t writeSpeed = PLATTER_SPEED_MAXIMUM;  // a speed number; 255 the fastest
    std::uint8_t reserved6021 = 0;
    std::uint8_t fixed6022 = 0;
    std::uint8_t fixed6023 = 1;
    std::uint8_t reserved6024 = 0;
    std::uint8_t burnProof = 0;
    std::uint8_t fixed6026 = 0;
    std::uint8_t testWrite = 0;
    std::uint8_t fixed6028 = 0;
    std::uint8_t fixed6029 = 0;
    std::uint8_t fixed6030 = 1;
    std::uint8_t cdText = 0;
    std::uint8_t burnerPrefsValue1 = 0;
    std::int32_t burnerPrefsValue3 = 0;
    std::int32_t fixed6040 = 15;
    std::int32_t burnerPrefsValue2 = 0;
    std::uint8_t onTheFly = 0;
    TBurnEventCallback eventCallback = nullptr;
    void* eventContext = nullptr;
    char cueSheetPath[MAX_PATH] = {};
    TBurnAudioCallback audioCallback = nullptr;
    void* audioContext = nullptr;
    std::uint8_t allowRewritable = 0;
    std::int32_t totalLengthMs = 0;
};

// --------------------------------------------------------- extraction block

// The event record the library hands to the extraction's event callback.
struct TExtractEvent {
    std::int32_t code = 0;
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
};

enum TExtractEventCode : std::int32_t {
    EVENT_EXTRACT_AUDIO_START = 11,    // values: the start and end frames read
    EVENT_EXTRACT_AUDIO_PROGRESS = 12, // value2: frames read since the last report
    EVENT_EXTRACT_AUDIO_END = 13,      // only after the whole track was delivered
};

using TExtractEventCallback = std::int32_t (*)(void* context, TExtractEvent* event);
// data holds count blocks of size bytes (whole 2352-byte sectors).
using TExtractDataCallback = std::int32_t (*)(void* context, const void* data, std::int32_t count,
                                              std::int32_t size);

struct TExtractParams {
    TExtractEventCallback eventCallback = nullptr;
    TExtractDataCallback dataCallback = nullptr;
    void* eventContext = nullptr;
    void* dataContext = nullptr;
    std::int32_t trackNumber = 0;  // disc track number, from 1
    std::int16_t jitterCorrection = 0;  // PLATTER_JITTER_*
    std::int16_t errorCorrection = 0;  // 0 stop, 1 go on with silence, 2 retry
    std::int16_t retryCount = 0;
    std::int16_t spindleSpeed = 0;  // 255 the fastest, else an index into the rip speed list
    // Frames into the track where reading starts (0: its start); it must lie
    // inside the track.
    std::int32_t startFrame = 0;
};

// How ExtractTrack guards against jitter: auto and on verify every read,
// off reads straight through.
inline constexpr std::int16_t PLATTER_JITTER_AUTO = 0;
inline constexpr std::int16_t PLATTER_JITTER_ON = 1;
inline constexpr std::int16_t PLATTER_JITTER_OFF = 2;

// What ExtractTrack does with a sector it cannot read.
inline constexpr std::int16_t PLATTER_READ_ERRORS_STOP = 0;
inline constexpr std::int16_t PLATTER_READ_ERRORS_IGNORE = 1;
inline constexpr std::int16_t PLATTER_READ_ERRORS_RETRY = 2;
