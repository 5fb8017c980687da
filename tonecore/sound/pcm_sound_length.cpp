// A PCM sound's lengths, positions and formats.

#include <cmath>
#include <cstring>

#include "filekit/ref_obj.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"

WAVEFORMATEX* CPCMSound::ActualFormat() const {
    return sourceFormat_.size() >= sizeof(WAVEFORMATEX)
               ? reinterpret_cast<WAVEFORMATEX*>(const_cast<std::uint8_t*>(sourceFormat_.data()))
               : nullptr;
}

WAVEFORMATEX* CPCMSound::Format() const {
    if (decoder_ != nullptr) return decoder_->GetDestFormat();
    return ActualFormat();
}

int CPCMSound::GetFormat(WAVEFORMATEX* out) {
    const WAVEFORMATEX* format = Format();
    if (out == nullptr || format == nullptr) return 0;
    std::memcpy(out, format, sizeof(WAVEFORMATEX));
    return 1;
}

int CPCMSound::GetSrcFormatString(char* out, std::int32_t size) {
    if (out == nullptr || size < 1) return 0;
    if (decoder_ != nullptr) return decoder_->GetSrcFormatStr(out, size);
    if (ActualFormat() == nullptr) return 0;
    SoundFormatToString(ActualFormat(), out, static_cast<std::size_t>(size), nullptr);
    return 1;
}

int CPCMSound::GetDestFormatString(char* out, std::int32_t size) {
    if (out == nullptr || size < 1 || Format() == nullptr) return 0;
    SoundFormatToString(Format(), out, static_cast<std::size_t>(size), nullptr);
    return 1;
}

std::int64_t CPCMSound::WholeBlocksForMs(std::int64_t bytesPerSecond, std::int64_t ms, std::int64_t align) {
    // In integers: a product through 0.001 in doubles may land just below
    // a whole number and lose a frame to the rounding down.
    const std::int64_t bytes = bytesPerSecond * ms / 1000;
    return align > 0 ? bytes - bytes % align : bytes;
}

std::int64_t CPCMSound::BytesForMs(std::int64_t ms) const {
    const WAVEFORMATEX* format = Format();
    if (format == nullptr) return 0;
    return WholeBlocksForMs(format->nAvgBytesPerSec, ms, format->nBlockAlign);
}

std::int64_t CPCMSound::MsForBytes(std::int64_t bytes) const {
    const WAVEFORMATEX* format = Format();
    if (format == nullptr || format->nAvgBytesPerSec == 0) return 0;
    return bytes * 1000 / format->nAvgBytesPerSec;
}

std::int32_t CPCMSound::Length(int withRate) {
    if (UsingMap() && withRate) return static_cast<std::int32_t>(GetRateMapAdjustedTime(virtualLength_));
    return virtualLength_;
}

void CPCMSound::SetVirtualLength(std::int32_t ms) {
    virtualLength_ = ms;
    CAudioAtom::SetVirtualLength(ms);
}

void CPCMSound::NotifyOfNewLength() {
    {
        std::lock_guard<std::recursive_mutex> guard(AtomLock());
        if (Playing() && buffer_ != nullptr) {
            // The read range now ends at the new length.
            const std::int64_t newCount = BytesForMs(Length(UsingMap())) - readStartByte_;
            buffer_->AdjustBytesToRead(newCount - readCount_);
            readCount_ += newCount - readCount_;
        }
    }
    CAudioAtom::NotifyOfNewLength();
    rateLength_ = Length(UsingMap());
}

std::int32_t CPCMSound::DataLength() {
    if (stream_ == nullptr) return 0;
    if (peaks_ != nullptr) return peaks_->LengthOfSound();
    const WAVEFORMATEX* source = ActualFormat();
    if (source == nullptr || source->nAvgBytesPerSec == 0) return 0;
    return static_cast<std::int32_t>(std::lround(double(stream_->DataSize()) / source->nAvgBytesPerSec * 1000.0));
}

std::int32_t CPCMSound::NumSamples() {
    const WAVEFORMATEX* format = Format();
    if (stream_ == nullptr || format == nullptr || format->nBlockAlign == 0) return 0;
    if (decoder_ == nullptr) return static_cast<std::int32_t>(stream_->DataSize() / format->nBlockAlign);
    const std::int64_t block = decoder_->BlockSize(ActualFormat());
    if (block <= 0) return 0;
    const double perBlock = decoder_->GetConvertedBufferSize(block);
    const double bytes = perBlock * double(stream_->DataSize() / block);
    return static_cast<std::int32_t>(bytes / format->nBlockAlign);
}

std::int32_t CPCMSound::GetVirtualTimeStart() {
    if (buffer_ == nullptr) return 0;
    return static_cast<std::int32_t>(MsForBytes(buffer_->ReadBase()));
}

void CPCMSound::SetVirtualTimeStart(std::int32_t ms) {
    const std::int64_t bytes = BytesForMs(ms);
    SetVirtualDataStart(static_cast<std::int32_t>(bytes));
    if (buffer_ != nullptr) buffer_->SetReadBase(bytes);
    const WAVEFORMATEX* source = ActualFormat();
    if (!IsPCMOrACM(decoder_.get()) || stream_ == nullptr || source == nullptr || !stream_->IsOpen()) return;
    const std::int64_t block = BlockSize(source, decoder_.get());
    std::int64_t position = WholeBlocksForMs(source->nAvgBytesPerSec, ms, block);
    if (position >= stream_->DataSize()) position = stream_->DataSize() - block;
    stream_->SetVirtualStart(position);
}

std::int32_t CPCMSound::CurrentPlayOffset() { return static_cast<std::int32_t>(MsForBytes(bytesConsumed_)); }

int CPCMSound::FinishedWithPlayOnce() {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (buffer_ == nullptr) return 1;
    const bool empty = buffer_->Buffered() == 0 || buffer_->BufferFinished();
    if (!buffer_->Streaming()) return empty ? 1 : 0;
    return stream_ != nullptr && stream_->Tell() >= stream_->GetDataEnd() && empty ? 1 : 0;
}

std::int64_t CPCMSound::GetSourceBytesMixedInPlayOnceMode() {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (stream_ == nullptr || buffer_ == nullptr) return 0;
    if (buffer_->Streaming()) return stream_->Tell() - stream_->GetDataStart();
    return stream_->DataSize();
}
