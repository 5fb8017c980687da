// CSessionList: removing, moving, sorting and shuffling tracks, and the
// operations the undo atoms call.
#include <algorithm>
#include <climits>
#include <numeric>

#include "filekit/log.h"
#include "filekit/path_helpers.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/library/file_types.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/session_list_view.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/track_list.h"
#include "tonecore/playlists/playlist.h"
#include "utilities/undo_manager.h"

void CSessionList::AddShowFocusedTrackAtom() {
    CShowTrackAtom atom(*this, focusedSerial_);
    partners_.undo.AddUndoNode(atom);
}

void CSessionList::AddClearSelectionAtom() {
    CClearSelectionAtom atom(*this);
    partners_.undo.AddUndoNode(atom);
}

void CSessionList::RemoveSong(const CSongEntry& song, int) {
    std::vector<std::string> paths;
    if (IsPlaylistFile(song.path)) {
        CPlaylist list;
        list.LoadFromFile(song.path, false);
        for (int i = 0; i < list.Count(); ++i) paths.emplace_back(list.GetTrackFilePath(i));
    } else {
        paths.emplace_back(song.path);
    }
    for (const std::string& path : paths) {
        const int serial = partners_.tracks.GetSerialByPath(path.c_str());
        if (serial < 0) continue;
        const int index = IndexOfSerial(serial);
        RecordTrackAtom(index, CTrackAtom::kRemoved);
        if (index < RowCount()) {
            rows_.erase(rows_.begin() + index);
            View().DeleteRow(index);
        }
        partners_.tracks.RemoveAt(index);
        partners_.tracks.SetDirty(true);
    }
    AfterCountChange();
}

void CSessionList::RemoveTrack(int serial, bool recordUndo) {
    const int index = IndexOfSerial(serial);
    if (index < 0) return;
    if (index < RowCount()) {
        rows_.erase(rows_.begin() + index);
        View().DeleteRow(index);
    }
    if (recordUndo) RecordTrackAtom(index, CTrackAtom::kRemoved);
    const std::string path = partners_.tracks.GetAt(index)->GetPath();
    SongAction(kSongActionRemove, serial, 0, path);
    partners_.tracks.RemoveAt(partners_.tracks.FindBySerial(serial));
    partners_.tracks.SetDirty(true);
    if (focusedSerial_ == serial) focusedSerial_ = -1;
    AfterCountChange();
}

void CSessionList::DeleteSelected() {
    const std::vector<int> selected = SelectedSerials();
    if (selected.empty()) return;
    const int firstIndex = IndexOfSerial(selected.front());
    partners_.undo.NextUndoSet();
    AddShowFocusedTrackAtom();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) RemoveTrack(*it, true);
    const int count = partners_.tracks.GetCount();
    if (count > 0) {
        CCDTrack* next = partners_.tracks.GetAt(std::min(firstIndex, count - 1));
        SelectTrack(next->GetSerial());
    }
    AddClearSelectionAtom();
}

void CSessionList::RemoveAll(bool dirty) {
    CTrackList& list = partners_.tracks;
    while (list.GetCount() > 0) {
        RecordTrackAtom(0, CTrackAtom::kRemoved);
        const std::string path = list.GetAt(0)->GetPath();
        const int serial = list.GetAt(0)->GetSerial();
        SongAction(kSongActionRemove, serial, 0, path);
        list.RemoveAt(0);
    }
    rows_.clear();
    View().DeleteAllRows();
    list.SetDirty(dirty);
    AfterCountChange();
}

void CSessionList::MoveTrack(int serial, int position, bool recordUndo) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    const int from = list.FindBySerial(serial);
    const bool selected = from >= 0 && list.GetAt(from)->IsSelected();
    const int to = from < 0 ? -1 : list.Move(from, position - 1);
    list.Unlock();
    if (from < 0 || to < 0) return;
    if (from < RowCount() && to < RowCount()) {
        rows_.erase(rows_.begin() + from);
        rows_.insert(rows_.begin() + to, serial);
        View().MoveRow(from, to);
        View().ShowSelected(to, selected);
    }
    list.SetDirty(true);
    if (recordUndo) {
        CTrackMoveAtom atom(*this, serial, from, to, selected ? 1 : 0);
        partners_.undo.AddUndoNode(atom);
    }
    View().RedrawRows(std::min(from, to), std::max(from, to));
}

void CSessionList::MoveSelectedBy(int step) {
    const int count = partners_.tracks.GetCount();
    std::vector<bool> selected(static_cast<std::size_t>(count));
    std::vector<int> serials(static_cast<std::size_t>(count));
    {
        CTrackList& list = partners_.tracks;
        list.Lock();
        for (int i = 0; i < count; ++i) {
            selected[static_cast<std::size_t>(i)] = list.GetAt(i)->IsSelected();
            serials[static_cast<std::size_t>(i)] = list.GetAt(i)->GetSerial();
        }
        list.Unlock();
    }
    if (std::find(selected.begin(), selected.end(), true) == selected.end()) return;
    partners_.undo.NextUndoSet();
    AddShowFocusedTrackAtom();
    // Walking towards the end the tracks move to, a track moves when the
    // place it moves into lies beyond the last track that stayed.
    int bound = step < 0 ? 0 : count - 1;
    int first = -1;
    int last = -1;
    for (int n = 0; n < count; ++n) {
        const int i = step < 0 ? n : count - 1 - n;
        if (!selected[static_cast<std::size_t>(i)]) continue;
        const bool blocked = step < 0 ? i <= bound : i >= bound;
        if (blocked) {
            bound = i - step;
            continue;
        }
        MoveTrack(serials[static_cast<std::size_t>(i)], i + step, true);
        bound = i;
        first = first < 0 ? i + step : std::min(first, i + step);
        last = std::max(last, i + step);
    }
    AddClearSelectionAtom();
    if (first >= 0) {
        EnsureVisible(last);
        EnsureVisible(first);
    }
}

void CSessionList::MoveSelectedUp() {
    MoveSelectedBy(-1);
}

void CSessionList::MoveSelectedDown() {
    MoveSelectedBy(1);
}

void CSessionList::BeginDrag(int row) {
    const int serial = RowSerial(row);
    if (serial < 0) return;
    partners_.undo.NextUndoSet();
    dragRow_ = row;
    SelectAll(false);
    SelectTrack(serial);
}

void CSessionList::DropDrag(int targetRow) {
    const int from = dragRow_;
    dragRow_ = -1;
    if (from < 0 || targetRow < 0 || focusedSerial_ < 0) return;
    const int serial = focusedSerial_;
    AddShowFocusedTrackAtom();
    // The dragged track leaves its place first, so a target below it is
    // one place nearer.
    const int position = targetRow > from ? targetRow - 1 : targetRow;
    MoveTrack(serial, position, true);
    SelectTrack(serial);
    AddClearSelectionAtom();
}

void CSessionList::ApplyOrder(const std::vector<int>& serials, bool recordUndo) {
    for (int i = 0; i < static_cast<int>(serials.size()); ++i)
        if (IndexOfSerial(serials[static_cast<std::size_t>(i)]) != i)
            MoveTrack(serials[static_cast<std::size_t>(i)], i, recordUndo);
}

void CSessionList::SortByColumn(int column, bool recordUndo) {
    if (column == kColumnNumber || column == kColumnLink || column < 0 || column >= kSessionColumnCount) return;
    sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
    sortColumn_ = column;
    std::vector<TSessionRowFacts> facts;
    {
        CTrackList& list = partners_.tracks;
        const bool automatic = TrimAutomatically();
        list.Lock();
        for (int i = 0; i < list.GetCount(); ++i) {
            const CCDTrack& track = *list.GetAt(i);
            facts.push_back(SessionRowFacts(track, automatic, track.GetSerial() == playingSerial_));
        }
        list.Unlock();
    }
    std::vector<std::size_t> order(facts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable, so rows that compare equal keep their order and sorting again
    // gives the same rows.
    const bool descending = sortDescending_;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return descending ? CompareSessionRows(facts[b], facts[a], column) < 0
                          : CompareSessionRows(facts[a], facts[b], column) < 0;
    });
    std::vector<int> serials;
    for (const std::size_t i : order) serials.push_back(CCDTrack::SerialOf(facts[i].info));
    if (recordUndo) partners_.undo.NextUndoSet();
    ApplyOrder(serials, recordUndo);
}

std::uint32_t CSessionList::RandomDraw(std::uint32_t count) {
    // 32-bit products wrap, as the draw always did.
    const std::uint32_t product = partners_.random() * partners_.tickMs();
    return product % count;
}

void CSessionList::Shuffle() {
    std::vector<int> serials;
    {
        CTrackList& list = partners_.tracks;
        list.Lock();
        for (int i = 0; i < list.GetCount(); ++i) serials.push_back(list.GetAt(i)->GetSerial());
        list.Unlock();
    }
    const auto count = static_cast<std::uint32_t>(serials.size());
    if (count == 0) return;
    std::vector<int> slots(count, -1);
    for (const int serial : serials) {
        std::uint32_t slot = RandomDraw(count);
        if (slots[slot] != -1) slot = static_cast<std::uint32_t>(std::find(slots.begin(), slots.end(), -1) - slots.begin());
        slots[slot] = serial;
    }
    partners_.undo.NextUndoSet();
    ApplyOrder(slots, true);
    partners_.tracks.SetDirty(true);
}

void CSessionList::InsertTrackAt(const TONECORE_CMusicInfo& record, int position) {
    CTrackList& list = partners_.tracks;
    const int serial = CCDTrack::SerialOf(record);
    list.Lock();
    const int index = list.InsertMusicInfo(record, position - 1);
    if (index >= 0) list.GetAt(index)->SetSerial(serial);
    list.Unlock();
    if (index < 0) return;
    if (!InsertRowFor(index, "Failed to add track %d to list view via undo/redo!")) {
        AfterCountChange();
        return;
    }
    MarkPlayingIfPlayed(serial, record.path);
    SongAction(kSongActionAdd, serial, 0, record.path);
    list.SetDirty(true);
    AfterCountChange();
}

void CSessionList::RemoveTrackBySerial(int serial) {
    const int index = IndexOfSerial(serial);
    if (index < 0) return;
    if (index < RowCount()) {
        rows_.erase(rows_.begin() + index);
        View().DeleteRow(index);
    }
    // The pages unmark the song, as when the track is deleted (and as the
    // redo's insertion marks it again).
    const CCDTrack* track = partners_.tracks.GetAt(index);
    const std::string path = track != nullptr ? track->GetPath() : std::string();
    partners_.tracks.RemoveAt(index);
    if (!path.empty()) SongAction(kSongActionRemove, serial, 0, path);
    if (playingSerial_ == serial) playingSerial_ = -1;
    if (focusedSerial_ == serial) focusedSerial_ = -1;
    partners_.tracks.SetDirty(true);
    AfterCountChange();
}

void CSessionList::SetTrackVolume(int serial, double volume) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    const int index = list.FindBySerial(serial);
    if (index >= 0) list.GetAt(index)->SetVolume(volume);
    list.Unlock();
    if (index < 0) return;
    list.SetDirty(true);
    RefreshTrack(serial);
    if (partners_.player != nullptr) partners_.player->RefreshGain();
}
