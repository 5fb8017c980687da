#include "platform/wave_in_fake.h"

CFakeWaveInDevice::~CFakeWaveInDevice() {
    ++backend_->closeCount;
    if (backend_->device_ == this) backend_->device_ = nullptr;
}

void CFakeWaveInDevice::Capture(std::span<const std::uint8_t> bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    DeliverLocked(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

MMRESULT CFakeWaveInBackend::Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                                  std::unique_ptr<CWaveInDevice>* device) {
    ++openCount;
    lastDeviceId = deviceId;
    lastFormat = format;
    if (openResult != MMSYSERR_NOERROR) return openResult;
    auto opened = std::make_unique<CFakeWaveInDevice>(format, this);
    device_ = opened.get();
    *device = std::move(opened);
    return MMSYSERR_NOERROR;
}
