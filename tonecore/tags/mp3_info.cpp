#include "tonecore/tags/mp3_info.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filekit/ref_obj.h"
#include "tonecore/engine/byte_fields.h"
#include "tonecore/tags/id3v2_normalize.h"
#include "tonecore/mpeg/mpeg_header.h"
#include "utilities/text_copy.h"

namespace {

// The scan reads the file through a window of this many bytes.
constexpr std::size_t kScanWindowBytes = 8192;
// Frames the scan examines for the format.
constexpr int kFramesExamined = 10;
// A Xing header's name, flags and frame count.
constexpr std::size_t kXingBytes = 12;
// How far past the tag (or past the last frame found) the scan looks for a
// frame: real files start their audio within a few kilobytes, and a large
// file without any would otherwise be stepped through a byte at a time.
constexpr std::int64_t kFrameSearchBytes = 1 << 20;

MpegFrameHeader Parsed(const CFrameHeader& header) {
    return MpegParseHeader(header.Word());
}

// The summary's sampling-rate class of a frame's rate.
int RateClass(int hz) {
    if (hz <= 11025) return 11025;
    if (hz <= 22050) return 22050;
    return 44100;
}

bool ReadAt(CRefObj* stream, std::int64_t offset, void* out, std::int64_t n) {
    return stream->Seek(offset, 0) && stream->Read(out, n) == n;
}

// Whether a frame that ends at next is followed by a header that matches
// (a predicate on it), or ends the audio exactly (at the file's end or an
// ID3 v1 tag).
template <typename Matches>
bool FollowedAt(CRefObj* stream, std::int64_t next, std::int64_t fileSize, Matches&& matches) {
    if (next == fileSize) return true;
    char bytes[4];
    if (next + static_cast<std::int64_t>(sizeof bytes) > fileSize || !ReadAt(stream, next, bytes, sizeof bytes)) {
        return false;
    }
    if (next + kId3v1Bytes == fileSize && std::memcmp(bytes, "TAG", 3) == 0) return true;
    CFrameHeader following;
    following.loadHeader(bytes);
    return matches(following);
}

// Whether the frame at pos is followed by another frame of the same kind
// (version, layer, rate), or ends the audio exactly. Four bytes that look
// like a header turn up every few kilobytes in any data; two in a row, a
// frame apart, do not.
bool FollowedByFrame(CRefObj* stream, const CFrameHeader& frame, std::int64_t pos, std::int64_t fileSize) {
    return FollowedAt(stream, pos + frame.getFrameLength(), fileSize, [&](const CFrameHeader& following) {
        return following.isValidHeader() && following.getVersionIndex() == frame.getVersionIndex() &&
               following.getLayerIndex() == frame.getLayerIndex() &&
               following.getFrequencyIndex() == frame.getFrequencyIndex();
    });
}

// Bytes per bitrate-per-frequency unit of one frame of the header's kind.
int FrameSizeFactorOf(const CFrameHeader& header) {
    if (header.getLayer() == 1) return 48;
    if (header.getLayer() == 3 && header.getVersionIndex() != 3) return 72;
    return 144;
}

// A free-format frame ("lame --freeformat"): bitrate index 0, the frame's
// size not in its header but given by where the next frame starts. Every
// other field is valid.
bool IsFreeFormatHeader(const CFrameHeader& header) {
    return MpegHasSync(header.Word()) && header.getVersionIndex() != 1 && header.getLayerIndex() != 0 &&
           header.getBitrateIndex() == 0 && header.getFrequencyIndex() != 3 && header.getEmphasisIndex() != 2;
}

// The header bits every frame of a free-format stream shares: sync,
// version, layer, protection, bitrate index and rate.
constexpr std::uint32_t kFreeFormatFixedBits = 0xFFFFFC00u;
// The sizes a free-format frame may take: from the smallest layer III frame
// with its side information to beyond the largest the standard allows
// (640 kbit/s layer III at 32 kHz: 2880 bytes).
constexpr std::int64_t kMinFreeFrameBytes = 24;
constexpr std::int64_t kMaxFreeFrameBytes = 4096;

bool SameFreeFormat(const CFrameHeader& a, const CFrameHeader& b) {
    return (a.Word() & kFreeFormatFixedBits) == (b.Word() & kFreeFormatFixedBits);
}

// The padding a frame's padding bit adds: one slot (4 bytes in layer I).
std::int64_t PaddingBytes(const CFrameHeader& frame) {
    return frame.getPaddingBit() == 0 ? 0 : frame.getLayer() == 1 ? 4 : 1;
}

// The size of the free-format frame at pos without its padding: the
// distance to the next header of the same fixed bits, less the frame's
// padding, confirmed by the frame after that (or the audio's end); 0 when
// there is no such pair within the sizes a frame takes.
std::int64_t FreeFormatFrameBytes(CRefObj* stream, const CFrameHeader& frame, std::int64_t pos,
                                  std::int64_t fileSize) {
    const std::int64_t available = std::min(fileSize - pos, kMaxFreeFrameBytes + 4);
    if (available < kMinFreeFrameBytes + 4) return 0;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(available));
    if (!ReadAt(stream, pos, bytes.data(), available)) return 0;
    for (std::int64_t at = kMinFreeFrameBytes; at + 4 <= available; ++at) {
        CFrameHeader second;
        second.loadHeader(reinterpret_cast<const char*>(bytes.data() + at));
        if (!SameFreeFormat(second, frame)) continue;
        const std::int64_t size = at - PaddingBytes(frame);
        const std::int64_t third = pos + at + size + PaddingBytes(second);
        if (FollowedAt(stream, third, fileSize, [&](const CFrameHeader& h) { return SameFreeFormat(h, frame); })) {
            return size;
        }
    }
    return 0;
}

}  // namespace

void CFrameHeader::loadHeader(const char* bytes) {
    word_ = bytefields::LoadBe32(reinterpret_cast<const std::uint8_t*>(bytes));
}

int CFrameHeader::isValidHeader() const {
    const bool valid = MpegHasSync(word_) && getVersionIndex() != 1 && getLayerIndex() != 0 &&
                       getBitrateIndex() != 0 && getBitrateIndex() != 15 && getFrequencyIndex() != 3 &&
                       getEmphasisIndex() != 2;
    return valid ? 1 : 0;
}

float CFrameHeader::getVersion() const {
    switch (getVersionIndex()) {
        case 0:
            return 2.5f;
        case 2:
            return 2.0f;
        case 3:
            return 1.0f;
        default:
            return 0.0f;
    }
}

int CFrameHeader::getLayer() const {
    return 4 - getLayerIndex();
}

int CFrameHeader::getBitrate() const {
    if (getLayerIndex() == 0 || getVersionIndex() == 1) return 0;  // no table for reserved values
    return static_cast<int>(MpegBitrateKbps(Parsed(*this)));
}

int CFrameHeader::getFrequency() const {
    return static_cast<int>(MpegSampleRateHz(Parsed(*this)));
}

void CFrameHeader::getMode(char* out, std::size_t outSize) const {
    static constexpr const char* kModes[4] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
    textcopy::CopyTextCut(kModes[getModeIndex()], out, outSize);
}

int CFrameHeader::getFrameLength() const {
    return static_cast<int>(MpegFrameBytes(Parsed(*this)));
}

int CVBitRate::loadHeader(const char* bytes) {
    frames_ = -1;
    if (std::memcmp(bytes, "Xing", 4) != 0) return 0;
    // Flags: a big-endian word whose bit 0 announces the frame count.
    if (bytes[7] & 1) {
        frames_ = static_cast<std::int32_t>(bytefields::LoadBe32(reinterpret_cast<const std::uint8_t*>(bytes) + 8));
    }
    return 1;
}

int CMP3Info::FrameSizeFactor() const { return FrameSizeFactorOf(*this); }

int CMP3Info::HeaderBitrate() const {
    return freeFormatKbps_ > 0 ? freeFormatKbps_ : CFrameHeader::getBitrate();
}

int CMP3Info::loadInfo(CRefObj* stream) {
    *this = CMP3Info();
    if (stream == nullptr) return kNoStream;
    stream_ = stream;

    const std::int64_t start = stream->Tell();
    stream->Seek(0, 2);
    fileSize_ = std::max<std::int64_t>(stream->Tell(), 0);
    stream->Seek(start, 0);

    // An ID3 v2 tag in front: the scan starts behind it.
    std::int64_t scanFrom = start;
    std::uint8_t head[kId3HeaderBytes];
    TId3TagHeader tag;
    if (ReadAt(stream, start, head, sizeof head) && ParseId3TagHeader(head, tag)) {
        const std::int64_t end = start + static_cast<std::int64_t>(tag.TotalBytes());
        if (end < fileSize_) {
            scanFrom = end;
            tagSize_ = static_cast<int>(tag.bodyBytes);
            tagType_ = 2;
        }
    }

    ScanFrames(scanFrom);
    if (headerOffset_ < 0) return kNoFrame;
    char word[4];
    if (!ReadAt(stream, headerOffset_, word, sizeof word)) return kNoFrame;
    loadHeader(word);
    if (!isValidHeader() && !(freeFormatKbps_ > 0 && IsFreeFormatHeader(*this))) return kNoFrame;
    ReadXingHeader();
    ReadId3v1();
    return kLoaded;
}

void CMP3Info::ScanFrames(std::int64_t from) {
    std::vector<char> window(kScanWindowBytes);
    std::int64_t windowStart = 0;
    std::int64_t windowBytes = 0;  // 0: nothing loaded
    std::int64_t pos = from;
    int examined = 0;
    int referenceBitrate = 0;
    int referenceMode = 0;
    std::int64_t searchEnd = from + kFrameSearchBytes;
    while (examined < kFramesExamined && pos + 4 <= fileSize_ && pos < searchEnd) {
        // Refill when the header at pos would not lie wholly inside the window.
        if (windowBytes == 0 || pos < windowStart || pos + 4 > windowStart + windowBytes) {
            windowStart = pos;
            windowBytes = stream_->Seek(pos, 0) ? stream_->Read(window.data(), kScanWindowBytes) : 0;
            if (windowBytes < 4) break;
        }
        CFrameHeader frame;
        frame.loadHeader(window.data() + (pos - windowStart));
        // A free-format stream's frames all have the size of its first
        // (padding aside); the first is confirmed by finding the next.
        std::int64_t frameBytes = frame.getFrameLength();
        if (IsFreeFormatHeader(frame) && (examined == 0 || freeFormatBytes_ > 0)) {
            if (examined == 0) freeFormatBytes_ = FreeFormatFrameBytes(stream_, frame, pos, fileSize_);
            frameBytes = freeFormatBytes_ > 0 ? freeFormatBytes_ + PaddingBytes(frame) : 0;
            if (frameBytes == 0) {
                ++pos;
                continue;
            }
        } else if (!frame.isValidHeader() ||
                   (examined == 0 && !FollowedByFrame(stream_, frame, pos, fileSize_))) {
            // The first frame must be confirmed by the one after it.
            ++pos;
            continue;
        }
        if (examined == 0) {
            dataStart_ = pos;
            headerOffset_ = pos;
            if (freeFormatBytes_ > 0) {
                // bitrate = frame bytes x rate / factor (the frame size's
                // formula turned round).
                freeFormatKbps_ = static_cast<int>(std::lround(static_cast<double>(freeFormatBytes_) *
                                                               frame.getFrequency() /
                                                               (FrameSizeFactorOf(frame) * 1000.0)));
            }
            referenceBitrate = frame.getBitrate();
            referenceMode = frame.getModeIndex();
            bestBitrate_ = referenceBitrate;
        } else if (frame.getBitrate() != referenceBitrate || frame.getModeIndex() != referenceMode) {
            vbrByScan_ = true;
        }
        bestBitrate_ = std::max(bestBitrate_, freeFormatKbps_ > 0 ? freeFormatKbps_ : frame.getBitrate());
        const int rate = frame.getFrequency();
        if (rate > bestSamplingRate_ && RateClass(rate) > bestSamplingRate_) {
            bestSamplingRate_ = RateClass(rate);
            headerOffset_ = pos;
        }
        bestMode_ = std::min(bestMode_, frame.getModeIndex());
        if (bestMode_ != 3) bestNumChannels_ = 2;
        pos += std::max<std::int64_t>(frameBytes, 1);
        searchEnd = pos + kFrameSearchBytes;
        ++examined;
    }
}

void CMP3Info::ReadXingHeader() {
    const std::int64_t at = dataStart_ + 4 + MpegSideInfoLength(Parsed(*this));
    char bytes[kXingBytes];
    xingHeader_ = ReadAt(stream_, at, bytes, sizeof bytes) && vbr_.loadHeader(bytes) == 1;
}

void CMP3Info::ReadId3v1() {
    dataEnd_ = fileSize_;
    if (fileSize_ < kId3v1Bytes) return;
    char block[kId3v1Bytes];
    if (!ReadAt(stream_, fileSize_ - kId3v1Bytes, block, sizeof block)) return;
    if (!id3_.loadTag(block)) return;
    id3v1Tagged_ = true;
    dataEnd_ -= kId3v1Bytes;
    if (tagType_ != 2) {
        tagSize_ = kId3v1Bytes;
        tagType_ = 1;
    }
}

int CMP3Info::getID3InfoOnly(CRefObj* stream) {
    if (stream == nullptr) return 0;
    stream_ = stream;
    dataEnd_ = fileSize_;
    if (fileSize_ < kId3v1Bytes) return 0;
    char block[kId3v1Bytes];
    if (!ReadAt(stream, fileSize_ - kId3v1Bytes, block, sizeof block) || !id3_.loadTag(block)) return 0;
    id3v1Tagged_ = true;
    tagSize_ = kId3v1Bytes;
    tagType_ = 1;
    return 1;
}

bool CMP3Info::UsableXingCount() const {
    // A count larger than the file cannot be right (every frame has bytes):
    // the first frame's numbers are better than a bitrate of 0.
    const std::int64_t frames = vbr_.getNumberOfFrames();
    return xingHeader_ && frames > 1 && frames <= fileSize_;
}

int CMP3Info::getBitrate() const {
    // With a frame count the bitrate is that of the audio data alone: a
    // large tag in front (a cover picture) is no part of any frame.
    if (UsableXingCount()) return static_cast<int>(AverageBytesPerSecond() * 8 / 1000);
    return HeaderBitrate();
}

double CMP3Info::AverageBytesPerSecond() const {
    if (UsableXingCount()) {
        const double seconds = XingSeconds();
        return seconds > 0.0 ? static_cast<double>(DataSize()) / seconds : 0.0;
    }
    return HeaderBitrate() * 125.0;
}

double CMP3Info::XingSeconds() const {
    // Every frame holds FrameSizeFactor() * 8 samples per channel (1152 in
    // MPEG 1 layer III, 576 in MPEG 2 and 2.5 layer III, 384 in layer I).
    const int rate = getFrequency();
    if (!UsableXingCount() || rate <= 0) return 0.0;
    return static_cast<double>(vbr_.getNumberOfFrames()) * FrameSizeFactor() * 8 / rate;
}

int CMP3Info::getLengthInSeconds() const {
    if (UsableXingCount()) return static_cast<int>(XingSeconds());
    const int bitrate = getBitrate();
    if (bitrate <= 0) return 0;
    return static_cast<int>((fileSize_ * 8 / 1000) / bitrate);
}

double CMP3Info::GetAverageFrameSize() const {
    if (UsableXingCount()) return static_cast<double>(DataSize()) / vbr_.getNumberOfFrames();
    if (getFrequency() == 0) return 0;
    return HeaderBitrate() * 1000.0 / getFrequency() * FrameSizeFactor();
}

int CMP3Info::getNumberOfFrames() const {
    if (UsableXingCount()) return vbr_.getNumberOfFrames();
    const double average = GetAverageFrameSize();
    return average > 0 ? static_cast<int>(fileSize_ / average) : 0;
}

void CMP3Info::getVersion(char* out, std::size_t outSize) const {
    const std::string layer(static_cast<std::size_t>(std::clamp(getLayer(), 0, 3)), 'I');
    char text[32];
    std::snprintf(text, sizeof text, "MPEG %g Layer %s", static_cast<double>(getZeVersion()), layer.c_str());
    textcopy::CopyTextCut(text, out, outSize);
}

void CMP3Info::getGenre(char* out) {
    id3_.genreString(out, 1);
}
