#include "songsmith/session/session_list.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "filekit/log.h"
#include "platform/tick.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list_view.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_link_page.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"

namespace {

// Without a pane nothing is shown, every row is taken, and the add list
// runs through at once.
class CNoSessionView final : public ISessionListView {
public:
    explicit CNoSessionView(CSessionList& owner) : owner_(owner) {}
    bool InsertRow(int, int) override { return true; }
    void DeleteRow(int) override {}
    void DeleteAllRows() override {}
    void MoveRow(int, int) override {}
    void RedrawRows(int, int) override {}
    void EnsureVisible(int) override {}
    void ShowSelected(int, bool) override {}
    void ShowFocus(int) override {}
    void ShowButtons(bool) override {}
    void ShowTotals(const std::string&, bool) override {}
    void SetClipboardText(const std::string&) override {}
    void ShowWaitCursor(bool) override {}
    int RunAddSongsDialog(bool) override {
        while (owner_.AddListTick()) {
        }
        return owner_.FinishAddList();
    }

private:
    CSessionList& owner_;
};

}  // namespace

CSessionList::CSessionList(TSessionListPartners partners)
    : partners_(std::move(partners)), nullView_(std::make_unique<CNoSessionView>(*this)) {
    if (!partners_.songAction) partners_.songAction = DoSongAction;
    if (!partners_.random) partners_.random = [] { return static_cast<std::uint32_t>(std::rand()); };
    if (!partners_.tickMs) partners_.tickMs = [] { return GetTickCount(); };
    if (!partners_.loadSessionFile) {
        CTrackList& tracks = partners_.tracks;
        partners_.loadSessionFile = [&tracks](const char* path) { return tracks.LoadSession(path); };
    }
}

CSessionList::~CSessionList() = default;

void CSessionList::SetChangedSinceConversion(bool changed) {
    changedSinceConversion_ = changed;
    if (!changed) editsAtConversion_ = partners_.tracks.EditCount();
}

bool CSessionList::ChangedSinceConversion() const {
    return changedSinceConversion_ || partners_.tracks.EditCount() != editsAtConversion_;
}

void CSessionList::SetView(ISessionListView* view) {
    view_ = view;
}

ISessionListView& CSessionList::View() {
    return view_ != nullptr ? *view_ : *nullView_;
}

bool CSessionList::BurnStepRuns() const {
    return partners_.burn != nullptr && IsBurnStepState(partners_.burn->BurnState());
}

bool CSessionList::TrimAutomatically() const {
    return partners_.prefs.bTrimSoundsAutomatically != 0;
}

int CSessionList::IndexOfSerial(int serial) {
    return partners_.tracks.FindBySerial(serial);
}

int CSessionList::RowSerial(int row) const {
    return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)] : -1;
}

void CSessionList::RebuildRows() {
    View().DeleteAllRows();
    rows_.clear();
    playingSerial_ = -1;
    struct TRow {
        int serial;
        std::string path;
    };
    std::vector<TRow> tracks;
    {
        CTrackList& list = partners_.tracks;
        list.Lock();
        for (int i = 0; i < list.GetCount(); ++i)
            tracks.push_back({list.GetAt(i)->GetSerial(), list.GetAt(i)->GetPath()});
        list.Unlock();
    }
    for (const TRow& row : tracks) {
        const int index = RowCount();
        rows_.push_back(row.serial);
        // The track stays in the session even when the pane cannot show it.
        if (!View().InsertRow(index, row.serial)) LogFmt("Failed to add track %d to list view!", index);
        SongAction(kSongActionAdd, row.serial, 0, row.path);
        MarkPlayingIfPlayed(row.serial, row.path);
    }
    UpdateButtons(HasSelection());
    ShowShuffleButton(!rows_.empty());
}

void CSessionList::RefreshTrack(int serial) {
    const int row = IndexOfSerial(serial);
    if (row < 0 || row >= RowCount()) return;
    if (BurnStepRuns())
        View().EnsureVisible(row);
    else
        View().RedrawRows(row, row);
}

void CSessionList::EnsureVisible(int row) {
    if (row >= 0 && row < RowCount()) View().EnsureVisible(row);
}

void CSessionList::UpdateButtons(bool anySelected) {
    View().ShowButtons(anySelected);
}

void CSessionList::UpdateTotals(bool redrawRows) {
    TSessionTotalsInput input;
    CTrackList& list = partners_.tracks;
    list.Lock();
    input.count = list.GetCount();
    input.totalMs = list.GetTotalLength();
    input.burnMs = list.GetBurnLength(TrimAutomatically(), true);
    input.pending = list.HasPendingTracks();
    list.Unlock();
    input.capacityMs = partners_.burn != nullptr ? partners_.burn->DiscCapacityMs() : 0;
    totalsText_ = FormatTotals(::UpdateTotals(input));
    View().ShowTotals(totalsText_, redrawRows);
}

void CSessionList::RefreshSessionState() {
    UpdateTotals(false);
    UpdateButtons(HasSelection());
    ShowShuffleButton(!rows_.empty());
}

void CSessionList::ShowRowSelected(int serial, bool selected) {
    const int row = IndexOfSerial(serial);
    if (row >= 0 && row < RowCount()) View().ShowSelected(row, selected);
}

void CSessionList::SelectAll(bool select) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    for (int i = 0; i < list.GetCount(); ++i) list.GetAt(i)->SetSelected(select);
    list.Unlock();
    for (int row = 0; row < RowCount(); ++row) View().ShowSelected(row, select);
    View().ShowFocus(-1);
    focusedSerial_ = -1;
    UpdateButtons(select && !rows_.empty());
}

void CSessionList::SelectTrack(int serial) {
    MarkTrackSelected(serial);
    const int index = IndexOfSerial(serial);
    if (index < 0) return;
    focusedSerial_ = serial;
    View().ShowFocus(index);
}

void CSessionList::MarkTrackSelected(int serial) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    const int index = list.FindBySerial(serial);
    if (index >= 0) list.GetAt(index)->SetSelected(true);
    list.Unlock();
    if (index < 0) return;
    ShowRowSelected(serial, true);
    UpdateButtons(true);
}

void CSessionList::EnsureTrackVisible(int serial) {
    EnsureVisible(IndexOfSerial(serial));
}

bool CSessionList::HasSelection() {
    CTrackList& list = partners_.tracks;
    list.Lock();
    bool any = false;
    for (int i = 0; i < list.GetCount() && !any; ++i) any = list.GetAt(i)->IsSelected();
    list.Unlock();
    return any;
}

void CSessionList::TakeUserSelection(const std::vector<int>& selectedRows, int focusedRow) {
    std::vector<bool> selected(rows_.size());
    for (int row : selectedRows)
        if (row >= 0 && row < RowCount()) selected[static_cast<std::size_t>(row)] = true;
    CTrackList& list = partners_.tracks;
    list.Lock();
    for (int row = 0; row < RowCount(); ++row) {
        const int index = list.FindBySerial(rows_[static_cast<std::size_t>(row)]);
        if (index >= 0) list.GetAt(index)->SetSelected(selected[static_cast<std::size_t>(row)]);
    }
    list.Unlock();
    focusedSerial_ = RowSerial(focusedRow);
    UpdateButtons(std::find(selected.begin(), selected.end(), true) != selected.end());
}

std::vector<int> CSessionList::SelectedSerials() {
    std::vector<int> serials;
    CTrackList& list = partners_.tracks;
    list.Lock();
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetAt(i)->IsSelected()) serials.push_back(list.GetAt(i)->GetSerial());
    list.Unlock();
    return serials;
}

bool CSessionList::SongAction(int action, int serial, unsigned lParam, const std::string& path) {
    CSongEntry song;
    std::snprintf(song.path, sizeof song.path, "%s", path.c_str());
    return partners_.songAction(kSongListSession, action, serial, lParam, &song);
}

void CSessionList::ShowShuffleButton(bool enabled) {
    PostToAppWindow(EAppWindow::kToolbar,
                    TAppMessage{TB_ENABLEBUTTON, static_cast<std::uintptr_t>(kShuffleCommand), enabled ? 1 : 0,
                                nullptr});
}

void CSessionList::AfterCountChange() {
    const bool any = !rows_.empty();
    if (!any) {
        UpdateButtons(false);
        focusedSerial_ = -1;
    }
    ShowShuffleButton(any);
    UpdateTotals(false);
}

void CSessionList::MarkPlayingIfPlayed(int serial, const std::string& path) {
    if (playingSerial_ != -1 || partners_.player == nullptr) return;
    if (!partners_.player->IsPlayingFile(path.c_str())) return;
    playingSerial_ = serial;
    playingSoundId_ = partners_.player->CurrentSoundId();
    RefreshTrack(serial);
}

void CSessionList::OnButton(int id) {
    // A burn reads the session as it stands.
    if (BurnStepRuns()) return;
    switch (id) {
        case kMoveUpButton:
            MoveSelectedUp();
            break;
        case kMoveDownButton:
            MoveSelectedDown();
            break;
        case kDeleteButton:
            View().ShowWaitCursor(true);
            DeleteSelected();
            View().ShowWaitCursor(false);
            break;
        default:
            break;
    }
}

std::intptr_t CSessionList::WindowProc(const TAppMessage& message) {
    switch (message.number) {
        case WM_SESSION_TRACKCHANGED:
            RefreshTrack(static_cast<int>(message.lParam));
            UpdateTotals(false);
            return 0;
        case WM_TRACKS_LOADED:
            UpdateTotals(false);
            return 0;
        case WM_PLAYSTATE_CHANGED:
            OnPlayStateChanged(((message.lParam >> 16) & 0xFFFF) != 0,
                               static_cast<int>(static_cast<std::intptr_t>(message.wParam)),
                               static_cast<std::uint32_t>(message.lParam & 0xFFFF));
            return 0;
        default:
            return 0;
    }
}
