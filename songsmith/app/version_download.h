#pragma once
// The version check's download: a worker thread fetches the two-line version
// file into a local file and reads it. The dialog polls Done() on the main
// thread; everything the worker fills is set before done, and the worker is
// always joined before the object goes.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class MyInternetAccess;

// Longest texts kept of the file's two lines.
inline constexpr int kLatestVersionChars = 254;
inline constexpr int kDownloadPageChars = 1024;

struct TVersionFile {
    // The file arrived and was read.
    bool downloaded = false;
    // The first line reads as a version (dotted numbers, one not 0).
    bool valid = false;
    std::string latestVersion;
    std::string downloadPage;
};

class CVersionDownload {
public:
    CVersionDownload() = default;
    // Cancels a running download and joins the worker.
    ~CVersionDownload();
    CVersionDownload(const CVersionDownload&) = delete;
    CVersionDownload& operator=(const CVersionDownload&) = delete;

    // Starts fetching address into localFile through session. False when a
    // download was started before or the worker could not be started.
    bool Start(MyInternetAccess& session, std::string address, std::string localFile);
    // Stops the transfer at once; the worker ends with nothing read.
    void Cancel();
    // Cancels and waits for the worker.
    void Join();

    // The transfer was accepted by the session.
    bool Started() const { return started_.load(std::memory_order_acquire); }
    // The worker has finished, with the file read or not.
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // What the worker found; read it only once Done() answers true.
    const TVersionFile& Result() const { return result_; }

private:
    void Worker(MyInternetAccess* session);
    // Waits while the transfer runs, checking every 100 ms; false when
    // cancelled.
    bool WaitForTransfer(class CFileObj& file);
    void ReadFile(class CFileObj& file);

    std::string address_;
    std::string localFile_;
    std::thread worker_;
    std::mutex lock_;
    std::condition_variable cancelled_;
    std::atomic<bool> run_{true};
    std::atomic<bool> started_{false};
    std::atomic<bool> done_{false};
    TVersionFile result_;
};
