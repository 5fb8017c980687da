#include "songsmith/cd/cd_audio_device.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "filekit/log.h"
#include "platform/wait_clock.h"
#include "platform/wave_format.h"
#include "platter/device.h"

namespace {

// How often a waiting play looks at its buffers and at a stop.
constexpr std::uint32_t kPollMs = 5;
constexpr std::int32_t kCdFramesPerSecond = 75;

struct TRegistry {
    std::mutex lock;
    std::vector<PLATTER_CDevice*> drives;
    std::map<std::string, std::weak_ptr<CCdAudioDevice>> open;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

WAVEFORMATEX CdFormat() {
    return {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
}

}  // namespace

void CCdAudioDevice::AddDrive(PLATTER_CDevice* drive) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.lock);
    if (drive != nullptr && std::find(registry.drives.begin(), registry.drives.end(), drive) == registry.drives.end())
        registry.drives.push_back(drive);
}

void CCdAudioDevice::RemoveDrive(PLATTER_CDevice* drive) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.lock);
    registry.drives.erase(std::remove(registry.drives.begin(), registry.drives.end(), drive), registry.drives.end());
}

std::shared_ptr<CCdAudioDevice> CCdAudioDevice::Open(const std::string& driveText, std::uint32_t waveDevice) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.lock);
    if (auto it = registry.open.find(driveText); it != registry.open.end()) {
        if (std::shared_ptr<CCdAudioDevice> shared = it->second.lock()) return shared;
    }
    const auto found = std::find_if(registry.drives.begin(), registry.drives.end(),
                                    [&](const PLATTER_CDevice* drive) { return drive->driveText == driveText; });
    if (found == registry.drives.end()) {
        LogFmt("CCdAudioDevice::Open - no drive %s", driveText.c_str());
        return nullptr;
    }
    std::shared_ptr<CCdAudioDevice> device(new CCdAudioDevice(*found, waveDevice));
    registry.open[driveText] = device;
    return device;
}

CCdAudioDevice::CCdAudioDevice(PLATTER_CDevice* drive, std::uint32_t waveDevice)
    : drive_(drive), waveDevice_(waveDevice) {}

CCdAudioDevice::~CCdAudioDevice() {
    EndPlay(kCdPlayAborted);
    if (output_ == nullptr) return;
    waveOutReset(output_);
    for (TBuffer& buffer : buffers_) {
        if (buffer.used) waveOutUnprepareHeader(output_, &buffer.header, sizeof buffer.header);
    }
    waveOutClose(output_);
}

std::int32_t CCdAudioDevice::StartFrame(std::int32_t startMs) {
    return std::max<std::int32_t>(startMs, 0) / 1000 * kCdFramesPerSecond;
}

bool CCdAudioDevice::OpenOutput() {
    if (output_ != nullptr) return true;
    const WAVEFORMATEX format = CdFormat();
    // Asked first: without a sound card the output opens but answers every
    // question "bad format", and nothing played would be heard.
    MMRESULT result = waveOutOpen(nullptr, waveDevice_, &format, 0, 0, CALLBACK_NULL | WAVE_FORMAT_QUERY);
    if (result == MMSYSERR_NOERROR) result = waveOutOpen(&output_, waveDevice_, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        LogFmt("CCdAudioDevice::Play - the sound output refused CD audio (%u)", static_cast<unsigned>(result));
        output_ = nullptr;
        return false;
    }
    return true;
}

bool CCdAudioDevice::Play(int track, std::int32_t startMs, TNotify notify) {
    if (drive_ == nullptr || track < 1 || track > std::min(drive_->trackCount, PLATTER_MAX_TRACKS) ||
        drive_->trackTable[track - 1].dataTrack != 0) {
        LogFmt("CCdAudioDevice::Play - no audio track %d", track);
        return false;
    }
    const std::int32_t startFrame = StartFrame(startMs);
    if (startFrame >= drive_->trackTable[track - 1].lengthFrames) {
        LogFmt("CCdAudioDevice::Play - track %d is shorter than %d ms", track, startMs);
        return false;
    }
    EndPlay(kCdPlaySuperseded);
    if (!OpenOutput()) {
        if (notify) notify(kCdPlayFailure);
        return false;
    }
    abort_.store(false);
    endCode_.store(kCdPlayAborted);
    playing_.store(true);
    thread_ = std::thread(&CCdAudioDevice::Run, this, track, startFrame, std::move(notify));
    return true;
}

bool CCdAudioDevice::Stop() { return EndPlay(kCdPlayAborted); }

bool CCdAudioDevice::EndPlay(int code) {
    if (!thread_.joinable()) return false;
    endCode_.store(code);
    abort_.store(true);
    drive_->AbortExtraction();
    thread_.join();
    // Whatever the play left queued is dropped, and the position starts
    // again from 0.
    if (output_ != nullptr) waveOutReset(output_);
    return true;
}

void CCdAudioDevice::Run(int track, std::int32_t startFrame, TNotify notify) {
    TExtractParams params;
    params.dataCallback = &CCdAudioDevice::OnData;
    params.dataContext = this;
    params.trackNumber = track;
    params.jitterCorrection = PLATTER_JITTER_OFF;
    params.errorCorrection = PLATTER_READ_ERRORS_STOP;
    params.spindleSpeed = 255;
    params.startFrame = startFrame;
    // The table read with the disc says how much is to come: a disc or
    // image that yields less (cut short since) failed.
    const std::int64_t expected = std::int64_t{drive_->trackTable[track - 1].lengthFrames} - startFrame;
    framesQueued_ = 0;
    const bool read = !abort_.load() && drive_->ExtractTrack(&params);
    const bool whole = read && framesQueued_ == expected;
    const bool played = whole && WaitAllPlayed();
    int code = kCdPlaySuccessful;
    if (abort_.load()) {
        code = endCode_.load();
    } else if (!played) {
        if (read) {
            LogFmt("CCdAudioDevice::Play - track %d ended after %lld of %lld frames", track,
                   static_cast<long long>(framesQueued_), static_cast<long long>(expected));
        } else {
            char text[256] = "";
            const std::int32_t error = drive_->GetLastError(text, sizeof text);
            LogFmt("CCdAudioDevice::Play - track %d failed (%d): %s", track, error, text);
        }
        waveOutReset(output_);
        code = kCdPlayFailure;
    }
    playing_.store(false);
    if (notify) notify(code);
}

std::int32_t CCdAudioDevice::OnData(void* context, const void* data, std::int32_t count, std::int32_t size) {
    auto* self = static_cast<CCdAudioDevice*>(context);
    if (count <= 0 || size <= 0) return 1;
    const std::size_t bytes = static_cast<std::size_t>(count) * static_cast<std::size_t>(size);
    if (self->Queue(static_cast<const char*>(data), bytes)) {
        self->framesQueued_ += count;
        return 1;
    }
    // An abort asked for before the extraction began is asked again.
    self->drive_->AbortExtraction();
    return 0;
}

bool CCdAudioDevice::Queue(const char* data, std::size_t bytes) {
    TBuffer* buffer = FreeBuffer();
    if (buffer == nullptr) return false;
    if (buffer->used) waveOutUnprepareHeader(output_, &buffer->header, sizeof buffer->header);
    buffer->data.assign(data, data + bytes);
    buffer->header = WAVEHDR{};
    buffer->header.lpData = buffer->data.data();
    buffer->header.dwBufferLength = static_cast<std::uint32_t>(bytes);
    buffer->used = true;
    waveOutPrepareHeader(output_, &buffer->header, sizeof buffer->header);
    return waveOutWrite(output_, &buffer->header, sizeof buffer->header) == MMSYSERR_NOERROR;
}

bool CCdAudioDevice::BufferBusy(const TBuffer& buffer) const {
    return buffer.used && (WaveHeaderFlags(&buffer.header) & WHDR_DONE) == 0;
}

CCdAudioDevice::TBuffer* CCdAudioDevice::FreeBuffer() {
    for (;;) {
        if (abort_.load()) return nullptr;
        // Asking for the position lets an output that plays by a clock
        // catch up.
        MMTIME time;
        waveOutGetPosition(output_, &time, sizeof time);
        for (TBuffer& buffer : buffers_) {
            if (!BufferBusy(buffer)) return &buffer;
        }
        Sleep(kPollMs);
    }
}

bool CCdAudioDevice::WaitAllPlayed() {
    for (;;) {
        if (abort_.load()) return false;
        MMTIME time;
        waveOutGetPosition(output_, &time, sizeof time);
        if (std::none_of(buffers_.begin(), buffers_.end(), [this](const TBuffer& b) { return BufferBusy(b); }))
            return true;
        Sleep(kPollMs);
    }
}
