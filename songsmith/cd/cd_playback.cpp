#include "songsmith/cd/cd_playback.h"

#include "filekit/log.h"
#include "platter/device.h"
#include "songsmith/cd/cd_audio_device.h"
#include "songsmith/cd/cd_disc.h"
#include "songsmith/player/play_source.h"
#include "tonecore/tags/music_info.h"

CCdPlayback::CCdPlayback(CCdDisc& disc, std::string label)
    : disc_(disc), label_(std::move(label)), owner_(std::this_thread::get_id()), random_(std::random_device{}()) {}

CCdPlayback::~CCdPlayback() { Close(); }

void CCdPlayback::Close() {
    // The device's thread is joined here; its last notice is posted to a
    // page that may be going, and dropped there.
    device_.reset();
    playing_.store(false);
}

void CCdPlayback::Repaint() { disc_.Changed(); }

void CCdPlayback::Busy(bool on) {
    if (busy) busy(on);
}

void CCdPlayback::DiscTimer(bool run) {
    if (discTimer) discTimer(run);
}

bool CCdPlayback::OnPlay(int row, std::int32_t startMs) {
    Busy(true);
    DiscTimer(false);
    const TCDTrackRow* target = disc_.Row(row);
    PLATTER_CDevice* drive = disc_.Drive();
    if (device_ == nullptr && drive != nullptr)
        device_ = CCdAudioDevice::Open(drive->driveText, waveDevice ? waveDevice() : 0);
    // The row's own disc track plays: on a disc whose first track holds
    // data, row 0 is disc track 2.
    auto notify = postNotify;
    const bool ok = target != nullptr && device_ != nullptr &&
                    device_->Play(target->discTrack, startMs, [notify](int code) {
                        if (notify) notify(code);
                    });
    if (ok) {
        disc_.SetPlayingIndex(row);
        playing_.store(true);
        Repaint();
    } else {
        LogFmt("CCDTab::OnPlay - row %d could not be played", row);
        device_.reset();
        playing_.store(false);
        disc_.SetPlayingIndex(-1);
        Repaint();
        DiscTimer(true);
    }
    Busy(false);
    return ok;
}

void CCdPlayback::OnStop() {
    // The stop's own "aborted" notice must not clear a play that starts
    // meanwhile: it only takes back this request.
    if (device_ != nullptr && device_->Stop()) ++stopsPending_;
    disc_.SetPlayingIndex(-1);
    playing_.store(false);
    Repaint();
    DiscTimer(true);
}

void CCdPlayback::OnNotify(int code) {
    switch (code) {
        case kCdPlaySuccessful:
            Log("CCDTab::MM_MCINOTIFY, Successful");
            playing_.store(false);
            break;
        case kCdPlaySuperseded:
            Log("CCDTab::MM_MCINOTIFY, Supeseded");
            break;
        case kCdPlayAborted:
            Log("CCDTab::MM_MCINOTIFY, Aborted");
            if (stopsPending_ > 0)
                --stopsPending_;
            else
                playing_.store(false);
            break;
        case kCdPlayFailure:
            // A disc that could not be read: the device is closed and the
            // disc timer looks at the drive again (the disc may be gone).
            Log("CCDTab::MM_MCINOTIFY, Failure");
            playing_.store(false);
            device_.reset();
            DiscTimer(true);
            break;
        default:
            return;
    }
    Repaint();
}

void CCdPlayback::PlayOrStop(int row) {
    if (disc_.Row(row) == nullptr) return;
    if (setPlaySource) setPlaySource(kPlaySourceCd);
    if (row == disc_.PlayingIndex()) {
        if (stopPlayer) stopPlayer();
        return;
    }
    const std::string drive = DriveText();
    if (playCdTrack) playCdTrack(row, drive.c_str());
}

bool CCdPlayback::PlayNextSong(bool random, bool forward) {
    const int rows = disc_.RowCount();
    if (rows == 0) return false;
    const int playing = disc_.PlayingIndex();
    int next = 0;
    if (random) {
        // Any row but the playing one while there are two or more.
        const bool skip = rows >= 2 && playing >= 0 && playing < rows;
        std::uniform_int_distribution<int> pick(0, skip ? rows - 2 : rows - 1);
        next = pick(random_);
        if (skip && next >= playing) ++next;
    } else if (forward) {
        next = playing + 1 >= rows || playing < 0 ? 0 : playing + 1;
    } else {
        next = playing - 1 < 0 || playing >= rows ? rows - 1 : playing - 1;
    }
    Repaint();
    const std::string drive = DriveText();
    return playCdTrack && playCdTrack(next, drive.c_str()) == 1;
}

std::string CCdPlayback::DriveText() {
    return disc_.Drive() != nullptr ? disc_.Drive()->driveText : std::string();
}

std::string CCdPlayback::DriveLabel() { return label_; }

std::int32_t CCdPlayback::TrackLengthMs(int index) {
    const TCDTrackRow* row = disc_.Row(index);
    return row != nullptr ? row->info->lengthMs : 0;
}

void CCdPlayback::TrackTitleAndArtist(int index, std::string& title, std::string& artist) {
    const TCDTrackRow* row = disc_.Row(index);
    title = row != nullptr ? row->info->title : "";
    artist = row != nullptr ? row->info->artist : "";
}

bool CCdPlayback::PlayTrack(int index, std::int32_t positionMs) { return OnPlay(index, positionMs); }

bool CCdPlayback::IsPlayingTrack() { return playing_.load(); }

void CCdPlayback::StopTrack() {
    if (std::this_thread::get_id() == owner_)
        OnStop();
    else if (postStop)
        postStop();
}
