#include "songsmith/app/version_download.h"

#include <chrono>
#include <vector>

#include "filekit/file_obj.h"
#include "songsmith/app/version_numbers.h"

namespace {

// How often the worker looks whether the transfer has ended.
constexpr std::chrono::milliseconds kTransferPoll{100};
// CompleteDownload's two ways to end a transfer.
constexpr int kDiscardFile = 1;
constexpr int kKeepFile = 0;

std::string ReadLine(CFileObj& file, int chars) {
    std::vector<char> line(static_cast<std::size_t>(chars) + 1, '\0');
    const std::int64_t length = file.ReadNextString(line.data(), chars);
    return std::string(line.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

CVersionDownload::~CVersionDownload() { Join(); }

bool CVersionDownload::Start(MyInternetAccess& session, std::string address, std::string localFile) {
    if (worker_.joinable() || Done()) return false;
    address_ = std::move(address);
    localFile_ = std::move(localFile);
    run_ = true;
    try {
        worker_ = std::thread(&CVersionDownload::Worker, this, &session);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CVersionDownload::Cancel() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        run_ = false;
    }
    cancelled_.notify_all();
}

void CVersionDownload::Join() {
    Cancel();
    if (worker_.joinable()) worker_.join();
}

void CVersionDownload::Worker(MyInternetAccess* session) {
    auto* file = new CFileObj();
    if (file->OpenFromInternet(session, address_.c_str(), localFile_.c_str()) == 1) {
        started_.store(true, std::memory_order_release);
        if (!WaitForTransfer(*file)) {
            file->CompleteDownload(kDiscardFile);
        } else if (file->DownloadWasSuccessful() == 1) {
            file->CompleteDownload(kKeepFile);
            if (file->IsOpen()) ReadFile(*file);
        } else {
            file->CompleteDownload(kDiscardFile);
        }
    }
    DeleteRefObject(&file);
    // Last: the dialog reads the result once it sees done.
    done_.store(true, std::memory_order_release);
}

bool CVersionDownload::WaitForTransfer(CFileObj& file) {
    std::unique_lock<std::mutex> hold(lock_);
    while (run_ && file.FileDownloading() == 1) {
        cancelled_.wait_for(hold, kTransferPoll, [this] { return !run_; });
    }
    return run_;
}

void CVersionDownload::ReadFile(CFileObj& file) {
    result_.latestVersion = ReadLine(file, kLatestVersionChars);
    result_.downloadPage = ReadLine(file, kDownloadPageChars);
    TVersionNumbers numbers;
    result_.valid = ParseDottedVersion(result_.latestVersion, numbers);
    result_.downloaded = true;
    file.Close();
}
