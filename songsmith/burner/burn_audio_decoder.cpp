// The rendering runs on a thread of its own and hands its buffers over
// through a bounded queue, so a long song never lies in memory whole and the
// drive library reads at its own pace.
#include "songsmith/burner/burn_audio_decoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/player/song_sound_file.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

namespace {

constexpr std::int32_t kDecodeBufferMs = 2000;
// The file is scanned whole first, so its length is exact (the first
// frames alone may tell a wrong one of a VBR file).
constexpr std::int32_t kScanMsPerPeak = 1000;
// Rendered bytes waiting for the reader at most: about three seconds.
constexpr std::size_t kQueueBytes = 3 * 176400;

struct TAtomRelease {
    void operator()(CPCMSound* sound) const {
        CAudioAtom* atom = sound;
        DeleteAtom(&atom);
    }
};

class CRenderedStream final : public IPlatterAudioStream {
public:
    CRenderedStream(std::unique_ptr<CPCMSound, TAtomRelease> sound, TBurnGroup group,
                    std::unique_ptr<CPCMMixer> mixer)
        : sound_(std::move(sound)), group_(std::move(group)), mixer_(std::move(mixer)) {
        lengthMs_ = group_->Length(0);
        renderer_ = std::thread([this] { Render(); });
    }
    ~CRenderedStream() override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            cancelled_ = true;
        }
        changed_.notify_all();
        renderer_.join();
        sound_->Remove();
    }
    CRenderedStream(const CRenderedStream&) = delete;
    CRenderedStream& operator=(const CRenderedStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t bytes) override {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return !queue_.empty() || ended_; });
        if (queue_.empty()) return failed_ ? -1 : 0;
        const auto take = static_cast<std::size_t>(std::min<std::int64_t>(bytes, static_cast<std::int64_t>(queue_.size())));
        std::copy_n(queue_.begin(), take, static_cast<char*>(buffer));
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(take));
        hold.unlock();
        changed_.notify_all();
        return static_cast<std::int64_t>(take);
    }

private:
    static TDataWriteCode Take(char* data, std::int32_t& bytes, void* user) {
        return static_cast<CRenderedStream*>(user)->Queue(data, bytes);
    }

    TDataWriteCode Queue(const char* data, std::int32_t bytes) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return queue_.size() < kQueueBytes || cancelled_; });
        if (cancelled_) return 1;
        queue_.insert(queue_.end(), data, data + std::max(bytes, 0));
        hold.unlock();
        changed_.notify_all();
        return 0;
    }

    void Render() {
        const int ran = mixer_->MixToDataSink(group_.get(), Take, this, &kBurnCdFormat, lengthMs_, -1);
        {
            std::lock_guard<std::mutex> hold(lock_);
            failed_ = ran != 1 && !cancelled_;
            ended_ = true;
        }
        changed_.notify_all();
    }

    std::unique_ptr<CPCMSound, TAtomRelease> sound_;
    TBurnGroup group_;
    std::unique_ptr<CPCMMixer> mixer_;
    std::int32_t lengthMs_ = 0;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<char> queue_;
    bool cancelled_ = false;
    bool ended_ = false;
    bool failed_ = false;
    std::thread renderer_;
};

}  // namespace

std::unique_ptr<IPlatterAudioStream> CBurnAudioDecoder::Open(const char* path) {
    std::unique_ptr<CPCMSound, TAtomRelease> sound(new (std::nothrow) CPCMSound);
    if (sound == nullptr || path == nullptr) return nullptr;
    if (LoadSoundFile(*sound, path, kDecodeBufferMs, 1, kScanMsPerPeak) != ESoundFileLoad::kLoaded) return nullptr;
    TBurnGroup group = MakeBurnGroup();
    sound->Add(group.get(), 0);
    if (group->Length(0) <= 0) {
        sound->Remove();
        return nullptr;
    }
    return std::make_unique<CRenderedStream>(std::move(sound), std::move(group), MakeBurnMixer());
}

IPlatterAudioDecoder& ProgramBurnAudioDecoder() {
    static CBurnAudioDecoder decoder;
    return decoder;
}
