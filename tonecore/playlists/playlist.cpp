#include "tonecore/playlists/playlist.h"

#include <cstring>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "filekit/path_helpers.h"
#include "tonecore/playlists/playlist_song.h"
#include "utilities/text_copy.h"

namespace {

bool HasAnyExtension(const char* path, std::initializer_list<const char*> extensions) {
    for (const char* ext : extensions) {
        if (HasFileExtension(path, ext) != 0) return true;
    }
    return false;
}

// Releases a file object, closing it first when it is open.
void CloseAndRelease(CFileObj*& file) {
    if (file == nullptr) return;
    if (file->IsOpen() != 0) file->Close();
    DeleteRefObject(&file);
}

}  // namespace

void CPlaylist::DeleteAll() {
    entries_.clear();
    entries_.shrink_to_fit();
}

TONECORE_CMusicInfo* CPlaylist::GetTrackInfo(int i) const {
    if (i < 0 || i >= Count()) return nullptr;
    return entries_[static_cast<std::size_t>(i)].get();
}

const char* CPlaylist::GetTrackFilePath(int i) const {
    const TONECORE_CMusicInfo* info = GetTrackInfo(i);
    return info != nullptr ? info->path : nullptr;
}

const char* CPlaylist::GetTrackTitle(int i) const {
    const TONECORE_CMusicInfo* info = GetTrackInfo(i);
    return info != nullptr ? info->title : nullptr;
}

bool CPlaylist::LoadFromFile(const char* path, bool checkFiles) {
    countOnly_ = false;
    LogFmt("CPlaylist::LoadFromFile: file <%s>", path != nullptr ? path : "");
    if (path != nullptr) {
        // First match wins; the readers' own results do not decide: only
        // whether the list holds anything afterwards does.
        if (HasFileExtension(path, "tps") != 0) {
            _readTPS(path, checkFiles);
        } else if (HasFileExtension(path, "m3u") != 0) {
            _readM3U(path, checkFiles);
        } else if (HasFileExtension(path, "pls") != 0) {
            _readPLS(path, checkFiles);
        } else if (HasFileExtension(path, "pl") != 0) {
            _readPL(path, checkFiles);
        } else if (HasFileExtension(path, "wpl") != 0) {
            _readWPL(path, checkFiles);
        } else if (HasAnyExtension(path, {"mp3", "mp2", "mp1", "mpg", "wma", "wav"})) {
            TakeSong(path, checkFiles);
        } else if (HasAnyExtension(path, {"asx", "wax", "wvx"})) {
            _readASXPlayList(path, checkFiles);
        } else if (HasFileExtension(path, "rmp") != 0) {
            _readRMP(path, checkFiles);
        } else {
            _readGenericPlaylist(path, checkFiles);
        }
    }
    if (Count() > 0) return true;
    SetError(PLAYLIST_ERR_NOTHING);
    return false;
}

int CPlaylist::GetSongCount(const char* path) {
    countOnly_ = true;
    counted_ = 0;
    bool read = false;
    if (path == nullptr) {
        SetError(PLAYLIST_ERR_KIND);
        return 0;
    }
    if (HasFileExtension(path, "tps") != 0) {
        read = _readTPS(path, false);
    } else if (HasFileExtension(path, "m3u") != 0) {
        read = _readM3U(path, false);
    } else if (HasFileExtension(path, "pls") != 0) {
        read = _readPLS(path, false);
    } else if (HasFileExtension(path, "pl") != 0) {
        read = _readPL(path, false);
    } else {
        SetError(PLAYLIST_ERR_KIND);
        return 0;
    }
    if (!read) return 0;
    if (counted_ == 0) SetError(PLAYLIST_ERR_NOTHING);
    return counted_;
}

bool CPlaylist::SaveToFile(const char* path) {
    if (entries_.empty()) {
        SetError(PLAYLIST_ERR_NOTHING);
        return false;
    }
    if (path != nullptr && HasFileExtension(path, "tps") != 0) return _writeTPS(path);
    if (path != nullptr && HasAnyExtension(path, {"m3u", "pls", "pl"})) return _writePL(path);
    SetError(PLAYLIST_ERR_KIND);
    return false;
}

// Text playlists are not written: sessions keep everything a list holds.
bool CPlaylist::_writePL(const char* path) {
    (void)path;
    return false;
}

TONECORE_CMusicInfo* CPlaylist::TakeSong(const char* songPath, bool checkFiles) {
    if (countOnly_) {
        ++counted_;
        return nullptr;
    }
    std::unique_ptr<TONECORE_CMusicInfo> record(new (std::nothrow) TONECORE_CMusicInfo);
    if (record == nullptr) return nullptr;
    if (textcopy::CopyTextCut(songPath, record->path, sizeof record->path) != std::strlen(songPath)) {
        // A cut path would name another file.
        return nullptr;
    }
    return _addMusicInfo(std::move(record), checkFiles);
}

void CPlaylist::TakeCheckedSong(const char* songPath, bool checkFiles) {
    if (checkFiles) {
        CFileObj* file = new (std::nothrow) CFileObj;
        const bool opens = file != nullptr && file->Open(songPath, 0, 0) != 0;
        CloseAndRelease(file);
        if (!opens) return;
    }
    TakeSong(songPath, checkFiles);
}

TONECORE_CMusicInfo* CPlaylist::_addMusicInfo(std::unique_ptr<TONECORE_CMusicInfo> record, bool checkFiles) {
    if (record == nullptr) return nullptr;
    // Only session entries carry the keep flags (flags 2 and 3): the program
    // keeps those entries whether or not their song can be found.
    const bool keep = record->flags[1] || record->flags[2];
    bool loaded = false;
    if (record->path[0] != '\0') {
        CFileObj* file = new (std::nothrow) CFileObj;
        if (file == nullptr) {
            if (checkFiles && !keep) return nullptr;
        } else {
            if (file->Open(record->path, 0, 0) != 0 && file->Size() > 0 && !keep) {
                loaded = FillRecordFromSong(*file, *record);
            }
            CloseAndRelease(file);
        }
    }
    if (!loaded && checkFiles && !keep) return nullptr;
    try {
        entries_.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return entries_.back().get();
}
