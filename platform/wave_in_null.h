#pragma once
// A wave-in device with no sound card behind it: while started it records
// silence in real time against a clock, so recording, positions and timing
// behave as with a card on machines that have none.
//
// The clock is injectable. With the real clock a pacing thread of the
// device's own fills buffers as time passes; a test gives a fake clock, no
// thread, and calls Advance after moving its clock on.

#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "platform/wave_in.h"
#include "platform/wave_in_device.h"

// Milliseconds from a fixed point; only differences are used.
using TWaveInClock = std::function<std::int64_t()>;

class CNullWaveInDevice : public CWaveInDevice {
public:
    // A null clock is the steady clock. With paced set, a thread advances
    // the device every few milliseconds.
    CNullWaveInDevice(const WAVEFORMATEX& format, TWaveInClock clock, bool paced);
    ~CNullWaveInDevice() override;

    // Records the silence that the clock's time since the start allows.
    void Advance();

protected:
    void OnStart(bool started) override;
    void Refresh() override { Advance(); }

private:
    void AdvanceLocked();
    void PaceLoop();

    TWaveInClock clock_;
    std::int64_t startMs_ = 0;
    // Bytes captured since the start, whether a buffer took them or not.
    std::uint64_t captured_ = 0;
    std::vector<char> silence_;
    bool stop_ = false;
    std::thread pacer_;
};

class CNullWaveInBackend : public IWaveInBackend {
public:
    explicit CNullWaveInBackend(TWaveInClock clock = nullptr, bool paced = true)
        : clock_(std::move(clock)), paced_(paced) {}
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveInDevice>* device) override;
    const char* Name() const override { return "null"; }

private:
    TWaveInClock clock_;
    bool paced_;
};

// The process's null back end on the steady clock, paced.
CNullWaveInBackend& NullWaveInBackend();
