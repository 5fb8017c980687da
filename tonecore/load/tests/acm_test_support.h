#pragma once
// Helpers for the decoding-object tests: compressed data in a memory stream
// with a data window, the codec layer's straight decode of the same data as
// the reference, and reads through a decoded-stream buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "filekit/mem_obj.h"
#include "platform/codec_layer.h"
#include "tonecore/load/acm_buffer.h"
#include "tonecore/load/acm_object.h"

namespace acmtest {

// A memory stream holding `prefix` bytes of something else, then data as its
// data window. The caller releases it with DeleteRefObject.
inline CMemObj* WindowStream(const std::vector<std::uint8_t>& data, std::size_t prefix = 44) {
    std::vector<std::uint8_t> bytes(prefix, 0xEE);
    bytes.insert(bytes.end(), data.begin(), data.end());
    auto* stream = new CMemObj;
    stream->Open(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream->SetDataOffsets(static_cast<std::int64_t>(prefix), static_cast<std::int64_t>(bytes.size()));
    return stream;
}

// The whole of data decoded by one codec-layer stream in one call.
inline std::vector<std::uint8_t> StraightDecode(const WAVEFORMATEX* source, const WAVEFORMATEX* destination,
                                                const std::vector<std::uint8_t>& data) {
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, source, destination), MMSYSERR_NOERROR);
    if (stream == nullptr) return {};
    std::uint32_t size = 0;
    acmStreamSize(stream, static_cast<std::uint32_t>(data.size()), &size, ACM_STREAMSIZEF_SOURCE);
    std::vector<std::uint8_t> out(size);
    TCodecStreamHeader header;
    header.source = data.data();
    header.sourceBytes = static_cast<std::uint32_t>(data.size());
    header.destination = out.data();
    header.destinationBytes = size;
    if (size > 0 && acmStreamPrepareHeader(stream, &header) == MMSYSERR_NOERROR) {
        acmStreamConvert(stream, &header, 0);
        acmStreamUnprepareHeader(stream, &header);
    }
    acmStreamClose(stream);
    out.resize(header.destinationUsed);
    return out;
}

// Reads n decoded bytes through the buffer in pieces of `piece` bytes (fewer
// at the end of the data).
inline std::vector<std::uint8_t> ReadThrough(CACMBuffer& buffer, std::size_t n, std::uint32_t piece) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> chunk(piece);
    while (out.size() < n) {
        const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(piece, n - out.size()));
        const std::int64_t got = buffer.ReadData(chunk.data(), want);
        if (got <= 0) break;
        out.insert(out.end(), chunk.begin(), chunk.begin() + got);
    }
    return out;
}

// A buffer reading source through decoder, over the given map (may be null).
struct TBufferedSource {
    CACMBuffer* buffer = nullptr;

    TBufferedSource(ACMObject& decoder, CRefObj* source, CSeekMap* seekMap) {
        buffer = decoder.NewBuffer(seekMap);
        buffer->SetACMObject(&decoder);
        buffer->SetRefObj(source);
    }
    ~TBufferedSource() { delete buffer; }
    TBufferedSource(const TBufferedSource&) = delete;
    TBufferedSource& operator=(const TBufferedSource&) = delete;
};

}  // namespace acmtest
