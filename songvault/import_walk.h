#pragma once
// The folder walk of ImportFavorites and ImportAllFolders: folders in name
// order, each folder's own songs stored (and posted) before its
// sub-folders are entered.
//
// The walk reads the disk and probes files without the engine lock; it takes
// the lock only to look up and add songs, so the program's own calls are
// never held up behind a slow disk. It ends early at the next file or folder
// once the importing flag goes off.

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "songvault/import_posts.h"
#include "songvault/import_song.h"
#include "songvault/song_probe.h"
#include "songvault/sqlite_db.h"

namespace songvault {

// The engine's connection and the lock that guards it.
struct TImportStore {
    std::recursive_mutex& lock;
    SqliteDb& db;
};

class CImportWalk {
public:
    enum class EResult { kDone, kStopped, kFailed };

    // Songs are added in transactions of at most this many, so the program's
    // own writes wait little behind a large folder.
    static constexpr std::size_t kSongsPerCommit = 200;

    CImportWalk(TImportStore store, ISongProbe& probe, CImportPoster& poster, const std::atomic<bool>& importing,
                std::uint32_t flags, CRefusedFiles& refused)
        : store_(store), probe_(probe), poster_(poster), importing_(importing), flags_(flags), refused_(refused) {}

    // Walks folder and the folders below it, down to depth levels below it
    // (0: the folder alone), leaving out every folder at or below one of
    // skip's. Each folder is entered at most once in the life of the walk
    // object, however many links or start folders lead to it. kDone also when
    // folder is empty or cannot be read: a missing drive holds no songs.
    EResult Walk(std::string_view folder, std::int32_t depth, const MvList<TMvPath>* skip);

private:
    EResult WalkFolder(const std::string& folder, std::int32_t depthLeft, const MvList<TMvPath>* skip);
    // Whether the folder is to be entered now (and marks it entered).
    bool EnterFolder(const std::string& folder, struct stat& info);
    // Whether the folder, reached through links, is in fact one of the
    // skipped folders or below one.
    bool IsSkippedThroughLinks(const std::string& folder) const;
    // Stores the folder's song files and counts them in songCount (the new
    // ones with the ones the store already holds).
    EResult StoreSongs(const std::vector<std::string>& files, std::int32_t& songCount);
    // Paths of files that no song has yet (one look-up each in the store,
    // no probe and no stat); the others are counted.
    bool NewPaths(const std::vector<std::string>& files, std::vector<std::string>& fresh, std::int32_t& songCount);
    // Adds the probed songs and posts the ones that were new.
    bool Flush(std::vector<TSVT_Song>& songs, std::int32_t& songCount);
    bool Running() const { return importing_.load(std::memory_order_relaxed); }

    TImportStore store_;
    ISongProbe& probe_;
    CImportPoster& poster_;
    const std::atomic<bool>& importing_;
    std::uint32_t flags_;
    CRefusedFiles& refused_;
    std::set<std::pair<dev_t, ino_t>> entered_;
    // The current walk's skipped folders with their links resolved.
    std::vector<std::string> realSkip_;
};

}  // namespace songvault
