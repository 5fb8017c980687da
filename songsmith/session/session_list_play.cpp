// CSessionList: the clipboard and playing tracks.
#include <algorithm>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/player/play_source.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/session_list_view.h"
#include "songsmith/player/session_player.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_link_page.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "utilities/undo_manager.h"

std::string CSessionList::ClipboardText(const std::vector<int>& serials) {
    const int flags = partners_.prefs.copyFlags;
    const bool automatic = TrimAutomatically();
    std::string text;
    CTrackList& list = partners_.tracks;
    list.Lock();
    for (int i = 0; i < list.GetCount(); ++i) {
        const CCDTrack& track = *list.GetAt(i);
        if (std::find(serials.begin(), serials.end(), track.GetSerial()) == serials.end()) continue;
        // Lines are joined by the line break of the system's clipboard.
        if (!text.empty()) text += '\n';
        text += SessionClipboardLine(SessionRowFacts(track, automatic, false), i + 1, flags);
    }
    list.Unlock();
    return text;
}

void CSessionList::CopyTrackInfoToClipboard() {
    std::vector<int> all(rows_.begin(), rows_.end());
    View().SetClipboardText(ClipboardText(all));
}

bool CSessionList::CopySelected() {
    clipboard_.clear();
    const std::vector<int> selected = SelectedSerials();
    {
        CTrackList& list = partners_.tracks;
        list.Lock();
        for (const int serial : selected) {
            auto copy = std::make_unique<CCDTrack>(partners_.prefs);
            copy->CopyFrom(*list.GetAt(list.FindBySerial(serial)), -1, -1, false);
            clipboard_.push_back(std::move(copy));
        }
        list.Unlock();
    }
    if (selected.empty()) return false;
    View().SetClipboardText(ClipboardText(selected));
    return true;
}

void CSessionList::Cut() {
    if (CopySelected()) DeleteSelected();
}

void CSessionList::Paste() {
    if (clipboard_.empty()) return;
    partners_.undo.NextUndoSet();
    AddShowFocusedTrackAtom();
    CTrackList& list = partners_.tracks;
    for (const auto& copy : clipboard_) {
        const int index = list.AppendCopy(*copy);
        if (index < 0 || !InsertRowFor(index, "Failed to paste track %d to list view!")) continue;
        RecordTrackAtom(index, CTrackAtom::kAdded);
        if (focusedSerial_ < 0) SelectTrack(RowSerial(index));
    }
    list.SetDirty(true);
    // Only the rows lose their selection: the focus stays on the first
    // pasted track when nothing had it.
    const int focused = focusedSerial_;
    SelectAll(false);
    focusedSerial_ = focused;
    AddClearSelectionAtom();
    AfterCountChange();
}

void CSessionList::PostPlayState(int serial, std::uint32_t lParam) {
    PostToAppWindow(EAppWindow::kSessionList,
                    TAppMessage{WM_PLAYSTATE_CHANGED, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(serial)),
                                static_cast<std::intptr_t>(lParam), nullptr});
}

void CSessionList::OnPlayClick(int row) {
    const int serial = RowSerial(row);
    if (serial >= 0) PlayOrStopTrack(serial);
}

void CSessionList::PlayOrStopTrack(int serial) {
    const int index = IndexOfSerial(serial);
    if (index < 0) return;
    const std::string path = partners_.tracks.GetAt(index)->GetPath();
    const bool starting = serial != playingSerial_;
    // The player takes its next songs from the session now.
    if (starting) SetPlaySource(kPlaySourceSession);
    // A song the player could not take (its file is gone) is not playing.
    if (!SongAction(starting ? kSongActionPlay : kSongActionStop, serial, 0, path) && starting) return;
    const std::uint32_t soundId = partners_.player != nullptr ? partners_.player->CurrentSoundId() : 0;
    PostPlayState(serial, (soundId & 0xFFFF) + (starting ? static_cast<std::uint32_t>(kPlayStatePlaying) : 0));
}

void CSessionList::OnPlayStateChanged(bool playing, int serial, std::uint32_t soundId) {
    soundId &= 0xFFFF;
    // In a cross-fade the next song starts before the one before it ends:
    // the end of another sound than the marked one leaves the mark.
    if (!playing && playingSerial_ != -1 && soundId != playingSoundId_) return;
    if (playingSerial_ != -1) {
        const int previous = playingSerial_;
        playingSerial_ = -1;
        RefreshTrack(previous);
        if (partners_.player != nullptr) partners_.player->SetSoundSerial(playingSoundId_, -1);
    }
    if (!playing) return;
    if (serial <= 0) {
        std::string path;
        serial = -1;
        if (partners_.player != nullptr && partners_.player->SongPathById(soundId, path))
            serial = partners_.tracks.GetSerialByPath(path.c_str());
    }
    if (serial < 0 || IndexOfSerial(serial) < 0) return;
    playingSerial_ = serial;
    playingSoundId_ = soundId;
    RefreshTrack(serial);
    EnsureTrackVisible(serial);
    if (partners_.player != nullptr) partners_.player->SetSoundSerial(soundId, serial);
}

bool CSessionList::PlayNext(bool random, int currentSerial, bool forward) {
    struct TCandidate {
        int serial;
        int state;
        std::string path;
    };
    std::vector<TCandidate> tracks;
    {
        CTrackList& list = partners_.tracks;
        list.Lock();
        for (int i = 0; i < list.GetCount(); ++i)
            tracks.push_back({list.GetAt(i)->GetSerial(), list.GetAt(i)->GetState(), list.GetAt(i)->GetPath()});
        list.Unlock();
    }
    const int count = static_cast<int>(tracks.size());
    if (count == 0) return false;
    int chosen = -1;
    if (random) {
        // As many draws as tracks; a draw may repeat, so a session of
        // missing songs can end without one.
        for (int n = 0; n < count && chosen < 0; ++n) {
            const auto i = static_cast<std::size_t>(RandomDraw(static_cast<std::uint32_t>(count)));
            if (tracks[i].serial != currentSerial && tracks[i].state != kTrackFileNotFound)
                chosen = static_cast<int>(i);
        }
    } else {
        int current = -1;
        for (int i = 0; i < count; ++i)
            if (tracks[static_cast<std::size_t>(i)].serial == currentSerial) current = i;
        if (current < 0) current = forward ? -1 : count;
        // Every track once, ending on the current one: a session of one
        // playable track plays it again.
        for (int n = 1; n <= count && chosen < 0; ++n) {
            const int i = ((current + (forward ? n : -n)) % count + count) % count;
            if (tracks[static_cast<std::size_t>(i)].state != kTrackFileNotFound) chosen = i;
        }
    }
    if (chosen < 0) return false;
    const TCandidate& track = tracks[static_cast<std::size_t>(chosen)];
    return SongAction(kSongActionPlay, track.serial, 0, track.path);
}

void CSessionList::OpenTrackLink(int serial) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    const CCDTrack* track = list.GetAt(list.FindBySerial(serial));
    const TONECORE_CMusicInfo info = track != nullptr ? track->GetMusicInfo() : TONECORE_CMusicInfo();
    list.Unlock();
    if (track == nullptr) return;
    if (linkPage_ == nullptr) linkPage_ = std::make_unique<CSongLinkPage>(partners_.prefs);
    if (linkPage_->Create(CSongEntry(info))) linkPage_->Open();
}
