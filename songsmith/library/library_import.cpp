#include "songsmith/library/library_import.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "filekit/log.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/library/import_roots.h"
#include "songsmith/library/library_links.h"
#include "songsmith/prefs/preferences.h"
#include "songvault/import_types.h"
#include "songvault/songvault.h"
#include "utilities/shell_folders.h"

namespace {

// Depth of a known folder's search.
constexpr std::int32_t kFavoriteDepth = 32;

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

// A folder record of path (cut to the record) with its two numbers.
TMvPath MakePath(const std::string& path, std::int32_t depth, std::int32_t number) {
    TMvPath record{};
    path.copy(record.path, sizeof record.path - 1);
    record.depth = depth;
    record.number = number;
    return record;
}

// The import yields to every other thread of the machine.
void LowerPriority() {
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

std::uint32_t ModificationTime(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 ? static_cast<std::uint32_t>(info.st_mtime) : 0;
}

}  // namespace

std::uint32_t BuildImportFlags(const CPreferences& prefs) {
    // Each minimum is a 4-bit index.
    auto minimum = [](int index) { return static_cast<std::uint32_t>(index) & 0xF; };
    std::uint32_t flags = 0;
    if (prefs.ImportMp3 != 0) flags |= SVT_IMPORT_MP3 | minimum(prefs.ImportMinMp3) << SVT_IMPORT_MIN_MP3_SHIFT;
    if (prefs.ImportWav != 0) flags |= SVT_IMPORT_WAV | minimum(prefs.ImportMinWav) << SVT_IMPORT_MIN_WAV_SHIFT;
    if (prefs.ImportWma != 0) flags |= SVT_IMPORT_WMA | minimum(prefs.ImportMinWma) << SVT_IMPORT_MIN_WMA_SHIFT;
    return flags;
}

CLibraryImport::CLibraryImport(CPreferences& prefs, SVTENG_CSongvault& store)
    : home(HomeFolder()), prefs_(prefs), store_(store) {}

CLibraryImport::~CLibraryImport() { Stop(); }

bool CLibraryImport::IsImporting() const {
    std::lock_guard guard(lock_);
    return importing_;
}

bool CLibraryImport::Start(TReceiverId page) {
    // A thread that has ended but was not joined yet goes first.
    Join();
    {
        std::lock_guard guard(lock_);
        setUp_ = false;
    }
    try {
        if (failThreadStartForTesting) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        thread_ = std::thread([this, page] { Run(page); });
    } catch (const std::system_error&) {
        Log("CLibraryTab::Import - Failed to launch import thread!");
        return false;
    }
    Log("CLibraryTab::Import - Import started successfully");
    std::unique_lock guard(lock_);
    setUpDone_.wait(guard, [this] { return setUp_; });
    setUp_ = false;
    return true;
}

void CLibraryImport::SignalSetUp() {
    {
        std::lock_guard guard(lock_);
        setUp_ = true;
    }
    setUpDone_.notify_all();
}

bool CLibraryImport::Stop() {
    running_.store(false);
    if (!thread_.joinable()) return false;
    Log("CLibraryTab::KillImportThread - Killing library import process");
    store_.SetImporting(false);
    Log("CLibraryTab::KillImportThread - Starting wait loop...");
    // The main thread now waits for the idle thread: it gets a normal
    // share of the processor to reach its end, however busy the machine is.
    sched_param normal{};
    pthread_setschedparam(thread_.native_handle(), SCHED_OTHER, &normal);
    thread_.join();
    Log("CLibraryTab::KillImportThread - Wait loop done.");
    return true;
}

void CLibraryImport::Join() {
    if (thread_.joinable()) thread_.join();
}

void CLibraryImport::Run(TReceiverId page) {
    LowerPriority();
    {
        std::lock_guard guard(lock_);
        importing_ = true;
        running_.store(true);
    }
    Log("CLibraryTab::ImportWorkerThread - Start");

    MvList<TMvPath> exclusions;
    MvList<TMvPath> favorites;
    prefs_.Lock();
    const std::uint32_t flags = BuildImportFlags(prefs_);
    const bool searchFavorites = prefs_.ImportFavorites != 0;
    const bool searchDesktop = prefs_.ImportDesktop != 0;
    const bool searchRest = prefs_.ImportRest != 0;
    const bool searchNetwork = prefs_.ImportNetwork != 0;
    for (const TExcludeDir& excluded : prefs_.ImportExcludeDirs)
        exclusions.Append(MakePath(WithSlash(excluded.path), excluded.number, excluded.value));
    const bool firstRun = prefs_.MusicDirectories.Count() == 0;
    prefs_.Unlock();
    LogFmt("CLibraryTab::ImportWorkerThread - Importing formats: %s%s%s  Flags = %08x",
           (flags & SVT_IMPORT_MP3) != 0 ? "MP3 " : "", (flags & SVT_IMPORT_WAV) != 0 ? "WAV " : "",
           (flags & SVT_IMPORT_WMA) != 0 ? "WMA" : "", flags);

    const std::vector<TImportRoot> roots = ListImportRoots(home);
    auto searched = [&](const TImportRoot& root) {
        const EImportRootUse use = ImportRootUse(root.kind);
        return use == EImportRootUse::kLocal || (use == EImportRootUse::kNetwork && searchNetwork);
    };

    // A folder found to hold songs is recorded with its time.
    auto recordIfSongs = [&](const char* path, const TSVT_ImportStackEntry& entry) {
        if ((entry.kinds & SVT_IMPORT_KINDS) == 0) return;
        prefs_.Lock();
        prefs_.MusicDirectories.UpdateOrAdd(path, ModificationTime(path), 0, 1);
        prefs_.Unlock();
    };
    // A folder and its sub-folders, the two levels the first run looks at.
    auto lookAt = [&](const std::string& folder) {
        TSVT_ImportStackEntry* entry = nullptr;
        if (!store_.VerifyImportFolder(folder.c_str(), &exclusions, &entry) || entry == nullptr) return;
        recordIfSongs(folder.c_str(), *entry);
        for (const TMvPath& sub : entry->folders) {
            if (!Running()) break;
            TSVT_ImportStackEntry* subEntry = nullptr;
            if (store_.VerifyImportFolder(sub.path, &exclusions, &subEntry) && subEntry != nullptr)
                recordIfSongs(sub.path, *subEntry);
            store_.DeallocStackEntry(subEntry);
        }
        store_.DeallocStackEntry(entry);
    };

    bool result = true;
    if (firstRun) {
        Log("CLibraryTab::ImportWorkerThread - Initial import, setting up favored directories:");
        if (char music[MAX_PATH] = {}; GetMyMusicPath(music, sizeof music, false)) lookAt(WithSlash(music));
        for (const TImportRoot& root : roots) {
            if (!Running()) break;
            if (!searched(root)) continue;
            for (std::string_view pattern : ImportFolderPatterns()) {
                if (!Running()) break;
                for (const std::string& folder : MatchingFolders(root.path, pattern)) {
                    if (!Running()) break;
                    lookAt(folder);
                }
            }
        }
    }
    if (Running()) {
        Log("CLibraryTab::ImportWorkerThread - Converting known sound dirs into favorite directories.");
        prefs_.Lock();
        for (int i = 0; i < prefs_.MusicDirectories.Count(); ++i) {
            const _lastDirList* known = prefs_.MusicDirectories.Index(i);
            favorites.Append(MakePath(WithSlash(known->path), kFavoriteDepth, known->number));
        }
        prefs_.Unlock();
        Log("CLibraryTab::ImportWorkerThread - Favored directories:");
        int index = 0;
        for (const TMvPath& favorite : favorites) LogFmt("   %d. %s", index++, favorite.path);

        store_.SetImporting(true);
        // A stop that came during the set-up still holds.
        if (!Running()) store_.SetImporting(false);
    }
    // Start returns now, whichever way the set-up ended.
    SignalSetUp();

    if (Running()) {
        if (searchFavorites) {
            Log("CLibraryTab::ImportWorkerThread - Searching favorites");
            result = store_.ImportFavorites(LibraryPostTarget(page), flags, &favorites, &exclusions);
            if (!result) Log("CLibraryTab::ImportWorkerThread - ImportFavorites returned false");
        }
    }
    // The later walks skip the excluded folders and the favourites searched
    // already; favourites that were not searched are left to them.
    MvList<TMvPath> skipList;
    for (int i = exclusions.count - 1; i >= 0; --i) skipList.Append(exclusions.items[i]);
    if (searchFavorites)
        for (const TMvPath& favorite : favorites) skipList.Append(favorite);

    if (result && Running() && searchDesktop) {
        char desktop[MAX_PATH] = {};
        if (GetSpecialFolderPath(desktop, sizeof desktop, kShellFolderDesktop, false)) {
            result = store_.ImportAllFolders(LibraryPostTarget(page), flags, WithSlash(desktop).c_str(), &skipList,
                                             SVT_IMPORT_ANY_DEPTH);
            if (!result) Log("CLibraryTab::ImportWorkerThread - Importing from desktop returned false");
        }
    }
    auto walkRoots = [&](EImportRootUse use) {
        for (const TImportRoot& root : roots) {
            if (ImportRootUse(root.kind) != use || !root.walk) {
                LogFmt("CLibraryTab::ImportWorkerThread - Skipping drive %s", root.path.c_str());
                continue;
            }
            if (!Running()) return false;
            LogFmt("CLibraryTab::ImportWorkerThread - Calling ImportAllFolders on %s", root.path.c_str());
            if (!store_.ImportAllFolders(LibraryPostTarget(page), flags, root.path.c_str(), &skipList,
                                         SVT_IMPORT_ANY_DEPTH)) {
                Log("CLibraryTab::ImportWorkerThread - ImportAllFolders returned false");
                running_.store(false);
            }
        }
        return Running();
    };
    if (result && Running() && searchRest) {
        result = walkRoots(EImportRootUse::kLocal);
        if (!result) Log("CLibraryTab::ImportWorkerThread - Importing from computer returned false");
    }
    if (result && Running() && searchNetwork) walkRoots(EImportRootUse::kNetwork);

    {
        std::lock_guard guard(lock_);
        running_.store(false);
        importing_ = false;
    }
    Log("CLibraryTab::ImportWorkerThread - Posting WM_IMPORT_FINISHED");
    PostAppMessage(page, TAppMessage{WM_IMPORT_FINISHED, 0, 0, nullptr});
    Log("CLibraryTab::ImportWorkerThread - Import worker thread ending");
}
