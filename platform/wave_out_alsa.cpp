#include "platform/wave_out_alsa.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/alsa_pcm.h"
#include "platform/wave_out_device.h"

namespace {

// The ring the card plays from holds this much: enough to ride over a late
// poll, short enough that a pause or reset is heard at once.
constexpr unsigned kRingMicroseconds = 200000;
// How long the feeder waits for room in the ring or for new buffers before
// it looks at the position again.
constexpr int kWaitMs = 5;
// The most bytes the feeder copies out of a buffer in one go.
constexpr std::uint32_t kChunkBytes = 16384;

class CAlsaWaveOutDevice : public CWaveOutDevice {
public:
    CAlsaWaveOutDevice(const WAVEFORMATEX& format, snd_pcm_t* pcm, bool canPause)
        : CWaveOutDevice(format), pcm_(pcm), canPause_(canPause) {
        feeder_ = std::thread(&CAlsaWaveOutDevice::FeedLoop, this);
    }

    ~CAlsaWaveOutDevice() override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        feeder_.join();
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }

private:
    // Everything that touches the PCM runs on this thread, with the queue
    // lock released, so a blocked card never holds up the caller.
    void FeedLoop() {
        std::vector<char> chunk;
        std::unique_lock<std::mutex> hold(lock_);
        std::uint64_t generation = Generation();
        std::uint64_t sent = 0;
        bool pausedHere = false;
        while (!stop_) {
            if (generation != Generation()) {
                generation = Generation();
                sent = 0;
                hold.unlock();
                snd_pcm_drop(pcm_);
                snd_pcm_prepare(pcm_);
                hold.lock();
                continue;
            }
            if (PausedLocked() != pausedHere) {
                pausedHere = PausedLocked();
                const std::uint64_t played = PlayedLocked();
                hold.unlock();
                sent = ApplyPause(pausedHere, sent, played);
                hold.lock();
                continue;
            }
            const TSpan span = pausedHere ? TSpan{} : QueuedSpan(sent);
            if (span.bytes == 0) {
                hold.unlock();
                // ALSA starts a stream once its ring is full; less than a
                // ring's worth queued must play too.
                if (!pausedHere && sent > 0 && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_);
                const std::uint64_t played = PlayedUpTo(sent);
                hold.lock();
                if (generation == Generation()) MarkPlayed(played);
                changed_.wait_for(hold, std::chrono::milliseconds(kWaitMs));
                continue;
            }
            // A copy: after a reset the caller may refill the buffer while
            // the card is still being fed from it.
            chunk.assign(span.data, span.data + std::min(span.bytes, kChunkBytes));
            hold.unlock();
            const std::uint32_t taken = Send(chunk);
            const std::uint64_t played = PlayedUpTo(sent + taken);
            hold.lock();
            if (generation != Generation()) continue;
            sent += taken;
            MarkPlayed(played);
        }
    }

    // Writes as much of data as the ring takes; the bytes taken.
    std::uint32_t Send(const std::vector<char>& data) {
        const std::uint32_t frameBytes = Format().nBlockAlign;
        const snd_pcm_sframes_t frames =
            snd_pcm_writei(pcm_, data.data(), static_cast<snd_pcm_uframes_t>(data.size() / frameBytes));
        if (frames >= 0) return static_cast<std::uint32_t>(frames) * frameBytes;
        if (frames == -EAGAIN) {
            snd_pcm_wait(pcm_, kWaitMs);
        } else if (snd_pcm_recover(pcm_, static_cast<int>(frames), 1) < 0) {
            // Not an underrun or a suspend (after those the card starts
            // again with the next write): the card is gone or broken. The
            // feeder tries again at the pace of its waits, not in a spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
        }
        return 0;
    }

    // The stream bytes played when sent have been written: what the ring
    // still holds has not been heard yet.
    std::uint64_t PlayedUpTo(std::uint64_t sent) {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) return sent;
        const std::uint64_t held = static_cast<std::uint64_t>(delay) * Format().nBlockAlign;
        return held < sent ? sent - held : 0;
    }

    // Pauses or resumes the card; the stream offset to feed from next.
    std::uint64_t ApplyPause(bool pause, std::uint64_t sent, std::uint64_t played) {
        if (canPause_ && snd_pcm_pause(pcm_, pause ? 1 : 0) == 0) return sent;
        if (!pause) return sent;
        // No pause on this card: drop what the ring holds and feed again
        // from what had been played when the pause came.
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
        return played;
    }

    snd_pcm_t* pcm_;
    bool canPause_;
    bool stop_ = false;
    std::thread feeder_;
};

bool CardCanPause(snd_pcm_t* pcm) {
    snd_pcm_hw_params_t* params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) < 0) return false;
    const bool can = snd_pcm_hw_params_current(pcm, params) == 0 && snd_pcm_hw_params_can_pause(params) == 1;
    snd_pcm_hw_params_free(params);
    return can;
}

class CAlsaWaveOutBackend : public IWaveOutBackend {
public:
    MMRESULT Open(std::uint32_t deviceId, const WAVEFORMATEX& format,
                  std::unique_ptr<CWaveOutDevice>* device) override {
        const std::string name = AlsaPcmName(deviceId);
        return OpenAlsaWaveOut(name.c_str(), format, device);
    }
    MMRESULT Query(std::uint32_t deviceId, const WAVEFORMATEX& format) override {
        return QueryAlsaWaveOut(AlsaPcmName(deviceId).c_str(), format);
    }
    const char* Name() const override { return "alsa"; }
};

}  // namespace

MMRESULT OpenAlsaWaveOut(const char* pcmName, const WAVEFORMATEX& format, std::unique_ptr<CWaveOutDevice>* device) {
    snd_pcm_t* pcm = nullptr;
    const MMRESULT result = OpenAlsaPcm(pcmName, SND_PCM_STREAM_PLAYBACK, format, kRingMicroseconds, &pcm);
    if (result != MMSYSERR_NOERROR) return result;
    *device = std::make_unique<CAlsaWaveOutDevice>(format, pcm, CardCanPause(pcm));
    return MMSYSERR_NOERROR;
}

MMRESULT QueryAlsaWaveOut(const char* pcmName, const WAVEFORMATEX& format) {
    snd_pcm_t* pcm = nullptr;
    const MMRESULT result = OpenAlsaPcm(pcmName, SND_PCM_STREAM_PLAYBACK, format, kRingMicroseconds, &pcm);
    if (result == MMSYSERR_NOERROR) snd_pcm_close(pcm);
    return result;
}

bool AlsaPlaybackAvailable(const char* pcmName) {
    return AlsaPcmAvailable(pcmName, SND_PCM_STREAM_PLAYBACK);
}

IWaveOutBackend& AlsaWaveOutBackend() {
    // Never destroyed: devices may still be closed during exit.
    static auto* const backend = new CAlsaWaveOutBackend;
    return *backend;
}
