#pragma once
// The codec layer: conversion streams between a compressed (or PCM) format
// and PCM, in the manner of an audio compression manager.
//
// A stream is opened for a (source, destination) pair and refused when no
// driver converts between the two. It converts whole source blocks only and
// reports the bytes it took and the bytes it made; what it did not take the
// caller hands over again. Sizes answer for whole blocks: less than one
// block sizes to 0, which is why callers scale small requests up.
//
// Drivers: G.711 A-law (6) and mu-law (7), IMA ADPCM (0x11), Microsoft ADPCM
// (2) and GSM 6.10 (0x31) are built in, each decoding to 16-bit PCM at the
// source's rate and channels. The sound engine adds the drivers it owns (its
// PCM rate, width and channel converter; MPEG layer 3 in WAV, 0x55) through
// CodecLayerAddDriver, so this layer never depends on the engine.
//
// Every format pointer handed in points at the 18-byte record followed by
// its cbSize extension bytes, all owned by the caller.

#include <cstdint>
#include <memory>

#include "platform/mm_result.h"
#include "platform/wave_format.h"

// No driver converts between the two formats.
inline constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
// A header was converted without being prepared first.
inline constexpr MMRESULT ACMERR_UNPREPARED = 514;

// acmStreamSize: the input is a source length (the answer is the destination
// length it converts to) or a destination length (the answer is the source
// length that converts into at most that much).
inline constexpr std::uint32_t ACM_STREAMSIZEF_SOURCE = 0;
inline constexpr std::uint32_t ACM_STREAMSIZEF_DESTINATION = 1;
// acmFormatSuggest: keep the destination's format tag as given.
inline constexpr std::uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x10000;
// acmFormatTagDetails: the details of the tag given in the record.
inline constexpr std::uint32_t ACM_FORMATTAGDETAILSF_FORMATTAG = 1;

// One open conversion, made by a driver.
class ICodecStream {
public:
    virtual ~ICodecStream() = default;
    // Destination bytes that sourceBytes convert to (whole blocks; 0 for
    // less than one source block).
    virtual std::uint32_t DestinationBytesFor(std::uint32_t sourceBytes) const = 0;
    // Source bytes that convert into at most destinationBytes (whole blocks;
    // 0 when not even one destination block fits).
    virtual std::uint32_t SourceBytesFor(std::uint32_t destinationBytes) const = 0;
    // Converts as many whole source blocks as the source holds and the
    // destination has room for. *sourceUsed and *destinationUsed get the
    // bytes taken and made. State carries from one call to the next (a
    // stream is restarted by opening a new one). false on a failure that
    // makes nothing.
    virtual bool Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                         std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                         std::uint32_t* destinationUsed) = 0;
};

// A family of conversions. Drivers live as long as the process.
class ICodecDriver {
public:
    virtual ~ICodecDriver() = default;
    // A short name that is unique among drivers.
    virtual const char* Name() const = 0;
    // The display name of a format tag this driver decodes, else null.
    virtual const char* TagName(std::uint16_t formatTag) const = 0;
    // A stream between the two formats, or null when this driver cannot
    // convert between them (or the source record is unusable).
    virtual std::unique_ptr<ICodecStream> Open(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) = 0;
    // Fills *destination (18 bytes) with the PCM format this driver makes
    // of source; false when it does not decode source.
    virtual bool SuggestPCM(const WAVEFORMATEX* source, WAVEFORMATEX* destination) const = 0;
};

// Driver ids start at 1; 0 means none.
using HACMDRIVERID = std::uint32_t;
struct TCodecStreamHandle;
using HACMSTREAM = TCodecStreamHandle*;
struct TCodecDriverHandle;
using HACMDRIVER = TCodecDriverHandle*;

// Adds a driver after those already there (open tries drivers in order).
// A driver whose name is already registered is not added again. Returns the
// driver's id (the existing one for a repeated name); 0 for a null driver.
HACMDRIVERID CodecLayerAddDriver(std::unique_ptr<ICodecDriver> driver);

// Opens a stream from source to destination on the first driver that can
// convert between them. ACMERR_NOTPOSSIBLE when none can.
MMRESULT acmStreamOpen(HACMSTREAM* stream, const WAVEFORMATEX* source, const WAVEFORMATEX* destination);
MMRESULT acmStreamClose(HACMSTREAM stream);
// The id of the driver behind an open stream.
MMRESULT acmDriverID(HACMSTREAM stream, HACMDRIVERID* driverId);
// Sizes by source or by destination (ACM_STREAMSIZEF_*). ACMERR_NOTPOSSIBLE,
// with *output 0, when the answer is less than one block.
MMRESULT acmStreamSize(HACMSTREAM stream, std::uint32_t input, std::uint32_t* output, std::uint32_t flags);

// The buffers of one conversion call. The status word records preparation.
struct TCodecStreamHeader {
    std::uint32_t status = 0;
    const std::uint8_t* source = nullptr;
    std::uint32_t sourceBytes = 0;
    std::uint32_t sourceUsed = 0;
    std::uint8_t* destination = nullptr;
    std::uint32_t destinationBytes = 0;
    std::uint32_t destinationUsed = 0;
};
// Checks the header's buffers and marks it prepared.
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, TCodecStreamHeader* header);
// Converts the header's source into its destination (flags must be 0);
// sourceUsed and destinationUsed get the bytes taken and made.
MMRESULT acmStreamConvert(HACMSTREAM stream, TCodecStreamHeader* header, std::uint32_t flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, TCodecStreamHeader* header);

// Fills destination (destinationSize bytes, at least 18) with a PCM format
// that source converts to: same channels and rate, 16 bits. With
// ACM_FORMATSUGGESTF_WFORMATTAG the destination's tag must stay (only PCM,
// tag 1, is ever suggested).
MMRESULT acmFormatSuggest(const WAVEFORMATEX* source, WAVEFORMATEX* destination,
                          std::uint32_t destinationSize, std::uint32_t flags);

MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID driverId);
MMRESULT acmDriverClose(HACMDRIVER driver);

// The longest tag name, terminator included.
inline constexpr std::uint32_t kCodecTagNameChars = 128;
struct TCodecTagDetails {
    std::uint16_t formatTag = 0;  // in: the tag asked about
    char name[kCodecTagNameChars] = {};  // out: its display name
};
// The display name of details->formatTag from the open driver (flags
// ACM_FORMATTAGDETAILSF_FORMATTAG). ACMERR_NOTPOSSIBLE for a tag the driver
// does not know.
MMRESULT acmFormatTagDetails(HACMDRIVER driver, TCodecTagDetails* details, std::uint32_t flags);
