// CSessionList: adding songs, one at a time, through the add list, and from
// the command line.
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "filekit/log.h"
#include "filekit/path_helpers.h"
#include "platform/message_box.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/library/file_types.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_links.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/session_list_view.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/track_list.h"
#include "songvault/songvault.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/playlists/playlist.h"
#include "utilities/undo_manager.h"

namespace {

constexpr const char* kSmallSongKey = "SesErr_SmallSong";
constexpr const char* kFailedSongKey = "SesErr_FailedToLoadSong";
constexpr const char* kFailedPlaylistKey = "SesErr_FailedToLoadPlaylist";
constexpr const char* kFailedSomeKey = "SesErr_FailedToLoadSomeSongsInPlaylist";
constexpr const char* kFailedSessionKey = "Ses_FailedToLoad";
constexpr const char* kProgressKey = "ILD_Progress";
constexpr const char* kProgressLibKey = "ILD_ProgressLib";
constexpr const char* kTitleKey = "ILD_Title";
constexpr const char* kTitleLibKey = "ILD_TitleLib";

constexpr const char* kAddRowFailed = "Failed to add track %d to list view!";

// A session and a playlist file store a path in 260 bytes, terminator
// included; a longer path would be cut to another file's name.
bool PathFitsSession(const char* path) {
    return std::strlen(path) < static_cast<std::size_t>(TONECORE_CMusicInfo::kStoredPathChars);
}

// A sound file the session takes (not a playlist).
bool IsSongFile(const char* path) {
    return IsAddableFile(path) && !IsPlaylistFile(path);
}

void ShowKeyedWarning(const char* key, const std::string& text) {
    GetUiServices().ShowMessage(nullptr, MakeMessageRequest(key, text.c_str(), MB_OK | MB_ICONWARNING, nullptr));
}

}  // namespace

void CSessionList::MoveFolderToTop(const char* path) {
    char folder[PATH_MAX];
    if (ExtractDirectory(path, folder) == 0 || folder[0] == '\0') return;
    const std::size_t length = std::strlen(folder);
    if (length > 1 && folder[length - 1] == '/') folder[length - 1] = '\0';
    CPreferences& prefs = partners_.prefs;
    prefs.Lock();
    prefs.MusicDirectories.MoveOrAddToTop(folder);
    prefs.Unlock();
}

void CSessionList::RecordTrackAtom(int index, int kind) {
    CTrackList& list = partners_.tracks;
    list.Lock();
    CCDTrack* track = list.GetAt(index);
    if (track == nullptr) {
        list.Unlock();
        return;
    }
    const TONECORE_CMusicInfo record = track->GetMusicInfo();
    const int selected = track->IsSelected() ? 1 : 0;
    list.Unlock();
    CTrackAtom atom(*this, record, selected, index, kind);
    partners_.undo.AddUndoNode(atom);
}

bool CSessionList::InsertRowFor(int index, const char* logFormat) {
    CTrackList& list = partners_.tracks;
    const int serial = list.GetAt(index) != nullptr ? list.GetAt(index)->GetSerial() : -1;
    rows_.insert(rows_.begin() + index, serial);
    if (View().InsertRow(index, serial)) return true;
    rows_.erase(rows_.begin() + index);
    list.RemoveAt(index);
    LogFmt(logFormat, index);
    return false;
}

int CSessionList::AppendSongTrack(const CSongEntry& song, bool recordUndo, int listType) {
    if (!PathFitsSession(song.path)) return -1;
    const int index = partners_.tracks.InsertSong(song, INT_MAX);
    if (index < 0) return -1;
    if (!InsertRowFor(index, kAddRowFailed)) return -1;
    const int serial = RowSerial(index);
    if (recordUndo) RecordTrackAtom(index, CTrackAtom::kAdded);
    MarkPlayingIfPlayed(serial, song.path);
    if (listType == kSongListSession) SongAction(kSongActionAdd, serial, 0, song.path);
    return index;
}

void CSessionList::RefuseSong(const char* key, const char* title) {
    ShowKeyedWarning(key, FormatKeyedText(key, {title}));
}

bool CSessionList::AddPlaylist(const CSongEntry& playlist, bool recordUndo, int listType) {
    CPlaylist list;
    list.LoadFromFile(playlist.path, false);
    if (list.Count() >= 2) {
        std::vector<std::string> files;
        for (int i = 0; i < list.Count(); ++i) files.emplace_back(list.GetTrackFilePath(i));
        return AddSongsWithProgress(files, recordUndo, false) != 0;
    }
    // An empty playlist, or one whose only song does not load, adds
    // nothing: the playlist file itself is no song. Nor is a playlist in
    // it (a list naming itself would be opened without end).
    CSongEntry song;
    if (list.Count() == 1 && !IsPlaylistFile(list.GetTrackFilePath(0))) song.LoadFromFile(list.GetTrackFilePath(0));
    if (list.Count() == 0 || song.loaded == 0) {
        ShowKeyedWarning(kFailedPlaylistKey, KeyedText(kFailedPlaylistKey));
        UpdateTotals(false);
        return false;
    }
    return AddSong(song, recordUndo, listType);
}

bool CSessionList::AddSong(const CSongEntry& song, bool recordUndo, int listType) {
    if (IsPlaylistFile(song.path)) return AddPlaylist(song, recordUndo, listType);
    int index = -1;
    if (song.size > kSmallSongBytes) {
        View().ShowWaitCursor(true);
        if (PathFitsSession(song.path)) MoveFolderToTop(song.path);
        index = AppendSongTrack(song, recordUndo, listType);
        View().ShowWaitCursor(false);
    }
    if (index < 0) {
        RefuseSong(song.size >= kSmallSongBytes ? kFailedSongKey : kSmallSongKey, song.musicInfo.title);
        UpdateTotals(false);
        return false;
    }
    partners_.tracks.SetDirty(true);
    UpdateButtons(HasSelection());
    ShowShuffleButton(true);
    UpdateTotals(true);
    return true;
}

bool CSessionList::AddSongFile(const char* path, bool recordUndo) {
    CSongEntry song;
    // A playlist entry is read as a playlist whatever it holds.
    if (song.LoadFromFile(path) == 0 && !IsPlaylistFile(path)) return false;
    return AddSong(song, recordUndo, kSongListSession);
}

void CSessionList::BeginAddList(const std::vector<std::string>& files, bool recordUndo, bool libraryWording) {
    addList_ = files;
    addTotal_ = static_cast<int>(files.size());
    addAdded_ = 0;
    addFailed_ = 0;
    addRecordUndo_ = recordUndo;
    addLibraryWording_ = libraryWording;
    addStopped_ = false;
}

bool CSessionList::AddListTick() {
    if (addStopped_ || addList_.empty()) return false;
    const std::string path = addList_.front();
    CSongEntry song;
    bool added = false;
    if (IsSongFile(path.c_str()) && song.LoadFromFile(path.c_str()) != 0) {
        const int index = AppendSongTrack(song, addRecordUndo_, kSongListSession);
        added = index >= 0;
        if (added) MoveFolderToTop(song.path);
    }
    if (added)
        ++addAdded_;
    else
        ++addFailed_;
    if (partners_.library != nullptr && path.size() < sizeof(TSVT_ImportEntry::path)) {
        TSVT_ImportEntry entry{};
        std::memcpy(entry.path, path.c_str(), path.size());
        entry.flags = kLibraryImportFlags;
        // The library posts what it found to the Library tab.
        void* target = LibraryPostTarget(AppWindowReceiver(EAppWindow::kLibraryTab));
        partners_.library->ImportSong(target, kLibraryImportFlags, &entry, true, nullptr);
    }
    addList_.erase(addList_.begin());
    if (partners_.libraryTabAdded) partners_.libraryTabAdded(path.c_str());
    return !addList_.empty();
}

int CSessionList::FinishAddList() {
    addList_.clear();
    if (addStopped_) return 1;
    if (addAdded_ > 0 && addAdded_ < addTotal_) {
        ShowKeyedWarning(kFailedSomeKey, KeyedText(kFailedSomeKey));
    } else if (addAdded_ == 0 && addFailed_ > 0) {
        ShowKeyedWarning(kFailedPlaylistKey, KeyedText(kFailedPlaylistKey));
        return 0;
    }
    return 1;
}

std::string CSessionList::AddListProgressText() const {
    return FormatKeyedText(addLibraryWording_ ? kProgressLibKey : kProgressKey, {addAdded_, addTotal_, addFailed_});
}

const char* CSessionList::AddListTitleKey() const {
    return addLibraryWording_ ? kTitleLibKey : kTitleKey;
}

int CSessionList::AddSongsWithProgress(const std::vector<std::string>& files, bool recordUndo, bool libraryWording) {
    BeginAddList(files, recordUndo, libraryWording);
    const int result = View().RunAddSongsDialog(libraryWording);
    const bool any = !rows_.empty();
    UpdateButtons(HasSelection());
    ShowShuffleButton(any);
    if (addAdded_ > 0) {
        partners_.tracks.SetDirty(true);
        UpdateTotals(true);
    }
    return result;
}

void CSessionList::LoadSession(const std::vector<std::string>& names) {
    namespace fs = std::filesystem;
    std::vector<std::string> songs;
    bool anyAdded = false;
    for (const std::string& name : names) {
        // A name without an extension names no song, playlist or session.
        if (name.find('.') == std::string::npos) continue;
        std::error_code error;
        if (!fs::is_regular_file(name, error)) continue;
        const std::string path = fs::absolute(name, error).lexically_normal().string();
        if (HasFileExtension(path.c_str(), "tps") != 0) {
            const bool loaded = partners_.loadSessionFile && partners_.loadSessionFile(path.c_str());
            if (!loaded) {
                ShowFileMessageKey(nullptr, kFailedSessionKey, path, MB_OK | MB_ICONWARNING);
                continue;
            }
            RebuildRows();
            partners_.tracks.SetSessionName(path.c_str());
            partners_.tracks.SetDirty(false);
            UpdateTotals(true);
            return;
        }
        if (IsPlaylistFile(path.c_str())) {
            anyAdded = AddSongFile(path.c_str(), true) || anyAdded;
        } else {
            songs.push_back(path);
        }
    }
    if (!songs.empty()) anyAdded = AddSongsWithProgress(songs, true, false) != 0 || anyAdded;
    if (!anyAdded) return;
    partners_.tracks.SetDirty(true);
    UpdateButtons(HasSelection());
    ShowShuffleButton(!rows_.empty());
}
