#pragma once
// CLibraryImport: the library import's own thread. It decides which folders
// to search and in which order and hands the searching to the song store,
// which posts each find to the Library page. On the first run (no known
// song folders yet) it looks for song folders by name below each root and
// records them; then it searches the known folders first, the desktop, the
// computer's roots and, when asked for, the network's. The thread runs at
// idle priority; the page's window gets WM_IMPORT_FINISHED when it ends.
//
// Start, Stop and Join are called on the main thread; the thread reaches
// the rest of the program only through the preferences (under their lock)
// and posted messages.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "songsmith/app/app_message.h"

class CPreferences;
class SVTENG_CSongvault;

// The store's import flags from the import preferences: the kinds of file
// and, for each kind taken, its minimum-length choice.
std::uint32_t BuildImportFlags(const CPreferences& prefs);

class CLibraryImport {
public:
    CLibraryImport(CPreferences& prefs, SVTENG_CSongvault& store);
    // Stops a running import and joins its thread.
    ~CLibraryImport();
    CLibraryImport(const CLibraryImport&) = delete;
    CLibraryImport& operator=(const CLibraryImport&) = delete;

    // Starts an import that posts to page; returns once its set-up is done
    // (on the first run that includes the search for song folders), or at
    // once when the thread could not be started (false).
    bool Start(TReceiverId page);
    // True from the thread's first step to its last.
    bool IsImporting() const;
    // Stops a running import and waits for its thread; false when none ran.
    bool Stop();
    // Joins a thread that has ended (after WM_IMPORT_FINISHED).
    void Join();

    // The home folder the roots start from (the user's by default).
    std::string home;
    // Tests: the thread is reported as not started.
    bool failThreadStartForTesting = false;

private:
    void Run(TReceiverId page);
    // Whether the import still runs; the thread's copy of the run flag.
    bool Running() const { return running_.load(); }
    void SignalSetUp();

    CPreferences& prefs_;
    SVTENG_CSongvault& store_;
    std::thread thread_;
    mutable std::mutex lock_;
    bool importing_ = false;
    // Cleared by Stop from the main thread while the thread reads it.
    std::atomic<bool> running_{false};
    std::condition_variable setUpDone_;
    bool setUp_ = false;
};
