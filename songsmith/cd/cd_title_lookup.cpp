#include "songsmith/cd/cd_title_lookup.h"

#include <algorithm>
#include <vector>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platter/device.h"
#include "songsmith/app/app_message.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/cd/cd_disc.h"
#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cd_record_rows.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "titlefetch/errors.h"
#include "titlefetch/titlefetch.h"

namespace {

// The disc's length in whole seconds: the end of its last track.
std::int32_t DiscSeconds(const PLATTER_CDevice& drive) {
    const std::int32_t count = std::clamp<std::int32_t>(drive.trackCount, 0, PLATTER_MAX_TRACKS);
    if (count == 0) return 0;
    const PLATTER_TTrackInfo& last = drive.trackTable[count - 1];
    return (last.startFrame + last.lengthFrames) / kFramesPerSecond;
}

std::vector<PLATTER_TTrackPos> CopyPositions(const PLATTER_CDevice& drive) {
    std::vector<PLATTER_TTrackPos> positions;
    for (const PLATTER_TTrackPos* position : drive.trackPositions)
        if (position != nullptr) positions.push_back(*position);
    return positions;
}

}  // namespace

CCdTitleLookup::CCdTitleLookup(CCdDisc& disc, const CPreferences* prefs) : disc_(disc), prefs_(prefs) {}

CCdTitleLookup::~CCdTitleLookup() { Stop(); }

void CCdTitleLookup::Stop() {
    threads_.Stop();
    // Whatever the stopped threads posted belongs to a lookup that is over.
    ++serial_;
    if (disc_.LookupRunning()) disc_.SetLookupPhase(kPhaseIdle);
}

void CCdTitleLookup::RunDiscTimer(bool run) {
    if (discTimer) discTimer(run);
}

CCdTitleLookup::CDialogScope::CDialogScope(CCdTitleLookup& lookup) : lookup_(lookup) { ++lookup_.dialogs_; }

CCdTitleLookup::CDialogScope::~CDialogScope() {
    if (--lookup_.dialogs_ > 0) return;
    // The answers held meanwhile are handled after whatever the dialog's
    // caller does next.
    std::vector<TAppMessage> held = std::move(lookup_.held_);
    lookup_.held_.clear();
    for (TAppMessage& message : held) PostAppMessage(lookup_.receiver, std::move(message));
}

std::int32_t CCdTitleLookup::Ask(const char* key, std::uint32_t flags, const std::string& title) {
    const CDialogScope scope(*this);
    return ShowMessageKey(owner, key, flags, title.c_str());
}

bool CCdTitleLookup::DiscChangedMeanwhile() {
    if (disc_.DiscId() == lookupDiscId_ && disc_.State() == kCdStateAudioCd) return false;
    LogFmt("CCDTab - The disc changed while the lookup of 0x%08x asked; its result is dropped.", lookupDiscId_);
    result_ = kLookupNone;
    disc_.SetLookupPhase(kPhaseDone);
    RunDiscTimer(true);
    // The disc that came in meanwhile was read without a lookup.
    if (disc_.State() == kCdStateAudioCd && !Decide(false)) disc_.EnableLookUp(true);
    disc_.Changed();
    return true;
}

bool CCdTitleLookup::Decide(bool forced) {
    // No lookup starts while one of the lookup's boxes or dialogs is open:
    // its answer belongs to the disc it asked about, and the record it may
    // be editing stays its own. The disc read meanwhile is looked up once
    // it closes.
    if (dialogs_ > 0) {
        Log("CDTab::_GetRDBID: a lookup's dialog is open, the lookup waits for it");
        return false;
    }
    // A lookup still running is for the disc read before.
    Stop();
    lookupDiscId_ = disc_.DiscId();
    if (!forced && FromCache()) return true;
    const bool automatic = prefs_ != nullptr && prefs_->CDDBAutoRetr != 0;
    if (!automatic && !forced) return false;
    result_ = kLookupNone;
    RunDiscTimer(false);
    if (disc_.DiscId() == 0) {
        Log("CCDTab::_GetRDBID - Still no discID");
        result_ = kLookupNoMatch;
        RunDiscTimer(true);
        return true;
    }
    Log("CDTab::_GetRDBID: launching RDB thread");
    disc_.SetLookupPhase(kPhaseSearching);
    if (!StartSearch()) {
        Log("CCDTab::_GetRDBID - Failed to launch RDB ID thread!");
        disc_.SetLookupPhase(kPhaseIdle);
        disc_.EnableLookUp(true);
        RunDiscTimer(true);
    }
    return true;
}

bool CCdTitleLookup::StartSearch() {
    PLATTER_CDevice* drive = disc_.Drive();
    if (drive == nullptr) return false;
    return threads_.StartSearch(receiver, serial_, disc_.DiscId(), CopyPositions(*drive), DiscSeconds(*drive));
}

bool CCdTitleLookup::FromCache() {
    Log("CDTab::_GetRDBID: checking for cdplayer.ini entry");
    TITLEFETCH_CTitlefetch& titles = ProgramTitlefetch();
    INI_TEntry* entry = titles.GetCDPlayerINIEntry(disc_.DiscId());
    if (entry == nullptr) return false;
    FillRecordFromCache(disc_.Record(), *entry);
    titles.DeallocINIEntry(entry);
    result_ = kLookupFromCache;
    SetRDBTrackInfo();
    return true;
}

std::intptr_t CCdTitleLookup::OnMessage(TAppMessage& message) {
    if (message.number != WM_RDB_GOTDISCINFO && message.number != WM_RDB_GOTALBUMRECORD &&
        message.number != WM_RDB_STATUS)
        return 0;
    // An answer of a lookup that was replaced or stopped is dropped (and
    // its payload freed with the message).
    if (message.lParam != serial_) return 1;
    // An answer arriving while a box or dialog is open waits for it to close.
    if (dialogs_ > 0 && message.number != WM_RDB_STATUS) {
        held_.push_back(std::move(message));
        return 1;
    }
    const int code = static_cast<int>(message.wParam);
    if (message.number == WM_RDB_STATUS) {
        if (const auto* status = dynamic_cast<const CLookupStatus*>(message.payload.get())) {
            disc_.SetStatusText(status->text);
            disc_.Changed();
        }
    } else if (message.number == WM_RDB_GOTDISCINFO) {
        std::unique_ptr<CDiscMatches> matches(dynamic_cast<CDiscMatches*>(message.payload.get()));
        if (matches != nullptr) message.payload.release();
        OnSearchAnswer(code, std::move(matches));
    } else {
        OnRecordAnswer(code, std::move(message.payload));
    }
    return 1;
}

void CCdTitleLookup::ReportFailure(int code, std::uint32_t lastError, const char* titleKey) {
    const std::string title = KeyedText(titleKey);
    disc_.SetStatusText(title);
    if (disc_.State() != kCdStateDataCd) disc_.EnableLookUp(true);
    disc_.Changed();
    // What the server did, where it said so, comes before how the exchange
    // ended.
    const bool answered = code == CDDB_BAD_ANSWER || code == CDDB_NOT_SENT_OR_READ;
    result_ = kLookupFailed;
    disc_.SetLookupPhase(kPhaseDone);
    // The hand entry is offered for the disc the lookup was for only.
    const auto offerHandEntry = [&](const char* key) {
        const bool edit = Ask(key, MB_YESNO | MB_ICONQUESTION, title) == IDYES;
        if (!DiscChangedMeanwhile() && edit) OnEdit(0);
    };
    const auto tell = [&](const char* key) {
        Ask(key, MB_OK | MB_ICONINFORMATION, title);
        DiscChangedMeanwhile();
    };
    if (answered && lastError == CDDB_ERR_SERVER_REFUSED) {
        // A server that refuses this program says so, with the same offer
        // of typing the titles in.
        offerHandEntry("CDTab_RefusedRDB");
    } else if (answered && lastError == CDDB_ERR_SERVER_ERROR) {
        tell("CDTab_ServerErrorRDB");
    } else if (answered && lastError == CDDB_ERR_REDIRECTED) {
        tell("CDTab_MovedRDB");
    } else if (code == CDDB_BAD_ANSWER || (code == CDDB_NOT_SENT_OR_READ && lastError == CDDB_ERR_BAD_ANSWER)) {
        // An answer that came but could not be read.
        offerHandEntry("CDTab_BadDataRDB");
    } else if (code == CDDB_NO_SOCKET || code == CDDB_NO_CONNECTION) {
        tell("CDTab_NoConnectRDB");
    } else if (code == CDDB_NOT_SENT_OR_READ) {
        tell("CDTab_OtherRDB");
    }
}

void CCdTitleLookup::OnSearchAnswer(int code, std::unique_ptr<CDiscMatches> matches) {
    Log("CCDTab::WM_RDB_GOTDISCINFO - Start.");
    if (code != CDDB_OK || matches == nullptr) {
        LogFmt("CCDTab::WM_RDB_GOTDISCINFO - Titlefetch::SearchForDiscID failed with discID = %x (code %d)",
               disc_.DiscId(), code);
        ReportFailure(code, matches != nullptr ? matches->outcome.lastError : 0, "CDTab_LookupFailedTitle");
        RunDiscTimer(true);
        return;
    }
    if (Ripping()) {
        Log("CCDTab::WM_RDB_GOTDISCIFNO - Rip in progress, cancelling lookup.");
        disc_.SetLookupPhase(kPhaseIdle);
        return;
    }
    Log("CCDTab::WM_RDB_GOTDISCINFO - Got results, getting record.");
    matches_ = std::move(matches);
    GetRDBRecord();
}

void CCdTitleLookup::GetRDBRecord() {
    LogFmt("CCDTab::_GetRDBRecord - Titlefetch::SearchForDiscID succeeded with discID = 0x%08x", disc_.DiscId());
    chosenId_ = 0;
    const TITLEFETCH_TQResult* taken = nullptr;
    const std::int32_t count = matches_->list.count;
    if (count == 1) {
        Log("   1 exact match found.");
        result_ = kLookupFetched;
        taken = matches_->list.items[0];
    } else if (count > 1) {
        Log("   More than 1 exact match found.");
        // The match itself: one disc ID may be filed in several categories.
        TITLEFETCH_TQResult picked{};
        int answer = 0;
        if (selectDisc) {
            const CDialogScope scope(*this);
            answer = selectDisc(matches_->list, picked);
        }
        if (DiscChangedMeanwhile()) {
            matches_.reset();
            return;
        }
        if (answer == 1 && picked.discId != 0) {
            chosen_ = picked;
            taken = &chosen_;
            result_ = kLookupFetched;
        } else {
            result_ = kLookupNoneChosen;
            disc_.SetLookupPhase(kPhaseDone);
        }
    } else {
        Log("   No matches found though.");
        result_ = kLookupNoMatch;
        disc_.SetLookupPhase(kPhaseDone);
        const std::string title = KeyedText("CDTab_TrackInfoTitle");
        const bool edit = Ask("CDTab_NoRDB", MB_YESNO | MB_ICONWARNING, title) == IDYES;
        if (DiscChangedMeanwhile()) {
            matches_.reset();
            return;
        }
        if (edit) OnEdit(0);
    }
    if (taken != nullptr) {
        if (taken != &chosen_) chosen_ = *taken;
        chosenId_ = chosen_.discId;
        disc_.SetLookupPhase(kPhaseFetching);
        if (!threads_.StartRecord(receiver, serial_, chosenId_, chosen_.genre)) {
            Log("CCDTab::_GetRDBRecord - Failed to launch RDB Record thread!");
            disc_.SetLookupPhase(kPhaseDone);
        }
    }
    RunDiscTimer(true);
    matches_.reset();
    disc_.EnableLookUp(true);
    disc_.SetStatusKey("CDTab_SelectTracks");
    disc_.Changed();
    Log("CCDTab::_GetRDBRecord - Returning from function.");
}

void CCdTitleLookup::OnRecordAnswer(int code, std::unique_ptr<CAppPayload> payload) {
    Log("CCDTab::WM_RDB_GOTALBUMRECORD - Start.");
    std::unique_ptr<CDiscRecord> record(dynamic_cast<CDiscRecord*>(payload.get()));
    if (record != nullptr) payload.release();
    if (code != CDDB_OK || record == nullptr) {
        LogFmt("CCDTab::WM_RDB_GOTALBUMRECORD - Titlefetch::GetDiscRecord failed with discID = %x (code %d)",
               chosenId_, code);
        ReportFailure(code, record != nullptr ? record->outcome.lastError : 0, "CDTab_RetrieveFailedTitle");
        return;
    }
    // The rip works on the rows: a record arriving meanwhile is dropped,
    // and the rows keep their titles.
    if (Ripping()) {
        Log("CCDTab::WM_RDB_GOTALBUMRECORD - Rip in progress, cancelling lookup.");
        disc_.SetLookupPhase(kPhaseIdle);
        return;
    }
    // The disc was taken out while its record was fetched.
    if (disc_.State() != kCdStateAudioCd) {
        Log("CCDTab::WM_RDB_GOTALBUMRECORD - Disc gone, dropping the record.");
        disc_.SetLookupPhase(kPhaseDone);
        return;
    }
    Log("CCDTab::WM_RDB_GOTALBUMRECORD - Got record, setting tracks.");
    // The record stays the lookup's while the user is asked about it, so
    // nothing the disc does meanwhile can take it from under the dialog.
    if (record->HasGaps()) {
        const std::string title = KeyedText("CDTab_MissingRDBTitle");
        const bool fill = Ask("CDTab_MissingRDB", MB_YESNO | MB_ICONQUESTION, title) == IDYES;
        if (DiscChangedMeanwhile()) return;
        if (fill && fillMissingTags) {
            {
                const CDialogScope scope(*this);
                fillMissingTags(record->record);
            }
            if (DiscChangedMeanwhile()) return;
        }
    }
    disc_.TakeRecord(std::move(record));
    SetRDBTrackInfo();
}

void CCdTitleLookup::SetRDBTrackInfo() {
    Log("CCDTab::_SetRDBTrackInfo - Start.");
    disc_.SetLookupPhase(kPhaseDone);
    const PLATTER_CDevice* drive = disc_.Drive();
    if ((result_ == kLookupFetched || result_ == kLookupFromCache) && drive != nullptr) {
        Log("CCDTab::_SetRDBTrackInfo - Info accepted.");
        std::vector<std::uint8_t> marks;
        for (const auto& row : disc_.Rows()) marks.push_back(row->marked);
        TCDRows rows = MakeRecordRows(drive->trackTable, drive->trackCount, disc_.Record(), marks);
        NumberDuplicateTitles(rows);
        disc_.ReplaceRows(std::move(rows));
        if (result_ != kLookupFromCache) WriteCache();
    } else {
        Log("CCDTab::_SetRDBTrackInfo - Info not accepted.");
    }
    disc_.SetStatusKey("CDTab_SelectTracks");
    disc_.EnableLookUp(result_ != kLookupFailed && disc_.State() != kCdStateDataCd);
    disc_.FollowRows();
}

void CCdTitleLookup::WriteCache() {
    const PLATTER_CDevice* drive = disc_.Drive();
    if (drive == nullptr || disc_.RowCount() == 0) return;
    // Filed under the disc's own ID, which the next insertion asks for,
    // even when the titles came from a match filed under another.
    INI_TEntry entry;
    FillCacheEntry(entry, disc_.DiscId(), disc_.Rows(), drive->trackCount);
    ProgramTitlefetch().AddCDPlayerINIEntry(entry);
    FreeCacheTitles(entry);
}

void CCdTitleLookup::OnEdit(int row) {
    if (chosenId_ == 0) chosenId_ = disc_.DiscId();
    if (!editTracks) return;
    const std::uint32_t before = disc_.DiscId();
    bool saved = false;
    {
        const CDialogScope scope(*this);
        saved = editTracks(row);
    }
    // The dialog puts its rows on the disc now in the drive only when the
    // user says so; the cache takes them under that disc's ID.
    if (saved) {
        WriteCache();
    } else if (disc_.DiscId() != before && disc_.State() == kCdStateAudioCd && dialogs_ == 0) {
        // A disc that came in while the dialog was open gets the lookup it
        // was kept from.
        if (!Decide(false)) disc_.EnableLookUp(true);
    }
    disc_.Changed();
}
