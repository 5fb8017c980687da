#include "songvault/import_walk.h"

#include <sys/stat.h>

#include <algorithm>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/types.h"
#include "songvault/errors.h"
#include "songvault/import_filter.h"
#include "songvault/import_folder.h"
#include "songvault/import_song.h"
#include "songvault/import_store.h"
#include "songvault/record_text.h"

namespace songvault {

namespace {

// A record's path field holds MAX_PATH - 1 bytes: a folder path that long
// leaves no room for a file name, so nothing below it can be stored.
constexpr std::size_t kLongestFolderPath = MAX_PATH - 2;

}  // namespace

CImportWalk::EResult CImportWalk::Walk(std::string_view folder, std::int32_t depth, const MvList<TMvPath>* skip) {
    // An empty path names no folder; read as "/" it would start a walk of
    // the whole system.
    if (folder.empty()) return EResult::kDone;
    const std::string start = WithSlash(folder);
    if (IsAtOrBelow(start, skip)) return EResult::kDone;
    // Links can lead into a skipped folder under another name: the walk
    // also compares every folder's resolved path with the skipped folders'.
    realSkip_.clear();
    if (skip != nullptr) {
        for (const TMvPath& entry : *skip) {
            const std::string_view text = FieldText(entry.path);
            if (text.empty()) continue;
            std::string real = RealFolder(std::string(text));
            if (!real.empty()) realSkip_.push_back(std::move(real));
        }
    }
    return WalkFolder(start, depth, skip);
}

bool CImportWalk::EnterFolder(const std::string& folder, struct stat& info) {
    if (folder.size() > kLongestFolderPath) {
        LogFmt("SVTENG_CSongvault::Import - Folder path too long, skipped: %s", folder.c_str());
        return false;
    }
    // stat follows links: a folder reached through a link and directly is
    // one folder, and a link back up the tree is met as a folder entered.
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (IsSkippedThroughLinks(folder)) return false;
    if (!entered_.emplace(info.st_dev, info.st_ino).second) return false;
    return !IsPseudoFileSystem(folder);
}

bool CImportWalk::IsSkippedThroughLinks(const std::string& folder) const {
    if (realSkip_.empty()) return false;
    const std::string real = RealFolder(folder);
    return std::any_of(realSkip_.begin(), realSkip_.end(),
                       [&](const std::string& top) { return IsAtOrBelowFolder(real, top); });
}

CImportWalk::EResult CImportWalk::WalkFolder(const std::string& folder, std::int32_t depthLeft,
                                             const MvList<TMvPath>* skip) {
    if (!Running()) return EResult::kStopped;
    struct stat info {};
    if (!EnterFolder(folder, info)) return EResult::kDone;
    poster_.CurrentDir(folder);

    std::vector<TFolderItem> items;
    if (!ListFolder(folder, items)) return EResult::kDone;
    std::vector<std::string> files;
    for (const TFolderItem& item : items)
        if (!item.isFolder && (KindOfName(item.name) & flags_) != 0) files.push_back(folder + item.name);

    std::int32_t songCount = 0;
    const EResult stored = StoreSongs(files, songCount);
    if (songCount > 0) poster_.KnownDir(folder, songCount, static_cast<std::int32_t>(info.st_mtime));
    if (stored != EResult::kDone) return stored;

    if (depthLeft <= 0) return EResult::kDone;
    for (const TFolderItem& item : items) {
        // Hidden folders hold program data and the desktop trash, not a
        // user's songs.
        if (!item.isFolder || item.name.front() == '.') continue;
        const std::string sub = folder + item.name + '/';
        if (IsAtOrBelow(sub, skip)) continue;
        const EResult result = WalkFolder(sub, depthLeft - 1, skip);
        if (result != EResult::kDone) return result;
    }
    return EResult::kDone;
}

bool CImportWalk::NewPaths(const std::vector<std::string>& files, std::vector<std::string>& fresh,
                           std::int32_t& songCount) {
    std::lock_guard guard(store_.lock);
    if (!store_.db.IsOpen()) {
        SetLastError(SONGVAULT_ERR_NOT_OPEN);
        return false;
    }
    CKnownPaths known(store_.db);
    for (const std::string& path : files) {
        if (path.size() >= MAX_PATH) {
            LogFmt("SVTENG_CSongvault::Import - Path too long, skipped: %s", path.c_str());
        } else if (known.Holds(path)) {
            ++songCount;
        } else {
            fresh.push_back(path);
        }
    }
    return true;
}

bool CImportWalk::Flush(std::vector<TSVT_Song>& songs, std::int32_t& songCount) {
    std::vector<bool> added;
    {
        std::lock_guard guard(store_.lock);
        if (!store_.db.IsOpen()) {
            SetLastError(SONGVAULT_ERR_NOT_OPEN);
            return false;
        }
        if (!AddNewSongs(store_.db, songs, added)) return false;
    }
    // A song that another import stored meanwhile is counted, not posted.
    songCount += static_cast<std::int32_t>(songs.size());
    for (std::size_t i = 0; i < songs.size(); ++i)
        if (added[i]) poster_.FoundSong(songs[i]);
    songs.clear();
    return true;
}

CImportWalk::EResult CImportWalk::StoreSongs(const std::vector<std::string>& files, std::int32_t& songCount) {
    if (files.empty()) return EResult::kDone;
    std::vector<std::string> fresh;
    if (!NewPaths(files, fresh, songCount)) return EResult::kFailed;
    std::vector<TSVT_Song> songs;
    EResult result = EResult::kDone;
    for (const std::string& path : fresh) {
        if (!Running()) {
            result = EResult::kStopped;
            break;
        }
        // A file refused before and unchanged since is passed over after a
        // stat.
        const std::uint32_t kind = KindOfName(path);
        struct stat info {};
        const bool stated = stat(path.c_str(), &info) == 0;
        if (stated && refused_.StillRefused(path, info, MinimumLengthMs(flags_, kind))) continue;
        TSVT_Song song;
        std::int32_t lengthMs = -1;
        if (!ProbeSong(probe_, path, kind, flags_, song, &lengthMs)) {
            if (stated) refused_.Add(path, info, lengthMs);
            continue;
        }
        songs.push_back(song);
        if (songs.size() == kSongsPerCommit && !Flush(songs, songCount)) return EResult::kFailed;
    }
    // Songs probed before a stop are kept: the work is done and they are real.
    if (!Flush(songs, songCount)) return EResult::kFailed;
    return result;
}

}  // namespace songvault
