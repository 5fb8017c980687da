// Song requests, seeking, and what the lists and the panel ask the player.
#include <sys/stat.h>

#include <algorithm>

#include "songsmith/app/app_messages.h"
#include "songsmith/cd/cd_track_page.h"
#include "songsmith/player/song_player.h"
#include "songsmith/player/song_sounds.h"
#include "tonecore/mix/pcm_mixer.h"

namespace {

constexpr std::uint32_t kSoundIdMask = 0xFFFF;
// A seek never lands closer to the song's end than this (outside
// cross-fade mode), so the song is still heard.
constexpr std::int32_t kSeekEndMarginMs = 1000;

bool FileExists(const char* path) {
    struct stat info {};
    return path != nullptr && path[0] != '\0' && stat(path, &info) == 0;
}

}  // namespace

std::uint16_t CSongPlayer::NewSoundId() {
    ++idCounter_;
    // 0xFFFF names no playback.
    if (idCounter_ == kNoSoundId) idCounter_ = 1;
    return idCounter_;
}

bool CSongPlayer::PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs,
                           int /*soundId*/, std::int32_t positionMs) {
    TGuard guard(lock_);
    if (cdMode_ != 0) StopCDTrack();
    cdMode_ = 0;
    ReleaseSound(signalSound_);
    signalSound_ = nullptr;
    if (!FileExists(path)) return false;
    // Without a mixer, or without a format the card takes (no card), the
    // panel says why at once rather than showing a song that is not heard.
    if (mixer_ == nullptr || formatFound_ == 0) {
        PostToPanel(WM_PLAYER_CANNOTPLAY, 0, 0);
        return true;
    }
    const TTransition transition = Transition();
    if (!transition.crossFade) {
        queuePoint_ = 0;
        lastQueuePoint_ = 0;
    } else if (mixer_->Playing()) {
        const std::int32_t elapsed = ElapsedMs();
        if (queuePoint_ >= elapsed && nextRequested_ == 0) {
            // Asked for before the song was due: it comes in as soon as
            // the mixer can take it.
            queuePoint_ = mixer_->Latency() + elapsed;
        } else if (queuePoint_ == 0) {
            queuePoint_ = 2 * mixer_->Latency();
        }
    }
    stopped_ = 0;
    currentSlot_ = nextSlot_;
    TPlayerSlot& slot = slots_[currentSlot_];
    slot.path = path;
    slot.title.clear();
    slot.soundId = NewSoundId();
    slot.start = startMs;
    slot.end = endMs;
    slot.serial = serial;
    slot.position = positionMs;
    requestedId_ = slot.soundId;
    nextSlot_ = 1 - nextSlot_;
    WakeWorker();
    return true;
}

bool CSongPlayer::Seek(std::int32_t positionMs) {
    TGuard guard(lock_);
    if (cdMode_ != 0) return SeekCDTrack(positionMs);
    const TPlayerSlot current = slots_[currentSlot_];
    // Positions are within the song (its trims included), as the panel and
    // the lists give them.
    const std::int32_t margin = Transition().crossFade ? 2 * OverlapMs() : kSeekEndMarginMs;
    positionMs = std::min(positionMs, current.end - margin);
    positionMs = std::max(positionMs, current.start);
    for (CSongSound* sound : slotSounds_) {
        if (sound != nullptr) sound->reportStop = 0;
    }
    Stop();
    nextSlot_ = 1 - nextSlot_;
    if (!PlaySong(current.path.c_str(), current.serial, current.start, current.end, static_cast<int>(kNoSoundId),
                  positionMs))
        return false;
    // The windows go on showing the same playback, which plays again once
    // the worker has it back.
    slots_[currentSlot_].soundId = current.soundId;
    requestedId_ = current.soundId;
    playingId_ = kStoppedId;
    return true;
}

bool CSongPlayer::SeekCDTrack(std::int32_t positionMs) {
    if (cdTab_ == nullptr) return false;
    TPlayerSlot& slot = slots_[currentSlot_];
    // The page plays the track again from the new place, a new play taking
    // over from the one that runs. Stopping it first would tell the panel
    // the track ended, and the panel would move on to the next one.
    if (!cdTab_->PlayTrack(cdTrackIndex_, positionMs)) {
        playingId_ = kStoppedId;
        PostToPanel(WM_PLAYER_CANNOTPLAY, 0, 0);
        return false;
    }
    slot.position = positionMs;
    stopped_ = 0;
    nextRequested_ = 0;
    playingId_ = slot.soundId;
    requestedId_ = slot.soundId;
    PostToPanel(WM_PLAYSTATE_CHANGED, 0, static_cast<std::intptr_t>(slot.soundId) + kPlayStatePlaying);
    return true;
}

std::uint16_t CSongPlayer::GetCurrentSoundId() {
    TGuard guard(lock_);
    return slots_[currentSlot_].soundId;
}

int CSongPlayer::GetCurrentSerial() {
    TGuard guard(lock_);
    return slots_[currentSlot_].serial;
}

bool CSongPlayer::GetCurrentSongPath(std::string& path) {
    TGuard guard(lock_);
    const TPlayerSlot& slot = slots_[currentSlot_];
    const bool stands = slot.soundId != kNoSoundId &&
                        (slot.soundId == requestedId_ || slot.soundId == (playingId_ & kSoundIdMask));
    if (stands) path = slot.path;
    return stands;
}

bool CSongPlayer::GetSongPathById(std::uint32_t soundId, std::string& path) {
    TGuard guard(lock_);
    const TPlayerSlot& slot = slots_[currentSlot_];
    if (slot.soundId != (soundId & kSoundIdMask)) return false;
    path = slot.path;
    return true;
}

bool CSongPlayer::GetSlotInfo(std::uint32_t soundId, TPlayerSlot& slot) {
    TGuard guard(lock_);
    for (const TPlayerSlot& each : slots_) {
        if (each.soundId == (soundId & kSoundIdMask) && each.soundId != kNoSoundId) {
            slot = each;
            return true;
        }
    }
    return false;
}

void CSongPlayer::SetSoundSerial(std::uint32_t soundId, int serial) {
    TGuard guard(lock_);
    for (const int slot : {currentSlot_, 1 - currentSlot_}) {
        CSongSound* sound = slotSounds_[slot];
        if (sound != nullptr && sound->soundId == (soundId & kSoundIdMask)) {
            sound->serial = serial;
            break;
        }
    }
    RefreshGain();
}

bool CSongPlayer::IsStopped() {
    TGuard guard(lock_);
    return stopped_ != 0;
}

std::uint32_t CSongPlayer::GetPlayingId() {
    TGuard guard(lock_);
    return playingId_;
}

std::uint32_t CSongPlayer::GetRequestedId() {
    TGuard guard(lock_);
    return requestedId_;
}

std::int32_t CSongPlayer::GetQueuePoint() {
    TGuard guard(lock_);
    return queuePoint_;
}
