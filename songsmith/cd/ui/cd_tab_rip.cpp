// The CD page's rip: the Rip command, the checks before a rip starts, the
// steps the rip's worker queues for the page (rows, texts, boxes, the
// library and the session), and the rip's end. The rip itself is CCdRip
// (songsmith/cd/cd_rip.h); everything here runs on the main thread.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <cstring>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "platter/device.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cd_session_link.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/app/keyed_message.h"
#include "songsmith/library/library_links.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_player.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/session/track_list.h"
#include "songsmith/cd/ui/rip_error_dialog.h"
#include "songvault/records.h"

namespace {

void EnableBurnButton(bool enable) {
    PostToAppWindow(EAppWindow::kToolbar,
                    TAppMessage{TB_ENABLEBUTTON, static_cast<std::uintptr_t>(cmd::kBurn), enable ? 1 : 0, nullptr});
}

}  // namespace

void CCDTab::RipCommand(int row) {
    if (IsRipping()) {
        if (rip_ != nullptr) rip_->setEnabled(false);
        Log("CCDTab::WM_COMMAND|IDC_RIP - Cancelling rip");
        StopRip(true);
        return;
    }
    if (prefs_ == nullptr || Drive() == nullptr || !disc_.HasTracksToRip()) return;
    disc_.SetStatusText(FormatKeyedText("CDTab_RippingPercent", {0}));
    ripPercent_.store(0);
    StopPlaying();
    Log("CCDTab::WM_COMMAND|IDC_RIP - Starting rip");
    // The Burn button waits for the rip; a rip that did not start leaves it.
    if (StartRip(row))
        EnableBurnButton(false);
    else
        disc_.SetStatusKey("CDTab_SelectTracks");
    Refresh();
}

std::vector<TRipTrack> CCDTab::TracksToRip(int row) const {
    std::vector<TRipTrack> tracks;
    for (int i = 0; i < disc_.RowCount(); ++i) {
        const TCDTrackRow* current = disc_.Row(i);
        if (row >= 0 ? i != row : !current->IsToRip()) continue;
        TRipTrack track;
        track.row = i;
        track.discTrack = current->discTrack;
        const int entry = current->discTrack - 1;
        if (entry >= 0 && entry < std::min<std::int32_t>(Drive()->trackCount, PLATTER_MAX_TRACKS))
            track.frames = Drive()->trackTable[entry].lengthFrames;
        track.info = *current->info;
        tracks.push_back(std::move(track));
    }
    return tracks;
}

bool CCDTab::StartRip(int row) {
    Log("CCDTab::_OnRip - Starting rip");
    CPreferences& prefs = *prefs_;
    const std::string folder = PrepareRipFolder(prefs.RipPath);
    prefs.Lock();
    CopyToField(folder, prefs.RipPath);
    prefs.Unlock();
    const TRipSettings settings = RipSettingsFrom(prefs);
    std::vector<TRipTrack> tracks = TracksToRip(row);
    if (tracks.empty()) return false;

    std::vector<std::int64_t> seconds;
    for (const TRipTrack& track : tracks) seconds.push_back(track.info.lengthMs / 1000);
    const std::string written = settings.destTemp ? settings.tempFolder : settings.ripPath;
    const TRipSpace space = CheckRipSpace(settings, seconds, written, hooks.freeKb);
    if (!space.Enough()) {
        LogFmt("CCDTab::_OnRip - Not enough hard drive space.  Required = %lld, available = %lld",
               static_cast<long long>(space.required), static_cast<long long>(space.available));
        ShowKeyedMessage(Window(), "CDTab_NoSpace", {static_cast<long long>(space.required - space.available)},
                         MB_OK | MB_ICONWARNING, KeyedText("CDTab_NoSpaceTitle").c_str());
        return false;
    }

    const unsigned serial = ++ripSerial_;
    Lock();
    ripping_.store(true);
    Unlock();
    Log("CCDTab::_OnRip - Creating ripping thread");
    ripper_ = std::make_unique<CCdRip>(*Drive(), settings, std::move(tracks), RipEvents(serial), hooks.ripServices);
    if (!ripper_->Start()) {
        Log("CCDTab::_OnRip - Failed to launch rip thread!");
        ripper_.reset();
        Lock();
        ripping_.store(false);
        Unlock();
        return false;
    }
    SetRipping(true);
    disc_.EnableLookUp(false);
    if (addToSession_ != nullptr) addToSession_->setEnabled(false);
    if (CTrackList* tracksList = CdSessionTracks()) tracksList->StopLoaderThread();
    PostTitleUpdate();
    return true;
}

TRipEvents CCDTab::RipEvents(unsigned serial) {
    TRipEvents events;
    events.rowChanged = [this, serial](int row, int status, int percent) {
        PostRipStep(serial, [this, row, status, percent] { ShowRipRow(row, status, percent); });
    };
    events.rowRipped = [this, serial](int row, const std::string& path) {
        PostRipStep(serial, [this, row, path] {
            TCDTrackRow* target = disc_.Row(row);
            if (target == nullptr) return;
            target->SetStatus(kCdRowRipped);
            target->percent = kCdRipDone;
            CopyToField(path, target->info->path);
            if (disc_.AddToSession() && target->marked != 0) AddCdRowToSession(*target);
            disc_.Changed();
        });
    };
    events.progress = [this, serial](int percent) {
        ripPercent_.store(percent);
        PostRipStep(serial, [this, percent] { ShowRipProgress(percent); });
    };
    // Files that could not be made are told once, at the rip's end.
    events.writeFailed = [this, serial](const std::string& path) {
        PostRipStep(serial, [this, path] {
            ShowKeyedMessage(Window(), "CDTab_WriteFailed", {path}, MB_OK | MB_ICONWARNING,
                             KeyedText("CDTab_CreateFailedTitle").c_str());
        });
    };
    events.deleteLibrarySong = [this, serial](const std::string& path) {
        PostRipStep(serial, [this, path] {
            if (hooks.deleteLibrarySong) hooks.deleteLibrarySong(path.c_str());
        });
    };
    events.trackDone = [this, serial](std::unique_ptr<TSVT_Song> song) {
        // Queued behind the library's removal of the old song of the path.
        PostRipStep(serial, [shared = std::make_shared<std::unique_ptr<TSVT_Song>>(std::move(song))] {
            PostToAppWindow(EAppWindow::kLibraryTab,
                            MakeLibraryRecordMessage(WM_RIP_TRACKDONE, shared->release(),
                                                     [](void* record) { delete static_cast<TSVT_Song*>(record); }));
        });
    };
    events.finished = [this, serial] {
        PostAppMessage(receiverId_.load(), TAppMessage{WM_RIP_FINISHED, 0, static_cast<std::intptr_t>(serial), nullptr});
    };
    return events;
}

void CCDTab::PostRipStep(unsigned serial, std::function<void()> step) {
    {
        std::lock_guard<std::mutex> hold(ripStepsLock_);
        ripSteps_.emplace_back(serial, std::move(step));
    }
    PostAppMessage(receiverId_.load(), TAppMessage{WM_RIP_STEP, 0, static_cast<std::intptr_t>(serial), nullptr});
}

void CCDTab::RunRipSteps() {
    for (;;) {
        std::pair<unsigned, std::function<void()>> step;
        {
            std::lock_guard<std::mutex> hold(ripStepsLock_);
            if (ripSteps_.empty()) return;
            step = std::move(ripSteps_.front());
            ripSteps_.pop_front();
        }
        if (step.first == ripSerial_ && step.second) step.second();
    }
}

void CCDTab::ShowRipRow(int row, int status, int percent) {
    TCDTrackRow* target = disc_.Row(row);
    if (target == nullptr) return;
    target->SetStatus(status);
    target->percent = percent;
    disc_.Changed();
}

void CCDTab::ShowRipProgress(int percent) {
    if (!IsRipping()) return;
    disc_.SetStatusText(FormatKeyedText("CDTab_RippingPercent", {percent}));
    disc_.Changed();
    PostTitleUpdate();
}

void CCDTab::PostTitleUpdate() {
    PostToAppWindow(EAppWindow::kMainWindow, TAppMessage{WM_UPDATE_TITLE, 0, 0, nullptr});
}

void CCDTab::StopRip(bool userCancel) {
    if (ripper_ == nullptr) return;
    // The worker is joined here; the steps it queued are shown, then the
    // rip's end at once (its own end message comes too late and is dropped).
    ripper_->Stop(userCancel);
    RunRipSteps();
    OnRipFinished(ripSerial_);
}

void CCDTab::OnRipFinished(unsigned serial) {
    if (serial != ripSerial_ || ripper_ == nullptr) return;
    ripper_->Join();
    RunRipSteps();
    const TRipResult result = ripper_->Result();
    ripper_.reset();
    FinishRip(result);
}

void CCDTab::ShowCreateFailures(const TRipResult& result) {
    // One box for the rip, whatever the number of tracks: the cause of the
    // first, in words.
    std::string cause;
    switch (result.createFailedCause) {
        case ERipCreateCause::kFormatUnavailable:
            cause = KeyedText("CDTab_CreateCauseNoFormat");
            break;
        case ERipCreateCause::kNotWritable: {
            const std::size_t slash = result.createFailedPath.rfind('/');
            const std::string folder = slash == std::string::npos ? result.createFailedPath
                                                                  : result.createFailedPath.substr(0, slash + 1);
            cause = FormatKeyedText("CDTab_CreateCauseFolder", {folder});
            break;
        }
        case ERipCreateCause::kDiskFull:
            cause = KeyedText("CDTab_CreateCauseDiskFull");
            break;
        default:
            cause = FormatKeyedText("CDTab_CreateCauseOther", {result.createFailedCode});
            break;
    }
    ShowKeyedMessage(Window(), "CDTab_CreateFailed", {result.createFailures, result.createFailedPath, cause},
                     MB_OK | MB_ICONWARNING, KeyedText("CDTab_CreateFailedTitle").c_str());
}

void CCDTab::FinishRip(const TRipResult& result) {
    // The drive's error comes first, as when the worker waited on it.
    if (result.errorCode != 0) {
        CRipErrorDlg dialog;
        dialog.DoModal(Window(), result.errorText.c_str(), result.errorCode);
    }
    if (result.createFailures > 0) ShowCreateFailures(result);
    disc_.SetStatusKey("CDTab_SelectTracks");
    Log(result.success ? "CCDTab::FinishRip - The rip succeeded." : "CCDTab::FinishRip - The rip failed.");
    if (prefs_ != nullptr && prefs_->RipSignal != 0 && result.success) {
        const std::string sound = FindResourceFile("success.mp3");
        LogFmt("CCDTab::FinishRip - Signalling success with %s", sound.c_str());
        if (CSongPlayer* player = CdPagePlayer()) player->PlaySoundFile(sound.c_str());
    }
    for (int i = 0; i < disc_.RowCount(); ++i) {
        TCDTrackRow* row = disc_.Row(i);
        LogFmt("   %d. %p (%s)", i, static_cast<void*>(row), row->info->title);
        if (row->Status() == kCdRowCancelled)
            Log("      Rip was aborted on this track.  Closing and deleting file.");
        else if (row->Status() == kCdRowRipping) {
            row->SetStatus(kCdRowReady);
            row->percent = 0;
        }
    }
    if (CTrackList* tracks = CdSessionTracks()) tracks->StartLoaderThread();
    EnableBurnButton(true);
    Lock();
    ripping_.store(false);
    Unlock();
    ripPercent_.store(0);
    SetRipping(false);
    disc_.EnableLookUp(disc_.State() != kCdStateDataCd);
    if (addToSession_ != nullptr) addToSession_->setEnabled(true);
    disc_.FollowRows();
    RunDiscTimer(true);
    PostTitleUpdate();
}
