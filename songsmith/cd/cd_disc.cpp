#include "songsmith/cd/cd_disc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "filekit/log.h"
#include "platter/device.h"
#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_menu_states.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cd_session_link.h"
#include "songsmith/app/keyed_format.h"
#include "titlefetch/titlefetch.h"

namespace {

template <std::size_t N>
void CopyText(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

// The disc ID: the drive's own, else the one the track positions give.
std::uint32_t DiscIdOf(const PLATTER_CDevice& drive) {
    if (drive.discId != 0) return drive.discId;
    return ProgramTitlefetch().GetDiscID(drive.trackPositions);
}

}  // namespace

CCdDisc::CCdDisc(PLATTER_CDevice* drive) : drive_(drive), record_(std::make_unique<CDiscRecord>()) {}

CCdDisc::~CCdDisc() = default;

void CCdDisc::Changed() {
    if (changed) changed();
}

void CCdDisc::SetStatusKey(const char* key) { statusText_ = KeyedText(key); }

void CCdDisc::SetStatusText(std::string text) { statusText_ = std::move(text); }

void CCdDisc::ReplaceRows(TCDRows rows) {
    rows_ = std::move(rows);
    messageRows_ = false;
    if (Row(currentRow_) == nullptr) currentRow_ = -1;
    if (Row(playingIndex_) == nullptr) playingIndex_ = -1;
}

void CCdDisc::TakeRecord(std::unique_ptr<CDiscRecord> record) {
    if (record != nullptr) record_ = std::move(record);
}

void CCdDisc::EnableLookUp(bool enable) {
    lookUpEnabled_ = enable;
    Changed();
}

void CCdDisc::FollowRows() {
    ripEnabled_ = HasTracksToRip();
    Changed();
}

void CCdDisc::SetRipEnabled(bool enable) {
    ripEnabled_ = enable;
    Changed();
}

void CCdDisc::FillEmptyTitles() {
    for (auto& row : rows_)
        if (row->info->title[0] == '\0') CopyText(row->info->title, DefaultTrackTitle(row->info->trackNumber));
}

void CCdDisc::DeleteRows() {
    rows_.clear();
    messageRows_ = false;
    currentRow_ = -1;
    playingIndex_ = -1;
}

void CCdDisc::ShowMessageRows(const char* statusKey) {
    DeleteRows();
    messageRows_ = true;
    SetStatusKey(statusKey);
    Changed();
}

const char* CCdDisc::MessageKey() const {
    switch (state_) {
        case kCdStateBlank:
            return "CDTab_BlankCD%d";
        case kCdStateDataCd:
            return "CDTab_DataCD%d";
        default:
            return "CDTab_EmptyCD%d";
    }
}

void CCdDisc::Tick(int driveState) {
    if (drive_ == nullptr || IsBurnStepState(driveState)) return;
    drive_->RefreshStatus();
    const std::int32_t status = drive_->mediaStatus.load();
    if (status == PLATTER_MEDIA_NONE) {
        if (state_ == kCdStateAudioCd) {
            if (stopPlayback) stopPlayback();
            DeleteRows();
            SetStatusKey("CDTab_InsertCD");
        }
        if (state_ != kCdStateNone) messageRows_ = true;
        state_ = kCdStateNone;
        lookUpEnabled_ = false;
        ripEnabled_ = false;
        Changed();
        return;
    }
    // Any other status (0 included) says nothing about a disc.
    if (status < 2 || status > 4) return;
    if (state_ != kCdStateNone && state_ != kCdStateUnknown) return;
    lookUpEnabled_ = false;
    GetRDBID(false);
    if (state_ == kCdStateNone) state_ = kCdStateBlank;
    if (state_ == kCdStateBlank || state_ == kCdStateDataCd) ShowMessageRows("CDTab_InsertCD");
    Changed();
}

bool CCdDisc::ReadDiscInfo() {
    lookUpEnabled_ = false;
    discId_ = 0;
    if (!drive_->ReadDeviceInfo()) {
        Log("CCDTab::_GetRDBID - _pDevice->ReadDeviceInfo() failed!");
        lookUpEnabled_ = true;
        state_ = kCdStateNone;
        return false;
    }
    discId_ = DiscIdOf(*drive_);
    LogFmt("CDTab::_GetRDBID - After ReadDeviceInfo, device's ID = 0x%08x, _discID = 0x%08x", drive_->discId,
           discId_);
    const std::int32_t tracks = std::clamp<std::int32_t>(drive_->trackCount, 0, PLATTER_MAX_TRACKS);
    const std::int32_t dataTracks = drive_->GetNumDataTracks();
    if (dataTracks == tracks) {
        state_ = tracks > 0 ? kCdStateDataCd : kCdStateNone;
        lookUpEnabled_ = false;
        Log("CDTab::_GetRDBID - returning, no audio tracks -- data CD or failed read");
        return false;
    }
    state_ = kCdStateAudioCd;
    return dataTracks == 0 || drive_->correctionNotNeeded != 0 || CorrectEnhancedCd();
}

bool CCdDisc::CorrectEnhancedCd() {
    TITLEFETCH_CTitlefetch& titles = ProgramTitlefetch();
    MvList<PLATTER_TTrackPos*> times;
    if (!titles.GetTrackTimes(times, drive_->driveText.c_str())) {
        Log("CCDTab::_GetRDBID - GetTrackTimes() failed!");
        titles.DeallocTrackPosList(&times, false);
        state_ = kCdStateNone;
        return false;
    }
    CorrectLastAudioLength(drive_->trackTable, drive_->trackCount, times);
    titles.DeallocTrackPosList(&times, false);
    return true;
}

void CCdDisc::AddRows() {
    if (!rows_.empty()) return;
    rows_ = MakeDiscRows(drive_->trackTable, drive_->trackCount, discId_);
    messageRows_ = false;
    CopyText(record_->record.artist, "");
    CopyText(record_->record.title, UnknownAlbumTitle(discId_));
    CopyText(record_->record.genre, kUnknownGenreText);
}

void CCdDisc::GetRDBID(bool forced) {
    if (drive_ == nullptr) return;
    if (busy) busy(true);
    if (ReadDiscInfo()) {
        AddRows();
        const bool lookingUp = lookUpTitles && lookUpTitles(forced);
        if (!lookingUp) lookUpEnabled_ = true;
        SetStatusKey("CDTab_SelectTracks");
        ripEnabled_ = HasTracksToRip();
    }
    if (busy) busy(false);
    Changed();
}

void CCdDisc::ReReadOnReturn() {
    if (drive_ == nullptr) return;
    if (busy) busy(true);
    const bool read = drive_->ReadDeviceInfo();
    const std::uint32_t id = read ? DiscIdOf(*drive_) : 0;
    if (busy) busy(false);
    if (id == discId_ || LookupRunning()) return;
    discId_ = id;
    DeleteRows();
    state_ = kCdStateNone;
    Changed();
}

void CCdDisc::OnSelect(int row, bool mark) {
    TCDTrackRow* target = Row(row);
    if (target == nullptr) return;
    if (mark && target->marked == 0) {
        target->marked = 1;
        if (addToSession_ && target->percent == kCdRipDone) AddCdRowToSession(*target);
    } else if (!mark && target->marked != 0) {
        target->marked = 0;
        RemoveCdRowFromSession(*target);
    }
    FollowRows();
}

void CCdDisc::FlipCurrentMark() {
    if (const TCDTrackRow* row = Row(currentRow_)) OnSelect(currentRow_, row->marked == 0);
}

void CCdDisc::SelectOrDeselectAll() {
    const bool mark = !AnyMarked();
    for (int i = 0; i < RowCount(); ++i) OnSelect(i, mark);
    FollowRows();
}

void CCdDisc::ClearRipped() {
    for (auto& row : rows_) {
        row->SetStatus(kCdRowReady);
        row->percent = 0;
    }
    FollowRows();
}

void CCdDisc::ToggleAddToSession() {
    addToSession_ = !addToSession_;
    for (auto& row : rows_) {
        if (row->marked == 0) continue;
        if (addToSession_)
            AddCdRowToSession(*row);
        else
            RemoveCdRowFromSession(*row);
    }
    Changed();
}

void CCdDisc::SetSongPlayState(const char* path, bool state) {
    // Rows not ripped yet have no file.
    if (path == nullptr || path[0] == '\0') return;
    for (auto& row : rows_) {
        if (std::strcmp(row->info->path, path) != 0) continue;
        row->inSession = state ? 1 : 0;
        row->marked = state ? 1 : 0;
        Changed();
        return;
    }
}

bool CCdDisc::HasTracksToRip() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const auto& row) { return row->IsToRip(); });
}

bool CCdDisc::AnyMarked() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const auto& row) { return row->marked != 0; });
}

bool CCdDisc::AnyRipped() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const auto& row) { return row->percent == kCdRipDone; });
}

TCDTrackRow* CCdDisc::Row(int index) const {
    if (index < 0 || index >= RowCount()) return nullptr;
    return rows_[static_cast<std::size_t>(index)].get();
}

TONECORE_CMusicInfo* CCdDisc::GetTrackMusicInfo(int index) const {
    const TCDTrackRow* row = Row(index);
    return row == nullptr ? nullptr : row->info.get();
}
