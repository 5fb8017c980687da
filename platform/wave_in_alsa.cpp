#include "platform/wave_in_alsa.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "platform/alsa_pcm.h"
#include "platform/wave_in_device.h"

namespace {

// The card's own buffer holds this much: enough to ride over a late read.
constexpr unsigned kRingMicroseconds = 200000;
// How long the capture thread waits for sound or for a start.
constexpr int kWaitMs = 5;
// The most frames read in one go.
constexpr snd_pcm_uframes_t kChunkFrames = 2048;

class CAlsaWaveInDevice : public CWaveInDevice {
public:
    CAlsaWaveInDevice(const WAVEFORMATEX& format, snd_pcm_t* pcm) : CWaveInDevice(format), pcm_(pcm) {
        capture_ = std::thread(&CAlsaWaveInDevice::CaptureLoop, this);
    }

    ~CAlsaWaveInDevice() override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        capture_.join();
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }

private:
    // Everything that touches the PCM runs on this thread, with the lock
    // released, so a blocked card never holds up the caller.
    void CaptureLoop() {
        std::vector<char> chunk(kChunkFrames * Format().nBlockAlign);
        std::unique_lock<std::mutex> hold(lock_);
        bool running = false;
        while (!stop_) {
            if (StartedLocked() != running) {
                running = StartedLocked();
                hold.unlock();
                if (running) {
                    snd_pcm_prepare(pcm_);
                    snd_pcm_start(pcm_);
                } else {
                    snd_pcm_drop(pcm_);
                }
                hold.lock();
                continue;
            }
            if (!running) {
                changed_.wait_for(hold, std::chrono::milliseconds(kWaitMs));
                continue;
            }
            const std::uint64_t generation = Generation();
            hold.unlock();
            const std::uint32_t bytes = Receive(chunk);
            hold.lock();
            // Sound read across a stop belongs to the recording that ended.
            if (bytes > 0 && generation == Generation()) DeliverLocked(chunk.data(), bytes);
        }
    }

    // Reads what the card holds into data; the bytes read.
    std::uint32_t Receive(std::vector<char>& data) {
        const std::uint32_t frameBytes = Format().nBlockAlign;
        const snd_pcm_sframes_t frames =
            snd_pcm_readi(pcm_, data.data(), static_cast<snd_pcm_uframes_t>(data.size() / frameBytes));
        if (frames >= 0) return static_cast<std::uint32_t>(frames) * frameBytes;
        if (frames == -EAGAIN) {
            snd_pcm_wait(pcm_, kWaitMs);
        } else {
            // An overrun or a suspend: the card starts capturing again.
            snd_pcm_recover(pcm_, static_cast<int>(frames), 1);
            snd_pcm_start(pcm_);
        }
        return 0;
    }

    snd_pcm_t* pcm_;
    bool stop_ = false;
    std::thread capture_;
};

class CAlsaWaveInBackend : public IWaveInBackend {
public:
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveInDevice>* device) override {
        const std::string name = AlsaPcmName(deviceId);
        return OpenAlsaWaveIn(name.c_str(), format, device);
    }
    const char* Name() const override { return "alsa"; }
};

}  // namespace

MMRESULT OpenAlsaWaveIn(const char* pcmName, const WAVEFORMATEX& format, std::unique_ptr<CWaveInDevice>* device) {
    snd_pcm_t* pcm = nullptr;
    const MMRESULT result = OpenAlsaPcm(pcmName, SND_PCM_STREAM_CAPTURE, format, kRingMicroseconds, &pcm);
    if (result != MMSYSERR_NOERROR) return result;
    *device = std::make_unique<CAlsaWaveInDevice>(format, pcm);
    return MMSYSERR_NOERROR;
}

bool AlsaCaptureAvailable(const char* pcmName) {
    return AlsaPcmAvailable(pcmName, SND_PCM_STREAM_CAPTURE);
}

IWaveInBackend& AlsaWaveInBackend() {
    // Never destroyed: devices may still be closed during exit.
    static auto* const backend = new CAlsaWaveInBackend;
    return *backend;
}
