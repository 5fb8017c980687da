#pragma once
// Finds MPEG audio frames in the input, reads each frame's bytes, keeps the
// layer III main-data reservoir and hands bits to the layer decoders.
//
// Reading is resumable: every byte comes through a source that delivers the
// whole count or fails, and a failed read leaves the reader at the step it
// was in, so the same call can be repeated once more bytes are there (the
// streaming memory input answers DECODER_ERR_NEED_DATA until the host pushes
// more). A frame split across pushes is read exactly as one push.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/mpeg_header.h"

struct DecoderControl;

// Where the bytes come from. `read` fills exactly `count` bytes and returns 0,
// or returns a negative code and consumes nothing it has not handed over.
struct TMpegByteSource {
    void* context = nullptr;
    std::int32_t (*read)(void* context, std::uint8_t* buffer, std::uint32_t count) = nullptr;
};

// The decoder's ReadInput service as a byte source.
TMpegByteSource MpegByteSourceFromDecoder(DecoderControl* control);

enum class EMpegMainData {
    Ready,    // Bits() now reads the granules' main data
    Missing,  // the reservoir does not reach back far enough: play silence
    Corrupt,  // the frame asks for more main data than the stream holds: abandon it
};

class CMpegFrameReader {
public:
    // The largest frame is 1729 bytes (layer II, 384 kbit/s, 32 kHz, padded).
    static constexpr std::size_t kFrameBufferBytes = 2048;
    static constexpr std::size_t kReservoirBytes = 4096;
    // Bytes one NextFrame call searches for a sync before it answers
    // DECODER_ERR_NO_FRAME (the next call goes on where it stopped): a few
    // dozen of the largest frames.
    static constexpr std::uint32_t kMaxScanBytesPerCall = 65536;

    CMpegFrameReader();

    // Returns 0 with the next frame's header when a frame is ready,
    // DECODER_ERR_NO_FRAME when a new sync was not confirmed by the header
    // after it (the frame is dropped) or no sync turned up in
    // kMaxScanBytesPerCall bytes, or the source's error (the call can be
    // repeated; DECODER_ERR_END_OF_INPUT ends the stream).
    std::int32_t NextFrame(const TMpegByteSource& source, MpegFrameHeader& header);

    // Empties the reservoir and forgets any partial frame and sync state.
    void Reset();

    // The frame's bytes after the 4-byte header: the whole body for layers I
    // and II, the CRC (when present) and side information for layer III.
    std::span<const std::uint8_t> FrameBytes() const { return {frame_.data(), frameBytes_}; }

    // The bit reader of the current frame: over FrameBytes() after
    // NextFrame, positioned after the CRC; over the main data after
    // MainData returned Ready. It never reads past its buffer.
    CBitReader& Bits() { return bits_; }

    // Layer III: assembles this frame's main data, which begins
    // `mainDataBegin` bytes before the frame's own main data in the reservoir
    // and is `bitCount` bits long (the sum of the granules' part2_3_length).
    EMpegMainData MainData(std::uint32_t mainDataBegin, std::uint32_t bitCount);

    // Layer III: the main-data bytes this frame carried (after its side
    // information), in stream order.
    std::vector<std::uint8_t> FrameMainBytes() const;

    // Layer III: the reservoir bytes that were there before this frame.
    std::uint32_t ReservoirBytesBefore() const { return reservoirBefore_; }

private:
    enum EStep {
        kStepHeader = 0,
        kStepBody = 1,
        kStepMainFirst = 2,
        kStepMainSecond = 3,
        kStepConfirm = 4,
        kStepConfirmApeTag = 5,  // "APET" followed the frame: is it "APETAGEX"?
    };

    std::int32_t FindHeader(const TMpegByteSource& source);
    std::int32_t ReadBody(const TMpegByteSource& source);
    void FinishBody();
    std::int32_t Confirm(const TMpegByteSource& source, MpegFrameHeader& header);
    std::int32_t ConfirmApeTag(const TMpegByteSource& source, MpegFrameHeader& header);
    std::int32_t PassFrame(MpegFrameHeader& header);
    std::int32_t DropFrame(std::uint32_t resumeWord);

    std::array<std::uint8_t, kFrameBufferBytes> frame_{};
    std::size_t frameBytes_ = 0;
    std::array<std::uint8_t, kReservoirBytes> reservoir_{};
    std::array<std::uint8_t, kFrameBufferBytes> mainData_{};
    CBitReader bits_;

    int step_ = kStepHeader;
    MpegFrameHeader current_{};
    MpegFrameHeader held_{};
    bool hasHeld_ = false;
    bool confirmed_ = false;
    // Sync search state, kept across failed reads so that no byte is lost.
    std::uint32_t syncWord_ = 0;
    bool hasSyncWord_ = false;

    std::uint32_t reservoirWrite_ = 0;     // next byte written into the ring
    std::uint32_t reservoirValid_ = 0;     // bytes the ring holds, at most kReservoirBytes
    std::uint32_t reservoirBefore_ = 0;    // ... before the current frame's main data
    std::uint32_t frameMainStart_ = 0;     // ring position of the current frame's main data
    std::uint32_t frameMainBytes_ = 0;
};
