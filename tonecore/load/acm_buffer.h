#pragma once
// CACMBuffer: the decoded-stream buffer. A PCM buffer whose reading and
// seeking go through a decoding object, so that a sound reads decoded PCM
// as if its file held PCM. Positions are bytes of the decoded (destination)
// format.
//
// Reads are sized so that one read of the source decodes to at least the
// bytes asked for (and at most about 600000 bytes); decoded bytes beyond
// the request are kept as the leftover and served first by the next read.
// A seek restarts decoding: with a seek map from the map's entry at or
// before the target, otherwise from the proportional source block; then it
// decodes forward to the exact target.

#include <cstdint>
#include <vector>

#include "tonecore/pcm/pcm_buffer.h"

class ACMObject;
class CSeekMap;

class CACMBuffer : public CPCMBuffer {
public:
    // seekMap may be null; the buffer holds one reference on it.
    explicit CACMBuffer(CSeekMap* seekMap);
    // The other's PCM-buffer set-up and seek map (one more reference); no
    // decoding object and no leftover.
    CACMBuffer(const CACMBuffer& other);
    CACMBuffer& operator=(const CACMBuffer&) = delete;
    ~CACMBuffer() override;

    void SetACMObject(ACMObject* decoder) { decoder_ = decoder; }
    ACMObject* GetACMObject() const { return decoder_; }
    // Releases the old map and references the new one (may be null).
    void SetSeekMap(CSeekMap* seekMap);
    CSeekMap* GetSeekMap() const { return seekMap_; }

    // The source bytes to read (into sourceBytes) for at least wanted
    // decoded bytes; returns their decoded size.
    std::int64_t BufferSanityAdjust(std::int64_t wanted, std::int64_t& sourceBytes);

    CPCMBuffer* Copy() override;
    // Frees the kept source block too.
    void LowActivityMode() override;
    // Up to n decoded bytes; the bytes delivered.
    std::int64_t ReadData(BYTE* destination, std::uint32_t n) override;
    // Places decoding at the decoded byte position. 0 when the source cannot
    // be placed or the decoder fails.
    int Seek(std::int64_t position) override;

    std::int64_t DecodedPosition() const { return decodedPosition_; }
    std::int64_t SourceBlockCount() const { return sourceBlockCount_; }
    std::size_t LeftoverBytes() const { return leftover_.size() - leftoverAt_; }

protected:
    // Takes up to n leftover bytes into destination; the bytes taken.
    std::uint32_t ServeLeftover(BYTE* destination, std::uint32_t n);
    void DropLeftover();
    // At the end of the data: up to n bytes the decoding object still holds.
    std::uint32_t DrainDecoder(BYTE* destination, std::uint32_t n);
    // Before a looped window wraps: appends everything the decoding object
    // still holds of this round to decoded.
    void DrainDecoderInto(std::vector<std::uint8_t>& decoded);
    // The conversion flag for the next call, marking conversion started.
    int NextFlag();

    ACMObject* decoder_ = nullptr;
    std::int64_t sourceBlockCount_ = 0;
    std::vector<std::uint8_t> leftover_;
    std::size_t leftoverAt_ = 0;
    std::int64_t decodedPosition_ = 0;
    std::vector<std::uint8_t> sourceBlock_;
    int conversionStarted_ = 0;
    CSeekMap* seekMap_ = nullptr;
};
