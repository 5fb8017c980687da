#include "platform/wave_in_device.h"

#include <algorithm>
#include <cstring>

CWaveInDevice::CWaveInDevice(const WAVEFORMATEX& format) : format_(format) {}

CWaveInDevice::~CWaveInDevice() {
    std::lock_guard<std::mutex> hold(lock_);
    FinishAll();
}

MMRESULT CWaveInDevice::AddBuffer(WAVEHDR* header) {
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> hold(lock_);
    const std::uint32_t flags = WaveHeaderFlags(header);
    if ((flags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    header->dwBytesRecorded = 0;
    SetWaveHeaderFlags(header, (flags & ~WHDR_DONE) | WHDR_INQUEUE);
    queue_.push_back(header);
    changed_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveInDevice::Start() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!started_) {
        started_ = true;
        OnStart(true);
        changed_.notify_all();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveInDevice::Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (started_) {
        started_ = false;
        ++generation_;
        OnStart(false);
        changed_.notify_all();
    }
    // What was recorded so far must reach the caller: a partly filled
    // buffer comes back with the bytes it holds.
    if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0) FinishFront();
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveInDevice::Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    started_ = false;
    FinishAll();
    recorded_ = 0;
    ++generation_;
    OnReset();
    changed_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT CWaveInDevice::GetPosition(MMTIME* time) {
    if (time == nullptr) return MMSYSERR_INVALPARAM;
    Refresh();
    const std::uint64_t recorded = RecordedBytes();
    // Positions are 32-bit: they wrap as the platform's do.
    switch (time->wType) {
    case TIME_MS:
        time->u.ms = static_cast<std::uint32_t>(recorded * 1000 / format_.nAvgBytesPerSec);
        break;
    case TIME_SAMPLES:
        time->u.sample = static_cast<std::uint32_t>(recorded / format_.nBlockAlign);
        break;
    default:
        time->wType = TIME_BYTES;
        time->u.cb = static_cast<std::uint32_t>(recorded);
        break;
    }
    return MMSYSERR_NOERROR;
}

bool CWaveInDevice::Started() const {
    std::lock_guard<std::mutex> hold(lock_);
    return started_;
}

std::uint64_t CWaveInDevice::RecordedBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return recorded_;
}

std::uint64_t CWaveInDevice::LostBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lost_;
}

std::size_t CWaveInDevice::HeadersQueued() const {
    std::lock_guard<std::mutex> hold(lock_);
    return queue_.size();
}

void CWaveInDevice::DeliverLocked(const char* data, std::uint64_t bytes) {
    if (!started_) return;
    bytes -= bytes % format_.nBlockAlign;
    while (bytes > 0) {
        if (queue_.empty()) {
            lost_ += bytes;
            return;
        }
        WAVEHDR* header = queue_.front();
        // A buffer takes whole frames only, so every buffer starts on a frame.
        const std::uint32_t room = header->dwBufferLength - header->dwBufferLength % format_.nBlockAlign;
        const std::uint32_t take =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, room - header->dwBytesRecorded));
        if (take > 0) std::memcpy(header->lpData + header->dwBytesRecorded, data, take);
        header->dwBytesRecorded += take;
        recorded_ += take;
        data += take;
        bytes -= take;
        if (header->dwBytesRecorded >= room) FinishFront();
    }
}

void CWaveInDevice::FinishFront() {
    WAVEHDR* header = queue_.front();
    queue_.pop_front();
    SetWaveHeaderFlags(header, (WaveHeaderFlags(header) & ~WHDR_INQUEUE) | WHDR_DONE);
}

void CWaveInDevice::FinishAll() {
    while (!queue_.empty()) FinishFront();
}
