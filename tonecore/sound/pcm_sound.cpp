#include "tonecore/sound/pcm_sound.h"

#include <cstring>
#include <new>

#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/load/acm_buffer.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/sound/atom_playback.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/sound/sound_recording.h"

CPCMSound::CPCMSound() {
    SetLastError(0);
    AddTheSound(this);
    registered_ = true;
}

CPCMSound::CPCMSound(const CPCMSound& source) : CAudioAtom(source), ILoadedSound() {
    SetLastError(0);
    if (CopyData(const_cast<CPCMSound*>(&source))) {
        AddTheSound(this);
        registered_ = true;
    }
}

CPCMSound::CPCMSound(CPCMSound& source, std::int32_t start, std::int32_t end) : CAudioAtom(source, start, end) {
    SetLastError(0);
    const std::int32_t length = end == 0x7FFFFFFF ? 0 : end - start;
    virtualLength_ = length;
    rateLength_ = length;
    if (!CopyData(&source)) return;
    AddTheSound(this);
    registered_ = true;
    const std::int32_t dataLength = source.DataLength();
    std::int64_t virtualStart = std::int64_t{source.GetVirtualTimeStart()} +
                                static_cast<std::int64_t>(source.GetRateMapAdjustedTime(start));
    if (dataLength > 0) virtualStart %= dataLength;
    SetVirtualTimeStart(static_cast<std::int32_t>(virtualStart));
    if (peaks_ != nullptr && peaks_->NumMilsPerPeak() > 0 && peaks_->GetNumPeaks() > 0) {
        peaks_->SetVirtualStart(
            static_cast<std::int32_t>((virtualStart / peaks_->NumMilsPerPeak()) % peaks_->GetNumPeaks()));
    }
}

CPCMSound::~CPCMSound() {
    // A recording still running ends here, so the mixer never writes into
    // a sound that is gone and what was recorded is kept.
    if (recordingState_ != nullptr) FinishRecording();
    Unload();
}

CAudioAtom* CPCMSound::Copy(std::int32_t start, std::int32_t end) {
    auto* copy = new (std::nothrow) CPCMSound(*this, start, end);
    if (copy != nullptr && GetLastError() != 0) {
        delete copy;
        return nullptr;
    }
    return copy;
}

CAudioAtom* CPCMSound::Copy() {
    auto* copy = new (std::nothrow) CPCMSound(*this);
    if (copy != nullptr && GetLastError() != 0) {
        delete copy;
        return nullptr;
    }
    return copy;
}

int CPCMSound::Play(std::int32_t offset) { return PlayInCurrentMixer(*this, offset); }

void CPCMSound::Unload() {
    if (registered_) RemoveTheSound(this);
    registered_ = false;
    // The buffer reads through the decoder and the stream: it goes first.
    buffer_.reset();
    ReleaseStream();
    sourceFormat_.clear();
    recording_ = 0;
    decoder_.reset();
    peaks_.reset();
    musicInfo_.reset();
}

void CPCMSound::ReleaseStream() {
    CRefObj* stream = stream_;
    stream_ = nullptr;
    DeleteRefObject(&stream);
}

void CPCMSound::SetPeaks(CPeaks* peaks) {
    peaks_.reset();
    if (peaks != nullptr) peaks_.reset(CPeaks().Clone(*peaks));
}

int CPCMSound::CopyBufferAndDecoder(const CPCMSound& other) {
    mixFlags_ = other.mixFlags_;
    pan_ = other.pan_;
    rate_ = other.rate_;
    volume_ = other.volume_;
    if (other.musicInfo_ != nullptr) musicInfo_.reset(new (std::nothrow) TMusicInfo(*other.musicInfo_));
    if (other.buffer_ != nullptr) buffer_.reset(other.buffer_->Copy());
    if (other.decoder_ == nullptr) return 1;
    decoder_.reset(other.decoder_->Copy());
    auto* decoding = dynamic_cast<CACMBuffer*>(buffer_.get());
    if (decoding != nullptr) decoding->SetACMObject(decoder_.get());
    const bool streaming = buffer_ != nullptr && buffer_->Streaming();
    if (decoder_ == nullptr || (streaming && !decoder_->EnableStream(1))) {
        SetLastError(TONECORE_ERR_STREAM_NOT_ENABLED);
        buffer_.reset();
        decoder_.reset();
        return 0;
    }
    return 1;
}

int CPCMSound::CopyData(CPCMSound* other) {
    if (other == nullptr) return 0;
    // The other sound may be playing: the mixer moves its buffer and play
    // state under its lock.
    std::lock_guard<std::recursive_mutex> otherHold(other->AtomLock());
    int result = CopyBufferAndDecoder(*other);
    if (result) {
        // A streaming buffer moves its own stream; a whole-data buffer only
        // reads the block it shares, so the stream can be shared too.
        CRefObj* stream = nullptr;
        if (other->stream_ != nullptr && buffer_ != nullptr) {
            if (buffer_->Streaming()) {
                stream = other->stream_->Copy();
            } else {
                other->stream_->AddReference();
                stream = other->stream_;
            }
        }
        if (stream == nullptr) {
            buffer_.reset();
            decoder_.reset();
            result = 0;
        } else {
            ReleaseStream();
            stream_ = stream;
            stream_->SetDataMode(CRefObj::kLoopData);
            buffer_->SetRefObj(stream_);
            sourceFormat_ = other->sourceFormat_;
            if (virtualLength_ == 0) virtualLength_ = other->virtualLength_;
            SetVirtualLength(virtualLength_);
            SetPeaks(other->peaks_.get());
        }
    }
    autoTrimStart_ = other->autoTrimStart_;
    autoTrimEnd_ = other->autoTrimEnd_;
    totalSilence_ = other->totalSilence_;
    partialSong_ = other->partialSong_;
    return result;
}

int CPCMSound::GetMusicInfo(TMusicInfo& out) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (musicInfo_ == nullptr) return 0;
    out = *musicInfo_;
    return 1;
}

char* CPCMSound::FindMissingFile(char* path) {
    (void)path;
    return nullptr;
}

void CPCMSound::ErrorLoadingFile(std::uint32_t code) { (void)code; }

int CPCMSound::SetEffect(TEffectType type, void* data) {
    (void)type;
    (void)data;
    return 0;
}

int CPCMSound::SetFormat(WAVEFORMATEX* format) {
    (void)format;
    return 0;
}

int CPCMSound::AddSubAtom(CAudioAtom* child, std::int32_t offset) {
    (void)child;
    (void)offset;
    return 0;
}

int CPCMSound::RemoveSubAtom(CAudioAtom* child) {
    (void)child;
    return 0;
}

int CPCMSound::MoveSubAtom(CAudioAtom* child, std::int32_t offset) {
    (void)child;
    (void)offset;
    return 0;
}

int CPCMSound::Pause() { return decoder_ == nullptr ? 1 : (decoder_->Pause() ? 1 : 0); }

int CPCMSound::Resume() { return decoder_ == nullptr ? 1 : (decoder_->Resume() ? 1 : 0); }

int CPCMSound::IsTotalSilence() { return totalSilence_; }

int CPCMSound::IsPartialSong() { return partialSong_; }

void CPCMSound::SetAutoTrim(int on) { autoTrim_ = on; }

int CPCMSound::IsAutoTrim() { return autoTrim_; }

void CPCMSound::DetermineSilenceAndPartialSong(std::int32_t unused) {
    (void)unused;
    if (peaks_ == nullptr) return;
    autoTrimStart_ = peaks_->GetAutoTrimTimeStart();
    autoTrimEnd_ = peaks_->GetAutoTrimTimeEnd();
    if (peaks_->IsTotalSilence() && !totalSilence_) {
        totalSilence_ = 1;
        return;
    }
    if (peaks_->IsPartialSong() && !partialSong_) partialSong_ = 1;
}

void CPCMSound::DeleteAssociatedTempFiles(int peakFile, int seekFile) {
    if (peakFile && peaks_ != nullptr) peaks_->DeletePeakFile();
    if (!seekFile || buffer_ == nullptr || decoder_ == nullptr) return;
    auto* decoding = dynamic_cast<CACMBuffer*>(buffer_.get());
    if (decoding != nullptr && decoding->GetSeekMap() != nullptr) decoding->GetSeekMap()->SeekMapDeleteFile();
}
