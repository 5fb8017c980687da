// The sound-loading worker: it decodes each requested song outside the
// player's lock, installs it under the lock, and tells the panel when the
// next song is due.
#include <algorithm>
#include <chrono>
#include <new>

#include "filekit/log.h"
#include "platform/wait_clock.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/cd/cd_track_page.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/player/track_envelope.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/sound_group.h"

namespace {

// The worker looks at the player this often when nothing wakes it.
constexpr std::chrono::milliseconds kPassInterval{300};
// A song that opens but does not load is tried again on the next passes;
// after this many failures the panel is told it cannot be played.
constexpr int kLoadAttempts = 3;

void DropAtom(CAudioAtom* atom) {
    if (atom != nullptr) DeleteAtom(&atom);
}

}  // namespace

void CSongPlayer::StartWorker() {
    TGuard guard(lock_);
    if (worker_.joinable() || !run_) return;
    workerDone_ = false;
    worker_ = std::thread(&CSongPlayer::WorkerLoop, this);
}

void CSongPlayer::WakeWorker() {
    TGuard guard(lock_);
    wakeAsked_ = true;
    wake_.notify_all();
}

void CSongPlayer::WorkerLoop() {
    std::unique_lock<std::recursive_mutex> hold(lock_);
    while (run_) {
        wakeAsked_ = false;
        hold.unlock();
        const bool again = SoundLoadingPass();
        hold.lock();
        if (!again) wake_.wait_for(hold, kPassInterval, [this] { return !run_ || wakeAsked_; });
    }
    workerDone_ = true;
    wake_.notify_all();
}

bool CSongPlayer::SoundLoadingPass() {
    std::unique_lock<std::recursive_mutex> hold(lock_);
    if (cdMode_ != 0 || requestedId_ == playingId_ || requestedId_ == kNoSoundId) {
        CheckForNextSong();
        return false;
    }
    if (requestedId_ != slots_[currentSlot_].soundId) return false;
    const TPlayerSlot slot = slots_[currentSlot_];
    hold.unlock();
    return LoadRequestedSong(slot);
}

void CSongPlayer::CheckForNextSong() {
    if (cdMode_ != 0) {
        // Asked once per track: the panel starts the next one, which clears
        // the flag; asking on every pass until then would skip tracks.
        if (cdTab_ != nullptr && nextRequested_ == 0 && !cdTab_->IsPlayingTrack()) {
            Log("Sound loading worker - CD Tab isn't playing, time for next song");
            const std::uint32_t playing = playingId_;
            if (prefs_.bContinuousPlayback == 0) StopCDTrack();
            PostToPanel(WM_PLAYER_LOADNEXT, 0, static_cast<std::intptr_t>(playing));
            nextRequested_ = 1;
        }
        return;
    }
    if (nextRequested_ != 0 || mixer_ == nullptr || mixer_->Playing() == 0) return;
    const TTransition transition = Transition();
    // Loading starts two overlaps ahead, so the next song is ready before
    // its overlap begins.
    if (transition.crossFade && queuePoint_ >= 1 && ElapsedMs() + 2 * transition.overlapMs >= queuePoint_) {
        PostToPanel(WM_PLAYER_LOADNEXT, 0, static_cast<std::intptr_t>(playingId_));
        nextRequested_ = 1;
    }
}

bool CSongPlayer::ShouldAnalyse(int serial) {
    tracks_.Lock();
    const CCDTrack* track = tracks_.GetAt(tracks_.FindBySerial(serial));
    const int state = track != nullptr ? track->GetState() : kTrackFileNotFound;
    tracks_.Unlock();
    // Tracks that are missing, in use, waiting, loading or undecodable are
    // analysed by this load; others already were (or are no tracks).
    return track != nullptr && (state < kTrackFileNotFound || state > kTrackFailedPrep);
}

void CSongPlayer::NoteFailedLoad(const TPlayerSlot& slot) {
    TGuard guard(lock_);
    if (failedId_ != slot.soundId) {
        failedId_ = slot.soundId;
        failedLoads_ = 0;
    }
    if (++failedLoads_ < kLoadAttempts || requestedId_ != slot.soundId) return;
    // Tried enough: the panel says so, and the request is dropped rather
    // than tried for ever.
    LogFmt("Song player: '%s' could not be loaded", slot.path.c_str());
    requestedId_ = kNoSoundId;
    failedId_ = kNoSoundId;
    PostToPanel(WM_PLAYER_CANNOTPLAY, 0, 0);
}

bool CSongPlayer::LoadRequestedSong(const TPlayerSlot& slot) {
    TSongLoader loader;
    {
        TGuard guard(lock_);
        loader = songLoader_;
    }
    auto* sound = new (std::nothrow) CSongSound;
    if (sound == nullptr) return false;
    const int analyse = ShouldAnalyse(slot.serial) ? 1 : 0;
    if (loader(*sound, slot.path, analyse, prefs_.soundScanMilsPerPixel) != ESoundFileLoad::kLoaded) {
        DropAtom(sound);
        NoteFailedLoad(slot);
        return false;
    }
    sound->song.LoadFromSound(sound);
    sound->CombineWithParentMap(MAP_ALL);
    sound->reportStop = 1;
    sound->reportStart = 1;
    sound->soundId = slot.soundId;
    sound->serial = slot.serial;

    TGuard guard(lock_);
    if (!run_) {
        DropAtom(sound);
        return false;
    }
    failedId_ = kNoSoundId;
    if (CSongSound*& old = slotSounds_[currentSlot_]; old != nullptr) {
        // Replaced, not ended: the lists hear of the new song instead.
        if (old->Playing()) old->reportStop = 0;
        ReleaseSound(old);
        old = nullptr;
    }
    if (requestedId_ != slot.soundId) {
        DropAtom(sound);
        return true;
    }
    if (!InstallSound(sound)) PostToPanel(WM_PLAYER_CANNOTPLAY, 0, 0);
    return false;
}

double CSongPlayer::TrackVolume(int serial) {
    if (serial < 0) return 1.0;
    tracks_.Lock();
    const CCDTrack* track = tracks_.GetAt(tracks_.FindBySerial(serial));
    const double volume = track != nullptr ? track->GetVolume() : 1.0;
    tracks_.Unlock();
    return volume;
}

void CSongPlayer::ApplyFadeEnvelope(int slot, std::int32_t a, std::int32_t b, std::int32_t lengthMs, bool fadeIn) {
    CSongSound* sound = slotSounds_[slot];
    if (sound == nullptr) return;
    const TPlayerSlot& trims = slots_[slot];
    if (a < trims.start) a = trims.start + 1;
    if (b >= trims.end) b = trims.end - 1;
    SetFadeEnvelope(*sound, tracks_, prefs_, TrackVolume(trims.serial), a, b, lengthMs, fadeIn, true);
}

void CSongPlayer::InitPlaybackForSound(CSongSound& sound) {
    WAVEFORMATEX format{};
    const bool known = sound.GetFormat(&format) != 0 && format.nSamplesPerSec > 0;
    if (!known || !InitPlayback(format.nSamplesPerSec, 16, 2)) InitPlayback(44100, 16, 2);
}

bool CSongPlayer::PlayFromSlotPosition(const TPlayerSlot& slot) {
    if (mixer_ == nullptr || mixer_->Play(outerGroup_, slot.position, 0) == 0) return false;
    startTick_ = WaitClockMilliseconds();
    startPosition_ = slot.position;
    return true;
}

void CSongPlayer::DropSignalSound() {
    // The group plays again from the song's position: a signal left in it
    // would sound a second time.
    ReleaseSound(signalSound_);
    signalSound_ = nullptr;
}

bool CSongPlayer::InstallSound(CSongSound* sound) {
    TPlayerSlot& slot = slots_[currentSlot_];
    const std::string title = sound->song.musicInfo.title;
    const std::string artist = sound->song.musicInfo.artist;
    slot.title = artist.empty() ? title : FormatKeyedText("songby", {title, artist});
    if (slot.end < 1) slot.end = sound->Length(0);
    slotSounds_[currentSlot_] = sound;
    const int other = 1 - currentSlot_;
    CSongSound* otherSound = slotSounds_[other];
    const TTransition transition = Transition();
    bool success = false;
    // With no song of the other slot playing (a signal at most, or a song
    // still waiting for its turn), the song starts afresh: joining a mixer
    // that is about to end would leave it silent while the panel shows it
    // playing.
    const bool otherPlays = otherSound != nullptr && otherSound->Playing();
    if (mixer_ != nullptr && mixer_->Playing() && !otherPlays) mixer_->Stop();
    if (mixer_ != nullptr && mixer_->Playing()) {
        otherSound->reportStop = 0;
        if (transition.crossFade) {
            // The song before fades out from the queue point on.
            const std::int32_t cut = std::max(queuePoint_ + transition.fadeMs - otherSound->AbsoluteOffset(), 0);
            ApplyFadeEnvelope(other, slots_[other].start, cut, cut, true);
            if (slot.end - slot.start < transition.overlapMs) {
                ApplyTrackGain(*sound, tracks_, prefs_);
            } else {
                ApplyFadeEnvelope(currentSlot_, slot.start, slot.end, slot.end, true);
            }
            // The song's start lands on the queue point. A group keeps its
            // earliest member at 0, so a start trimmed past the queue
            // point would shift what already plays: the song then starts
            // from its beginning at 0 instead.
            sound->Add(outerGroup_, std::max(queuePoint_ - slot.start, 0));
            success = true;
        } else {
            if (otherSound->Parent() != nullptr) otherSound->Remove();
            ApplyTrackGain(*sound, tracks_, prefs_);
            mixer_->Stop();
            DropSignalSound();
            sound->SetVirtualLength(slot.end);
            sound->Add(outerGroup_, queuePoint_);
            InitPlaybackForSound(*sound);
            success = PlayFromSlotPosition(slot);
        }
    } else {
        lastQueuePoint_ = queuePoint_ = 0;
        if (transition.crossFade) {
            const std::int32_t fadeEnd = slot.end - transition.overlapMs;
            if (fadeEnd < slot.start) {
                ApplyTrackGain(*sound, tracks_, prefs_);
            } else {
                ApplyFadeEnvelope(currentSlot_, slot.start, fadeEnd, fadeEnd, false);
            }
        } else {
            sound->SetVirtualLength(slot.end);
            ApplyTrackGain(*sound, tracks_, prefs_);
        }
        sound->Add(outerGroup_, 0);
        if (otherSound != nullptr && otherSound->Parent() != nullptr) otherSound->Remove();
        DropSignalSound();
        if (transition.crossFade) {
            InitPlayback(44100, 16, 2);
        } else {
            InitPlaybackForSound(*sound);
        }
        success = PlayFromSlotPosition(slot);
    }
    lastQueuePoint_ = queuePoint_;
    if (!success) return false;
    playingId_ = slot.soundId;
    if (transition.crossFade) {
        const std::int32_t length = outerGroup_->Length(0);
        queuePoint_ = transition.overlapMs < length ? length - transition.overlapMs : length;
        nextRequested_ = 0;
    }
    return true;
}
