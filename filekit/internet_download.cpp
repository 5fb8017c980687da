#include "filekit/internet_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <system_error>

#include "filekit/file_obj.h"
#include "platform/last_error.h"

namespace {

// How long the worker waits for network activity before looking at its
// flags again; termination wakes it earlier.
constexpr int kPollWaitMs = 1000;
// Redirects followed before the download is given up.
constexpr long kMaxRedirects = 10;
// Slower than this over the stall limit counts as a stalled transfer.
constexpr long kLowSpeedBytesPerSec = 1;

bool IsSuccessStatus(long status) {
    return status >= 200 && status <= 299;
}

// The proxy bypass list as the transfer library wants it: comma-separated.
// "<local>" (hosts without a dot) has no counterpart and is left out.
std::string BypassList(const std::string& hosts) {
    std::string list;
    std::size_t pos = 0;
    while (pos < hosts.size()) {
        const std::size_t end = hosts.find_first_of(";, \t", pos);
        const std::string host = hosts.substr(pos, end == std::string::npos ? end : end - pos);
        if (!host.empty() && host != "<local>") {
            if (!list.empty()) list += ',';
            list += host;
        }
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return list;
}

// CURL and CURLM are both void, so each needs a cleanup type of its own.
struct TEasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct TMultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct TListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

CInternetDownload::CInternetDownload(HINTERNET session, const char* url, CFileObj* file) {
    StartDownload(session, url, file);
}

CInternetDownload::~CInternetDownload() {
    TerminateDownload();
}

int CInternetDownload::StartDownload(HINTERNET session, const char* url, CFileObj* file) {
    if (worker_.joinable() || session == nullptr || url == nullptr || file == nullptr ||
        !InternetLibraryReady()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    settings_ = *session;
    url_ = url;
    file_ = file;
    fileSize_ = 0;
    wholeFile_ = false;
    terminated_ = false;
    moreToRead_ = true;
    try {
        worker_ = std::thread(&CInternetDownload::StartDownloadFromThread, this);
    } catch (const std::system_error&) {
        moreToRead_ = false;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return 1;
}

void CInternetDownload::TerminateDownload() {
    terminated_ = true;
    moreToRead_ = false;
    {
        std::lock_guard guard(wakeLock_);
        if (wake_ != nullptr) curl_multi_wakeup(static_cast<CURLM*>(wake_));
    }
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void CInternetDownload::DetermineSize(void* transfer) {
    long status = 0;
    curl_off_t length = -1;
    curl_easy_getinfo(static_cast<CURL*>(transfer), CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(static_cast<CURL*>(transfer), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    std::lock_guard guard(lock_);
    fileSize_ = IsSuccessStatus(status) && length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

std::size_t CInternetDownload::OnHeader(char* data, std::size_t size, std::size_t count,
                                        void* self) {
    auto* download = static_cast<CInternetDownload*>(self);
    const std::size_t length = size * count;
    download->lastActivity_ = Clock::now();
    // The empty line that ends each answer's headers.
    if ((length == 2 && data[0] == '\r') || (length == 1 && data[0] == '\n')) {
        download->DetermineSize(download->transfer_);
    }
    return download->terminated_ ? 0 : length;
}

std::size_t CInternetDownload::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* download = static_cast<CInternetDownload*>(self);
    const std::size_t length = size * count;
    download->lastActivity_ = Clock::now();
    long status = 0;
    curl_easy_getinfo(static_cast<CURL*>(download->transfer_), CURLINFO_RESPONSE_CODE, &status);
    // An error page never reaches the file.
    if (download->terminated_ || !IsSuccessStatus(status)) return 0;
    std::lock_guard guard(download->lock_);
    const std::int64_t written = download->file_->Write(data, static_cast<std::int64_t>(length));
    return written == static_cast<std::int64_t>(length) ? length : 0;
}

void CInternetDownload::ConfigureTransfer(void* handle, void* headers) {
    CURL* transfer = static_cast<CURL*>(handle);
    curl_easy_setopt(transfer, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(transfer, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(transfer, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(transfer, CURLOPT_MAXREDIRS, kMaxRedirects);
    // A redirect must not lead the download to local files or other protocols.
    curl_easy_setopt(transfer, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(transfer, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(transfer, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(headers));
    if (!settings_.agent.empty()) {
        curl_easy_setopt(transfer, CURLOPT_USERAGENT, settings_.agent.c_str());
    }
    if (settings_.accessType == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(transfer, CURLOPT_PROXY, "");
    } else if (settings_.accessType == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(transfer, CURLOPT_PROXY, settings_.proxy.c_str());
        curl_easy_setopt(transfer, CURLOPT_NOPROXY, BypassList(settings_.proxyBypass).c_str());
    }
    curl_easy_setopt(transfer, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(settings_.connectTimeoutMs));
    // A server that keeps sending a byte now and then never falls silent for
    // long, yet never finishes: under a byte a second over the stall limit
    // ends the transfer too.
    if (settings_.stallTimeoutMs != 0) {
        curl_easy_setopt(transfer, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSec);
        curl_easy_setopt(transfer, CURLOPT_LOW_SPEED_TIME,
                         std::max(1L, static_cast<long>(settings_.stallTimeoutMs / 1000)));
    }
    curl_easy_setopt(transfer, CURLOPT_HEADERFUNCTION, &CInternetDownload::OnHeader);
    curl_easy_setopt(transfer, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(transfer, CURLOPT_WRITEFUNCTION, &CInternetDownload::OnBody);
    curl_easy_setopt(transfer, CURLOPT_WRITEDATA, this);
}

bool CInternetDownload::RunTransfer(void* multiHandle, void* handle) {
    CURLM* multi = static_cast<CURLM*>(multiHandle);
    CURL* transfer = static_cast<CURL*>(handle);
    {
        std::lock_guard guard(wakeLock_);
        wake_ = multi;
    }
    curl_multi_add_handle(multi, transfer);
    lastActivity_ = Clock::now();
    const bool watchStall = settings_.stallTimeoutMs != 0;
    const auto stallLimit = std::chrono::milliseconds(settings_.stallTimeoutMs);
    int running = 1;
    bool stalled = false;
    while (!terminated_) {
        if (curl_multi_perform(multi, &running) != CURLM_OK || running == 0) break;
        // The transfer library's own speed check averages over seconds, so a
        // server that sent a little and then went silent would keep it
        // waiting far longer than the limit; silence is measured here.
        const auto quiet = Clock::now() - lastActivity_;
        if (watchStall && quiet >= stallLimit) {
            stalled = true;
            break;
        }
        long long waitMs = kPollWaitMs;
        if (watchStall) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(stallLimit - quiet);
            waitMs = std::min<long long>(waitMs, left.count() + 1);
        }
        if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(waitMs), nullptr) != CURLM_OK)
            break;
    }
    {
        std::lock_guard guard(wakeLock_);
        wake_ = nullptr;
    }
    bool whole = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE || message->easy_handle != transfer) continue;
        long status = 0;
        curl_easy_getinfo(transfer, CURLINFO_RESPONSE_CODE, &status);
        whole = !stalled && message->data.result == CURLE_OK && IsSuccessStatus(status);
    }
    curl_multi_remove_handle(multi, transfer);
    return whole;
}

void CInternetDownload::StartDownloadFromThread() {
    // Declared in this order so that the transfer is cleaned up first, then
    // the multi handle, then the header list the transfer used. The headers
    // ask for the file from the server, never from a cache on the way.
    std::unique_ptr<curl_slist, TListCleanup> headers(
        curl_slist_append(nullptr, "Cache-Control: no-cache"));
    if (headers != nullptr) curl_slist_append(headers.get(), "Pragma: no-cache");
    std::unique_ptr<CURLM, TMultiCleanup> multi(curl_multi_init());
    std::unique_ptr<CURL, TEasyCleanup> easy(curl_easy_init());
    bool whole = false;
    if (easy != nullptr && multi != nullptr) {
        transfer_ = easy.get();
        ConfigureTransfer(easy.get(), headers.get());
        whole = RunTransfer(multi.get(), easy.get());
        transfer_ = nullptr;
    }
    // The flags are read without the lock: the result goes first, so whoever
    // sees the download ended also sees how it ended.
    wholeFile_ = whole && !terminated_;
    moreToRead_ = false;
}
