// CFileObj's download operations: a file object filled from a URL.
#include <cstdio>
#include <new>

#include "filekit/errors.h"
#include "filekit/file_obj.h"
#include "filekit/internet_access.h"
#include "filekit/internet_download.h"
#include "platform/last_error.h"

void CFileObj::DropDownload() {
    delete download_;  // its destructor joins the worker
    download_ = nullptr;
}

int CFileObj::OpenFromInternet(MyInternetAccess* session, const char* url, const char* localPath) {
    if (IsOpen()) {
        SetLastError(FILEKIT_ERR_FILE_ALREADY_OPEN);
        return 0;
    }
    if (session == nullptr || !session->IsOpen()) {
        SetLastError(FILEKIT_ERR_SESSION_NOT_OPEN);
        return 0;
    }
    DropDownload();
    if (!Create(localPath)) return 0;
    download_ = new (std::nothrow) CInternetDownload();
    if (download_ != nullptr) {
        // The session's settings are copied under its lock, so a Close on
        // another thread cannot pull them away meanwhile.
        session->Lock();
        download_->StartDownload(session->InternetHandle(), url, this);
        session->Unlock();
    }
    return 1;
}

int CFileObj::FileDownloading() {
    return download_ != nullptr && download_->MoreToRead() ? 1 : 0;
}

int CFileObj::GetDownloadAmounts(std::uint64_t& received, std::uint64_t& total) {
    if (download_ == nullptr || !download_->MoreToRead()) return 0;
    // The worker writes under this lock, so the size is never seen half-way.
    download_->Lock();
    const std::int64_t size = Size();
    received = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    total = download_->FileSize();
    download_->Unlock();
    return 1;
}

int CFileObj::CompleteDownload(int discard) {
    if (download_ == nullptr) {
        SetLastError(FILEKIT_ERR_NO_DOWNLOAD);
        return 0;
    }
    download_->TerminateDownload();
    Close();
    if (discard) {
        if (!path_.empty()) std::remove(path_.c_str());
        path_.clear();
        return 1;
    }
    const std::string path = path_;
    return Open(path.c_str(), 0, 0);
}

int CFileObj::DownloadWasSuccessful() {
    if (download_ == nullptr) {
        SetLastError(FILEKIT_ERR_NO_DOWNLOAD);
        return 0;
    }
    return download_->WholeFileDownloaded();
}
