#include "platform/wave_out_null.h"

#include <chrono>

#include "platform/tick.h"

namespace {

// How often the pacing thread finishes buffers: well inside the 20 ms and
// 1 ms polls of a mixer, so a done flag is never late by a buffer.
constexpr std::chrono::milliseconds kPaceStep{2};

}  // namespace

CNullWaveOutDevice::CNullWaveOutDevice(const WAVEFORMATEX& format, TWaveClock clock, bool paced)
    : CWaveOutDevice(format), clock_(clock ? std::move(clock) : TWaveClock(SteadyMilliseconds)) {
    if (paced) pacer_ = std::thread(&CNullWaveOutDevice::PaceLoop, this);
}

CNullWaveOutDevice::~CNullWaveOutDevice() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    if (pacer_.joinable()) pacer_.join();
}

void CNullWaveOutDevice::Advance() {
    std::lock_guard<std::mutex> hold(lock_);
    AdvanceLocked();
}

void CNullWaveOutDevice::AdvanceLocked() {
    if (!running_) return;
    const std::int64_t now = clock_();
    const std::int64_t elapsedMs = now > anchorMs_ ? now - anchorMs_ : 0;
    const std::uint64_t bytes = static_cast<std::uint64_t>(elapsedMs) * Format().nAvgBytesPerSec / 1000;
    MarkPlayed(anchorBytes_ + bytes - bytes % Format().nBlockAlign);
    if (PlayedLocked() >= WrittenLocked()) running_ = false;
}

void CNullWaveOutDevice::StartIfWaiting() {
    if (running_ || PausedLocked() || PlayedLocked() >= WrittenLocked()) return;
    running_ = true;
    anchorMs_ = clock_();
    anchorBytes_ = PlayedLocked();
}

void CNullWaveOutDevice::OnWritten(const TSpan& /*written*/) {
    AdvanceLocked();
    StartIfWaiting();
}

void CNullWaveOutDevice::OnPause(bool paused) {
    if (paused) {
        AdvanceLocked();
        running_ = false;
    } else {
        StartIfWaiting();
    }
}

void CNullWaveOutDevice::OnReset() { running_ = false; }

void CNullWaveOutDevice::PaceLoop() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop_) {
        changed_.wait_for(hold, kPaceStep, [this] { return stop_; });
        AdvanceLocked();
    }
}

MMRESULT CNullWaveOutBackend::Open(std::uint32_t /*deviceId*/, const WAVEFORMATEX& format,
                                   std::unique_ptr<CWaveOutDevice>* device) {
    *device = std::make_unique<CNullWaveOutDevice>(format, clock_, paced_);
    return MMSYSERR_NOERROR;
}

MMRESULT CNullWaveOutBackend::Query(std::uint32_t deviceId, const WAVEFORMATEX& format) {
    if (missingCard_) return WAVERR_BADFORMAT;
    return IWaveOutBackend::Query(deviceId, format);
}

CNullWaveOutBackend& NullWaveOutBackend() {
    // Never destroyed: devices may still be closed during exit.
    static auto* const backend = new CNullWaveOutBackend;
    return *backend;
}

CNullWaveOutBackend& MissingCardWaveOutBackend() {
    static auto* const backend = new CNullWaveOutBackend(nullptr, true, true);
    return *backend;
}
