#include "tonecore/mpeg/mpeg_frame_reader.h"

#include <algorithm>
#include <cstring>

#include "tonecore/mpeg/byte_order.h"
#include "tonecore/mpeg/decoder.h"

namespace {

std::int32_t ReadFromDecoder(void* context, std::uint8_t* buffer, std::uint32_t count) {
    auto* control = static_cast<DecoderControl*>(context);
    return control->services.ReadInput(control, buffer, count);
}

}  // namespace

TMpegByteSource MpegByteSourceFromDecoder(DecoderControl* control) {
    return TMpegByteSource{control, ReadFromDecoder};
}

CMpegFrameReader::CMpegFrameReader() {
    Reset();
}

void CMpegFrameReader::Reset() {
    step_ = kStepHeader;
    hasHeld_ = false;
    confirmed_ = false;
    hasSyncWord_ = false;
    syncWord_ = 0;
    reservoirWrite_ = 0;
    reservoirValid_ = 0;
    reservoirBefore_ = 0;
    frameMainStart_ = 0;
    frameMainBytes_ = 0;
    frameBytes_ = 0;
    bits_.Reset(frame_.data(), 0);
}

std::int32_t CMpegFrameReader::FindHeader(const TMpegByteSource& source) {
    if (hasHeld_) {
        current_ = held_;
        hasHeld_ = false;
        return 0;
    }
    std::uint32_t scanned = 0;
    for (;;) {
        if (!hasSyncWord_) {
            std::uint8_t bytes[4];
            if (const std::int32_t result = source.read(source.context, bytes, 4); result != 0) return result;
            syncWord_ = MpegBigEndian32(bytes);
            hasSyncWord_ = true;
        }
        if (MpegHasSync(syncWord_)) {
            const MpegFrameHeader header = MpegParseHeader(syncWord_);
            if (MpegHeaderIsValid(header)) {
                hasSyncWord_ = false;
                current_ = header;
                return 0;
            }
        }
        // Slide by one byte only: a real sync may begin inside the rejected
        // word.
        confirmed_ = false;
        // A long run without a frame is searched over several calls, so that
        // no single call scans a whole file of garbage; the search resumes
        // from the same word.
        if (++scanned > kMaxScanBytesPerCall) return DECODER_ERR_NO_FRAME;
        std::uint8_t next = 0;
        if (const std::int32_t result = source.read(source.context, &next, 1); result != 0) return result;
        syncWord_ = (syncWord_ << 8) | next;
    }
}

std::int32_t CMpegFrameReader::ReadBody(const TMpegByteSource& source) {
    const std::uint32_t frameLength = MpegFrameLength(current_);
    std::uint32_t bodyBytes = frameLength - 4;
    frameMainBytes_ = 0;
    if (MpegLayer(current_) == 3) {
        const std::uint32_t crcBytes = current_.protection == 0 ? 2 : 0;
        const std::uint32_t sideBytes = MpegSideInfoLength(current_) + crcBytes;
        // Every valid layer III frame is longer than its side information.
        frameMainBytes_ = bodyBytes > sideBytes ? bodyBytes - sideBytes : 0;
        bodyBytes = std::min(bodyBytes, sideBytes);
    }
    if (const std::int32_t result = source.read(source.context, frame_.data(), bodyBytes); result != 0) return result;
    frameBytes_ = bodyBytes;
    return 0;
}

void CMpegFrameReader::FinishBody() {
    bits_.Reset(frame_.data(), frameBytes_);
    if (current_.protection == 0) bits_.SkipBits(16);  // the CRC is not checked
    if (MpegLayer(current_) == 3) {
        reservoirValid_ = std::min<std::uint32_t>(reservoirValid_ + frameMainBytes_, kReservoirBytes);
    }
}

std::int32_t CMpegFrameReader::NextFrame(const TMpegByteSource& source, MpegFrameHeader& header) {
    if (source.read == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    for (;;) {
        switch (step_) {
            case kStepHeader: {
                if (const std::int32_t result = FindHeader(source); result != 0) return result;
                step_ = kStepBody;
                break;
            }
            case kStepBody: {
                if (const std::int32_t result = ReadBody(source); result != 0) return result;
                if (MpegLayer(current_) == 3) {
                    frameMainStart_ = reservoirWrite_;
                    reservoirBefore_ = reservoirValid_;
                    step_ = kStepMainFirst;
                } else {
                    FinishBody();
                    step_ = kStepConfirm;
                }
                break;
            }
            case kStepMainFirst: {
                const std::uint32_t first =
                    std::min<std::uint32_t>(frameMainBytes_, kReservoirBytes - frameMainStart_);
                if (first != 0) {
                    const std::int32_t result = source.read(source.context, reservoir_.data() + frameMainStart_, first);
                    if (result != 0) return result;
                }
                reservoirWrite_ = (frameMainStart_ + first) % kReservoirBytes;
                if (first < frameMainBytes_) {
                    step_ = kStepMainSecond;
                } else {
                    FinishBody();
                    step_ = kStepConfirm;
                }
                break;
            }
            case kStepMainSecond: {
                const std::uint32_t rest = frameMainBytes_ - (kReservoirBytes - frameMainStart_);
                if (const std::int32_t result = source.read(source.context, reservoir_.data(), rest); result != 0) {
                    return result;
                }
                reservoirWrite_ = rest;
                FinishBody();
                step_ = kStepConfirm;
                break;
            }
            case kStepConfirmApeTag:
                return ConfirmApeTag(source, header);
            default:
                return Confirm(source, header);
        }
    }
}

std::int32_t CMpegFrameReader::PassFrame(MpegFrameHeader& header) {
    step_ = kStepHeader;
    header = current_;
    return 0;
}

// Dropped: its main data leaves the reservoir again, and the search goes on
// from the word just read.
std::int32_t CMpegFrameReader::DropFrame(std::uint32_t resumeWord) {
    step_ = kStepHeader;
    if (MpegLayer(current_) == 3) {
        reservoirWrite_ = frameMainStart_;
        reservoirValid_ = reservoirBefore_;
    }
    frameBytes_ = 0;
    bits_.Reset(frame_.data(), 0);
    syncWord_ = resumeWord;
    hasSyncWord_ = true;
    return DECODER_ERR_NO_FRAME;
}

// A frame found after lost sync counts only when what follows it confirms
// it: a valid header, the end of the input, or a tag that ends the audio
// (an ID3v1 "TAG" or an APE "APETAGEX" block), so that a stream of a single
// frame still plays.
std::int32_t CMpegFrameReader::Confirm(const TMpegByteSource& source, MpegFrameHeader& header) {
    if (confirmed_) return PassFrame(header);
    std::uint8_t bytes[4];
    const std::int32_t result = source.read(source.context, bytes, 4);
    if (result == DECODER_ERR_END_OF_INPUT) return PassFrame(header);
    if (result != 0) return result;
    const std::uint32_t word = MpegBigEndian32(bytes);
    if (MpegHasSync(word) && MpegHeaderIsValid(MpegParseHeader(word))) {
        held_ = MpegParseHeader(word);
        hasHeld_ = true;
        confirmed_ = true;
        return PassFrame(header);
    }
    if (std::memcmp(bytes, "TAG", 3) == 0) {
        // The search goes on through the tag to the end of the input.
        syncWord_ = word;
        hasSyncWord_ = true;
        return PassFrame(header);
    }
    if (std::memcmp(bytes, "APET", 4) == 0) {
        step_ = kStepConfirmApeTag;
        return ConfirmApeTag(source, header);
    }
    return DropFrame(word);
}

std::int32_t CMpegFrameReader::ConfirmApeTag(const TMpegByteSource& source, MpegFrameHeader& header) {
    std::uint8_t bytes[4];
    const std::int32_t result = source.read(source.context, bytes, 4);
    if (result == DECODER_ERR_END_OF_INPUT) return PassFrame(header);
    if (result != 0) return result;  // the step is kept: the call can be repeated
    const std::uint32_t word = MpegBigEndian32(bytes);
    if (std::memcmp(bytes, "AGEX", 4) == 0) {
        syncWord_ = word;
        hasSyncWord_ = true;
        return PassFrame(header);
    }
    // No sync can begin inside "APET" (a sync starts with 0xFF), so the
    // search resumes from the word after it.
    return DropFrame(word);
}

EMpegMainData CMpegFrameReader::MainData(std::uint32_t mainDataBegin, std::uint32_t bitCount) {
    if (mainDataBegin > reservoirBefore_) return EMpegMainData::Missing;
    const std::uint64_t available = std::uint64_t{mainDataBegin} + frameMainBytes_;
    const std::uint64_t bytes = (std::uint64_t{bitCount} + 7) / 8;
    if (bytes > available || bytes > mainData_.size()) return EMpegMainData::Corrupt;
    const std::uint32_t start = (frameMainStart_ + kReservoirBytes - mainDataBegin) % kReservoirBytes;
    const std::size_t first = std::min<std::size_t>(bytes, kReservoirBytes - start);
    std::memcpy(mainData_.data(), reservoir_.data() + start, first);
    std::memcpy(mainData_.data() + first, reservoir_.data(), bytes - first);
    bits_.Reset(mainData_.data(), bytes);
    return EMpegMainData::Ready;
}

std::vector<std::uint8_t> CMpegFrameReader::FrameMainBytes() const {
    std::vector<std::uint8_t> bytes(frameMainBytes_);
    for (std::uint32_t i = 0; i < frameMainBytes_; ++i) bytes[i] = reservoir_[(frameMainStart_ + i) % kReservoirBytes];
    return bytes;
}
