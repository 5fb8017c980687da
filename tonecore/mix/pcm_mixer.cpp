// The mixer's construction and its formats: the playback record with its
// snapped rate and buffers, the recording record, and which format applies.
#include "tonecore/mix/pcm_mixer.h"

#include <algorithm>
#include <new>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

// A rate between two of the mixer's goes up to the higher one, so nothing
// is played below its own rate.
std::uint32_t SnapRate(std::uint32_t rate) {
    if (rate <= kMixRateLow) return kMixRateLow;
    return rate <= kMixRateMid ? kMixRateMid : kMixRateHigh;
}

}  // namespace

CPCMMixer::CPCMMixer(const _tInitMixer* init) : CPCMMixerRecording(init) {
    CEngineLockGuard engine(EngineLock());
    InitPlayback(init);
    sinkFlag_ = 0;
    paused_ = 0;
    SetCurrentMixer(this);
}

CPCMMixer::~CPCMMixer() {
    CEngineLockGuard engine(EngineLock());
    EndRecording();
    // However often it was opened, the device is reset and closed before the
    // buffers it may still hold are freed.
    if (IsOpen()) {
        openCount_ = 1;
        Close();
    }
    // Sounds still listed hold the mixer's references.
    CleanUpPlayingSounds(1);
    buffers_.clear();
    if (GetCurrentMixer() == this) SetCurrentMixer(nullptr);
}

int CPCMMixer::InitPlayback(const _tInitMixer* init) {
    CEngineLockGuard engine(EngineLock());
    if (init != nullptr) init_ = *init;
    init_.format.nSamplesPerSec = SnapRate(init_.format.nSamplesPerSec);
    ValidateFormat(&init_.format, WAVE_FORMAT_PCM);
    mixerFormat_ = init_.format;
    const std::uint32_t bytesPerSecond = init_.format.nAvgBytesPerSec;
    const std::uint32_t align = init_.format.nBlockAlign;
    if (align > 0) init_.bufferBytes -= init_.bufferBytes % align;
    // The duration of what a buffer really holds (whole frames): the play
    // clock advances by it for every buffer played.
    bufferDuration_ = bytesPerSecond > 0 ? double(init_.bufferBytes) * 1000.0 / bytesPerSecond : 0.0;
    buffers_.clear();
    try {
        buffers_.resize(static_cast<std::size_t>(std::max(init_.bufferCount, 0)));
        for (auto& buffer : buffers_) {
            buffer.data.assign(init_.bufferBytes, 0);
            buffer.free = 1;
        }
    } catch (const std::bad_alloc&) {
        buffers_.clear();
        return 0;
    }
    return 1;
}

int CPCMMixer::SetFormat(const WAVEFORMATEX* format) {
    CEngineLockGuard engine(EngineLock());
    if (format != nullptr) mixerFormat_ = *format;
    return 1;
}

WAVEFORMATEX CPCMMixer::GetFormat() {
    if (sinkFlag_) {
        std::lock_guard<std::mutex> hold(sinkFormatLock_);
        // The flag may have dropped meanwhile; the sink format is still the
        // one the rendering used.
        return sinkFormat_;
    }
    CEngineLockGuard engine(EngineLock());
    return IsOpen() ? init_.format : mixerFormat_;
}

void CPCMMixer::SetSinkFormat(const WAVEFORMATEX& format) {
    std::lock_guard<std::mutex> hold(sinkFormatLock_);
    sinkFormat_ = format;
}

void CPCMMixer::Lock() { EngineLock().lock(); }

void CPCMMixer::Unlock() { EngineLock().unlock(); }
