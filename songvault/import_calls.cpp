// The engine's import calls.
#include <memory>
#include <new>
#include <string>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "songvault/engine_state.h"
#include "songvault/errors.h"
#include "songvault/import_filter.h"
#include "songvault/import_folder.h"
#include "songvault/import_posts.h"
#include "songvault/import_song.h"
#include "songvault/import_store.h"
#include "songvault/import_walk.h"
#include "songvault/record_text.h"

using namespace songvault;

namespace {

// A walk ready to run, with the poster its finds go through.
struct TWalkSession {
    TWalkSession(TImportStore store, ISongProbe& probe, TImportSettings& settings, void* target,
                 std::uint32_t flags)
        : poster(settings.hook, target), walk(store, probe, poster, settings.importing, flags, settings.refused) {}
    CImportPoster poster;
    CImportWalk walk;
};

// Called with the engine lock held: a walk over the open store with the
// installed probe, or null (the reason as the last error) when either is
// missing.
std::unique_ptr<TWalkSession> StartWalk(std::recursive_mutex& lock, SqliteDb* db, TImportSettings& settings,
                                        void* target, std::uint32_t flags) {
    if (db == nullptr) return nullptr;
    if (settings.probe == nullptr) {
        SetLastError(SONGVAULT_ERR_NO_PROBE);
        return nullptr;
    }
    return std::make_unique<TWalkSession>(TImportStore{lock, *db}, *settings.probe, settings, target, flags);
}

// The walk's answer as the calls give it.
bool WalkAnswer(CImportWalk::EResult result) {
    if (result == CImportWalk::EResult::kStopped) SetLastError(SONGVAULT_ERR_IMPORT_STOPPED);
    return result == CImportWalk::EResult::kDone;
}

}  // namespace

void SVTENG_CSongvault::SetSongProbe(ISongProbe* probe) {
    std::lock_guard guard(impl_->lock);
    impl_->import.probe = probe;
}

void SVTENG_CSongvault::SetPostHook(SVT_PostHook hook) {
    std::lock_guard guard(impl_->lock);
    impl_->import.hook = std::move(hook);
}

void SVTENG_CSongvault::SetImporting(bool importing) { impl_->import.importing.store(importing); }

bool SVTENG_CSongvault::VerifyImportFolder(const char* path, const MvList<TMvPath>* exclusions,
                                           TSVT_ImportStackEntry** entry) {
    if (path == nullptr || entry == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *entry = nullptr;
    const std::string folder = WithSlash(path);
    if (IsAtOrBelow(folder, exclusions)) return false;
    auto* found = new (std::nothrow) TSVT_ImportStackEntry;
    if (found == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::vector<TFolderItem> items;
    ListFolder(folder, items);
    for (const TFolderItem& item : items) {
        if (!item.isFolder) {
            found->kinds |= KindOfName(item.name);
            continue;
        }
        if (item.name.front() == '.') continue;
        TMvPath sub{};
        const std::string subPath = folder + item.name + '/';
        if (subPath.size() >= sizeof sub.path) {
            LogFmt("SVTENG_CSongvault::VerifyImportFolder - Folder path too long, skipped: %s", subPath.c_str());
            continue;
        }
        PutText(subPath, sub.path);
        found->folders.Append(sub);
    }
    *entry = found;
    return true;
}

void SVTENG_CSongvault::DeallocStackEntry(TSVT_ImportStackEntry* entry) { delete entry; }

bool SVTENG_CSongvault::ImportFavorites(void* target, std::uint32_t flags, const MvList<TMvPath>* favorites,
                                        const MvList<TMvPath>* exclusions) {
    std::unique_ptr<TWalkSession> session;
    {
        std::lock_guard guard(impl_->lock);
        session = StartWalk(impl_->lock, impl_->OpenDb(), impl_->import, target, flags);
    }
    if (!session) return false;
    if (favorites == nullptr) return true;
    // One walk for every favourite: a folder inside two of them is entered
    // once.
    for (const TMvPath& favorite : *favorites) {
        const std::int32_t depth = favorite.depth > 0 ? favorite.depth : SVT_IMPORT_ANY_DEPTH;
        if (!WalkAnswer(session->walk.Walk(FieldText(favorite.path), depth, exclusions))) return false;
    }
    return true;
}

bool SVTENG_CSongvault::ImportAllFolders(void* target, std::uint32_t flags, const char* root,
                                         const MvList<TMvPath>* skipList, std::int32_t depth) {
    if (root == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::unique_ptr<TWalkSession> session;
    {
        std::lock_guard guard(impl_->lock);
        session = StartWalk(impl_->lock, impl_->OpenDb(), impl_->import, target, flags);
    }
    if (!session) return false;
    return WalkAnswer(session->walk.Walk(root, depth > 0 ? depth : 0, skipList));
}

bool SVTENG_CSongvault::ImportSong(void* target, std::uint32_t flags, const TSVT_ImportEntry* entry, bool post,
                                   TSVT_Song* songOut) {
    std::unique_lock guard(impl_->lock);
    SqliteDb* db = impl_->OpenDb(entry);
    if (db == nullptr) return false;
    const std::string path(FieldText(entry->path));
    if (path.size() >= sizeof entry->path) {
        SetLastError(SONGVAULT_ERR_PATH_TOO_LONG);
        return false;
    }
    const std::uint32_t kind = KindOfName(path) & flags;
    if (kind == 0) {
        SetLastError(SONGVAULT_ERR_NOT_IMPORTED);
        return false;
    }
    TSVT_Song song;
    // A song the store has is left as it is: a second import of a file
    // never duplicates or overwrites it.
    if (FindSongByPath(&song, path.c_str())) {
        if (songOut != nullptr) *songOut = song;
        return true;
    }
    ISongProbe* probe = impl_->import.probe;
    if (probe == nullptr) {
        SetLastError(SONGVAULT_ERR_NO_PROBE);
        return false;
    }
    CImportPoster poster(impl_->import.hook, target);
    // The probe reads the file without the lock, as a walk does.
    guard.unlock();
    if (!ProbeSong(*probe, path, kind, flags, song)) return false;
    guard.lock();
    if (impl_->OpenDb() == nullptr) return false;
    std::vector<TSVT_Song> songs{song};
    std::vector<bool> added;
    if (!AddNewSongs(*db, songs, added)) return false;
    // A walk may have stored the file meanwhile: its song is the one.
    if (!added[0] && !FindSongByPath(&songs[0], path.c_str())) return false;
    guard.unlock();
    if (added[0] && post) poster.FoundSong(songs[0]);
    if (songOut != nullptr) *songOut = songs[0];
    return true;
}

void SVTENG_CSongvault::DeallocBuffer(TSVT_Song* song) { FreePostedSong(song); }
void SVTENG_CSongvault::DeallocKnownDir(TKnownDirInfo* info) { FreePostedKnownDir(info); }
void SVTENG_CSongvault::DeallocString(char* text) { FreePostedString(text); }
