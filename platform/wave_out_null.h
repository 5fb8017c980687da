#pragma once
// A wave-out device with no sound card behind it: it plays in real time
// against a clock, so playback, positions and timing behave as with a card
// on machines that have none.
//
// The clock is injectable. With the real clock a pacing thread of the
// device's own finishes buffers as their time passes; a test gives a fake
// clock, no thread, and calls Advance after moving its clock on.

#include <cstdint>
#include <functional>
#include <thread>

#include "platform/wave_out.h"
#include "platform/wave_out_device.h"

// Milliseconds from a fixed point; only differences are used.
using TWaveClock = std::function<std::int64_t()>;

class CNullWaveOutDevice : public CWaveOutDevice {
public:
    // A null clock is the steady clock. With paced set, a thread advances
    // the device every few milliseconds.
    CNullWaveOutDevice(const WAVEFORMATEX& format, TWaveClock clock, bool paced);
    ~CNullWaveOutDevice() override;

    // Plays what the clock's time since the last step allows: the device
    // stands still while paused or while it has nothing queued (a starved
    // card does not count the gap as played).
    void Advance();

protected:
    void OnWritten(const TSpan& written) override;
    void OnPause(bool paused) override;
    void OnReset() override;
    void Refresh() override { Advance(); }

private:
    void AdvanceLocked();
    void StartIfWaiting();
    void PaceLoop();

    TWaveClock clock_;
    bool running_ = false;
    std::int64_t anchorMs_ = 0;
    std::uint64_t anchorBytes_ = 0;
    bool stop_ = false;
    std::thread pacer_;
};

class CNullWaveOutBackend : public IWaveOutBackend {
public:
    // Devices with clock (null: the steady clock), paced by their own
    // thread when paced is set.
    // With standsInForMissingCard set the back end answers every format
    // query "bad format" (its opens still work): it is what plays when the
    // machine has no sound card, and a program that asks before it plays
    // learns that nothing would be heard.
    explicit CNullWaveOutBackend(TWaveClock clock = nullptr, bool paced = true,
                                 bool standsInForMissingCard = false)
        : clock_(std::move(clock)), paced_(paced), missingCard_(standsInForMissingCard) {}
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveOutDevice>* device) override;
    MMRESULT Query(std::uint32_t deviceId, const WAVEFORMATEX& format) override;
    const char* Name() const override { return "null"; }

private:
    TWaveClock clock_;
    bool paced_;
    bool missingCard_;
};

// The process's null back end on the steady clock, paced; it answers format
// queries as a card would.
CNullWaveOutBackend& NullWaveOutBackend();
// The null back end the engine falls back to without a sound card: the
// same, but every format query is answered "bad format".
CNullWaveOutBackend& MissingCardWaveOutBackend();
