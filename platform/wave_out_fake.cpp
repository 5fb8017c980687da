#include "platform/wave_out_fake.h"

CFakeWaveOutDevice::~CFakeWaveOutDevice() {
    if (backend_->device_ == this) backend_->device_ = nullptr;
}

void CFakeWaveOutDevice::PlayBytes(std::uint64_t bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    if (PausedLocked()) return;
    MarkPlayed(PlayedLocked() + bytes);
}

void CFakeWaveOutDevice::PlayAll() { PlayBytes(QueuedBytes()); }

std::vector<std::uint8_t> CFakeWaveOutDevice::Written() const {
    std::lock_guard<std::mutex> hold(lock_);
    return written_;
}

int CFakeWaveOutDevice::WriteCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return writeCount_;
}

MMRESULT CFakeWaveOutDevice::GetPosition(MMTIME* time) {
    if (positionResult != MMSYSERR_NOERROR) return positionResult;
    if (answerKind != 0) time->wType = answerKind;
    const MMRESULT result = CWaveOutDevice::GetPosition(time);
    // A kind the base does not know is answered as it is, over bytes.
    if (answerKind != 0) time->wType = answerKind;
    return result;
}

void CFakeWaveOutDevice::OnWritten(const TSpan& span) {
    written_.insert(written_.end(), span.data, span.data + span.bytes);
    ++writeCount_;
}

MMRESULT CFakeWaveOutBackend::Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                                   std::unique_ptr<CWaveOutDevice>* device) {
    ++openCount;
    lastDeviceId = deviceId;
    lastFormat = format;
    if (openResult != MMSYSERR_NOERROR) return openResult;
    auto opened = std::make_unique<CFakeWaveOutDevice>(format, this);
    device_ = opened.get();
    *device = std::move(opened);
    return MMSYSERR_NOERROR;
}

MMRESULT CFakeWaveOutBackend::Query(std::uint32_t deviceId, const WAVEFORMATEX& format) {
    queried.push_back(format);
    if (queryResult != MMSYSERR_NOERROR) return queryResult;
    if (acceptEveryFormat) return IWaveOutBackend::Query(deviceId, format);
    for (const WAVEFORMATEX& accepted : acceptedFormats) {
        if (accepted.nSamplesPerSec == format.nSamplesPerSec &&
            accepted.wBitsPerSample == format.wBitsPerSample && accepted.nChannels == format.nChannels)
            return MMSYSERR_NOERROR;
    }
    return WAVERR_BADFORMAT;
}
