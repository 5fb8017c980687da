#pragma once
// The Find page's two workers, without widgets:
//
// - the search worker runs the store's text search, then reads the result
//   one song at a time, loads each song's entry from its file and posts the
//   songs to the page (WM_FIND_FOUNDSONG), and at the end posts
//   WM_FIND_FINISHED (wParam 1 when it was stopped);
// - the import feed takes the songs of a running library import that the
//   page accepted (QueueImported) and posts them the same way, one song per
//   message, each followed by WM_FIND_UPDATECOUNT.
//
// Pacing: the search worker posts the first page's songs (as many as the
// page shows, SetFirstPageRows) in one message the moment they are loaded,
// so the page lists and paints them at once; the rest follow in messages of
// up to kBatchRows songs. A worker waits while kMaxPendingRows posted rows
// are not handled yet (the page calls RowsHandled), so a large result never
// floods the page's queue, and a stop is answered at once.
// Both workers are owned threads, stopped by clearing their run flag and
// joined by their owner; the waits happen outside the lock.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "songsmith/app/app_message.h"
#include "songsmith/find/query_list.h"
#include "songsmith/session/song_entry.h"
#include "songvault/records.h"

class SVTENG_CSongvault;

// What a found-song message carries: the store's record and the entry
// loaded from its file (loaded false when the file could not be read).
struct TFoundSong {
    TSVT_Song record{};
    CSongEntry entry;
    bool loaded = false;
};
// The songs of one WM_FIND_FOUNDSONG, in the order found.
using TFoundSongs = std::vector<TFoundSong>;

class CFindSearch {
public:
    static constexpr int kMaxPendingRows = 100;
    static constexpr int kBatchRows = 25;
    // The first page's files are read by up to this many threads, each
    // with at least kSongsPerReader songs to read.
    static constexpr std::size_t kFirstPageReaders = 4;
    static constexpr std::size_t kSongsPerReader = 4;

    // Posts a message to the page; any thread.
    using TPost = std::function<bool(TAppMessage message)>;
    // Starts body on a new thread; false when no thread could be made.
    using TThreadStarter = std::function<bool(std::thread& thread, std::function<void()> body)>;

    explicit CFindSearch(TPost post);
    // Stops and joins both workers.
    ~CFindSearch();
    CFindSearch(const CFindSearch&) = delete;
    CFindSearch& operator=(const CFindSearch&) = delete;

    // Starts the search worker for text (or, when query holds conditions,
    // for the songs that meet them all) and returns once the store's search
    // has run (so a second search never races the first one's query). False
    // when the worker could not start: nothing will be posted then.
    // meanwhile runs on the caller's thread while the store searches (or
    // once the worker failed to start), for work that need not wait for it.
    bool StartSearch(SVTENG_CSongvault* store, std::string text, CQueryList query = {},
                     const std::function<void()>& meanwhile = {});
    bool SearchRunning() const;
    // Clears the search worker's run flag and joins it.
    void KillSearchThread();

    // Starts the import feed and returns once it runs; false when it could
    // not start.
    bool StartImportFeed();
    bool ImportFeedRunning() const;
    // Stops the feed at once; what is queued is dropped.
    void KillImportThread();
    // Ends the feed once it has posted what is queued (the import is over),
    // without waiting for the page to catch up.
    void FinishImportFeed();
    // Queues a song the page accepted from the library import.
    void QueueImported(const TSVT_Song& song);

    // The page handled count posted rows.
    void RowsHandled(int count);
    // How many songs the next searches post in their first message (the
    // rows the list shows); at least 1.
    void SetFirstPageRows(int rows);

    // Every message of the workers carries the number of the search that
    // posted it in lParam, so the page can pass over what a stopped search
    // left in its queue.
    std::uint32_t Generation() const;

    // Makes the workers' threads; tests put one that fails.
    TThreadStarter startThread;

private:
    void SearchWorker(SVTENG_CSongvault* store, std::string text, const CQueryList& query);
    void ImportWorker();
    bool StillSearching() const;
    // Reads the records of up to rows songs of the result from index next on
    // (next moves past them), then their files with up to readers threads,
    // into batch in the result's order. False when the search was stopped.
    bool ReadBatch(SVTENG_CSongvault& store, std::int32_t count, std::size_t rows, std::size_t readers,
                   std::int32_t& next, TFoundSongs& batch);
    bool ReadSideBySide(const std::vector<TSVT_Song>& songs, std::size_t readers, TFoundSongs& found);
    // Posts the songs (and empties songs); waits first while too many rows
    // are pending. False when the run flag was cleared meanwhile.
    bool PostSongs(TFoundSongs& songs, const bool& runFlag, const bool& hurry);

    TPost post_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool searchRun_ = false;
    bool searchStarted_ = false;
    bool importRun_ = false;
    bool importStarted_ = false;
    bool importDrain_ = false;
    bool noHurry_ = false;
    std::uint32_t generation_ = 0;
    int pendingRows_ = 0;
    int firstPageRows_ = kBatchRows;
    std::deque<TSVT_Song> importQueue_;
    std::thread searchThread_;
    std::thread importThread_;
};
