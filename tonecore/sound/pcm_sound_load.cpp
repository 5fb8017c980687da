// Loading a PCM sound: the first load of a source (decoder choice, scan,
// buffer) and the read range set before each playback.

#include <algorithm>
#include <mutex>
#include <new>

#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/load/acm_buffer.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"

namespace {

// The format the envelopes are readied for before the first read tells the
// real one: what the engine renders and plays.
const WAVEFORMATEX* DefaultMixFormat() {
    static const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    return &format;
}

}  // namespace

int CPCMSound::MakeLoadBuffer(CRefObj* stream, std::int32_t bufferMs, CSeekMap* seekMap) {
    std::int64_t size = BytesForMs(bufferMs);
    int whole = 0;
    if (decoder_ != nullptr) {
        CACMBuffer* decoding = decoder_->NewBuffer(seekMap);
        if (decoding != nullptr) decoding->SetACMObject(decoder_.get());
        buffer_.reset(decoding);
    } else {
        // A source no larger than the buffer is held whole in memory.
        const std::int64_t dataBytes = stream->DataSize();
        if (dataBytes <= size) {
            size = std::max<std::int64_t>(dataBytes, 0);
            whole = 1;
        }
        buffer_.reset(new (std::nothrow) CPCMBuffer());
    }
    if (buffer_ == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    stream->SeekToData(0);
    if (!buffer_->Init(stream, static_cast<std::uint32_t>(size), whole, CPCMBuffer::kDefaultFillPercent)) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    return 1;
}

int CPCMSound::InitialLoad(CRefObj* stream, std::int32_t bufferMs, int a, int b, int c, int d,
                           std::int32_t msPerPeak, TLoadProgressCallback progress, void* user) {
    SetLastError(0);
    CInitialLoad initial;
    // The scan, which may take long and calls the caller back, runs without
    // the sound's lock; only its results are taken under it.
    if (!initial.DoInitialLoad(stream, d, a, b, c, msPerPeak, progress, user)) return 0;
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    // A buffer of an earlier load reads through the decoder replaced here.
    buffer_.reset();
    musicInfo_ = initial.StealMusicInfo();
    sourceFormat_ = initial.StealWaveFomatEx();
    decoder_ = initial.StealACMObject();
    // Compressed audio without its decoding object (an MPEG song while the
    // engine is not running makes none) would be read as if it were samples.
    if (Format() == nullptr || (decoder_ == nullptr && Format()->wFormatTag != WAVE_FORMAT_PCM)) {
        SetLastError(TONECORE_ERR_BAD_PCM_FORMAT);
        return 0;
    }
    if (decoder_ != nullptr && !decoder_->EnableStream(1)) {
        SetLastError(TONECORE_ERR_STREAM_NOT_ENABLED);
        return 0;
    }
    if (initial.GetPeaks() != nullptr) {
        SetPeaks(initial.GetPeaks());
        DetermineSilenceAndPartialSong(msPerPeak);
    }
    if (!MakeLoadBuffer(stream, bufferMs, initial.GetSeekMap())) return 0;

    // A streaming buffer moves through the file on its own; a whole-data
    // buffer read everything already and shares the caller's stream.
    CRefObj* own = nullptr;
    if (buffer_->Streaming()) {
        own = stream->Copy();
        if (own == nullptr) return 0;
    } else {
        stream->AddReference();
        own = stream;
    }
    ReleaseStream();
    stream_ = own;
    stream_->SetDataMode(CRefObj::kLoopData);
    buffer_->SetRefObj(stream_);

    if (Length(0) == 0) SetVirtualLength(initial.Length());
    if (!buffer_->Streaming()) buffer_->LowActivityMode();
    ApplyVirtualStart();
    return 1;
}

void CPCMSound::ApplyVirtualStart() {
    if (buffer_ != nullptr) buffer_->SetReadBase(GetVirtualDataStart());
    if (stream_ != nullptr && IsPCMOrACM(decoder_.get())) {
        const WAVEFORMATEX* source = ActualFormat();
        // The virtual start in output bytes, as source bytes.
        const std::int64_t block = BlockSize(source, decoder_.get());
        std::int64_t position = std::int64_t{GetVirtualDataStart()} * source->nAvgBytesPerSec /
                                std::max<std::int64_t>(Format()->nAvgBytesPerSec, 1);
        if (block > 0) position -= position % block;
        stream_->SetVirtualStart(position < stream_->DataSize() ? position : 0);
    }
}

int CPCMSound::Load(std::int32_t offsetMs) {
    // The mixer readies a sound here (under the engine lock) while the
    // program may be copying it, which reads the same state under the
    // sound's lock.
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    SetLastError(0);
    loadOffset_ = offsetMs;
    if (decoder_ != nullptr && !decoder_->EnableStream(1)) {
        SetLastError(TONECORE_ERR_STREAM_NOT_ENABLED);
        return 0;
    }
    if (buffer_ == nullptr || Format() == nullptr) {
        SetLastError(TONECORE_ERR_BUFFER_RANGE);
        return 0;
    }
    const WAVEFORMATEX* format = Format();
    std::int64_t startMs = offsetMs;
    std::int64_t endBytes = 0;
    if (!InPlayOnceMode()) {
        if (stream_ != nullptr) stream_->SetDataMode(CRefObj::kLoopData);
        std::int64_t endMs = Length(0);
        if (UsingMap()) {
            endMs = Length(1);
            startMs = static_cast<std::int64_t>(GetRateMapAdjustedTime(offsetMs));
        }
        if (endMs < startMs) return 0;
        endBytes = BytesForMs(endMs);
    } else if (!buffer_->Streaming()) {
        endBytes = buffer_->BufferSize();
    } else {
        if (stream_ != nullptr) stream_->SetDataMode(0);
        endBytes = BytesForMs(kPlayOnceEndMs);
    }
    const std::int64_t startByte = BytesForMs(startMs);
    if (endBytes < startByte) return 0;
    if (!buffer_->SetReadVariables(startByte, endBytes - startByte)) {
        SetLastError(TONECORE_ERR_BUFFER_RANGE);
        return 0;
    }
    readStartByte_ = startByte;
    readCount_ = endBytes - startByte;
    bytesConsumed_ = 0;
    phase_ = 0;
    previousLeft_ = 0;
    previousRight_ = 0;
    if (UsingMap()) {
        // The mixer's format is told by the first read; until then the last
        // one read in, or the engine's own.
        ReadyMapForPlayback(offsetMs, mapFormat_.nSamplesPerSec != 0 ? &mapFormat_ : DefaultMixFormat());
        ClearMixerFlag(ATOM_MIXER_NEW_MAP);
    } else {
        mixFlags_ &= ~PCM_MIX_MAPS;
    }
    mixFlags_ &= ~(PCM_MIX_SOURCE_STEREO | PCM_MIX_SOURCE_8BIT);
    if (format->nChannels == 2) mixFlags_ |= PCM_MIX_SOURCE_STEREO;
    if (format->wBitsPerSample == 8) mixFlags_ |= PCM_MIX_SOURCE_8BIT;
    return 1;
}

void CPCMSound::ShrinkBuffer(std::uint32_t bytes) {
    if (buffer_ == nullptr || stream_ == nullptr || bytes >= buffer_->BufferSize()) return;
    std::unique_ptr<CPCMBuffer> smaller(buffer_->Copy());
    if (smaller == nullptr) return;
    stream_->SeekToData(0);
    if (!smaller->Init(stream_, bytes, 1, CPCMBuffer::kDefaultFillPercent)) return;
    auto* decoding = dynamic_cast<CACMBuffer*>(smaller.get());
    if (decoding != nullptr) decoding->SetACMObject(decoder_.get());
    buffer_ = std::move(smaller);
}

int CPCMSound::Idle(WAVEFORMATEX* format) {
    (void)format;
    return buffer_ == nullptr ? 0 : buffer_->Fill();
}
