#include "tonecore/mix/pcm_mixer_recording.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "platform/wait_clock.h"
#include "platform/wave_out.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"

namespace {

// Levels are reported after this much new sound.
constexpr std::uint32_t kPeakStepMs = 80;
// Buffers of the full-duplex test, and how long its input runs before the
// output is written.
constexpr std::uint32_t kDuplexBufferBytes = 2048;
constexpr std::uint32_t kDuplexWaitMs = 10;
// Full scale of a 16-bit sample, the unit of reported levels.
constexpr double kFullScale = 32767.0;

std::uint8_t SilenceFor(const WAVEFORMATEX& format) { return format.wBitsPerSample == 16 ? 0 : 0x80; }

// Every recording half alive, guarded by the engine lock. A sound may record
// on a mixer that is no longer the current one; when it ends its recording
// it must reach that mixer, not the current one. Never destroyed: mixers
// may die during exit.
std::vector<CPCMMixerRecording*>& LiveRecorders() {
    static auto* const live = new std::vector<CPCMMixerRecording*>;
    return *live;
}

}  // namespace

CPCMMixerRecording::CPCMMixerRecording(const _tInitMixer* init) {
    CEngineLockGuard engine(EngineLock());
    LiveRecorders().push_back(this);
    InitRecording(init);
}

CPCMMixerRecording::~CPCMMixerRecording() {
    CEngineLockGuard engine(EngineLock());
    EndRecording();
    auto& live = LiveRecorders();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

CPCMMixerRecording* CPCMMixerRecording::RecorderOf(const CAudioAtom* atom) {
    CEngineLockGuard engine(EngineLock());
    if (atom == nullptr) return nullptr;
    for (CPCMMixerRecording* recorder : LiveRecorders()) {
        if (static_cast<const CAudioAtom*>(recorder->sound_) == atom) return recorder;
    }
    return nullptr;
}

int CPCMMixerRecording::InitRecording(const _tInitMixer* init) {
    CEngineLockGuard engine(EngineLock());
    if (init != nullptr) {
        recordInit_ = *init;
        active_ = *init;
    }
    return 1;
}

CPCMSound* CPCMMixerRecording::GetRecordingSound() { return sound_; }

int CPCMMixerRecording::Recording() { return recording_; }

void CPCMMixerRecording::UpdatePeak(double /*left*/, double /*right*/, std::uint32_t /*position*/) {}

int CPCMMixerRecording::Record(CPCMSound* sound, WAVEFORMATEX* format) {
    CEngineLockGuard engine(EngineLock());
    if (recording_) EndRecording();
    const int result = StartRecording(format, recordInit_.bufferCount, recordInit_.bufferBytes);
    if (result) sound_ = sound;
    return result;
}

bool CPCMMixerRecording::QueueBuffer(_pcm_mix_buffer& buffer) {
    std::fill(buffer.data.begin(), buffer.data.end(), SilenceFor(active_.format));
    buffer.header.dwBytesRecorded = 0;
    return waveInPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR &&
           waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

int CPCMMixerRecording::StartRecording(WAVEFORMATEX* format, int buffers, std::uint32_t bufferBytes) {
    CEngineLockGuard engine(EngineLock());
    if (format == nullptr) return 0;
    if (device_ != nullptr) EndRecording();
    if (waveInOpen(&device_, recordInit_.device, format, 0, 0, CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        device_ = nullptr;
        SetLastError(TONECORE_ERR_WAVE_IN_FAILED);
        return 0;
    }
    active_ = recordInit_;
    if (buffers != 0) {
        active_.bufferCount = buffers;
        active_.bufferBytes = bufferBytes;
    }
    active_.format = *format;
    // Buffers hold whole frames, so the bytes recorded name a buffer and a
    // place in it (CheckLatestRecordings).
    if (format->nBlockAlign > 0) active_.bufferBytes -= active_.bufferBytes % format->nBlockAlign;
    // Every failure from here on closes the device again: a device left
    // open would keep the card from the next recording.
    if (active_.bufferCount <= 0 || active_.bufferBytes == 0) {
        SetLastError(TONECORE_ERR_WAVE_IN_FAILED);
        CloseDevice();
        return 0;
    }
    try {
        buffers_.resize(static_cast<std::size_t>(active_.bufferCount));
        for (_pcm_mix_buffer& buffer : buffers_) {
            buffer.data.assign(active_.bufferBytes, 0);
            buffer.header = WAVEHDR{};
            buffer.header.lpData = reinterpret_cast<char*>(buffer.data.data());
            buffer.header.dwBufferLength = active_.bufferBytes;
            buffer.free = 0;
        }
    } catch (const std::bad_alloc&) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        CloseDevice();
        return 0;
    }
    for (_pcm_mix_buffer& buffer : buffers_) {
        if (!QueueBuffer(buffer)) {
            SetLastError(TONECORE_ERR_WAVE_IN_FAILED);
            CloseDevice();
            return 0;
        }
    }
    bytesSeen_ = 0;
    const std::uint32_t step = active_.format.nAvgBytesPerSec * kPeakStepMs / 1000;
    peakStep_ = active_.format.nBlockAlign > 0 ? step - step % active_.format.nBlockAlign : step;
    if (waveInStart(device_) != MMSYSERR_NOERROR) {
        SetLastError(TONECORE_ERR_WAVE_IN_FAILED);
        EndRecording();
        return 0;
    }
    nextBuffer_ = 0;
    recording_ = 1;
    startTick_ = SteadyMilliseconds();
    return 1;
}

bool CPCMMixerRecording::HandToSound(_pcm_mix_buffer& buffer) {
    if (sound_ == nullptr || buffer.header.dwBytesRecorded == 0) return true;
    _bufferType block;
    block.format = &active_.format;
    block.size = buffer.header.dwBytesRecorded;
    block.frames = active_.format.nBlockAlign > 0 ? block.size / active_.format.nBlockAlign : 0;
    block.data = buffer.data.data();
    return sound_->WriteData(&block) != RENDER_FAILED;
}

int CPCMMixerRecording::ContinueRecording() {
    CEngineLockGuard engine(EngineLock());
    if (device_ == nullptr) return 0;
    CheckLatestRecordings();
    while (device_ != nullptr && !buffers_.empty()) {
        _pcm_mix_buffer& buffer = buffers_[nextBuffer_];
        if ((WaveHeaderFlags(&buffer.header) & WHDR_DONE) == 0) break;
        buffer.free = 0;
        waveInUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
        SetWaveHeaderFlags(&buffer.header, WaveHeaderFlags(&buffer.header) & ~WHDR_DONE);
        if (!HandToSound(buffer)) {
            // Marked, so that the end does not offer the sound this buffer
            // a second time.
            buffer.free = 1;
            EndRecording();
            break;
        }
        if (!QueueBuffer(buffer)) {
            EndRecording();
            break;
        }
        nextBuffer_ = (nextBuffer_ + 1) % buffers_.size();
    }
    return recording_;
}

std::uint64_t CPCMMixerRecording::DevicePosition() {
    const WAVEFORMATEX& format = active_.format;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveInGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) {
        const std::int64_t elapsed = SteadyMilliseconds() - startTick_;
        return static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed, 0)) * format.nAvgBytesPerSec / 1000;
    }
    switch (time.wType) {
    case TIME_SAMPLES:
        return std::uint64_t{time.u.sample} * format.nBlockAlign;
    case TIME_MS:
        return std::uint64_t{time.u.ms} * format.nAvgBytesPerSec / 1000;
    default:
        return time.u.cb;
    }
}

void CPCMMixerRecording::CheckLatestRecordings() {
    CEngineLockGuard engine(EngineLock());
    if (device_ == nullptr || buffers_.empty() || active_.bufferBytes == 0) return;
    const std::uint64_t position = DevicePosition();
    if (position < bytesSeen_ || position - bytesSeen_ < peakStep_) return;
    const WAVEFORMATEX& format = active_.format;
    const std::uint32_t align = std::max<std::uint32_t>(format.nBlockAlign, 1);
    std::int32_t left = 0;
    std::int32_t right = 0;
    // The device fills the buffers in turn, so a byte count names a buffer
    // and a place in it; a scan never runs past a buffer's end.
    while (bytesSeen_ < position) {
        const std::size_t index = static_cast<std::size_t>(bytesSeen_ / active_.bufferBytes % buffers_.size());
        std::uint64_t offset = bytesSeen_ % active_.bufferBytes;
        offset -= offset % align;
        const std::uint64_t end =
            std::min<std::uint64_t>(active_.bufferBytes, offset + (position - bytesSeen_));
        const std::uint8_t* data = buffers_[index].data.data();
        if (end > offset) GetMaxSample(data + offset, data + end, &format, left, right);
        const std::uint64_t advance = end > offset ? end - offset : align;
        bytesSeen_ += advance;
    }
    UpdatePeak(left / kFullScale, right / kFullScale, static_cast<std::uint32_t>(position));
}

void CPCMMixerRecording::EndRecording() {
    CEngineLockGuard engine(EngineLock());
    if (device_ == nullptr) return;
    waveInStop(device_);
    for (std::size_t walked = 0; walked < buffers_.size(); ++walked) {
        _pcm_mix_buffer& buffer = buffers_[(nextBuffer_ + walked) % buffers_.size()];
        if ((WaveHeaderFlags(&buffer.header) & WHDR_DONE) == 0) continue;
        waveInUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
        SetWaveHeaderFlags(&buffer.header, WaveHeaderFlags(&buffer.header) & ~WHDR_DONE);
        // A refused buffer is not offered again, nor anything after it:
        // the sound has said it takes no more.
        if (buffer.free == 1) break;
        if (!HandToSound(buffer)) break;
        buffer.data.clear();
    }
    CloseDevice();
}

void CPCMMixerRecording::CloseDevice() {
    // The device hands every queued buffer back before it goes, so no
    // memory is freed while the device may still write into it.
    waveInReset(device_);
    for (_pcm_mix_buffer& buffer : buffers_) waveInUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
    waveInClose(device_);
    device_ = nullptr;
    buffers_.clear();
    nextBuffer_ = 0;
    recording_ = 0;
    sound_ = nullptr;
}

int CPCMMixerRecording::StopRecordingAtom(CAudioAtom* atom) {
    CEngineLockGuard engine(EngineLock());
    if (atom == nullptr || atom != static_cast<CAudioAtom*>(sound_)) return 0;
    EndRecording();
    return 1;
}

int CPCMMixerRecording::FullDuplexTest(std::uint32_t device, WAVEFORMATEX* inFormat, WAVEFORMATEX* outFormat) {
    if (inFormat == nullptr || outFormat == nullptr) return 0;
    HWAVEIN input = nullptr;
    if (waveInOpen(&input, device, inFormat, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return 0;
    HWAVEOUT output = nullptr;
    if (waveOutOpen(&output, device, outFormat, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        waveInClose(input);
        return 0;
    }
    std::vector<char> outData(kDuplexBufferBytes, inFormat->wBitsPerSample == 8 ? static_cast<char>(0x80) : 0);
    std::vector<char> inData(kDuplexBufferBytes, 0);
    WAVEHDR outHeader{};
    outHeader.lpData = outData.data();
    outHeader.dwBufferLength = kDuplexBufferBytes;
    WAVEHDR inHeader{};
    inHeader.lpData = inData.data();
    inHeader.dwBufferLength = kDuplexBufferBytes;
    if (waveOutPrepareHeader(output, &outHeader, sizeof outHeader) != MMSYSERR_NOERROR) {
        waveOutClose(output);
        waveInClose(input);
        return 0;
    }
    if (waveInPrepareHeader(input, &inHeader, sizeof inHeader) == MMSYSERR_NOERROR) {
        if (waveInAddBuffer(input, &inHeader, sizeof inHeader) == MMSYSERR_NOERROR &&
            waveInStart(input) == MMSYSERR_NOERROR) {
            // The wait clock: tests move it on instead of sleeping.
            Sleep(kDuplexWaitMs);
            if (waveOutWrite(output, &outHeader, sizeof outHeader) == MMSYSERR_NOERROR) waveOutReset(output);
            waveInStop(input);
        }
        // The buffer may still be queued after a stop: a reset hands it back
        // before it is let go.
        waveInReset(input);
        waveInUnprepareHeader(input, &inHeader, sizeof inHeader);
    }
    waveOutUnprepareHeader(output, &outHeader, sizeof outHeader);
    waveOutClose(output);
    waveInClose(input);
    return 1;
}
