#pragma once
// CWMABuffer: the decoded-stream buffer of WMA songs. The WMA decoding
// object reads the file itself, so reading and seeking go by the song's time
// rather than by its bytes; the buffer's stream only follows along (its
// position stands for the source bytes of the decoded time), so that those
// who look at it see the song's progress.

#include <cstdint>

#include "tonecore/load/acm_buffer.h"

class WMAObject;

class CWMABuffer : public CACMBuffer {
public:
    explicit CWMABuffer(CSeekMap* seekMap) : CACMBuffer(seekMap) {}
    CWMABuffer(const CWMABuffer& other) : CACMBuffer(other) {}
    CWMABuffer& operator=(const CWMABuffer&) = delete;

    CPCMBuffer* Copy() override;
    // Up to n decoded bytes; 0 once the song has ended (the reader is then
    // closed) or when its reader is not open. In loop mode the song starts
    // over at its end.
    std::int64_t ReadData(BYTE* destination, std::uint32_t n) override;
    // Restarts decoding at the decoded byte position. 0 when the position
    // lies past the song or the reader cannot be started.
    int Seek(std::int64_t position) override;

private:
    WMAObject* Decoder() const;
    struct TPass {
        std::uint32_t delivered = 0;
        bool full = false;    // the read is served; the rest became the leftover
        bool failed = false;  // nothing came: the passes end
    };
    // One pass of decoding into destination, which has room bytes.
    TPass ReadPass(BYTE* destination, std::uint32_t room, std::int64_t wanted);
};
