#include "tonecore/sound/sound_recording.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "filekit/ref_obj.h"
#include "filekit/riff_format.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

constexpr std::uint32_t kWaveForm = FourCC("WAVE");
constexpr std::uint32_t kFormatChunk = FourCC("fmt ");
// The largest value of a peak and of a 16-bit sample.
constexpr std::int32_t kPeakScale = 255;
constexpr std::int32_t kSampleScale = 32767;

}  // namespace

CRecordedPeaks::CRecordedPeaks(const WAVEFORMATEX& format, std::int32_t msPerPeak) : format_(format) {
    exactBlock_ = double(format.nAvgBytesPerSec) * double(msPerPeak) * 0.001;
    const auto bytes = static_cast<std::uint32_t>(exactBlock_);
    blockBytes_ = format.nBlockAlign > 0 ? bytes - bytes % format.nBlockAlign : bytes;
}

void CRecordedPeaks::Scan(const std::uint8_t* data, std::uint32_t bytes) {
    // A block size of 0 (less than one frame per peak) builds nothing.
    if (blockBytes_ == 0) return;
    std::uint32_t at = 0;
    while (at < bytes) {
        const std::uint32_t take = std::min(blockBytes_ - pending_, bytes - at);
        std::int32_t left = 0;
        std::int32_t right = 0;
        GetMaxSample(data + at, data + at + take, &format_, left, right);
        blockMax_ = std::max({blockMax_, left, right});
        largestLeft_ = std::max(largestLeft_, left);
        largestRight_ = std::max(largestRight_, right);
        pending_ += take;
        at += take;
        if (pending_ == blockBytes_) FinishBlock();
    }
}

void CRecordedPeaks::FinishBlock() {
    bool store = true;
    if (exactBlock_ != double(blockBytes_)) {
        carry_ += exactBlock_ - double(blockBytes_);
        if (carry_ >= exactBlock_) {
            carry_ = 0.0;
            store = false;
        }
    }
    if (store) {
        // -32768 counts as 32768: the value is held at the peak scale.
        const std::int32_t value = std::min(blockMax_ * kPeakScale / kSampleScale, kPeakScale);
        values_.AppendToTail(reinterpret_cast<void*>(static_cast<std::uintptr_t>(value)), 0);
    }
    blockMax_ = 0;
    pending_ = 0;
}

CSoundRecording::CSoundRecording(const std::vector<std::uint8_t>& format, int makePeaks, std::int32_t msPerPeak)
    : format_(format), msPerPeak_(msPerPeak) {
    if (makePeaks && format.size() >= sizeof(WAVEFORMATEX)) {
        peaks_.emplace_back(*reinterpret_cast<const WAVEFORMATEX*>(format.data()), msPerPeak);
    }
}

CSoundRecording::~CSoundRecording() { writer_.Close(); }

bool CSoundRecording::Begin(CRefObj* stream) {
    if (stream == nullptr || !writer_.Create(stream, kWaveForm)) return false;
    if (!writer_.WriteSubChunk(kFormatChunk, format_.data(), static_cast<std::int64_t>(format_.size()))) return false;
    if (!writer_.StartWriteStream(RIFF_ID_DATA)) return false;
    dataStart_ = stream->Tell();
    writing_ = true;
    return true;
}

bool CSoundRecording::Write(const std::uint8_t* data, std::uint32_t bytes) {
    if (!writing_ || data == nullptr) return false;
    if (!peaks_.empty()) peaks_.front().Scan(data, bytes);
    return writer_.WriteStreamData(data, bytes) == static_cast<std::int64_t>(bytes);
}

bool CSoundRecording::End(std::int64_t* dataStart, std::int64_t* dataBytes) {
    if (!writing_) return false;
    writing_ = false;
    *dataStart = dataStart_;
    *dataBytes = writer_.CurrentStreamDataCount();
    const bool ended = writer_.EndWriteStream() != 0;
    writer_.Close();
    return ended;
}
