#include "platform/wave_out_device.h"

#include <algorithm>
#include <atomic>

std::uint32_t WaveHeaderFlags(const WAVEHDR* header) {
    return std::atomic_ref<std::uint32_t>(const_cast<WAVEHDR*>(header)->dwFlags).load();
}

void SetWaveHeaderFlags(WAVEHDR* header, std::uint32_t flags) {
    std::atomic_ref<std::uint32_t>(header->dwFlags).store(flags);
}

bool WaveOutFormatPlayable(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (format.nChannels != 1 && format.nChannels != 2) return false;
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) return false;
    if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) return false;
    return format.nSamplesPerSec > 0 && format.nAvgBytesPerSec == format.nSamplesPerSec * format.nBlockAlign;
}

CWaveOutDevice::CWaveOutDevice(const WAVEFORMATEX& format) : format_(format) {}

CWaveOutDevice::~CWaveOutDevice() {
    std::lock_guard<std::mutex> hold(lock_);
    FinishAll();
}

MMRESULT CWaveOutDevice::Write(WAVEHDR* header) {
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> hold(lock_);
    const std::uint32_t flags = WaveHeaderFlags(header);
    if ((flags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    // Only whole frames are played; a ragged tail would shift every later
    // buffer by part of a frame.
    const std::uint32_t bytes = header->dwBufferLength - header->dwBufferLength % format_.nBlockAlign;
    SetWaveHeaderFlags(header, (flags & ~WHDR_DONE) | WHDR_INQUEUE);
    queue_.push_back({header, written_, written_ + bytes});
    const TSpan span{header->lpData, bytes, written_};
    written_ += bytes;
    // An empty buffer is done as soon as everything before it is.
    if (bytes == 0) MarkPlayed(played_);
    OnWritten(span);
    changed_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveOutDevice::Pause() { return SetPaused(true); }

MMRESULT CWaveOutDevice::Restart() { return SetPaused(false); }

MMRESULT CWaveOutDevice::SetPaused(bool paused) {
    std::lock_guard<std::mutex> hold(lock_);
    if (paused_ != paused) {
        paused_ = paused;
        OnPause(paused);
        changed_.notify_all();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveOutDevice::Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    FinishAll();
    written_ = 0;
    played_ = 0;
    ++generation_;
    OnReset();
    changed_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveOutDevice::GetPosition(MMTIME* time) {
    if (time == nullptr) return MMSYSERR_INVALPARAM;
    Refresh();
    const std::uint64_t played = PlayedBytes();
    // Positions are 32-bit: they wrap as the platform's do, after about
    // 6.7 hours at 44100 Hz 16-bit stereo.
    switch (time->wType) {
    case TIME_MS:
        time->u.ms = static_cast<std::uint32_t>(played * 1000 / format_.nAvgBytesPerSec);
        break;
    case TIME_SAMPLES:
        time->u.sample = static_cast<std::uint32_t>(played / format_.nBlockAlign);
        break;
    default:
        time->wType = TIME_BYTES;
        time->u.cb = static_cast<std::uint32_t>(played);
        break;
    }
    return MMSYSERR_NOERROR;
}

bool CWaveOutDevice::Paused() const {
    std::lock_guard<std::mutex> hold(lock_);
    return paused_;
}

std::uint64_t CWaveOutDevice::PlayedBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return played_;
}

std::uint64_t CWaveOutDevice::QueuedBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return written_;
}

std::size_t CWaveOutDevice::HeadersQueued() const {
    std::lock_guard<std::mutex> hold(lock_);
    return queue_.size();
}

CWaveOutDevice::TSpan CWaveOutDevice::QueuedSpan(std::uint64_t streamOffset) const {
    for (const TQueued& queued : queue_) {
        if (queued.end <= streamOffset) continue;
        const std::uint64_t skip = streamOffset > queued.start ? streamOffset - queued.start : 0;
        return {queued.header->lpData + skip, static_cast<std::uint32_t>(queued.end - queued.start - skip),
                queued.start + skip};
    }
    return {};
}

void CWaveOutDevice::MarkPlayed(std::uint64_t played) {
    played_ = std::max(played_, std::min(played, written_));
    while (!queue_.empty() && queue_.front().end <= played_) {
        FinishHeader(queue_.front().header);
        queue_.pop_front();
    }
}

std::uint64_t CWaveOutDevice::Generation() const { return generation_; }

void CWaveOutDevice::FinishHeader(WAVEHDR* header) {
    SetWaveHeaderFlags(header, (WaveHeaderFlags(header) & ~WHDR_INQUEUE) | WHDR_DONE);
}

void CWaveOutDevice::FinishAll() {
    for (const TQueued& queued : queue_) FinishHeader(queued.header);
    queue_.clear();
}
