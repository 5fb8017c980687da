#include "platform/wave_in_null.h"

#include <algorithm>
#include <chrono>

#include "platform/tick.h"

namespace {

// How often the pacing thread records: well inside the 20 ms and 1 ms polls
// of a mixer, so a done flag is never late by a buffer.
constexpr std::chrono::milliseconds kPaceStep{2};
// Silence is handed over in pieces of at most this many bytes.
constexpr std::size_t kSilenceBytes = 4096;

}  // namespace

CNullWaveInDevice::CNullWaveInDevice(const WAVEFORMATEX& format, TWaveInClock clock, bool paced)
    : CWaveInDevice(format),
      clock_(clock ? std::move(clock) : TWaveInClock(SteadyMilliseconds)),
      // 8-bit silence is the middle value, 16-bit silence is 0.
      silence_(kSilenceBytes, format.wBitsPerSample == 8 ? static_cast<char>(0x80) : 0) {
    if (paced) pacer_ = std::thread(&CNullWaveInDevice::PaceLoop, this);
}

CNullWaveInDevice::~CNullWaveInDevice() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    if (pacer_.joinable()) pacer_.join();
}

void CNullWaveInDevice::Advance() {
    std::lock_guard<std::mutex> hold(lock_);
    AdvanceLocked();
}

void CNullWaveInDevice::AdvanceLocked() {
    if (!StartedLocked()) return;
    const std::int64_t now = clock_();
    const std::int64_t elapsedMs = now > startMs_ ? now - startMs_ : 0;
    std::uint64_t due = static_cast<std::uint64_t>(elapsedMs) * Format().nAvgBytesPerSec / 1000;
    due -= due % Format().nBlockAlign;
    while (captured_ < due) {
        const std::uint64_t piece = std::min<std::uint64_t>(due - captured_, silence_.size());
        DeliverLocked(silence_.data(), piece);
        captured_ += piece;
    }
}

void CNullWaveInDevice::OnStart(bool started) {
    if (!started) return;
    startMs_ = clock_();
    captured_ = 0;
}

void CNullWaveInDevice::PaceLoop() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop_) {
        changed_.wait_for(hold, kPaceStep, [this] { return stop_; });
        AdvanceLocked();
    }
}

MMRESULT CNullWaveInBackend::Open(std::uint32_t /*deviceId*/, const WAVEFORMATEX& format,
                                  std::unique_ptr<CWaveInDevice>* device) {
    *device = std::make_unique<CNullWaveInDevice>(format, clock_, paced_);
    return MMSYSERR_NOERROR;
}

CNullWaveInBackend& NullWaveInBackend() {
    // Never destroyed: devices may still be closed during exit.
    static auto* const backend = new CNullWaveInBackend;
    return *backend;
}
