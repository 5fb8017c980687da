#pragma once
// The download of one URL into a file object on a worker thread of its own.
//
// The file object (CFileObj::OpenFromInternet) creates and owns its download;
// the download keeps a plain pointer back to the file and writes what arrives
// into it under the download's lock. The download counts as whole only when
// the server's final answer (after redirects) was a 2xx status and the body
// arrived complete; an error page, a cut-off body, a failed write, a time-out
// or a termination all end it as not whole.
//
// TerminateDownload stops the transfer at once (it wakes the worker from its
// wait) and always joins the worker, so the file and the download can be
// destroyed safely afterwards.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "filekit/internet_access.h"

class CFileObj;

class CInternetDownload {
public:
    // An idle download.
    CInternetDownload() = default;
    // Starts downloading url into file at once (StartDownload).
    CInternetDownload(HINTERNET session, const char* url, CFileObj* file);
    // Terminates the download (joining the worker).
    ~CInternetDownload();
    CInternetDownload(const CInternetDownload&) = delete;
    CInternetDownload& operator=(const CInternetDownload&) = delete;

    // Copies the session's settings and the url and starts the worker thread.
    // file must outlive the download. 1 when the worker was started.
    int StartDownload(HINTERNET session, const char* url, CFileObj* file);
    // Ends the transfer, marks the download terminated and waits for the
    // worker. Idempotent.
    void TerminateDownload();

    // 1 from the start until the download has ended.
    int MoreToRead() const { return moreToRead_ ? 1 : 0; }
    // 1 when the whole body of a 2xx answer arrived.
    int WholeFileDownloaded() const { return wholeFile_ ? 1 : 0; }
    // The size the server announced (Content-Length); 0 while unknown.
    int GotFileSize() const { return fileSize_ != 0 ? 1 : 0; }
    std::uint64_t FileSize() const { return fileSize_; }

    // Held by the worker while it writes into the file.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

private:
    // The worker's whole life: one transfer.
    void StartDownloadFromThread();
    void ConfigureTransfer(void* transfer, void* headers);
    // Runs the transfer until it ends, stalls or is terminated; true when the
    // whole body of a 2xx answer arrived.
    bool RunTransfer(void* multi, void* transfer);
    // Takes the announced size once the headers of a 2xx answer are in.
    void DetermineSize(void* transfer);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);

    std::recursive_mutex lock_;
    TInternetSession settings_;
    std::string url_;
    CFileObj* file_ = nullptr;  // not owned: the file owns this download
    std::thread worker_;
    using Clock = std::chrono::steady_clock;
    void* transfer_ = nullptr;        // the worker's transfer handle, used by its callbacks
    Clock::time_point lastActivity_;  // the worker's: when bytes last arrived
    std::atomic<bool> moreToRead_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> wholeFile_{false};
    std::atomic<std::uint64_t> fileSize_{0};
    // Guards wake_, which TerminateDownload uses to interrupt the worker's
    // wait; the worker clears it before the handle goes away.
    std::mutex wakeLock_;
    void* wake_ = nullptr;
};
