#pragma once
// _bufferType: one block of PCM handed between the mixer, the sounds and the
// effects, either interleaved in the format's own width or split into one
// array per channel at a chosen precision. Values in split arrays keep the
// 16-bit scale: an 8-bit sample b becomes (b - 128) x 256.
//
// The CopyToNewBuffer family makes split-channel copies for callers that
// want them. A record made by it holds its format by value (ownFormat, which
// format then points at), so freeing the record frees everything.

#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"

enum TPrecisionType : std::int32_t {
    kPrecisionInterleaved = 0,  // the format's own width, channels interleaved
    kPrecisionInt16 = 1,        // one array per channel of int16
    kPrecisionInt32 = 2,        // one array per channel of int32
    kPrecisionFloat = 3,        // one array per channel of float
    kPrecisionDouble = 4,       // one array per channel of double (any other value too)
};

struct _bufferType {
    TPrecisionType precision = kPrecisionInterleaved;
    const WAVEFORMATEX* format = nullptr;
    // Bytes of data (of each channel array for split precisions).
    std::uint32_t size = 0;
    // Bytes written per channel array by CopyBufferData.
    std::uint32_t used = 0;
    // Frames (samples per channel) held.
    std::uint32_t frames = 0;
    // The interleaved data, or the first channel's array.
    void* data = nullptr;
    // The second channel's array; null for mono.
    void* data2 = nullptr;
    // The format of a record made by CopyToNewBuffer.
    WAVEFORMATEX ownFormat = {};
};

// Copies an interleaved source into destination: into interleaved data of
// the destination format's width (8 to 16 bits: (b - 128) x 256; 16 to 8:
// (v >> 8) + 128), or into split arrays at the destination's precision. Only
// source->frames whole frames are read and only destination->size bytes per
// array written; used gets the bytes written per array. A null source data
// pointer zero-fills destination's arrays over destination->size bytes and
// sets used to 0. A split source copies nothing.
void CopyBufferData(const _bufferType* source, _bufferType* destination);

// A new record holding the interleaved data (bytes long, whole frames only)
// split into one array per channel at the given precision (interleaved
// precision is refused). Null when the format is not 8/16-bit mono/stereo or
// memory runs out. Free it with DeleteBufferPtr.
_bufferType* CopyToNewBuffer(const WAVEFORMATEX* format, const void* data, std::uint32_t bytes,
                             TPrecisionType precision);
// The same with the source record's format, data and size.
_bufferType* CopyToNewBuffer(const _bufferType* source, TPrecisionType precision);
// A copy of the record with arrays of its own.
_bufferType* CopyToNewBuffer(const _bufferType* source);

// Frees the record's arrays (either may be null) and nulls them.
void DeleteStaticBuffer(_bufferType* buffer);
// Frees the arrays and the record and nulls the caller's pointer; nothing for
// a null pointer.
void DeleteBufferPtr(_bufferType*& buffer);
