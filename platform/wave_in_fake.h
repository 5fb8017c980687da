#pragma once
// A wave-in back end for tests: the device captures exactly the bytes a
// test hands it (Capture), so what a recording must hold is known.

#include <cstdint>
#include <span>

#include "platform/wave_in.h"
#include "platform/wave_in_device.h"

class CFakeWaveInBackend;

class CFakeWaveInDevice : public CWaveInDevice {
public:
    CFakeWaveInDevice(const WAVEFORMATEX& format, CFakeWaveInBackend* backend)
        : CWaveInDevice(format), backend_(backend) {}
    ~CFakeWaveInDevice() override;

    // The card captures bytes: they go into the queued buffers while the
    // device is started, and are lost otherwise.
    void Capture(std::span<const std::uint8_t> bytes);

private:
    CFakeWaveInBackend* backend_;
};

class CFakeWaveInBackend : public IWaveInBackend {
public:
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveInDevice>* device) override;
    const char* Name() const override { return "fake"; }

    // The device opened last and not yet closed; null when none.
    CFakeWaveInDevice* Device() const { return device_; }
    // Opens fail with this result while it is not MMSYSERR_NOERROR.
    MMRESULT openResult = MMSYSERR_NOERROR;
    int openCount = 0;
    int closeCount = 0;
    std::uint32_t lastDeviceId = 0;
    WAVEFORMATEX lastFormat{};

private:
    friend class CFakeWaveInDevice;
    CFakeWaveInDevice* device_ = nullptr;
};

// Installs a fake back end for the life of a test and puts the earlier one
// back afterwards.
class CFakeWaveInScope {
public:
    CFakeWaveInScope() : previous_(SetWaveInBackend(&backend_)) {}
    ~CFakeWaveInScope() { SetWaveInBackend(previous_); }
    CFakeWaveInScope(const CFakeWaveInScope&) = delete;
    CFakeWaveInScope& operator=(const CFakeWaveInScope&) = delete;
    CFakeWaveInBackend& Backend() { return backend_; }
    CFakeWaveInDevice* Device() const { return backend_.Device(); }

private:
    CFakeWaveInBackend backend_;
    IWaveInBackend* previous_;
};
