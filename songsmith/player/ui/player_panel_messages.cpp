// The player panel's behaviour: the player's messages, the buttons, the
// slider and the choice of the next song.
#include <QAbstractButton>
#include <QIcon>
#include <QSlider>
#include <string>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/player/next_song.h"
#include "songsmith/player/play_source.h"
#include "songsmith/player/player_display.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_link_page.h"
#include "songsmith/player/song_player.h"
#include "songsmith/player/ui/player_panel.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/keyed_text.h"

namespace {

constexpr std::uint32_t kNoSound = CSongPlayer::kNoSoundId;
constexpr std::uint32_t kSoundIdMask = 0xFFFF;
// Previous restarts the song once it has played this long, else it goes
// to the song before.
constexpr std::int64_t kRestartAfterMs = 2000;
// Play on a song that stopped this close to its end starts it again.
constexpr std::int32_t kNearEndMs = 3000;

}  // namespace

std::intptr_t CPlayerPanel::WindowProc(TAppMessage& message) {
    switch (message.number) {
        case WM_PLAYSTATE_CHANGED:
            OnPlayStateChanged(message.lParam);
            break;
        case WM_PLAYER_LOADNEXT:
            OnLoadNext(message.lParam);
            break;
        case WM_PLAYER_CANNOTPLAY:
            OnCannotPlay();
            break;
        default:
            break;
    }
    return 0;
}

bool CPlayerPanel::ContinuousPlay() const {
    return partners_.prefs != nullptr && partners_.prefs->bContinuousPlayback != 0;
}

void CPlayerPanel::OnPlayStateChanged(std::intptr_t lParam) {
    if (partners_.player == nullptr) return;
    const auto soundId = static_cast<std::uint32_t>(lParam) & kSoundIdMask;
    if (lParam > static_cast<std::intptr_t>(kSoundIdMask)) {
        OnSongStarted(soundId);
    } else {
        OnSongEnded(soundId);
    }
}

void CPlayerPanel::OnSongStarted(std::uint32_t soundId) {
    if (!songShown_) {
        songShown_ = true;
        morePicture_ = kPictureMore;
        if (more_ != nullptr) more_->setIcon(QIcon(morePictureShown_));
    }
    TPlayerSlot slot;
    if (!partners_.player->GetSlotInfo(soundId, slot)) return;
    const bool sameSong = slot.serial == serial_;
    soundId_ = soundId;
    title_ = PanelTitle(slot.title);
    endMs_ = slot.end;
    positionMs_ = slot.position;
    startMs_ = slot.start;
    serial_ = slot.serial;
    StartTimer(kTimeTimer);
    startTick_ = Now();
    ShowPlayStop(kPictureStop);
    if (slider_ != nullptr)
        slider_->setValue(sameSong ? SliderPosition(positionMs_ - startMs_, startMs_, endMs_) : 0);
    LogFmt("Playing '%s'", title_.c_str());
    // The time line is right from the first drawing on; the slider stays
    // where it was put until the time timer's first tick.
    SetTimeText(positionMs_ - startMs_);
    StartTimer(kScrollTimer);
    StartTimer(kRepaintTimer);
    ShowPlayerState();
}

void CPlayerPanel::OnSongEnded(std::uint32_t soundId) {
    // The end of a song the panel no longer shows (told late), or of one
    // the player was asked to replace already: a CD track left for a song
    // says that it ended, and a song may end just before the next is in.
    // Either way the song asked for comes next, not the one after it.
    if (soundId != soundId_ || partners_.player->GetCurrentSoundId() != soundId) return;
    positionMs_ += static_cast<std::int32_t>(Now() - startTick_);
    StopTimer(kTimeTimer);
    const bool stopped = partners_.player->IsStopped();
    if (stopped || !ContinuousPlay() || !PlayNext(soundId_, true)) {
        ShowPlayStop(kPicturePlay);
        if (!stopped && slider_ != nullptr) slider_->setValue(0);
    }
    Log("Stopping playback..");
    StopTimer(kScrollTimer);
    StopTimer(kRepaintTimer);
}

void CPlayerPanel::OnLoadNext(std::intptr_t lParam) {
    Log("Load Next Sound Message");
    if (partners_.player == nullptr) return;
    if (ContinuousPlay() && !PlayNext(static_cast<std::uint32_t>(lParam), true))
        partners_.player->Stop();
}

void CPlayerPanel::OnCannotPlay() {
    if (partners_.player == nullptr) return;
    partners_.player->Stop();
    // Nothing plays now, whatever play/stop said before.
    ShowPlayStop(kPicturePlay);
    const bool formatFound = partners_.player->FormatFound() != 0;
    const char* titleKey = formatFound ? "PEM_CouldNotPlayTitle" : "PEM_NoValidSoundcardTitle";
    const char* textKey = formatFound ? "PEM_CouldNotPlay" : "PEM_NoValidSoundcard";
    const std::string caption = KeyedText(titleKey);
    LogFmt("%s", caption.c_str());
    ShowMessageKey(window_.data(), textKey, MB_OK | MB_ICONWARNING, caption.c_str());
    ShowPlayerState();
}

bool CPlayerPanel::PlayNext(std::uint32_t soundId, bool forward) {
    if (partners_.player == nullptr) return false;
    CSongPlayer& player = *partners_.player;
    std::string path;
    player.GetSongPathById(soundId, path);
    const TNextSongLists lists{player.GetCDTab(), findTab_, libraryTab_, partners_.sessionPlayNext};
    const bool random = partners_.prefs != nullptr && partners_.prefs->bRandomPlayback != 0;
    if (PlayNextFromSource(GetPlaySource(), lists, random, forward, path,
                           player.GetCurrentSerial()))
        return true;
    Log("Failed to load the next song!");
    return false;
}

void CPlayerPanel::OnCommand(int id) {
    if (partners_.player == nullptr) return;
    switch (id) {
        case kPrevious:
            OnPrevious();
            break;
        case kPreviousSongCommand:
            PlayNext(soundId_, false);
            break;
        case kNext:
            PlayNext(soundId_, true);
            break;
        case kPlayStop:
            OnPlayStop();
            break;
        case kMore:
            OnMore();
            break;
        default:
            break;
    }
}

void CPlayerPanel::OnPrevious() {
    // Well into a song, previous means its start again.
    if (Now() - startTick_ > kRestartAfterMs) {
        partners_.player->Seek(0);
    } else {
        PlayNext(soundId_, false);
    }
}

void CPlayerPanel::OnPlayStop() {
    CSongPlayer& player = *partners_.player;
    if (player.IsPlaying()) {
        player.Stop();
        ShowPlayStop(kPicturePlay);
        return;
    }
    if (soundId_ == kNoSound) {
        PlayNext(soundId_, true);
        return;
    }
    std::string path;
    if (!player.GetSongPathById(soundId_, path)) return;
    // A song that ended (or stopped just before its end) plays from its
    // start: from where it stood there would be nothing left to hear.
    if (positionMs_ >= endMs_ - kNearEndMs) positionMs_ = startMs_;
    int cdIndex = 0;
    std::string drive;
    bool played = false;
    if (player.GetCDTrack(cdIndex, drive)) {
        played = player.PlayCDTrack(cdIndex, drive.c_str(), positionMs_) != 0;
    } else {
        played = player.PlaySong(path.c_str(), serial_, startMs_, endMs_,
                                 static_cast<int>(kNoSound), positionMs_);
    }
    if (played) ShowPlayStop(kPictureStop);
}

void CPlayerPanel::OnMore() {
    if (soundId_ == kNoSound || partners_.prefs == nullptr) return;
    std::string path;
    if (!partners_.player->GetSongPathById(soundId_, path)) return;
    CSongLinkPage page(*partners_.prefs);
    if (page.CreateFromFile(path.c_str())) page.Open();
}

void CPlayerPanel::OnHScroll(int code, int position) {
    if (code == kScrollThumbTrack) {
        dragging_ = true;
        return;
    }
    if (code == kScrollEndTrack) {
        dragging_ = false;
        return;
    }
    dragging_ = false;
    positionMs_ = SliderToPosition(position, startMs_, endMs_);
    if (partners_.player != nullptr && partners_.player->IsPlaying()) {
        // The time runs on from the new place until the player says the
        // song plays there.
        startTick_ = Now();
        partners_.player->Seek(positionMs_);
    } else {
        SetTimeText(positionMs_ - startMs_);
        RedrawDisplay();
    }
}
