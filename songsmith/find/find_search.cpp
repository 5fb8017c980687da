#include "songsmith/find/find_search.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "filekit/log.h"
#include "songsmith/app/app_messages.h"
#include "songvault/songvault.h"

namespace {

// Searches give way to everything else the machine does.
void LowerThisThreadsPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

// Reading the file is the slow part of a found song: done on the workers,
// off the page's thread.
void LoadFoundSong(TFoundSong& found, const TSVT_Song& song) {
    found.record = song;
    found.loaded = found.entry.LoadFromFile(song.path) != 0;
}

bool StartStdThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

CFindSearch::CFindSearch(TPost post) : startThread(StartStdThread), post_(std::move(post)) {}

CFindSearch::~CFindSearch() {
    KillSearchThread();
    KillImportThread();
}

bool CFindSearch::StartSearch(SVTENG_CSongvault* store, std::string text, CQueryList query,
                              const std::function<void()>& meanwhile) {
    KillSearchThread();
    {
        std::lock_guard<std::mutex> guard(lock_);
        searchRun_ = true;
        searchStarted_ = false;
        pendingRows_ = 0;
        ++generation_;
    }
    Log("CFindTab::_OnSearch - Starting search worker thread");
    const bool started =
        startThread(searchThread_, [this, store, text = std::move(text), query = std::move(query)]() mutable {
            SearchWorker(store, std::move(text), query);
        });
    if (meanwhile) meanwhile();
    std::unique_lock<std::mutex> guard(lock_);
    if (!started) {
        // Nothing runs: no wait on a start that never comes.
        searchRun_ = false;
        Log("Failed to launch search thread!");
        return false;
    }
    changed_.wait(guard, [this] { return searchStarted_; });
    return true;
}

bool CFindSearch::SearchRunning() const {
    std::lock_guard<std::mutex> guard(lock_);
    return searchThread_.joinable() && searchRun_;
}

void CFindSearch::KillSearchThread() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        searchRun_ = false;
    }
    changed_.notify_all();
    // Joined outside the lock: the worker takes it on its way out.
    if (searchThread_.joinable()) searchThread_.join();
}

void CFindSearch::SearchWorker(SVTENG_CSongvault* store, std::string text, const CQueryList& query) {
    Log("CFindTab::SearchWorkerThread - Getting query list of songs that match");
    // A field query lists the songs that meet its conditions; otherwise
    // the text is searched.
    std::int32_t count = 0;
    if (store != nullptr)
        count = query.Empty() ? store->FindSongsByText(text.c_str()) : store->FindSongsBySQL(query.List());
    std::size_t firstRows = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        searchStarted_ = true;
        firstRows = static_cast<std::size_t>(firstPageRows_);
    }
    changed_.notify_all();

    LogFmt("CFindTab::SearchWorkerThread - Going to add %d songs...", count);
    // The first page is the one a person waits for: its files are read side
    // by side, at the thread's start-up priority. The rest of the result
    // gives way to everything else the machine does.
    bool cancelled = false;
    bool firstPage = true;
    for (std::int32_t next = 0; !cancelled && next < count; firstPage = false) {
        TFoundSongs batch;
        const std::size_t rows = firstPage ? firstRows : static_cast<std::size_t>(kBatchRows);
        if (!ReadBatch(*store, count, rows, firstPage ? kFirstPageReaders : 1, next, batch) ||
            (!batch.empty() && !PostSongs(batch, searchRun_, noHurry_))) {
            cancelled = true;
        } else if (firstPage && next < count) {
            LowerThisThreadsPriority();
        }
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!searchRun_) cancelled = true;
        searchRun_ = false;
    }
    Log(cancelled ? "CFindTab::SearchWorkerThread - Search cancelled."
                  : "CFindTab::SearchWorkerThread - Done adding songs");
    Log("CFindTab::SearchWorkerThread - Sending WM_FIND_FINISHED");
    post_(TAppMessage{WM_FIND_FINISHED, cancelled ? 1u : 0u, static_cast<std::intptr_t>(Generation()), nullptr});
}

bool CFindSearch::StillSearching() const {
    std::lock_guard<std::mutex> guard(lock_);
    return searchRun_;
}

bool CFindSearch::ReadBatch(SVTENG_CSongvault& store, std::int32_t count, std::size_t rows, std::size_t readers,
                            std::int32_t& next, TFoundSongs& batch) {
    std::vector<TSVT_Song> songs;
    songs.reserve(rows);
    for (; next < count && songs.size() < rows; ++next) {
        if (!StillSearching()) return false;
        TSVT_Song song{};
        // The rest of the result stops at a song the store cannot give.
        if (!store.GetQueryResult(next, &song)) {
            next = count;
            break;
        }
        // Gone from the store (or into the trash) since the search.
        if (song.id < 0) continue;
        LogFmt("CFindTab::SearchWorkerThread - Adding song %d. %s", next, song.path);
        songs.push_back(song);
    }
    batch.resize(songs.size());
    return ReadSideBySide(songs, readers, batch);
}

bool CFindSearch::ReadSideBySide(const std::vector<TSVT_Song>& songs, std::size_t readers, TFoundSongs& found) {
    // Each reader takes the next song until none is left or the search is
    // stopped; a stop is answered after the song in hand.
    std::atomic<std::size_t> taken{0};
    auto read = [&] {
        for (std::size_t i = taken++; i < songs.size() && StillSearching(); i = taken++)
            LoadFoundSong(found[i], songs[i]);
    };
    // This thread reads too; a reader that cannot start leaves its share to
    // the others.
    std::vector<std::thread> threads;
    const std::size_t wanted = std::min(songs.size() / kSongsPerReader, readers);
    for (std::size_t r = 1; r < wanted; ++r) {
        std::thread reader;
        if (startThread(reader, read)) threads.push_back(std::move(reader));
    }
    read();
    for (std::thread& reader : threads) reader.join();
    return StillSearching();
}

bool CFindSearch::PostSongs(TFoundSongs& songs, const bool& runFlag, const bool& hurry) {
    const int rows = static_cast<int>(songs.size());
    std::intptr_t generation = 0;
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return !runFlag || hurry || pendingRows_ < kMaxPendingRows; });
        if (!runFlag) return false;
        generation = static_cast<std::intptr_t>(generation_);
        pendingRows_ += rows;
    }
    TFoundSongs posted = std::move(songs);
    songs = TFoundSongs();
    if (!post_(MakeAppMessage(WM_FIND_FOUNDSONG, 0, generation, std::move(posted)))) RowsHandled(rows);
    return true;
}

void CFindSearch::SetFirstPageRows(int rows) {
    std::lock_guard<std::mutex> guard(lock_);
    firstPageRows_ = rows > 0 ? rows : 1;
}

std::uint32_t CFindSearch::Generation() const {
    std::lock_guard<std::mutex> guard(lock_);
    return generation_;
}

void CFindSearch::RowsHandled(int count) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        pendingRows_ = pendingRows_ > count ? pendingRows_ - count : 0;
    }
    changed_.notify_all();
}

bool CFindSearch::StartImportFeed() {
    KillImportThread();
    {
        std::lock_guard<std::mutex> guard(lock_);
        importRun_ = true;
        importStarted_ = false;
        importDrain_ = false;
    }
    const bool started = startThread(importThread_, [this] { ImportWorker(); });
    std::unique_lock<std::mutex> guard(lock_);
    if (!started) {
        importRun_ = false;
        Log("Failed to launch import thread!");
        return false;
    }
    changed_.wait(guard, [this] { return importStarted_; });
    return true;
}

bool CFindSearch::ImportFeedRunning() const {
    std::lock_guard<std::mutex> guard(lock_);
    return importThread_.joinable() && importRun_;
}

void CFindSearch::KillImportThread() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        importRun_ = false;
        importQueue_.clear();
    }
    changed_.notify_all();
    if (importThread_.joinable()) importThread_.join();
}

void CFindSearch::FinishImportFeed() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        importDrain_ = true;
    }
    changed_.notify_all();
    if (importThread_.joinable()) importThread_.join();
    std::lock_guard<std::mutex> guard(lock_);
    importRun_ = false;
}

void CFindSearch::QueueImported(const TSVT_Song& song) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        importQueue_.push_back(song);
    }
    changed_.notify_all();
}

void CFindSearch::ImportWorker() {
    LowerThisThreadsPriority();
    std::unique_lock<std::mutex> guard(lock_);
    importStarted_ = true;
    changed_.notify_all();
    while (true) {
        changed_.wait(guard, [this] { return !importRun_ || importDrain_ || !importQueue_.empty(); });
        if (!importRun_ || importQueue_.empty()) break;
        Log("CFindTab::ImportWorkerThread - Checking _importQueue, count > 0");
        const TSVT_Song song = importQueue_.front();
        importQueue_.pop_front();
        guard.unlock();
        LogFmt("CFindTab::ImportWorkerThread - Adding song: %s", song.path);
        TFoundSongs found(1);
        LoadFoundSong(found.front(), song);
        if (PostSongs(found, importRun_, importDrain_))
            post_(TAppMessage{WM_FIND_UPDATECOUNT, 0, static_cast<std::intptr_t>(Generation()), nullptr});
        guard.lock();
    }
    Log("CFindTab::ImportWorkerThread - Thread being killed");
}
