#pragma once
// A wave-out back end for tests: nothing plays until the test says so.
// Every written buffer's bytes are copied at write time, so a test can
// compare everything the device was given, in order, with what it expects.

#include <cstdint>
#include <vector>

#include "platform/wave_out.h"
#include "platform/wave_out_device.h"

class CFakeWaveOutBackend;

class CFakeWaveOutDevice : public CWaveOutDevice {
public:
    CFakeWaveOutDevice(const WAVEFORMATEX& format, CFakeWaveOutBackend* backend)
        : CWaveOutDevice(format), backend_(backend) {}
    ~CFakeWaveOutDevice() override;

    // Plays bytes more of what is queued (a paused device plays nothing).
    void PlayBytes(std::uint64_t bytes);
    // Plays everything queued.
    void PlayAll();
    // The bytes of every buffer written since the open, in order.
    std::vector<std::uint8_t> Written() const;
    int WriteCount() const;

    // Positions: answered in this kind of time whatever was asked (0: the
    // kind asked for), or failing with positionResult when it is set.
    MMRESULT GetPosition(MMTIME* time) override;
    std::uint32_t answerKind = 0;
    MMRESULT positionResult = MMSYSERR_NOERROR;

protected:
    void OnWritten(const TSpan& written) override;

private:
    CFakeWaveOutBackend* backend_;
    std::vector<std::uint8_t> written_;
    int writeCount_ = 0;
};

class CFakeWaveOutBackend : public IWaveOutBackend {
public:
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveOutDevice>* device) override;
    // Answers a query from acceptedFormats unless acceptEveryFormat is set
    // (then as any back end does); records each format asked about.
    MMRESULT Query(std::uint32_t deviceId, const WAVEFORMATEX& format) override;
    const char* Name() const override { return "fake"; }

    bool acceptEveryFormat = true;
    // Rate, bits and channels that queries accept while acceptEveryFormat
    // is clear.
    std::vector<WAVEFORMATEX> acceptedFormats;
    // A result that every query gives while it is not MMSYSERR_NOERROR.
    MMRESULT queryResult = MMSYSERR_NOERROR;
    std::vector<WAVEFORMATEX> queried;

    // The device opened last and not yet closed; null when none.
    CFakeWaveOutDevice* Device() const { return device_; }
    // Opens fail with this result while it is not MMSYSERR_NOERROR.
    MMRESULT openResult = MMSYSERR_NOERROR;
    int openCount = 0;
    std::uint32_t lastDeviceId = 0;
    WAVEFORMATEX lastFormat{};

private:
    friend class CFakeWaveOutDevice;
    CFakeWaveOutDevice* device_ = nullptr;
};

// Installs a fake back end for the life of a test and puts the earlier one
// back afterwards.
class CFakeWaveOutScope {
public:
    CFakeWaveOutScope() : previous_(SetWaveOutBackend(&backend_)) {}
    ~CFakeWaveOutScope() { SetWaveOutBackend(previous_); }
    CFakeWaveOutScope(const CFakeWaveOutScope&) = delete;
    CFakeWaveOutScope& operator=(const CFakeWaveOutScope&) = delete;
    CFakeWaveOutBackend& Backend() { return backend_; }
    CFakeWaveOutDevice* Device() const { return backend_.Device(); }

private:
    CFakeWaveOutBackend backend_;
    IWaveOutBackend* previous_;
};
