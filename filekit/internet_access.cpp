#include "filekit/internet_access.h"

#include <curl/curl.h>

#include "platform/last_error.h"

bool InternetLibraryReady() {
    // curl_global_init is not safe to race with itself or with handle
    // creation, so it runs once, before the first session opens.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool InternetLibraryVersion(TInternetVersion* version) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (version == nullptr || info == nullptr) return false;
    // version_num holds 8 bits each of major, minor and patch.
    version->dwMajorVersion = (info->version_num >> 16) & 0xff;
    version->dwMinorVersion = (info->version_num >> 8) & 0xff;
    return true;
}

TIEVersion IEVersionFrom(const TInternetVersion& version) {
    if (version.dwMajorVersion != 1 || version.dwMinorVersion > 2) return kIEVersionOther;
    return static_cast<TIEVersion>(version.dwMinorVersion);
}

TIEVersion MyInternetAccess::GetIEVersion() {
    TInternetVersion version;
    return InternetLibraryVersion(&version) ? IEVersionFrom(version) : kIEVersionOther;
}

MyInternetAccess::~MyInternetAccess() {
    Close();
}

int MyInternetAccess::Open(const char* agent, std::uint32_t accessType, const char* proxy,
                           const char* proxyBypass) {
    Close();
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
        accessType != INTERNET_OPEN_TYPE_PROXY &&
        accessType != INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!InternetLibraryReady()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto session = std::make_unique<TInternetSession>();
    session->agent = agent != nullptr ? agent : "";
    session->accessType = accessType;
    if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        session->proxy = proxy != nullptr ? proxy : "";
        session->proxyBypass = proxyBypass != nullptr ? proxyBypass : "";
    }
    std::lock_guard guard(lock_);
    session->connectTimeoutMs = connectTimeoutMs_;
    session->stallTimeoutMs = stallTimeoutMs_;
    session_ = std::move(session);
    return 1;
}

void MyInternetAccess::Close() {
    std::lock_guard guard(lock_);
    session_.reset();
}

int MyInternetAccess::IsOpen() {
    std::lock_guard guard(lock_);
    return session_ != nullptr ? 1 : 0;
}

void MyInternetAccess::SetTimeouts(std::uint32_t connectTimeoutMs, std::uint32_t stallTimeoutMs) {
    std::lock_guard guard(lock_);
    connectTimeoutMs_ = connectTimeoutMs;
    stallTimeoutMs_ = stallTimeoutMs;
    if (session_ != nullptr) {
        session_->connectTimeoutMs = connectTimeoutMs;
        session_->stallTimeoutMs = stallTimeoutMs;
    }
}
