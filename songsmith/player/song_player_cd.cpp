// CD tracks: played by their CD page, announced to the panel by the player.
#include <algorithm>
#include <string>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/cd/cd_track_page.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/player/song_player.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "tonecore/mix/pcm_mixer.h"

void CSongPlayer::PostToPanel(std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam) {
    PostToAppWindow(EAppWindow::kPlayerPanel, TAppMessage{number, wParam, lParam, nullptr});
}

void CSongPlayer::AddCDPage(ICDTrackPage* page) {
    TGuard guard(lock_);
    if (page != nullptr && std::find(cdPages_.begin(), cdPages_.end(), page) == cdPages_.end())
        cdPages_.push_back(page);
}

void CSongPlayer::RemoveCDPage(ICDTrackPage* page) {
    TGuard guard(lock_);
    cdPages_.erase(std::remove(cdPages_.begin(), cdPages_.end(), page), cdPages_.end());
    // A page that goes is never asked again.
    if (cdTab_ == page) cdTab_ = nullptr;
}

ICDTrackPage* CSongPlayer::GetCDTab() {
    TGuard guard(lock_);
    return cdTab_;
}

bool CSongPlayer::GetCDTrack(int& index, std::string& drive) {
    TGuard guard(lock_);
    if (cdMode_ == 0) return false;
    index = cdTrackIndex_;
    drive = cdDrive_;
    return true;
}

ICDTrackPage* CSongPlayer::FindCDPage(const char* drive) {
    if (drive == nullptr) return nullptr;
    for (ICDTrackPage* page : cdPages_) {
        if (page->DriveText() == drive) return page;
    }
    return nullptr;
}

int CSongPlayer::PlayCDTrack(int index, const char* drive, std::int32_t positionMs) {
    TGuard guard(lock_);
    ReleaseSound(signalSound_);
    signalSound_ = nullptr;
    if (mixer_ != nullptr && mixer_->Playing()) mixer_->Stop();
    cdMode_ = 1;
    currentSlot_ = nextSlot_;
    nextSlot_ = 1 - nextSlot_;
    stopped_ = 0;
    // This track's end is a new reason to ask for the next one.
    nextRequested_ = 0;
    ICDTrackPage* page = FindCDPage(drive);
    TPlayerSlot& slot = slots_[currentSlot_];
    slot.soundId = NewSoundId();
    slot.start = 0;
    slot.position = positionMs;
    const std::string label = page != nullptr ? page->DriveLabel() : std::string(drive != nullptr ? drive : "");
    slot.path = label + ":Track " + std::to_string(index + 1);
    const int serial = tracks_.GetSerialByPath(slot.path.c_str());
    slot.serial = serial > 0 ? serial : 0;
    slot.end = page != nullptr ? page->TrackLengthMs(index) : 0;
    std::string title;
    std::string artist;
    if (page != nullptr) page->TrackTitleAndArtist(index, title, artist);
    slot.title = artist.empty() ? title : FormatKeyedText("songby", {title, artist});
    if (cdTab_ != nullptr && cdTab_->IsPlayingTrack()) StopCDTrack();
    if (page != nullptr && page->PlayTrack(index, positionMs)) {
        cdTab_ = page;
        cdTrackIndex_ = index;
        cdDrive_ = drive;
        playingId_ = slot.soundId;
        PostToPanel(WM_PLAYSTATE_CHANGED, 0, static_cast<std::intptr_t>(slot.soundId) + kPlayStatePlaying);
    } else {
        playingId_ = kStoppedId;
        PostToPanel(WM_PLAYER_CANNOTPLAY, 0, 0);
    }
    return 1;
}

void CSongPlayer::StopCDTrack() {
    TGuard guard(lock_);
    if (cdTab_ == nullptr) return;
    // An ended message carries the 16-bit id alone: with more bits it
    // would read as a start.
    PostToPanel(WM_PLAYSTATE_CHANGED, 0, static_cast<std::intptr_t>(playingId_ & 0xFFFF));
    ICDTrackPage* page = cdTab_;
    cdTab_ = nullptr;
    page->StopTrack();
}
