#pragma once
// The decoding core of the reader: FFmpeg's demuxer and decoder for the first
// audio stream of an ASF file, and libswresample to turn its samples into
// 16-bit interleaved PCM at the file's rate with at most two channels (more
// are mixed down). Times are in 100-nanosecond units.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mediacore/asf_header.h"
#include "mediacore/wm_types.h"

// One decoded block: PCM bytes and the span of the song they cover.
struct TPcmChunk {
    QWORD time = 0;
    QWORD duration = 0;
    std::vector<BYTE> bytes;
};

class CPcmDecoder {
public:
    CPcmDecoder();
    ~CPcmDecoder();
    CPcmDecoder(const CPcmDecoder&) = delete;
    CPcmDecoder& operator=(const CPcmDecoder&) = delete;

    // MEDIACORE_E_FILE when the file cannot be read, MEDIACORE_E_BAD_HEADER
    // when it is not ASF, MEDIACORE_E_PROTECTED when its content is
    // encrypted, MEDIACORE_E_NO_AUDIO when no audio stream can be decoded.
    HRESULT Open(const std::string& path);
    void Close();
    bool IsOpen() const;

    // The PCM that Next delivers; valid while open.
    const WAVEFORMATEX& Format() const;
    // The file's parsed header.
    const TAsfHeader& Header() const;
    // The ASF number of the audio stream.
    WORD StreamNumber() const;

    // Places the song so that the next chunk starts at or before time and
    // reaches past it (or is the song's first chunk). The chunks before it
    // are decoded and dropped, so the first one comes out as it does in a
    // decode from the start.
    HRESULT Seek(QWORD time);
    // The next chunk; S_FALSE after the last.
    HRESULT Next(TPcmChunk& chunk);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};
