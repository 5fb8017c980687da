// The player's life, its sound device and mixer, and the signal sounds.
#include "songsmith/player/song_player.h"

#include <chrono>
#include <new>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/wait_clock.h"
#include "platform/wave_out.h"
#include "songsmith/cd/cd_track_page.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sound_file.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/player/track_envelope.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/sound_group.h"

namespace {

// The transition mode that mixes songs into each other.
constexpr std::int32_t kCrossFadeMode = 2;
// How long the destructor waits for the worker before it says so in the
// log (it waits on all the same: the worker uses the player).
constexpr std::chrono::milliseconds kWorkerStopWait{8000};

// The thread's last error when the mixer cannot be built: not enough memory.
constexpr std::uint32_t kNoMemoryForMixer = 7;

// Songs are decoded 2 s ahead of what plays. A signal sound is loaded as a
// song is, with a short peak step: it is never shown.
constexpr std::int32_t kSongBufferMs = 2000;
constexpr std::int32_t kSignalBufferMs = 2000;
constexpr std::int32_t kSignalMsPerPeak = 20;

// The formats asked of the device, best first, when the program asks for
// CD quality: the three mixing rates at 16-bit stereo, then at 8-bit
// stereo, 16-bit mono and 8-bit mono.
struct TLadderStep {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
};
constexpr TLadderStep kFormatLadder[] = {
    {44100, 16, 2}, {22050, 16, 2}, {11025, 16, 2}, {44100, 8, 2}, {22050, 8, 2}, {11025, 8, 2},
    {44100, 16, 1}, {22050, 16, 1}, {11025, 16, 1}, {44100, 8, 1}, {22050, 8, 1}, {11025, 8, 1},
};

WAVEFORMATEX PcmFormat(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    ValidateFormat(&format, WAVE_FORMAT_PCM);
    return format;
}

void DropAtom(CAudioAtom* atom) {
    if (atom != nullptr) DeleteAtom(&atom);
}

}  // namespace

CSongPlayer::CSongPlayer(CPreferences& prefs, CTrackList& tracks)
    : prefs_(prefs),
      tracks_(tracks),
      songLoader_([](CSongSound& sound, const std::string& path, int analyse, std::int32_t msPerPeak) {
          return LoadSoundFile(sound, path.c_str(), kSongBufferMs, analyse, msPerPeak);
      }) {
    outerGroup_ = new CSoundGroup;
    innerGroup_ = new CSoundGroup;
    innerGroup_->Add(outerGroup_, 0);
}

CSongPlayer::~CSongPlayer() {
    Stop();
    {
        std::unique_lock<std::recursive_mutex> hold(lock_);
        run_ = false;
        wake_.notify_all();
        if (worker_.joinable() &&
            !wake_.wait_for(hold, kWorkerStopWait, [this] { return workerDone_; }))
            Log("Song player: the sound loading worker has not stopped after 8 s; waiting for it");
    }
    // Whatever the wait, no worker outlives the player it works for.
    if (worker_.joinable()) worker_.join();
    for (CSongSound*& sound : slotSounds_) {
        if (sound == nullptr) continue;
        // Going with the player is no song ending.
        sound->reportStop = 0;
        ReleaseSound(sound);
        sound = nullptr;
    }
    innerGroup_->Remove();
    DropAtom(innerGroup_);
    TGuard guard(lock_);
    ReleaseSound(signalSound_);
    signalSound_ = nullptr;
    DropAtom(outerGroup_);
    // The mixer resets and closes its device as it goes.
    mixer_.reset();
}

void CSongPlayer::ReleaseSound(CPCMSound* sound) {
    if (sound == nullptr) return;
    // Taken out of its group, a sound the mixer plays would still play on
    // to its end: the mixer lets go of it first.
    if (mixer_ != nullptr && sound->Playing()) mixer_->StopAtom(sound, 0);
    if (sound->Parent() != nullptr) sound->Remove();
    DropAtom(sound);
}

bool CSongPlayer::InitPlayback(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    TGuard guard(lock_);
    outputFormat_ = PcmFormat(rate, bits, channels);
    if (rate == 44100 && bits == 16 && channels == 2) ProbeFormats();
    mixer_.reset();
    _tInitMixer init;
    // -1, the wave mapper, lets the system choose (ALSA's "default").
    init.device = static_cast<std::uint32_t>(prefs_.MixerDeviceID);
    init.bufferCount = prefs_.MixerNumBuffers;
    init.bufferBytes = static_cast<std::uint32_t>(prefs_.MixerBufferSize);
    init.format = outputFormat_;
    mixer_.reset(new (std::nothrow) CPCMMixer(&init));
    cdMode_ = 0;
    // A mixer without its buffers could play nothing.
    if (mixer_ == nullptr || (init.bufferCount > 0 && mixer_->Buffers().empty())) {
        mixer_.reset();
        SetLastError(kNoMemoryForMixer);
        return false;
    }
    return true;
}

void CSongPlayer::ProbeFormats() {
    const auto device = static_cast<std::uint32_t>(prefs_.MixerDeviceID);
    for (const TLadderStep& step : kFormatLadder) {
        outputFormat_ = PcmFormat(step.rate, step.bits, step.channels);
        const MMRESULT answer = waveOutOpen(nullptr, device, &outputFormat_, 0, 0, WAVE_FORMAT_QUERY);
        if (answer == MMSYSERR_NOERROR) {
            LogFmt("Playback INIT: Found supported format : %d Hz, %d bits, %d channels.",
                   static_cast<int>(step.rate), step.bits, step.channels);
            formatFound_ = 1;
            return;
        }
        if (answer != WAVERR_BADFORMAT) {
            Log("Playback INIT: Other error!");
            SetLastError(answer);
            return;
        }
        LogFmt("Playback INIT: ** Unsupported format : %d Hz, %d bits, %d channels.",
               static_cast<int>(step.rate), step.bits, step.channels);
    }
    SetLastError(WAVERR_BADFORMAT);
}

std::int32_t CSongPlayer::ElapsedMs() {
    return static_cast<std::int32_t>(WaitClockMilliseconds() - startTick_) + startPosition_;
}

CSongPlayer::TTransition CSongPlayer::Transition() {
    // The fader settings dialog writes them under the preferences' lock.
    prefs_.Lock();
    const TFadePreferences fade = prefs_.fadePreferences;
    prefs_.Unlock();
    return {fade.transitionMode == kCrossFadeMode, fade.overlapMs, fade.fadeMs};
}

bool CSongPlayer::PlaySoundFile(const char* path) {
    TGuard guard(lock_);
    ReleaseSound(signalSound_);
    signalSound_ = nullptr;
    if (formatFound_ == 0 || mixer_ == nullptr) {
        // No card: the mixer plays on the null device, and a signal nobody
        // hears only holds up what comes next.
        LogFmt("No sound card format was found; the signal sound '%s' is not played", path);
        return false;
    }
    auto* sound = new (std::nothrow) CSignalSound;
    if (sound == nullptr) return false;
    if (LoadSoundFile(*sound, path, kSignalBufferMs, 0, kSignalMsPerPeak) != ESoundFileLoad::kLoaded) {
        DropAtom(sound);
        return false;
    }
    signalSound_ = sound;
    if (mixer_->Playing()) {
        // Heard from the first buffer not yet mixed.
        sound->Add(outerGroup_, mixer_->Latency() + ElapsedMs());
        return false;
    }
    // Songs that played to their end are still in the group: played from
    // its start, it would sound them again under the signal.
    for (CSongSound* song : slotSounds_) {
        if (song != nullptr && song->Parent() != nullptr) song->Remove();
    }
    sound->Add(outerGroup_, 0);
    if (mixer_->Play(outerGroup_, 0, 0) == 0) return false;
    startTick_ = WaitClockMilliseconds();
    startPosition_ = 0;
    queuePoint_ = 0;
    lastQueuePoint_ = 0;
    return true;
}

void CSongPlayer::Stop() {
    TGuard guard(lock_);
    stopped_ = 1;
    if (mixer_ != nullptr) mixer_->Stop();
    StopCDTrack();
    // The next slot first, so the song that plays is the last one let go.
    for (const int slot : {nextSlot_, 1 - nextSlot_}) {
        ReleaseSound(slotSounds_[slot]);
        slotSounds_[slot] = nullptr;
    }
    requestedId_ = kNoSoundId;
    playingId_ = kStoppedId;
    queuePoint_ = 0;
    lastQueuePoint_ = 0;
    WakeWorker();
}

bool CSongPlayer::IsPlaying() {
    TGuard guard(lock_);
    if (mixer_ != nullptr && mixer_->Playing() != 0) return true;
    return cdTab_ != nullptr && cdTab_->IsPlayingTrack();
}

void CSongPlayer::RefreshGain() {
    TGuard guard(lock_);
    CSongSound* sound = slotSounds_[currentSlot_];
    if (sound != nullptr && sound->Playing()) ApplyTrackGain(*sound, tracks_, prefs_);
}

void CSongPlayer::UpdateQueuePoint() {
    TGuard guard(lock_);
    const std::int32_t length = outerGroup_->Length(0);
    const std::int32_t overlap = OverlapMs();
    queuePoint_ = overlap < length ? length - overlap : length;
    nextRequested_ = 0;
}

int CSongPlayer::FormatFound() {
    TGuard guard(lock_);
    return formatFound_;
}

WAVEFORMATEX CSongPlayer::OutputFormat() {
    TGuard guard(lock_);
    return outputFormat_;
}

CPCMMixer* CSongPlayer::GetMixer() {
    TGuard guard(lock_);
    return mixer_.get();
}

void CSongPlayer::SetSongLoader(TSongLoader loader) {
    TGuard guard(lock_);
    songLoader_ = std::move(loader);
}
